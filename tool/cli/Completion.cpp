// caltrim-cli completion bash|zsh: a completion script made from the command line itself, so it
// knows every command and option there is.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Commands.h"

namespace {

// What the shell may offer after the words of one command.
struct Node {
  std::string path;   // "/offsets/read"; "" for caltrim-cli itself
  std::string words;  // its commands and options
  bool files = false;  // it takes a FILE
  std::string values;  // the values of its other positional, if it names them
};

void AddOptions(const CLI::App& app, Node* node, std::map<std::string, std::string>* valueWords) {
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional()) {
      if (option->get_name() == "FILE") node->files = true;
      if (option->get_name() == "SHELL") node->values = "bash zsh";
      continue;
    }
    for (const std::string& name : option->get_lnames()) {
      node->words += " --" + name;
      // An option with a value: a FILE is completed as one, a word it names (IP|all, off) is
      // offered, others nothing.
      if (option->get_type_size() == 0) continue;
      const std::string& text = option->get_option_text();
      std::string& words = (*valueWords)["--" + name];  // one entry for the same option of all commands
      if (words.empty()) {
        words = text == "FILE" ? "@files" : text == "URL|FILE|off" ? "@files off" : text == "IP|all" ? "all" : "";
      }
    }
    for (const std::string& name : option->get_snames()) node->words += " -" + name;
  }
}

// node for app and each command under it; common holds the options of caltrim-cli itself, which
// stand anywhere.
void Collect(const CLI::App& app, const std::string& path, const std::string& common, std::vector<Node>* nodes,
             std::map<std::string, std::string>* valueWords) {
  Node node{path, "", false, ""};
  AddOptions(app, &node, valueWords);
  const std::string shared = path.empty() ? node.words : common;
  if (!path.empty()) node.words = common + node.words;
  const std::vector<const CLI::App*> subs = app.get_subcommands([](const CLI::App*) { return true; });
  for (const CLI::App* sub : subs) node.words += " " + sub->get_name();
  nodes->push_back(node);
  for (const CLI::App* sub : subs) Collect(*sub, path + "/" + sub->get_name(), shared, nodes, valueWords);
}

std::string BashScript(const CLI::App& app) {
  std::vector<Node> nodes;
  std::map<std::string, std::string> valueWords;
  Collect(app, "", "", &nodes, &valueWords);
  std::string paths;
  std::string choices;
  for (const Node& node : nodes) {
    if (!node.path.empty()) paths += (paths.empty() ? "" : "|") + node.path;
    choices += "    \"" + node.path + "\") words=\"" + node.words + " " + node.values + "\"" +
               (node.files ? " files=1" : "") + " ;;\n";
  }
  std::string values;
  for (const auto& [option, words] : valueWords) {
    const bool files = words.rfind("@files", 0) == 0;
    const std::string named = files ? words.substr(std::min(words.size(), std::size_t{7})) : words;
    values += "    " + option + ") COMPREPLY=($(compgen -W \"" + named + "\" -- \"$cur\")" +
              (files ? " $(compgen -f -- \"$cur\")" : "") + "); return ;;\n";
  }
  return "# Completion of caltrim-cli's commands and options: caltrim-cli completion bash\n"
         "_caltrim_cli() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} path=\"\" words=\"\" files=\"\" i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case \"$path/${COMP_WORDS[i]}\" in\n"
         "      " + paths + ") path=\"$path/${COMP_WORDS[i]}\" ;;\n"
         "    esac\n"
         "  done\n"
         "  case \"$prev\" in\n" + values +
         "  esac\n"
         "  case \"$path\" in\n" + choices +
         "  esac\n"
         "  COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
         "  if [ -n \"$files\" ] && [[ $cur != -* ]]; then COMPREPLY+=($(compgen -f -- \"$cur\")); fi\n"
         "}\n"
         "complete -F _caltrim_cli caltrim-cli\n";
}

}  // namespace

Outcome WriteCompletion(const CliOptions& options) {
  CLI::App app("", "caltrim-cli");
  CliOptions unused;
  DefineCommandLine(&app, &unused);
  Outcome outcome;
  // zsh runs the same function through its layer for bash completions.
  if (options.shell == "zsh") {
    outcome.text = "#compdef caltrim-cli\n"
                   "# Load it with: source <(caltrim-cli completion zsh)   (after compinit)\n"
                   "autoload -U +X bashcompinit && bashcompinit\n";
  }
  outcome.text += BashScript(app);
  outcome.report["script"] = outcome.text;
  return outcome;
}
