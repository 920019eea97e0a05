#include "sim/equipment/SerialRegister.h"

#include <sqlite3.h>

#include <memory>

namespace {

struct StatementDeleter {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// sql prepared with its text parameters bound in order; null on failure.
Statement Prepare(sqlite3* db, const char* sql, const std::vector<std::string>& parameters) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) return nullptr;
  Statement statement(raw);
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (sqlite3_bind_text(raw, static_cast<int>(i + 1), parameters[i].data(),
                          static_cast<int>(parameters[i].size()), SQLITE_TRANSIENT) != SQLITE_OK) {
      return nullptr;
    }
  }
  return statement;
}

std::string Column(sqlite3_stmt* statement, int column) {
  const auto* text = sqlite3_column_text(statement, column);
  return text == nullptr ? std::string() : reinterpret_cast<const char*>(text);
}

constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS equipment ("
    " serial TEXT PRIMARY KEY COLLATE NOCASE,"
    " state TEXT NOT NULL CHECK (state IN ('free', 'used')),"
    " mac TEXT NOT NULL DEFAULT '',"
    " added_at TEXT NOT NULL,"
    " confirmed_at TEXT NOT NULL DEFAULT '')";

}  // namespace

SerialRegister::~SerialRegister() { sqlite3_close(m_db); }

bool SerialRegister::Open(const std::string& path, std::string* error) {
  const std::lock_guard<std::mutex> hold(m_mutex);
  if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
          SQLITE_OK ||
      sqlite3_busy_timeout(m_db, 5000) != SQLITE_OK ||
      sqlite3_exec(m_db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
    *error = path + ": " + (m_db ? sqlite3_errmsg(m_db) : "cannot open");
    return false;
  }
  return true;
}

bool SerialRegister::Add(const std::string& serial, std::string* error) {
  const std::lock_guard<std::mutex> hold(m_mutex);
  const Statement statement = Prepare(
      m_db,
      "INSERT OR IGNORE INTO equipment (serial, state, added_at)"
      " VALUES (?, 'free', datetime('now', 'localtime'))",
      {serial});
  if (!statement || sqlite3_step(statement.get()) != SQLITE_DONE) {
    *error = serial + ": " + sqlite3_errmsg(m_db);
    return false;
  }
  return true;
}

SerialRegister::State SerialRegister::Lookup(const std::string& serial) {
  const std::lock_guard<std::mutex> hold(m_mutex);
  const Statement statement = Prepare(m_db, "SELECT state FROM equipment WHERE serial = ?", {serial});
  if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) return State::kUnknown;
  return Column(statement.get(), 0) == "used" ? State::kUsed : State::kFree;
}

bool SerialRegister::Confirm(const std::string& serial, const std::string& mac) {
  const std::lock_guard<std::mutex> hold(m_mutex);
  const Statement statement = Prepare(
      m_db,
      "UPDATE equipment SET state = 'used', mac = ?, confirmed_at = datetime('now', 'localtime')"
      " WHERE serial = ? AND state = 'free'",
      {mac, serial});
  return statement && sqlite3_step(statement.get()) == SQLITE_DONE && sqlite3_changes(m_db) == 1;
}

std::vector<SerialRegister::Entry> SerialRegister::Entries() {
  const std::lock_guard<std::mutex> hold(m_mutex);
  std::vector<Entry> entries;
  const Statement statement = Prepare(
      m_db, "SELECT serial, state, mac, added_at, confirmed_at FROM equipment ORDER BY serial", {});
  while (statement && sqlite3_step(statement.get()) == SQLITE_ROW) {
    sqlite3_stmt* row = statement.get();
    entries.push_back({Column(row, 0), Column(row, 1), Column(row, 2), Column(row, 3), Column(row, 4)});
  }
  return entries;
}
