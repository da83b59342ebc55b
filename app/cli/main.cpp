#include "runner.h"

int main(int argc, char** argv) { return zvapp::RunMain(argc, argv); }
