#include "records/RecordsLocation.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

std::string Trimmed(const std::string& text) {
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

RecordsLocation ResolveRecordsLocation(const std::string& text, const std::string& dataFolder,
                                       const std::string& relativeBase) {
  const std::string location = Trimmed(text);
  const std::string defaultFile = InFolder(dataFolder, kDefaultRecordsFile);
  if (location.empty()) return {RecordsLocation::Kind::kFile, defaultFile, ""};
  if (location.size() == 3 && StartsWithNoCase(location, "off")) return {};
  // libpq takes both spellings of its URL scheme.
  if (StartsWithNoCase(location, "postgresql://") || StartsWithNoCase(location, "postgres://")) {
    return {RecordsLocation::Kind::kServer, defaultFile, location};
  }
  const std::string file = location.front() == '/' ? location : InFolder(relativeBase, location);
  return {RecordsLocation::Kind::kFile, file, ""};
}
