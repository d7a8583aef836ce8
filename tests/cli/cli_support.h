// Runs the built kaplo program with arguments and standard input.
#pragma once

#include <string>
#include <vector>

namespace kaplo::test {

struct RunResult {
  int status = -1;  // exit status, -1 when the program did not exit normally
  std::string out, err;
};

// Messages come in English (LANG=C.UTF-8) unless env says otherwise.
RunResult RunKaplo(const std::vector<std::string>& args, const std::string& input = {});
// With environment settings ("LANG=ja_JP.UTF-8", "DISPLAY=") put before the program.
RunResult RunKaploWith(const std::vector<std::string>& env, const std::vector<std::string>& args,
                       const std::string& input = {});

}  // namespace kaplo::test
