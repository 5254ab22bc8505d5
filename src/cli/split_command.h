// `fennimar-cli split FILE [options]`: the split command on a terminal.
#pragma once

namespace fennimar {

// Runs the split with the options in argv (after the word "split"). Returns
// the exit status: 0 when the split completed, 1 on any failure or cancel,
// 2 on a usage error.
int RunSplitCommand(int argc, char** argv);

}  // namespace fennimar
