// `fennimar-cli verify PART|MANIFEST`: checks a part set without joining it.
#pragma once

namespace fennimar {

// Checks the set that holds PART (or that the manifest NAME.sha256 describes):
// every part's presence, header and checksum and, with a manifest, every
// part's SHA-256 digest and the joined data's. Lists what is missing or
// damaged and says whether the set can be joined. Returns the exit status:
// 0 whole, 1 damaged but recoverable from the set itself, 2 damaged and not
// recoverable, or a usage error.
int RunVerifyCommand(int argc, char** argv);

}  // namespace fennimar
