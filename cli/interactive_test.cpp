// veltaro-calc at a terminal: started on a pseudo-terminal, keys typed into
// it, its screen output read back.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// How long any one expected output may take before the test gives up on it;
// only a bound that keeps a broken program from holding up the run.
constexpr auto kPatience = std::chrono::seconds(30);

constexpr std::string_view kUp = "\x1b[A";
constexpr std::string_view kLeft = "\x1b[D";
constexpr std::string_view kEnd = "\x04";  // Ctrl+D

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// veltaro-calc on its own pseudo-terminal.
class TSession {
 public:
  // stdoutFile: where standard output goes instead of the terminal, if set.
  // asJob: started as a shell starts a job, in a process group of its own
  // that has the terminal; when the job stops, "[stopped]" is shown and it
  // is continued at once.
  explicit TSession(const std::vector<std::string>& args, const fs::path& stdoutFile = {}, bool asJob = false) {
    struct winsize size {};
    size.ws_row = 24;
    size.ws_col = 100;
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ != 0) return;
    ::setenv("TERM", "xterm", 1);
    if (!stdoutFile.empty()) {
      const int fd = ::open(stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, 1);
    }
    ::signal(SIGTTOU, SIG_IGN);
    const pid_t job = asJob ? ::fork() : 0;
    if (job == 0) {
      if (asJob) {
        ::setpgid(0, 0);
        ::tcsetpgrp(0, ::getpid());
      }
      ::signal(SIGTTOU, SIG_DFL);
      std::string program = VELTARO_CALC;
      std::vector<std::string> copy = args;
      std::vector<char*> argv{program.data()};
      for (std::string& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    for (;;) {
      int status = 0;
      if (::waitpid(job, &status, WUNTRACED) != job) ::_exit(127);
      if (WIFSTOPPED(status)) {
        constexpr std::string_view kStopped = "[stopped]\r\n";
        if (::write(2, kStopped.data(), kStopped.size()) < 0) ::_exit(127);
        ::tcsetpgrp(0, job);
        ::kill(job, SIGCONT);
      } else {
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 127);
      }
    }
  }
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;
  ~TSession() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }

  bool Started() const { return pid_ > 0 && master_ >= 0; }

  void Type(std::string_view keys) {
    while (!keys.empty()) {
      const ssize_t n = ::write(master_, keys.data(), keys.size());
      if (n <= 0) return;
      keys.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  // Reads until what the terminal shows, past what earlier calls found,
  // holds text; true when it came. What lies before it is handed to before.
  bool WaitFor(std::string_view text, std::string* before = nullptr) {
    const auto deadline = Clock::now() + kPatience;
    for (;;) {
      const std::size_t at = screen_.find(text, seen_);
      if (at != std::string::npos) {
        if (before != nullptr) *before = screen_.substr(seen_, at - seen_);
        seen_ = at + text.size();
        return true;
      }
      if (closed_ || Clock::now() >= deadline || !ReadSome(deadline)) return false;
    }
  }

  // Waits for the prompt and for the line editor to take the keys one by
  // one: the editor prints the prompt before it leaves the terminal's line
  // mode, and keys typed before that are handled by the terminal (a Ctrl+D
  // would not end the session).
  bool WaitForPrompt(std::string* before = nullptr) {
    if (!WaitFor("> ", before)) return false;
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
      struct termios mode {};
      if (::tcgetattr(master_, &mode) == 0 && (mode.c_lflag & ICANON) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

  // Reads to the end of the output and waits for the program to end; its
  // exit status, or -1 when it did not end in time (it is then killed).
  int Finish() {
    const auto deadline = Clock::now() + kPatience;
    while (!closed_ && Clock::now() < deadline) ReadSome(deadline);
    while (Clock::now() < deadline) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  const std::string& Screen() const { return screen_; }

 private:
  // One read of what is there, waiting at most until deadline.
  bool ReadSome(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    struct pollfd p {master_, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (ready <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
      closed_ = true;  // the program closed the terminal: it has ended
      return false;
    }
    screen_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  bool exited_ = false;
  bool closed_ = false;
  std::string screen_;
  std::size_t seen_ = 0;
};

class InteractiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "veltaro-tty-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

TEST_F(InteractiveTest, TypedTermsGiveTheirResultsLinesAndCtrlDSavesTheTable) {
  const fs::path table = dir_ / "in.vlt";
  {
    std::ofstream out(table, std::ios::binary);
    out << "Veltaro Variable table\r\n1\r\ny\r\n2\r\n0\r\nlength\r\n";
  }
  const fs::path saved = dir_ / "saved.vlt";
  TSession s({"--table", table.string(), "--set", "z=3", "--save", saved.string()});
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt()) << s.Screen();
  s.Type("x+y*z\r");
  EXPECT_TRUE(s.WaitFor("Result: 6\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt()) << s.Screen();
  s.Type("2^3^2\r");
  EXPECT_TRUE(s.WaitFor("Result: 64\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt()) << s.Screen();
  // The variable made by the first term is there for the next.
  s.Type("x-1\r");
  EXPECT_TRUE(s.WaitFor("Result: -1\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt()) << s.Screen();
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 0) << s.Screen();
  EXPECT_EQ(ReadFile(saved),
            "Veltaro Variable table\r\n3\r\n"
            "y\r\n2\r\n0\r\nlength\r\n"
            "z\r\n3\r\n0\r\n\r\n"
            "x\r\n0\r\n0\r\n\r\n");
}

TEST_F(InteractiveTest, UpRecallsEarlierLinesForEditing) {
  TSession s({});
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("2^3^2\r");
  EXPECT_TRUE(s.WaitFor("Result: 64\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("1+1\r");
  EXPECT_TRUE(s.WaitFor("Result: 2\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  // The newest line again, as it was.
  s.Type(std::string(kUp) + "\r");
  EXPECT_TRUE(s.WaitFor("Result: 2\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  // "1+1" repeated directly is kept once: two steps back is 2^3^2, which
  // is then edited to 2^3^2+1 and to 2^3*2+1 before it is calculated.
  s.Type(std::string(kUp) + std::string(kUp) + "+1" + std::string(kLeft) + std::string(kLeft) +
         std::string(kLeft) + "\x7f*\r");
  EXPECT_TRUE(s.WaitFor("Result: 17\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 0) << s.Screen();
}

TEST_F(InteractiveTest, TheEditingKeysOfTheHelp) {
  TSession s({});
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  // Ctrl+A, Ctrl+F, Ctrl+D, Ctrl+E: "23+4" becomes "2+40".
  s.Type("23+4\x01\x06\x04\x05" "0\r");
  EXPECT_TRUE(s.WaitFor("Result: 42\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  // Ctrl+B twice and Ctrl+K: "9*9+1" becomes "9*9".
  s.Type("9*9+1\x02\x02\x0b\r");
  EXPECT_TRUE(s.WaitFor("Result: 81\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  // Ctrl+P twice and Ctrl+N: back to the newest line, which gets "-1".
  s.Type("\x10\x10\x0e-1\r");
  EXPECT_TRUE(s.WaitFor("Result: 80\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 0) << s.Screen();
}

TEST_F(InteractiveTest, AnInvalidTermIsMarkedAndExplainedBelowItsLine) {
  TSession s({});
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("2x\r");
  // The carets stand under the offending characters of the line above.
  const std::string line = "Error: Invalid expression: \"2x\".\r\n";
  const std::string marker = std::string(line.find("2x") + 1, ' ') + "^\r\n";
  EXPECT_TRUE(s.WaitFor(line + marker + "column 2: ")) << s.Screen();
  EXPECT_TRUE(s.WaitFor(" Try \"2*x\".\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  // A valid term has its results line only.
  s.Type("2^3^2\r");
  std::string between;
  EXPECT_TRUE(s.WaitFor("Result: 64\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt(&between));
  EXPECT_EQ(between, "") << s.Screen();
  // Carets that would pass the terminal's 100 columns are left out.
  const std::string wide = std::string(90, '1') + "x";
  s.Type(wide + "\r");
  EXPECT_TRUE(s.WaitFor("Error: Invalid expression: \"" + wide + "\".\r\ncolumn 91: ")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 1) << s.Screen();
}

TEST_F(InteractiveTest, ExplainGivesTheReadingOfAValidTermToo) {
  TSession s({"--explain"});
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("2^3^2\r");
  EXPECT_TRUE(s.WaitFor("Result: 64\r\nreads as (2^3)^2\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("2*-3\r");
  EXPECT_TRUE(s.WaitFor("Error: Invalid expression: \"2*-3\".\r\n" + std::string(30, ' ') + "^")) << s.Screen();
  EXPECT_TRUE(s.WaitFor("\r\ncolumn 3: ")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 1) << s.Screen();
}

TEST_F(InteractiveTest, ATermWithoutValueIsToldWhy) {
  TSession s({});
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("2+1/(x-x)\r");
  EXPECT_TRUE(s.WaitFor("Error: Mathematical error in expression.\r\ncolumn 3: Division by zero in 1/(x-x): x-x is 0.\r\n"))
      << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 1) << s.Screen();
}

TEST_F(InteractiveTest, CtrlCEmptiesTheLineAndTheSessionGoesOn) {
  const fs::path saved = dir_ / "saved.vlt";
  TSession s({"-o", saved.string()});
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("a*7");
  ASSERT_TRUE(s.WaitFor("a*7"));
  s.Type("\x03" "b+1\r");
  EXPECT_TRUE(s.WaitFor("Result: 1\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 0) << s.Screen();
  // Nothing of the emptied line was calculated.
  EXPECT_EQ(ReadFile(saved), "Veltaro Variable table\r\n1\r\nb\r\n0\r\n0\r\n\r\n");
}

TEST_F(InteractiveTest, CtrlZStopsTheSessionWhichThenGoesOn) {
  TSession s({}, {}, true);
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("1+");
  ASSERT_TRUE(s.WaitFor("1+"));
  s.Type("\x1a");
  EXPECT_TRUE(s.WaitFor("[stopped]")) << s.Screen();
  // Continued, the line is shown again as it was.
  ASSERT_TRUE(s.WaitForPrompt());
  ASSERT_TRUE(s.WaitFor("1+"));
  s.Type("1\r");
  EXPECT_TRUE(s.WaitFor("Result: 2\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 0) << s.Screen();
}

TEST_F(InteractiveTest, EveryLineIsCalculatedAndTheExitStatusIsAsEver) {
  TSession s({"--smart"});
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("pi/2\r");
  EXPECT_TRUE(s.WaitFor("Result: 1/2*pi\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("\r");
  EXPECT_TRUE(s.WaitFor("Error: Invalid expression: \"\".\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("1/0\r");
  EXPECT_TRUE(s.WaitFor("Error: Mathematical error in expression.\r\n")) << s.Screen();
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 1) << s.Screen();
}

TEST_F(InteractiveTest, ResultsSentToAFileHoldOnlyTheResultsLines) {
  // The prompt and the echo of the keys go to the terminal on standard error.
  const fs::path out = dir_ / "out.txt";
  TSession s({}, out);
  ASSERT_TRUE(s.Started());
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("3*4\r");
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type("(1\r");
  ASSERT_TRUE(s.WaitForPrompt());
  s.Type(kEnd);
  EXPECT_EQ(s.Finish(), 0) << s.Screen();
  EXPECT_EQ(ReadFile(out), "Result: 12\nResult: 1\n");
  EXPECT_EQ(s.Screen().find("Result:"), std::string::npos) << s.Screen();
}

}  // namespace
