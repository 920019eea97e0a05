#pragma once

#include <cstdio>
#include <optional>

// The program's own command-line options, answered before anything else starts: no window, no
// single-instance claim, no debug bridge ended, no file read or written. Every other argument is
// left to the toolkit.
//   --help     what the program is, its options and where it keeps its files
//   --version  "Caltrim <version>", the version read back from the program file as the About
//              box reads it
// Writes the answer to out and returns the exit status when argv asks for one of them (the first
// one given wins); nullopt when the program should start.
std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::FILE* out);
