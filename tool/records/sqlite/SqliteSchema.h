#pragma once

#include <string>
#include <vector>

class SqliteDatabase;

// The records file's schema, by version (PRAGMA user_version). A file is made by running every
// step from the first; an older file runs the steps it lacks. Each step runs in the same write
// transaction as the version check, so two programs opening an old file at once migrate it once.

inline constexpr int kRecordsSchemaVersion = 2;
// PRAGMA application_id of a records file ("CTRM"): tells it from any other SQLite file.
inline constexpr int kRecordsApplicationId = 0x4354524D;

// The steps: element n takes a file from version n to n + 1 (element 0 makes the first version).
const std::vector<const char*>& RecordsSchemaSteps();

// Brings the open file to kRecordsSchemaVersion and puts it in WAL mode. Refuses, changing
// nothing, a file that is not a records file or that a newer program wrote. False with *error.
bool PrepareRecordsSchema(SqliteDatabase* db, std::string* error);
