#pragma once

#include <functional>
#include <string>

#include "ZAVUIBase.h"

namespace zavuibase {

// What decides where writable files go, gathered so that the decision can be made on any values.
struct WritableFolderFacts {
  std::string exeFolder;       // with a trailing '/'
  bool exeFolderWritable = false;
  // The value of an environment variable, or null when it is not set.
  std::function<const char*(const char*)> env;
  std::string passwdHome;      // the caller's home folder from the user database, or empty
};

// The folder (trailing '/') for writable files of kind. The XDG variables count only when they
// hold an absolute path; HOME before the user database.
std::string ChooseWritableFolder(const WritableFolderFacts& facts, ZAVWritableKind kind);

// Copies from to to when to does not exist yet (and from does). False when a copy was needed and
// failed.
bool SeedFile(const std::string& from, const std::string& to);

}  // namespace zavuibase
