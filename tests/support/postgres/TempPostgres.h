#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

// A PostgreSQL server of a test's own: a cluster that initdb makes in a temporary folder, and a
// server that listens only on a Unix socket in that folder (no TCP: nothing reaches any network,
// and no port can collide with another test's). When the test runs as root, initdb and the
// server run as the user "nobody", since both refuse root. The server is a child of the thread
// that starts it and is killed when that thread ends, so a test that crashes leaves none behind;
// the destructor stops it and removes the folder.
class TempPostgres {
 public:
  // The folder of initdb and postgres: $CALTRIM_PG_BINDIR, else Debian's newest
  // /usr/lib/postgresql/N/bin, else the folder of an initdb on PATH. Empty when there is none.
  static std::string FindBinaries();

  // Makes the cluster in a new temporary folder and starts the server. Null with *error when a
  // step fails (the output of the failing program is in *error).
  static std::unique_ptr<TempPostgres> Create(const std::string& binaries, std::string* error);
  ~TempPostgres();
  TempPostgres(const TempPostgres&) = delete;
  TempPostgres& operator=(const TempPostgres&) = delete;

  // Starts the server (again) and waits until it takes connections.
  bool Start(std::string* error);
  // Stops it (fast shutdown: sessions are ended) and waits for its end.
  bool Stop(std::string* error);

  // The libpq URL of database db, as the user the cluster was made for.
  std::string Url(const std::string& db) const;
  // Makes a new, empty database.
  bool CreateDatabase(const std::string& name, std::string* error);
  // The rows of sql run on db, each row's values joined by '|' (NULL as empty). Empty after an
  // error, which goes to *error.
  std::vector<std::string> Rows(const std::string& db, const std::string& sql, std::string* error);

 private:
  TempPostgres(std::string binaries, std::string folder) : m_binaries(std::move(binaries)), m_folder(std::move(folder)) {}
  // Starts program with args as the cluster's user, output to log; the child's pid, or -1.
  pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& log);
  std::string LogTail(const std::string& log) const;

  const std::string m_binaries;
  const std::string m_folder;
  pid_t m_server = -1;
};
