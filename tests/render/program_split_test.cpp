// kaplo runs text commands without the window libraries and hands the window
// and browser commands to kaplo-window.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace kaplo {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// The process state letter from /proc/PID/stat ('S' when it waits on a read).
char State(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() ? '?' : stat[close + 2];
}

TEST(ProgramSplit, TextCommandMapsNeitherQtNorLibcurl) {
  int in[2];
  ASSERT_EQ(pipe(in), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(in[0], 0);
    close(in[1]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execl(KAPLO_BIN, KAPLO_BIN, "tosjis", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  // Once the program sleeps on its empty input, everything it loads at
  // start-up is mapped.
  const std::string exe = fs::canonical(KAPLO_BIN).string();
  std::string maps;
  for (int i = 0; i < 1000; ++i) {
    std::error_code ec;
    const fs::path now = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
    if (!ec && now == exe && State(pid) == 'S') {
      maps = ReadFile("/proc/" + std::to_string(pid) + "/maps");
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  close(in[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_FALSE(maps.empty()) << "kaplo tosjis never waited for its input";
  EXPECT_NE(maps.find("libc.so"), std::string::npos) << maps;
  for (const char* lib : {"libQt6", "libcurl", "libssl", "libgnutls"}) {
    EXPECT_EQ(maps.find(lib), std::string::npos) << lib << " is mapped:\n" << maps;
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Without kaplo-window beside it, a browser command fails with the reason,
// before it fetches anything.
TEST(ProgramSplit, MissingWindowProgramIsAClearError) {
  const fs::path dir = fs::temp_directory_path() / ("kaplo-alone-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::copy_file(KAPLO_BIN, dir / "kaplo", fs::copy_options::overwrite_existing);
  for (const std::string args : {"download http://127.0.0.1:9/ " + (dir / "out").string() +
                                     " --render",
                                 std::string()}) {
    const std::string cmd =
        (dir / "kaplo").string() + " " + args + " </dev/null >/dev/null 2>" + (dir / "err").string();
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << args;
    EXPECT_EQ(WEXITSTATUS(raw), 127) << args;
    EXPECT_NE(ReadFile(dir / "err").find("cannot start " + (dir / "kaplo-window").string()),
              std::string::npos)
        << ReadFile(dir / "err");
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kaplo
