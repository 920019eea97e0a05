#pragma once

#include <string>

// The file version of the program file at path as "major.minor.build.revision", each part
// printed unsigned (0..65535), read from the version note the build puts into the file
// (app/VersionNote.h). "0.0.0.0" when path is empty, the file cannot be read, is not a
// little-endian ELF file, or carries no version note.
std::wstring GetFileVersionText(const std::wstring& path);

// The full path of the running executable (links resolved); empty when it cannot be read.
std::wstring RunningExecutablePath();
