#pragma once

#include <string>

// Where a backup goes: a file, standard output ("-"), or a folder ("DIR/") in which the backup of
// a robot is named after its serial number, "DIR/SERIAL.json".
//
// A file is written whole or not at all: a temporary file of a name of its own beside the target
// (so that backups to one path at the same time never meet), made before the robot is asked, so
// that a folder that cannot take the file is known before any traffic; then filled, flushed to
// disk and renamed over the target. Standard output gets the text once it is whole. Errors name
// the target and the system's reason: "cannot write PATH: No space left on device".
class BackupTarget {
 public:
  // outputFd is standard output as the program found it, for "-".
  BackupTarget(std::string path, int outputFd) : m_path(std::move(path)), m_outputFd(outputFd) {}
  // Removes the temporary file unless Commit put it in place.
  ~BackupTarget();
  BackupTarget(const BackupTarget&) = delete;
  BackupTarget& operator=(const BackupTarget&) = delete;

  static bool IsFolder(const std::string& path) { return !path.empty() && path.back() == '/'; }

  // The backup of the robot with serial number serial in folder: folder + "SERIAL.json". False,
  // with *error set, when serial cannot name a file (empty, a leading ".", a "/" or a control
  // character in it), so that no robot names a file outside the folder.
  static bool FileInFolder(const std::string& folder, const std::string& serial, std::string* path,
                           std::string* error);

  // Makes the temporary file ("PATH.XXXXXX.part", "DIR/.backup.XXXXXX.part"). False, with *error
  // set, when the target is a folder not written as one, or its folder cannot take a new file
  // (missing, read-only, ...).
  bool Open(std::string* error);

  // For a folder: the backup becomes DIR/SERIAL.json (FileInFolder). Nothing for a file.
  bool NameAfter(const std::string& serial, std::string* error);

  // The file the backup goes to ("-" for standard output); the folder until NameAfter.
  const std::string& Path() const { return m_path; }

  // Writes text into the temporary file, flushes it to disk and renames it over the target; or
  // writes it to standard output. False, with *error set and the temporary file removed, when
  // any step fails.
  bool Commit(const std::string& text, std::string* error);

 private:
  bool Fail(int failure, std::string* error);

  std::string m_path;
  int m_outputFd;
  std::string m_temporary;
  int m_fd = -1;
};
