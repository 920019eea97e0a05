#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A thin hold on the SQLite C interface for the records file: a connection, its prepared
// statements and transactions, each ended with its owner. Nothing here knows the schema.

class SqliteStatement {
 public:
  // Prepares sql on db; Failed() tells whether that worked.
  SqliteStatement(sqlite3* db, const char* sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Binds the named parameter (":name") when the statement has it.
  void Bind(const char* name, std::int64_t value);
  void Bind(const char* name, std::string_view text);
  void Bind(const char* name, std::optional<int> value);  // nothing binds NULL

  // Steps once: true with a row to read; false at the end or on failure (see Failed).
  bool Next();
  // Steps to the end; true when nothing failed.
  bool Run();
  bool Failed() const { return m_failed; }
  // Clears the bindings and rewinds, for the next use.
  void Reset();

  std::int64_t Int(int column) const;
  std::optional<int> OptionalInt(int column) const;  // nothing for NULL
  double Real(int column) const;
  std::string Text(int column) const;

 private:
  int Index(const char* name);

  sqlite3_stmt* m_statement = nullptr;
  bool m_failed = false;
};

class SqliteDatabase {
 public:
  SqliteDatabase() = default;
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // Opens (with create, making the file when missing) path; waits up to busyMs for another
  // connection's lock before a statement gives up. False with *error "PATH: reason".
  bool Open(const std::string& path, bool create, int busyMs, std::string* error);
  // Runs statements (';'-separated, no results). False with *error set.
  bool Exec(const char* sql, std::string* error);
  // The integer a query of one value returns (a PRAGMA, a count); nothing on failure.
  std::optional<std::int64_t> QueryInt(const char* sql);

  sqlite3* Handle() const { return m_db; }
  const std::string& Path() const { return m_path; }
  // "PATH: " and SQLite's last message.
  std::string LastError() const;

 private:
  sqlite3* m_db = nullptr;
  std::string m_path;
};

// A write transaction (BEGIN IMMEDIATE: the write lock is taken at the start, so two writers
// queue on the busy wait instead of failing half-way). Rolled back unless committed.
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteDatabase* db);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;

  bool Began() const { return m_began; }
  bool Commit();

 private:
  SqliteDatabase* m_db;
  bool m_began = false;
  bool m_done = false;
};
