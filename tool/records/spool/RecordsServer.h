#pragma once

#include <string>
#include <vector>

#include "records/RecordsStore.h"

// A shared records server as the spool sees it. Its one implementation talks to PostgreSQL and
// lives in a shared library of its own (libcaltrim_records_pg.so), so that only a process that
// records to a server maps libpq; the library exports kRecordsServerEntry, a RecordsServerEntry.
//
// A server object holds one connection, made on first use (with the schema, when the database
// has none yet) and made again after a failure. One thread at a time may use it; Interrupt alone
// may come from any thread.
class IRecordsServer : public IRecordsReader {
 public:
  // Puts runs (each with its uid) on the server in their order, in one transaction: all of them
  // or none. A run whose uid the server holds already stays as it is, so a run sent twice is kept
  // once. False with *error when the server did not take them.
  virtual bool Send(const std::vector<RunRecord>& runs, std::string* error) = 0;

  // Ends a wait for the server under way at once, and makes every later call fail at once.
  virtual void Interrupt() = 0;
};

// Makes a server object for a libpq URL; each connection attempt and each exchange is bounded by
// timeoutMs. Never null (the connection comes later); owned by the caller.
using RecordsServerEntry = IRecordsServer* (*)(const char* url, int timeoutMs);

// The entry's exported name. The number changes with IRecordsServer, so a stale module is
// refused instead of called.
inline constexpr char kRecordsServerEntry[] = "CaltrimRecordsServer1";
