#include "cli/source_arguments.h"

#include "cli/command_parser.h"

namespace fennimar {

ParsedCommandLine<SourceArguments> ParseSourceArguments(int argc, char** argv,
                                                        const SourceCommand& command) {
  CommandParser parser(command.usage, command.description);
  SourceArguments arguments;
  CLI::App& app = parser.app();
  app.add_option("SOURCE", arguments.sources);
  app.add_option("-d,--dir", arguments.directory, command.directory)->type_name("DIR");
  if (command.takesYes)
    app.add_flag("-y,--yes", arguments.assumeYes, "answer Yes to every question");
  parser.AddVerbosity(arguments.verbosity);
  CommandLineEnd end = parser.Parse(argc, argv);
  if (end == CommandLineEnd::kRun && arguments.sources.empty()) end = parser.Refuse("");
  return parser.Result(end, std::move(arguments));
}

}  // namespace fennimar
