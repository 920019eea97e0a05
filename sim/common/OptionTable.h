#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The command lines of the simulators: a table of "--name" options, each with a setter that
// stores its value and says whether the value was good. "--name VALUE" and "--name=VALUE" both
// work; "-h" means "--help".

// Decimal text to an int in low..high; false for anything else (blanks, signs of nothing, a
// trailing character), and *value is left alone.
bool ParseInt(const std::string& text, int low, int high, int* value);

// Dotted IPv4 text.
bool IsIpv4(const std::string& text);

// Whether an option takes a value; an optional one is given as --name=VALUE.
enum class OptionValue { kNone, kRequired, kOptional };

template <class Options>
struct OptionSpec {
  const char* name;
  OptionValue value;
  std::function<bool(const std::string&, Options*)> set;
};

// Applies args to *options through table. False with *error naming the option when one is
// unknown, lacks its value, has one it does not take, or its setter refused the value.
template <class Options>
bool ParseOptionTable(const std::vector<OptionSpec<Options>>& table,
                      const std::vector<std::string>& args, Options* options, std::string* error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool inlineValue = false;
    if (const std::size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      inlineValue = true;
    }
    if (name == "-h") name = "--help";
    const OptionSpec<Options>* option = nullptr;
    for (const OptionSpec<Options>& candidate : table) {
      if (name == candidate.name) option = &candidate;
    }
    if (option == nullptr) {
      *error = "unknown option " + args[i];
      return false;
    }
    if (option->value == OptionValue::kRequired && !inlineValue) {
      if (i + 1 >= args.size()) {
        *error = name + " needs a value";
        return false;
      }
      value = args[++i];
    } else if (option->value == OptionValue::kNone && inlineValue) {
      *error = name + " takes no value";
      return false;
    }
    if (!option->set(value, options)) {
      *error = "bad value for " + name + ": " + value;
      return false;
    }
  }
  return true;
}
