#include "cli/command_parser.h"

#include <memory>
#include <utility>

namespace fennimar {
namespace {

constexpr const char* kProgram = "fennimar-cli: ";
constexpr std::size_t kOptionColumn = 22;

// The help as the commands have always shown it: usage line, description,
// then one option a line as "-d, --dir DIR" or "    --fill".
class HelpFormatter : public CLI::Formatter {
 public:
  explicit HelpFormatter(std::string usage) : usage_(std::move(usage)) {
    column_width(kOptionColumn);
  }

  std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
    return "Usage: " + usage_ + "\n" + app->get_description() +
           make_groups(app, mode).substr(1);  // no blank line before "Options:"
  }

  std::string make_option_name(const CLI::Option* option, bool positional) const override {
    if (positional) return option->get_name(true, false);
    std::string names;
    for (const std::string& name : option->get_snames()) names += "-" + name + ", ";
    if (names.empty()) names = "    ";
    std::string longNames;
    for (const std::string& name : option->get_lnames()) {
      longNames += (longNames.empty() ? "--" : ", --") + name;
    }
    return names + longNames;
  }

  // Only the value's name ("DIR"): the rest CLI11 would add (what an option
  // excludes, for one) is said in the descriptions.
  std::string make_option_opts(const CLI::Option* option) const override {
    return option->get_type_size() != 0 ? " " + option->get_type_name() : std::string();
  }

 private:
  std::string usage_;
};

// "--dir" out of CLI11's "--dir: 1 required DIR missing".
std::string OptionNamed(const std::string& what) { return what.substr(0, what.find(':')); }

}  // namespace

CommandParser::CommandParser(std::string usage, std::string description)
    : app_(std::move(description)),
      command_(usage.substr(0, usage.find(' ', usage.find(' ') + 1))) {
  app_.formatter(std::make_shared<HelpFormatter>(std::move(usage)));
  app_.set_help_flag("-h,--help", "show this text");
  // Unknown words are collected rather than thrown, so that the complaint
  // names the first one in the program's own words.
  app_.allow_extras();
  app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

void CommandParser::AddVerbosity(Verbosity& verbosity) {
  CLI::Option* quiet = app_.add_flag_callback(
      "-q,--quiet", [&verbosity] { verbosity = Verbosity::kQuiet; }, "print errors only");
  CLI::Option* verbose = app_.add_flag_callback(
      "-v,--verbose", [&verbosity] { verbosity = Verbosity::kVerbose; },
      "a line for every part read or written, also when\n"
      "standard output is no terminal");
  quiet->excludes(verbose);
}

CommandLineEnd CommandParser::Parse(int argc, char** argv) {
  // CLI11 takes the words last first.
  std::vector<std::string> words(argv, argv + argc);
  try {
    app_.parse(std::vector<std::string>(words.rbegin(), words.rend()));
  } catch (const CLI::CallForHelp&) {
    message_ = Help();
    return CommandLineEnd::kHelp;
  } catch (const CLI::ArgumentMismatch& error) {
    return Refuse(kProgram + OptionNamed(error.what()) + " needs a value\n");
  } catch (const CLI::ParseError& error) {
    return Refuse(kProgram + std::string(error.what()) + "\n");
  }
  for (const std::string& word : app_.remaining()) {
    // The "--" that ended the options is left over too; what follows it
    // went to the positional words.
    if (word == "--") continue;
    return Refuse(kProgram +
                  std::string(!word.empty() && word[0] == '-' ? "unknown option " : "unexpected ") +
                  word + "\n");
  }
  return CommandLineEnd::kRun;
}

CommandLineEnd CommandParser::Refuse(const std::string& complaint) {
  // As GNU programs do: the complaint and where to read more; the whole help
  // only when nothing to work on was named.
  message_ = complaint.empty()
                 ? Help()
                 : complaint + "Try '" + command_ + " --help' for more information.\n";
  return CommandLineEnd::kUsageError;
}

}  // namespace fennimar
