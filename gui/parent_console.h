#pragma once
// Windows starts a window program without a console: what it prints goes
// nowhere, even when it was typed in a console. Before printing its
// version, its help or a wrong option, the window program takes the
// console of the program that started it (cmd, PowerShell), so the text
// appears there. Output sent to a file or a pipe stays where it was sent.
// Elsewhere this does nothing: standard output is the terminal already.

namespace kavro {

void PrintToParentConsole();

}  // namespace kavro
