#include "gui/parent_console.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>

namespace kavro {
namespace {

// A handle the program was given (a file, a pipe, a console): kept.
bool Given(DWORD which) {
    const HANDLE handle = ::GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void PrintToParentConsole() {
    const bool output = Given(STD_OUTPUT_HANDLE), errors = Given(STD_ERROR_HANDLE);
    if (output && errors) return;
    // Started from the desktop there is no console to print to.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!output && std::freopen("CONOUT$", "w", stdout)) std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!errors && std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
    // cmd showed its prompt when it started the window program: the text
    // begins on a line of its own.
    std::fputs("\n", output ? stderr : stdout);
}

}  // namespace kavro

#else

namespace kavro {

void PrintToParentConsole() {}

}  // namespace kavro

#endif
