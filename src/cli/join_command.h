// `fennimar-cli join PART [options]`: the merge on a terminal.
#pragma once

namespace fennimar {

// Runs the merge with the options in argv (after the word "join"). Returns
// the exit status: 0 only when the merge completed (" Merge Complete"), 1 on
// any failure, cancel or stop, 2 on a usage error.
int RunJoinCommand(int argc, char** argv);

}  // namespace fennimar
