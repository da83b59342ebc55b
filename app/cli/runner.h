// The runner zvplot: loads the module, builds a plot scene from the command line, evaluates it and
// writes what a person opens.
#pragma once

namespace zvapp {
int RunMain(int argc, char** argv);
}
