#pragma once

#include <CLI/CLI.hpp>

// The help of caltrim-cli as a person (and help2man) reads it: an option shows the name of its
// value (--timeout SECONDS, --robot IP|all) and nothing of the parser's own (no TEXT:IPV4,
// REQUIRED or Env), a positional its name alone (FILE, SERIAL, ID=VALUE); the list of commands
// gives each its first line; --help-all gives, after the help, each command's usage line as a
// heading, its whole description, its options and its examples, in the form help2man makes
// sections and option lists of (the man page is made from it).
class HelpFormatter : public CLI::Formatter {
 public:
  HelpFormatter() { column_width(26); }

  std::string make_option_opts(const CLI::Option* option) const override;
  std::string make_subcommand(const CLI::App* command) const override;
  std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override;
  std::string make_expanded(const CLI::App* command) const override;
};
