#include "support/postgres/TempPostgres.h"

#include <fcntl.h>
#include <glob.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr char kUser[] = "caltrim";
constexpr int kPort = 5432;  // names the socket file only
constexpr auto kServerStartLimit = std::chrono::seconds(60);

bool IsExecutable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

std::string PathFolderOf(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && IsExecutable(folder + "/" + program)) return folder;
  }
  return "";
}

// Waits up to limit for child to end; its status, or -1 while it runs.
int WaitForEnd(pid_t child, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

std::string TempPostgres::FindBinaries() {
  if (const char* given = std::getenv("CALTRIM_PG_BINDIR"); given && IsExecutable(std::string(given) + "/initdb")) {
    return given;
  }
  glob_t found{};
  std::string newest;
  int newestVersion = -1;
  if (::glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0) {
    for (std::size_t i = 0; i < found.gl_pathc; ++i) {
      const std::filesystem::path bin = std::filesystem::path(found.gl_pathv[i]).parent_path();
      const int version = std::atoi(bin.parent_path().filename().c_str());
      if (version > newestVersion && IsExecutable((bin / "postgres").string())) {
        newestVersion = version;
        newest = bin.string();
      }
    }
  }
  ::globfree(&found);
  return newest.empty() ? PathFolderOf("initdb") : newest;
}

std::unique_ptr<TempPostgres> TempPostgres::Create(const std::string& binaries, std::string* error) {
  char folder[] = "/tmp/caltrim-pg.XXXXXX";  // short: a socket path has room for 107 bytes
  if (!::mkdtemp(folder)) {
    *error = "mkdtemp failed";
    return nullptr;
  }
  std::unique_ptr<TempPostgres> server(new TempPostgres(binaries, folder));
  if (::geteuid() == 0) {
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody || ::chown(folder, nobody->pw_uid, nobody->pw_gid) != 0) {
      *error = "cannot hand the cluster's folder to the user nobody";
      return nullptr;
    }
  }
  const std::string log = server->m_folder + "/initdb.log";
  const pid_t initdb = server->Spawn(binaries + "/initdb",
                                     {"-D", server->m_folder + "/data", "-U", kUser, "--auth=trust", "-E", "UTF8",
                                      "--no-locale", "--no-sync"},
                                     log);
  if (initdb < 0 || WaitForEnd(initdb, std::chrono::minutes(2)) != 0) {
    *error = "initdb failed: " + server->LogTail(log);
    return nullptr;
  }
  if (!server->Start(error)) return nullptr;
  return server;
}

TempPostgres::~TempPostgres() {
  std::string ignored;
  Stop(&ignored);
  std::error_code failed;
  std::filesystem::remove_all(m_folder, failed);
}

pid_t TempPostgres::Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& log) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
  const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (output < 0 || (nobody && ::fchown(output, nobody->pw_uid, nobody->pw_gid) != 0)) return -1;
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child == 0) {  // only async-signal-safe calls until exec
    if (nobody && (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)) {
      ::_exit(126);
    }
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // after setuid, which clears it
    if (::getppid() != parent || ::chdir(m_folder.c_str()) != 0) ::_exit(126);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(output);
  return child;
}

std::string TempPostgres::LogTail(const std::string& log) const {
  std::ifstream file(log);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

bool TempPostgres::Start(std::string* error) {
  if (m_server > 0) return true;
  const std::string log = m_folder + "/server.log";
  m_server = Spawn(m_binaries + "/postgres",
                   {"-D", m_folder + "/data", "-k", m_folder, "-p", std::to_string(kPort), "-c", "listen_addresses=",
                    "-c", "fsync=off", "-c", "full_page_writes=off"},
                   log);
  const std::string url = Url("postgres");
  const auto deadline = std::chrono::steady_clock::now() + kServerStartLimit;
  while (m_server > 0 && PQping(url.c_str()) != PQPING_OK) {
    if (WaitForEnd(m_server, std::chrono::milliseconds(20)) >= 0) m_server = -1;  // it gave up
    if (std::chrono::steady_clock::now() >= deadline) {
      std::string ignored;
      Stop(&ignored);
    }
  }
  if (m_server > 0) return true;
  *error = "the PostgreSQL server did not start: " + LogTail(log);
  return false;
}

bool TempPostgres::Stop(std::string* error) {
  if (m_server <= 0) return true;
  ::kill(m_server, SIGINT);
  const bool stopped = WaitForEnd(m_server, std::chrono::seconds(30)) >= 0;
  if (!stopped) {
    ::kill(m_server, SIGKILL);
    WaitForEnd(m_server, std::chrono::seconds(30));
    *error = "the PostgreSQL server did not stop in 30 s; killed";
  }
  m_server = -1;
  return stopped;
}

std::string TempPostgres::Url(const std::string& db) const {
  std::string host;
  for (const char c : m_folder) host += c == '/' ? std::string("%2F") : std::string(1, c);
  return std::string("postgresql://") + kUser + "@" + host + ":" + std::to_string(kPort) + "/" + db;
}

bool TempPostgres::CreateDatabase(const std::string& name, std::string* error) {
  std::string failed;
  Rows("postgres", "CREATE DATABASE " + name, &failed);
  if (failed.empty()) return true;
  *error = failed;
  return false;
}

std::vector<std::string> TempPostgres::Rows(const std::string& db, const std::string& sql, std::string* error) {
  std::vector<std::string> rows;
  PGconn* conn = PQconnectdb(Url(db).c_str());
  PGresult* result = PQstatus(conn) == CONNECTION_OK ? PQexec(conn, sql.c_str()) : nullptr;
  const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
  if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
    *error = PQerrorMessage(conn);
  } else {
    for (int row = 0; row < PQntuples(result); ++row) {
      std::string line;
      for (int column = 0; column < PQnfields(result); ++column) {
        line += (column ? "|" : "") + std::string(PQgetvalue(result, row, column));
      }
      rows.push_back(line);
    }
  }
  PQclear(result);
  PQfinish(conn);
  return rows;
}
