// Whether the program's standard streams are a terminal, where a person can
// answer a question and a progress bar can be redrawn in place.
#pragma once

namespace fennimar {

bool StandardInputIsTerminal();
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

}  // namespace fennimar
