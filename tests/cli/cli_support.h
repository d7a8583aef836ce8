// Runs the built kaplo program with arguments and standard input.
#pragma once

#include <string>
#include <vector>

namespace kaplo::test {

struct RunResult {
  int status = -1;  // exit status, -1 when the program did not exit normally
  std::string out, err;
};

RunResult RunKaplo(const std::vector<std::string>& args, const std::string& input = {});

}  // namespace kaplo::test
