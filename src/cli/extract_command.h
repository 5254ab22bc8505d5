// `fennimar-cli extract SOURCE... [-d DIR]`: the part files of mailed sets,
// taken out of saved messages, mbox files and Maildir folders.
#pragma once

namespace fennimar {

// Writes every attachment that is a part file into the directory, printing
// one line per part written and per attachment skipped, with the reason.
// Returns 0 when at least one part was written, 1 otherwise, 2 on a usage
// error.
int RunExtractCommand(int argc, char** argv);

}  // namespace fennimar
