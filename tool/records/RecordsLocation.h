#pragma once

#include <string>

// Where the records go, decided by one text: the window's Config.ini ([Records] Url=) and
// caltrim-cli's --records option both name the location this way.

inline constexpr char kDefaultRecordsFile[] = "records.sqlite";

struct RecordsLocation {
  enum class Kind { kOff, kFile, kServer };

  Kind kind = Kind::kOff;
  // kFile: the records file. kServer: the local spool, the default records file.
  std::string file;
  // kServer: the libpq connection URL, as given.
  std::string serverUrl;

  bool operator==(const RecordsLocation&) const = default;
};

// The location text means, blanks around it aside:
//   ""                                  records on, in dataFolder + "records.sqlite";
//   "off" (any letter case)             records off;
//   "postgresql://..." or "postgres://" the server at that URL, spooled through the default file;
//   anything else                       an SQLite file at that path, relative paths taken from
//                                       relativeBase (empty: the working folder).
// dataFolder is the folder of the session logs (with or without a trailing '/').
RecordsLocation ResolveRecordsLocation(const std::string& text, const std::string& dataFolder,
                                       const std::string& relativeBase);
