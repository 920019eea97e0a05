#pragma once

#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

// The simulator's register of serial numbers in an SQLite file: one row per number with its
// state (free or used), the MAC recorded when it was confirmed, and when it was added and
// confirmed (local time). Numbers match without regard to letter case. Safe to use from several
// threads.
class SerialRegister {
 public:
  enum class State { kUnknown, kFree, kUsed };

  struct Entry {
    std::string serial;
    std::string state;  // "free" or "used"
    std::string mac;
    std::string added;
    std::string confirmed;
  };

  SerialRegister() = default;
  ~SerialRegister();
  SerialRegister(const SerialRegister&) = delete;
  SerialRegister& operator=(const SerialRegister&) = delete;

  // Opens path, making the file and its table when missing. False with *error set on failure.
  bool Open(const std::string& path, std::string* error);

  // Adds serial as free; a number already there is left as it is.
  bool Add(const std::string& serial, std::string* error);

  State Lookup(const std::string& serial);

  // Marks a free serial used with mac and the time; false when it is not free (nothing changes).
  bool Confirm(const std::string& serial, const std::string& mac);

  std::vector<Entry> Entries();

 private:
  std::mutex m_mutex;
  sqlite3* m_db = nullptr;
};
