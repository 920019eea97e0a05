#pragma once

#include <string>
#include <vector>

// A list of servo ids as the command line takes it (--ids) and servos scan prints it: ids 1..255
// and ranges joined by commas, "3,5-7".

// The ids of text in the order written, a range counting up. Empty with *error set ("\"5-3\":
// the range runs backwards") when a part is no id or range, an id is outside 1..255, or a servo
// comes twice.
std::vector<int> ParseServoList(const std::string& text, std::string* error);

// ids as a list, runs of consecutive ids as ranges: {1,2,3,5} gives "1-3,5".
std::string FormatServoList(const std::vector<int>& ids);
