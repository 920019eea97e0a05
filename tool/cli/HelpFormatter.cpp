#include "cli/HelpFormatter.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

// The words that lead to command: "caltrim-cli offsets read".
std::string CommandPath(const CLI::App* command) {
  std::string path = command->get_name();
  for (const CLI::App* parent = command->get_parent(); parent != nullptr; parent = parent->get_parent()) {
    path = parent->get_name() + " " + path;
  }
  return path;
}

// The summary: the first line, without the full stop that ends it where more follows.
std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '.') line.pop_back();
  return line;
}

// text with indent before each line.
std::string Indented(const std::string& text, const std::string& indent) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (end > start) out += indent + text.substr(start, end - start);
    out += "\n";
    start = end + 1;
  }
  return out;
}

}  // namespace

std::string HelpFormatter::make_option_opts(const CLI::Option* option) const {
  return option->get_option_text().empty() ? std::string() : " " + option->get_option_text();
}

std::string HelpFormatter::make_subcommand(const CLI::App* command) const {
  std::stringstream out;
  CLI::detail::format_help(out, command->get_name(), FirstLine(command->get_description()), get_column_width());
  return out.str();
}

std::string HelpFormatter::make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const {
  if (mode != CLI::AppFormatMode::All) return CLI::Formatter::make_subcommands(app, mode);
  std::string out;
  for (const CLI::App* command : app->get_subcommands([](const CLI::App*) { return true; })) {
    out += "\n" + make_expanded(command);
  }
  return out;
}

std::string HelpFormatter::make_expanded(const CLI::App* command) const {
  std::string subsExpanded;
  for (const CLI::App* sub : command->get_subcommands([](const CLI::App*) { return true; })) {
    subsExpanded += "\n" + make_expanded(sub);
  }
  // A group of commands (offsets) is its commands; a command with commands of its own (history)
  // comes before them.
  if (command->get_require_subcommand_min() > 0) return subsExpanded.substr(1);
  // "caltrim-cli backup [OPTIONS] FILE:", a heading that help2man makes a section of.
  std::string heading = make_usage(command, CommandPath(command));
  heading = heading.substr(heading.find(':') + 2);
  heading.insert(heading.size() - 1, ":");
  std::string options;
  for (const CLI::Option* option : command->get_options()) {
    if (option != command->get_help_ptr() && option != command->get_help_all_ptr()) {
      options += make_option(option, option->get_positional());
    }
  }
  // The footer's first paragraph holds the examples, after its first line; one paragraph each.
  const std::string footer = command->get_footer();
  std::string examples = footer.substr(0, footer.find("\n\n"));
  examples = CLI::detail::find_and_replace(examples.substr(examples.find('\n') + 1), "\n", "\n\n");
  return heading + Indented(command->get_description(), "  ") + (options.empty() ? "" : "\n" + options) +
         "\n  Examples:\n" + Indented(examples, "  ") + subsExpanded;
}
