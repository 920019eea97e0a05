#include "cli/ServoList.h"

#include <charconv>
#include <set>

namespace {

bool ParseId(const std::string& text, int* id) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, *id);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

// One part, "7" or "5-7", appended to *ids. False with *error naming the part.
bool ParsePart(const std::string& part, std::vector<int>* ids, std::string* error) {
  const std::size_t dash = part.find('-');
  int first = 0;
  int last = 0;
  const bool parsed = dash == std::string::npos
                          ? ParseId(part, &first) && ParseId(part, &last)
                          : ParseId(part.substr(0, dash), &first) && ParseId(part.substr(dash + 1), &last);
  if (!parsed) {
    *error = "\"" + part + "\" is not a servo id or a range such as 5-7";
  } else if (first < 1 || last > 255 || last < 1 || first > 255) {
    *error = "\"" + part + "\": servo ids are 1..255";
  } else if (last < first) {
    *error = "\"" + part + "\": the range runs backwards";
  } else {
    for (int id = first; id <= last; ++id) ids->push_back(id);
    return true;
  }
  return false;
}

}  // namespace

std::vector<int> ParseServoList(const std::string& text, std::string* error) {
  std::vector<int> ids;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    if (!ParsePart(text.substr(start, comma - start), &ids, error)) return {};
    start = comma + 1;
  }
  std::set<int> seen;
  for (const int id : ids) {
    if (!seen.insert(id).second) {
      *error = "servo " + std::to_string(id) + " comes twice";
      return {};
    }
  }
  return ids;
}

std::string FormatServoList(const std::vector<int>& ids) {
  std::string text;
  for (std::size_t i = 0; i < ids.size();) {
    std::size_t end = i;
    while (end + 1 < ids.size() && ids[end + 1] == ids[end] + 1) ++end;
    text += (text.empty() ? "" : ",") + std::to_string(ids[i]);
    if (end > i) text += "-" + std::to_string(ids[end]);
    i = end + 1;
  }
  return text;
}
