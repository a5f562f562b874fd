#pragma once
// The command line's edges. The tool's text is UTF-8; a Windows console shows
// its own code page and hands main() its arguments in it, so there both are
// switched to UTF-8. Elsewhere they are UTF-8 already.
#include <string>
#include <vector>

// Makes the console show the UTF-8 text the program prints; call once at the
// start of main().
void UseUtf8Console();

// The program's arguments as UTF-8, the program's name first.
std::vector<std::string> ProgramArguments(int argc, char* argv[]);
