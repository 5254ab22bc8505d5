#include "platform/program_start.h"

namespace fennimar {

std::vector<std::string> StartProgram(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

}  // namespace fennimar
