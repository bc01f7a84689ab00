#include "setupdat/cli.h"

#include <algorithm>
#include <map>
#include <optional>
#include <span>
#include <string_view>

#include "core/failure.h"
#include "setupdat/file_io.h"
#include "setupdat/log_report.h"
#include "setupdat/pack.h"
#include "setupdat/setup_report.h"

namespace {

constexpr char general_help[] =
    "Usage: setupdat COMMAND [OPTIONS]\n"
    "\n"
    "Packs a product folder into Setup.dat, and examines Setup.dat and Uninst.dat files.\n"
    "\n"
    "Commands:\n"
    "  pack     pack a product folder into OUT_DIR/Setup.dat, companions beside it\n"
    "  list     show what a Setup.dat holds and every way it does not conform\n"
    "  verify   check that a Setup.dat conforms (and that its companions are at hand)\n"
    "  log      show what an Uninst.dat holds and every problem in it\n"
    "\n"
    "'setupdat help COMMAND' or 'setupdat COMMAND --help' describes a command.\n"
    "\n"
    "Exit codes: 0 done (the file conforms), 1 invalid or non-conforming input or an I/O\n"
    "failure, 2 usage error.\n";

constexpr char pack_help[] =
    "Usage: setupdat pack SOURCE_DIR -o OUT_DIR --product NAME --settings-key KEY\n"
    "                     --date \"YYYY-MM-DD HH:MM:SS\" [--companion PATH]... [--dest FOLDER]\n"
    "\n"
    "Packs the files and folders of SOURCE_DIR into OUT_DIR/Setup.dat and copies each\n"
    "companion beside it. OUT_DIR is created if missing and must not lie inside SOURCE_DIR.\n"
    "Everything is checked before anything is written; each refusal names its item.\n"
    "\n"
    "  -o, --output OUT_DIR  the folder that receives Setup.dat and the companions\n"
    "  --product NAME        the product name the installer shows (1 to 31 characters)\n"
    "  --settings-key KEY    the registry key below HKEY_CURRENT_USER (1 to 63 characters)\n"
    "  --date DATE           the date every installed file gets, local time: years 1980\n"
    "                        to 2099, even seconds\n"
    "  --companion PATH      a file the installer needs beside it; repeatable, kept in order\n"
    "  --dest FOLDER         the destination folder full paths are checked against\n"
    "                        (default C:\\Program Files\\Marbelo Orbit\\)\n"
    "  -h, --help            show this help\n";

constexpr char list_help[] =
    "Usage: setupdat list [--json] SETUP_DAT\n"
    "\n"
    "Shows the header, the file tree with sizes, the companion list, the number of items the\n"
    "installation will count, the bytes after the end, and every way the file does not\n"
    "conform. Exits 0 only when it conforms.\n"
    "\n"
    "  --json      one JSON object instead of text\n"
    "  -h, --help  show this help\n";

constexpr char verify_help[] =
    "Usage: setupdat verify SETUP_DAT [--source-dir DIR]\n"
    "\n"
    "Checks that the file conforms and, with --source-dir, that every companion it names lies\n"
    "in DIR as a regular file. Lists every problem; exits 0 only when there is none.\n"
    "\n"
    "  --source-dir DIR  the folder the installer will run from\n"
    "  -h, --help        show this help\n";

constexpr char log_help[] =
    "Usage: setupdat log [--json] UNINST_DAT\n"
    "\n"
    "Shows the header and every record of an uninstall log, and every problem in it (a record\n"
    "count beyond the end of the file, bytes after the last record, ...). Exits 0 only when\n"
    "there is none.\n"
    "\n"
    "  --json      one JSON object instead of text\n"
    "  -h, --help  show this help\n";

int show(std::ostream& out, const char* text) {
  out << text;
  return exit_code::done;
}

struct UsageError {
  std::string text;
  std::string command;
};

struct OptionRule {
  std::string_view name;  // the long form, with its dashes
  std::string_view short_name;
  bool takes_value = false;
  bool repeatable = false;
};

struct Parsed {
  std::map<std::string, std::vector<std::string>, std::less<>> options;
  std::vector<std::string> operands;
  bool help = false;

  std::optional<std::string> value(std::string_view name) const {
    const auto it = options.find(name);
    if (it == options.end()) return std::nullopt;
    return it->second.front();
  }
  bool flag(std::string_view name) const { return options.contains(name); }
};

Parsed parse(const std::vector<std::string>& args, const std::string& command,
             std::span<const OptionRule> rules_of_command) {
  Parsed parsed;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      parsed.help = true;
      continue;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      parsed.operands.push_back(arg);
      continue;
    }
    const auto rule = std::find_if(
        rules_of_command.begin(), rules_of_command.end(), [&](const OptionRule& r) {
          return arg == r.name || (!r.short_name.empty() && arg == r.short_name);
        });
    if (rule == rules_of_command.end()) throw UsageError{"unknown option '" + arg + "'", command};
    auto& values = parsed.options[std::string(rule->name)];
    if (!values.empty() && !rule->repeatable)
      throw UsageError{"option " + std::string(rule->name) + " given twice", command};
    if (!rule->takes_value) {
      values.emplace_back();
    } else if (i + 1 < args.size()) {
      values.push_back(args[++i]);
    } else {
      throw UsageError{"option " + std::string(rule->name) + " needs a value", command};
    }
  }
  return parsed;
}

const std::string& one_operand(const Parsed& parsed, const std::string& command,
                               const char* what) {
  if (parsed.operands.size() != 1)
    throw UsageError{(parsed.operands.empty() ? "missing " : "more than one ") +
                         std::string(what),
                     command};
  return parsed.operands.front();
}

int run_pack(const std::vector<std::string>& args, std::ostream& out, std::ostream* progress) {
  static constexpr OptionRule rules_of_command[] = {
      {"--output", "-o", true, false},  {"--product", "", true, false},
      {"--settings-key", "", true, false}, {"--date", "", true, false},
      {"--companion", "", true, true},   {"--dest", "", true, false},
  };
  const Parsed p = parse(args, "pack", rules_of_command);
  if (p.help) return show(out, pack_help);
  PackOptions options;
  options.source_dir = path_from_utf8(one_operand(p, "pack", "SOURCE_DIR"));
  for (const char* required : {"--output", "--product", "--settings-key", "--date"}) {
    if (!p.value(required)) throw UsageError{std::string("missing option ") + required, "pack"};
  }
  options.out_dir = path_from_utf8(*p.value("--output"));
  options.product = *p.value("--product");
  options.settings_key = *p.value("--settings-key");
  options.date = *p.value("--date");
  options.dest = p.value("--dest").value_or(rules::default_dest);
  if (p.flag("--companion")) {
    for (const auto& companion : p.options.at("--companion"))
      options.companions.push_back(path_from_utf8(companion));
  }
  pack(options, progress);
  out << "packed " << utf8_of(options.out_dir / "Setup.dat") << '\n';
  return exit_code::done;
}

int run_list(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  static constexpr OptionRule rules_of_command[] = {{"--json", "", false, false}};
  const Parsed p = parse(args, "list", rules_of_command);
  if (p.help) return show(out, list_help);
  return list_setup(path_from_utf8(one_operand(p, "list", "SETUP_DAT")), p.flag("--json"), out,
                    err);
}

int run_verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  static constexpr OptionRule rules_of_command[] = {{"--source-dir", "", true, false}};
  const Parsed p = parse(args, "verify", rules_of_command);
  if (p.help) return show(out, verify_help);
  std::optional<fs::path> source_dir;
  if (const auto dir = p.value("--source-dir")) source_dir = path_from_utf8(*dir);
  return verify_setup(path_from_utf8(one_operand(p, "verify", "SETUP_DAT")), source_dir, out,
                      err);
}

int run_log(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  static constexpr OptionRule rules_of_command[] = {{"--json", "", false, false}};
  const Parsed p = parse(args, "log", rules_of_command);
  if (p.help) return show(out, log_help);
  return list_log(path_from_utf8(one_operand(p, "log", "UNINST_DAT")), p.flag("--json"), out,
                  err);
}

const char* help_of(std::string_view command) {
  if (command == "pack") return pack_help;
  if (command == "list") return list_help;
  if (command == "verify") return verify_help;
  if (command == "log") return log_help;
  return nullptr;
}

int dispatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             std::ostream* progress) {
  if (args.empty()) throw UsageError{"no command given", ""};
  const std::string& command = args[0];
  if (command == "-h" || command == "--help" || (command == "help" && args.size() == 1))
    return show(out, general_help);
  if (command == "--version") return show(out, "setupdat 2.0\n");
  if (command == "help") {
    // Checked first: "help pack extra" is a known command with a word too many.
    if (args.size() > 2) throw UsageError{"too many arguments: help takes one command", ""};
    const char* help = help_of(args[1]);
    if (!help) throw UsageError{"no help for '" + args[1] + "'", ""};
    return show(out, help);
  }
  if (command == "pack") return run_pack(args, out, progress);
  if (command == "list") return run_list(args, out, err);
  if (command == "verify") return run_verify(args, out, err);
  if (command == "log") return run_log(args, out, err);
  throw UsageError{"unknown command '" + command + "'", ""};
}

}  // namespace

int run_setupdat(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 std::ostream* progress) {
  try {
    return dispatch(args, out, err, progress);
  } catch (const UsageError& usage) {
    err << "setupdat: " << usage.text << "\nTry 'setupdat "
        << (usage.command.empty() ? "" : usage.command + " ") << "--help'.\n";
    return exit_code::usage;
  } catch (const PackRefused& refused) {
    for (const auto& reason : refused.reasons()) err << "setupdat: " << reason << '\n';
    err << "setupdat: nothing was written\n";
  } catch (const Failure& failure) {
    err << "setupdat: " << failure.text() << '\n';
  } catch (const std::exception& error) {  // file system errors, memory
    err << "setupdat: " << error.what() << '\n';
  }
  return exit_code::invalid_input;
}
