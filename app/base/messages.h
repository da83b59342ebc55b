// Every line zvplot prints on standard error: errors, notes, the module's questions and the host's
// notes. Much of it echoes what a user or a file gave (a formula, a font's name), so each line is
// written through Printable: a control character shows as \x1b instead of acting on the terminal.
#pragma once

#include <string>
#include <string_view>

namespace zvapp {

// One line, "zvplot: " and the text.
void PrintNote(std::string_view text);
// "zvplot: error: " and the message; the runner's exit status for a refused command (2).
int PrintError(std::string_view message);
// Text made elsewhere (the command-line parser's), a line at a time, without the prefix.
void PrintLines(std::string_view text);
// On a terminal, a bar of how much of `total` is done, drawn over itself ("\r[####    ] 3/8"),
// and the end of its line once all is; nothing for a total below 2 or off a terminal.
void PrintProgress(long long done, long long total);

}  // namespace zvapp
