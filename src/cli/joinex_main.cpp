// joinex on Linux: the arguments are the system's bytes, taken as they are.
#include <string>
#include <vector>

#include "cli/joinex.h"

int main(int argc, char** argv) {
  return fennimar::RunJoinex(std::vector<std::string>(argv + 1, argv + argc));
}
