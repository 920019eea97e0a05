#include "records/sqlite/SqliteDatabase.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) {
  m_failed = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK;
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_statement); }

int SqliteStatement::Index(const char* name) {
  return m_statement ? sqlite3_bind_parameter_index(m_statement, name) : 0;
}

void SqliteStatement::Bind(const char* name, std::int64_t value) {
  if (const int index = Index(name)) m_failed |= sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK;
}

void SqliteStatement::Bind(const char* name, std::string_view text) {
  if (const int index = Index(name)) {
    m_failed |= sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                                  SQLITE_TRANSIENT) != SQLITE_OK;
  }
}

void SqliteStatement::Bind(const char* name, std::optional<int> value) {
  const int index = Index(name);
  if (index == 0) return;
  m_failed |= (value ? sqlite3_bind_int(m_statement, index, *value) : sqlite3_bind_null(m_statement, index)) !=
              SQLITE_OK;
}

bool SqliteStatement::Next() {
  if (m_failed) return false;
  const int status = sqlite3_step(m_statement);
  m_failed = status != SQLITE_ROW && status != SQLITE_DONE;
  return status == SQLITE_ROW;
}

bool SqliteStatement::Run() {
  while (Next()) {
  }
  return !m_failed;
}

void SqliteStatement::Reset() {
  sqlite3_reset(m_statement);
  sqlite3_clear_bindings(m_statement);
  m_failed = m_statement == nullptr;
}

std::int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(m_statement, column); }

std::optional<int> SqliteStatement::OptionalInt(int column) const {
  if (sqlite3_column_type(m_statement, column) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_int(m_statement, column);
}

double SqliteStatement::Real(int column) const { return sqlite3_column_double(m_statement, column); }

std::string SqliteStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
              : std::string();
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close(m_db); }

bool SqliteDatabase::Open(const std::string& path, bool create, int busyMs, std::string* error) {
  m_path = path;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK ||
      sqlite3_busy_timeout(m_db, busyMs) != SQLITE_OK) {
    *error = LastError();
    return false;
  }
  return true;
}

bool SqliteDatabase::Exec(const char* sql, std::string* error) {
  if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  *error = LastError();
  return false;
}

std::optional<std::int64_t> SqliteDatabase::QueryInt(const char* sql) {
  SqliteStatement statement(m_db, sql);
  if (!statement.Next()) return std::nullopt;
  return statement.Int(0);
}

std::string SqliteDatabase::LastError() const {
  return m_path + ": " + (m_db ? sqlite3_errmsg(m_db) : "cannot open");
}

SqliteTransaction::SqliteTransaction(SqliteDatabase* db) : m_db(db) {
  m_began = sqlite3_exec(db->Handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteTransaction::~SqliteTransaction() {
  if (m_began && !m_done) sqlite3_exec(m_db->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteTransaction::Commit() {
  m_done = sqlite3_exec(m_db->Handle(), "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  return m_done;
}
