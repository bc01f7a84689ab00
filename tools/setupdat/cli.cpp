#include "setupdat/cli.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string_view>

#include "core/failure.h"
#include "setupdat/extract.h"
#include "setupdat/file_io.h"
#include "setupdat/log_report.h"
#include "setupdat/pack.h"
#include "setupdat/setup_report.h"

namespace {

constexpr char version_text[] = "setupdat " SETUPDAT_VERSION;

// What a help page says around the options CLI11 lists: the usage line(s) above, the
// explanation below it. summary is the command's line in the general help.
struct HelpText {
  std::string_view command;  // empty for the program itself
  const char* summary;
  const char* usage;
  const char* text;
};

constexpr HelpText help_texts[] = {
    {"", "",
     "Usage: setupdat COMMAND [OPTIONS]\n",
     "Packs a product folder into Setup.dat, extracts it again, and examines Setup.dat and\n"
     "Uninst.dat files.\n"},
    {"pack", "pack a product folder into OUT_DIR/Setup.dat, companions beside it",
     "Usage: setupdat pack SOURCE_DIR -o OUT_DIR --product NAME --settings-key KEY\n"
     "                     --date \"YYYY-MM-DD HH:MM:SS\" [--companion PATH]... [--dest FOLDER]\n",
     "Packs the files and folders of SOURCE_DIR into OUT_DIR/Setup.dat and copies each\n"
     "companion beside it. OUT_DIR is created if missing and must not lie inside SOURCE_DIR,\n"
     "however either is written. Everything is checked before anything is written, every\n"
     "file and companion opened; each refusal names its item. OUT_DIR changes all at once:\n"
     "Setup.dat and the companions are written under temporary names and put in place\n"
     "together, or not at all. What a killed pack left there under those names\n"
     "(Setup.dat.<number>.tmp and .old) is cleared away first.\n"},
    {"extract", "recreate the file tree of a Setup.dat in a folder",
     "Usage: setupdat extract SETUP_DAT -o DIR [--companions]\n",
     "Recreates the files and folders of SETUP_DAT in DIR, which must not exist or be empty,\n"
     "names in UTF-8 and every file dated with the header's file date, as the installation\n"
     "does. The file is read as the installation reads it, and whatever the installation\n"
     "would refuse is refused before anything is written, naming the entry.\n"},
    {"list", "show what a Setup.dat holds and every way it does not conform",
     "Usage: setupdat list [--json] SETUP_DAT\n",
     "Shows the header, the file tree with sizes, the companion list, the number of items the\n"
     "installation will count, the bytes after the end, and every way the file does not\n"
     "conform. Exits 0 only when it conforms.\n"},
    {"verify", "check that a Setup.dat conforms (and that its companions are at hand)",
     "Usage: setupdat verify [--json] SETUP_DAT [--source-dir DIR]\n",
     "Checks that the file conforms and, with --source-dir, that every companion it names lies\n"
     "in DIR as a readable file. Lists every problem; exits 0 only when there is none.\n"},
    {"log", "show what an Uninst.dat holds and every problem in it",
     "Usage: setupdat log [--json] UNINST_DAT\n",
     "Shows the header and every record of an uninstall log, and every problem in it (a record\n"
     "count beyond the end of the file, bytes after the last record, ...). Exits 0 only when\n"
     "there is none.\n"},
};

constexpr char general_footer[] =
    "'setupdat help COMMAND' or 'setupdat COMMAND --help' describes a command.\n"
    "\n"
    "Exit codes: 0 done (the file conforms), 1 invalid or non-conforming input or an I/O\n"
    "failure, 2 usage error.";

const HelpText& help_text(std::string_view command) {
  for (const HelpText& help : help_texts) {
    if (help.command == command) return help;
  }
  return help_texts[0];
}

// CLI11 lists the options and the commands; the words around them are the tool's own.
class HelpFormatter final : public CLI::Formatter {
 public:
  HelpFormatter() { column_width(24); }

  // "-o, --output" as people (and help2man) write it, not CLI11's "-o,--output".
  std::string make_option_name(const CLI::Option* option, bool is_positional) const override {
    std::string names = Formatter::make_option_name(option, is_positional);
    for (std::size_t at = 0; (at = names.find(',', at)) != std::string::npos; at += 2)
      names.insert(at + 1, " ");
    return names;
  }

  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override {
    if (mode == CLI::AppFormatMode::Sub) return Formatter::make_help(app, name, mode);
    const HelpText& help = help_text(app->get_parent() ? app->get_name() : "");
    return std::string(help.usage) + '\n' + help.text + make_groups(app, mode) +
           make_subcommands(app, mode) + '\n' + make_footer(app);
  }
};

// A command's operand or option value, as CLI11 hands it over.
struct Values {
  std::string operand, output, product, settings_key, date, source_dir;
  std::string dest = rules::default_dest;
  std::vector<std::string> companions;
  bool json = false, with_companions = false;
  std::string help_command;
};

CLI::App* add_command(CLI::App& app, std::string_view name) {
  CLI::App* command = app.add_subcommand(std::string(name), help_text(name).summary);
  command->group("Commands");
  command->footer("");  // the program's footer is for its own help page only
  return command;
}

// An option of one value, shown in the help as what. Given twice it is a usage error, as is a
// flag given twice.
CLI::Option* value(CLI::App* command, const char* names, const char* what, std::string& target,
                   const char* description) {
  return command->add_option(names, target, description)
      ->option_text(what)
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
}

void flag(CLI::App* command, const char* names, bool& target, const char* description) {
  command->add_flag(names, target, description)
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
}

void describe(CLI::App& app, Values& v) {
  app.formatter(std::make_shared<HelpFormatter>());
  app.set_help_flag("-h,--help", "show this help");
  app.set_version_flag("--version", version_text, "show the version");
  app.footer(general_footer);
  // At most one command, and none is missing until parsing is over: a word that names no
  // command is then told as the unexpected argument it is.
  app.require_subcommand(0, 1);

  CLI::App* pack = add_command(app, "pack");
  pack->add_option("SOURCE_DIR", v.operand)->required();
  value(pack, "-o,--output", "OUT_DIR", v.output,
        "the folder that receives Setup.dat and the companions")->required();
  value(pack, "--product", "NAME", v.product,
        "the product name the installer shows (1 to 31 characters)")->required();
  value(pack, "--settings-key", "KEY", v.settings_key,
        "the registry key below HKEY_CURRENT_USER (1 to 63\ncharacters, names joined by "
        "single backslashes)")->required();
  value(pack, "--date", "DATE", v.date,
        "the date every installed file gets, local time: years 1980\nto 2099, even seconds")
      ->required();
  pack->add_option("--companion", v.companions,
                   "a file the installer needs beside it; repeatable, kept in order")
      ->option_text("PATH");
  value(pack, "--dest", "FOLDER", v.dest,
        "the destination folder full paths are checked against:\n"
        "a full path on a drive or a server share (default\n"
        "C:\\Program Files\\Marbelo Orbit\\)");

  CLI::App* extract = add_command(app, "extract");
  extract->add_option("SETUP_DAT", v.operand)->required();
  value(extract, "-o,--output", "DIR", v.output,
        "the folder that receives the tree; created if missing")->required();
  flag(extract, "--companions", v.with_companions,
       "also copy the companions lying beside SETUP_DAT into DIR");

  CLI::App* list = add_command(app, "list");
  flag(list, "--json", v.json, "one JSON object instead of text");
  list->add_option("SETUP_DAT", v.operand)->required();

  CLI::App* verify = add_command(app, "verify");
  flag(verify, "--json", v.json, "one JSON object instead of text");
  verify->add_option("SETUP_DAT", v.operand)->required();
  value(verify, "--source-dir", "DIR", v.source_dir, "the folder the installer will run from");

  CLI::App* log = add_command(app, "log");
  flag(log, "--json", v.json, "one JSON object instead of text");
  log->add_option("UNINST_DAT", v.operand)->required();

  CLI::App* help = app.add_subcommand("help", "describe a command");
  help->group("");  // not listed among the commands: the footer tells of it
  help->add_option("COMMAND", v.help_command)
      ->check(CLI::IsMember({"pack", "extract", "list", "verify", "log"}));
}

int run_command(const CLI::App& app, const Values& v, std::ostream& out, std::ostream& err,
                std::ostream* progress) {
  const CLI::App* command = app.get_subcommands().front();
  const std::string name = command->get_name();
  if (name == "help") {
    out << (v.help_command.empty() ? app.help() : app.get_subcommand(v.help_command)->help());
    return exit_code::done;
  }
  const fs::path operand = path_from_utf8(v.operand);
  if (name == "pack") {
    PackOptions options;
    options.source_dir = operand;
    options.out_dir = path_from_utf8(v.output);
    options.product = v.product;
    options.settings_key = v.settings_key;
    options.date = v.date;
    options.dest = v.dest;
    for (const auto& companion : v.companions)
      options.companions.push_back(path_from_utf8(companion));
    pack(options, progress);
    out << "packed " << utf8_of(options.out_dir / "Setup.dat") << '\n';
    return exit_code::done;
  }
  if (name == "extract") {
    const ExtractOptions options{operand, path_from_utf8(v.output), v.with_companions};
    out << extract_summary(options, extract(options, progress)) << '\n';
    return exit_code::done;
  }
  if (name == "list") return list_setup(operand, v.json, out, err);
  if (name == "log") return list_log(operand, v.json, out, err);
  std::optional<fs::path> source_dir;
  if (command->count("--source-dir")) source_dir = path_from_utf8(v.source_dir);
  return verify_setup(operand, source_dir, v.json, out, err);
}

}  // namespace

int run_setupdat(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 std::ostream* progress) {
  CLI::App app("", "setupdat");
  Values values;
  describe(app, values);
  try {
    app.parse(std::vector<std::string>(args.rbegin(), args.rend()));  // CLI11 takes them reversed
    if (app.get_subcommands().empty()) throw CLI::RequiredError("A subcommand");
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      app.exit(error, out, err);  // --help or --version
      return exit_code::done;
    }
    const auto commands = app.get_subcommands();
    const std::string command =
        commands.empty() || commands.front()->get_name() == "help"
            ? ""
            : commands.front()->get_name() + " ";
    err << "setupdat: " << error.what() << "\nTry 'setupdat " << command << "--help'.\n";
    return exit_code::usage;
  }
  try {
    return run_command(app, values, out, err, progress);
  } catch (const Stopped& stopped) {
    for (const auto& reason : stopped.reasons()) err << "setupdat: " << reason << '\n';
    err << "setupdat: " << stopped.outcome() << '\n';
  } catch (const Failure& failure) {
    err << "setupdat: " << failure.text() << '\n';
  } catch (const std::exception& error) {  // file system errors, memory
    err << "setupdat: " << error.what() << '\n';
  }
  return exit_code::invalid_input;
}
