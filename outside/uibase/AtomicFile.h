#pragma once

#include <string>

namespace zavuibase {

// The step that puts the finished temporary file in place of the target; ::rename in real use.
using RenameFunction = int (*)(const char* from, const char* to);

// Replaces the file at path with content: writes a temporary file in the same folder, flushes it
// to disk, then renames it over path. Readers see either the old file or the new one, never a
// mixture; when any step fails the old file is untouched and the temporary file is removed.
// An existing file's permission bits are carried over. False on failure.
bool ReplaceFileContents(const std::string& path, const std::string& content,
                         RenameFunction renameStep = nullptr);

// The whole content of the file at path in *content; false when it cannot be read.
bool ReadFileContents(const std::string& path, std::string* content);

}  // namespace zavuibase
