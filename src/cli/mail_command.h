// `fennimar-cli mail PART... --to ADDR`: mails part files that are already
// on disk, one message each.
#pragma once

namespace fennimar {

// Mails the parts in argv (after the word "mail"). Returns the exit status:
// 0 when every part was mailed, 1 when a part was refused or not mailed, 2 on
// a usage error.
int RunMailCommand(int argc, char** argv);

}  // namespace fennimar
