#pragma once

#include <string>

// Where a backup file goes. The file is written whole or not at all: a temporary file of a name of
// its own beside the target (so that backups to one path at the same time never meet), made
// before the robot is asked, so that a folder that cannot take the file is known before any
// traffic; then filled, flushed to disk and renamed over the target. Errors name the target and
// the system's reason: "cannot write PATH: No space left on device".
class BackupTarget {
 public:
  explicit BackupTarget(std::string path) : m_path(std::move(path)) {}
  // Removes the temporary file unless Commit put it in place.
  ~BackupTarget();
  BackupTarget(const BackupTarget&) = delete;
  BackupTarget& operator=(const BackupTarget&) = delete;

  // Makes the temporary file ("PATH.XXXXXX.part"). False, with *error set, when the target is a
  // folder or its folder cannot take a new file (missing, read-only, ...).
  bool Open(std::string* error);

  // Writes text into the temporary file, flushes it to disk and renames it over the target.
  // False, with *error set and the temporary file removed, when any step fails.
  bool Commit(const std::string& text, std::string* error);

 private:
  bool Fail(int failure, std::string* error);

  std::string m_path;
  std::string m_temporary;
  int m_fd = -1;
};
