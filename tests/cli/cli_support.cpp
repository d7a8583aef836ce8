#include "cli/cli_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kaplo::test {
namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace

RunResult RunKaplo(const std::vector<std::string>& args, const std::string& input) {
  return RunKaploWith({}, args, input);
}

RunResult RunKaploWith(const std::vector<std::string>& env, const std::vector<std::string>& args,
                       const std::string& input) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() /
                       ("kaplo-cli-" + std::to_string(getpid()) + "-" +
                        std::to_string(std::rand()));
  fs::create_directories(dir);
  std::ofstream(dir / "in", std::ios::binary) << input;
  std::string cmd = "env -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8";
  for (const std::string& e : env) cmd += " " + Quote(e);
  cmd += " " + Quote(KAPLO_BIN);
  for (const std::string& a : args) cmd += " " + Quote(a);
  cmd += " <" + Quote((dir / "in").string()) + " >" + Quote((dir / "out").string()) + " 2>" +
         Quote((dir / "err").string());
  const int raw = std::system(cmd.c_str());
  RunResult r;
  if (raw != -1 && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  r.out = ReadFile(dir / "out");
  r.err = ReadFile(dir / "err");
  fs::remove_all(dir);
  return r;
}

}  // namespace kaplo::test
