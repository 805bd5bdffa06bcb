// veltaro-calc as a process: arguments, standard input, exit statuses and
// the files it writes.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#endif

#include <gtest/gtest.h>

#include "TestUnblocker.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const std::string& s) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << s;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      dir_ = fs::temp_directory_path() /
             ("veltaro-cli-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(attempt));
      if (fs::create_directory(dir_)) break;
    }
#else
    std::string tmpl = (fs::temp_directory_path() / "veltaro-cli-XXXXXX").string();
    dir_ = ::mkdtemp(tmpl.data());
#endif
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

#ifdef _WIN32
  // The program beside this test program.
  static std::string Program() {
    char buffer[32768] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return (fs::path(std::string(buffer, n)).parent_path() / "veltaro-calc.exe").string();
  }

  // One argument of a command line, quoted as the run-time library splits it.
  static std::string Quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    std::size_t slashes = 0;
    for (const char c : argument) {
      if (c == '\\') {
        ++slashes;
        continue;
      }
      quoted.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
      slashes = 0;
      quoted += c;
    }
    quoted.append(slashes * 2, '\\');
    return quoted + "\"";
  }

  // A line end written by the program in the system's text form (CR LF) is
  // the same line end.
  static std::string WithLineFeeds(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      out += text[i];
    }
    return out;
  }

  // Runs veltaro-calc with args, input on standard input.
  Outcome Run(const std::vector<std::string>& args, const std::string& input = "") {
    const fs::path in = dir_ / "stdin", out = dir_ / "stdout", err = dir_ / "stderr";
    WriteFile(in, input);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const HANDLE fdIn = ::CreateFileA(in.string().c_str(), GENERIC_READ, share, &inherit, OPEN_EXISTING, 0, nullptr);
    const HANDLE fdOut = ::CreateFileA(out.string().c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr);
    const HANDLE fdErr = ::CreateFileA(err.string().c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr);
    const std::string program = Program();
    std::string line = Quoted(program);
    for (const std::string& a : args) line += " " + Quoted(a);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = fdIn;
    startup.hStdOutput = fdOut;
    startup.hStdError = fdErr;
    PROCESS_INFORMATION process{};
    Outcome o;
    if (::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                         &process)) {
      ::WaitForSingleObject(process.hProcess, INFINITE);
      DWORD code = 0;
      if (::GetExitCodeProcess(process.hProcess, &code)) o.status = static_cast<int>(code);
      ::CloseHandle(process.hThread);
      ::CloseHandle(process.hProcess);
    }
    for (const HANDLE h : {fdIn, fdOut, fdErr}) {
      if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    o.out = WithLineFeeds(ReadFile(out));
    o.err = WithLineFeeds(ReadFile(err));
    return o;
  }
#else
  // Runs veltaro-calc with args, input on standard input (or stdinFile_
  // when set), its address space limited to memoryLimit_ bytes when set;
  // its output goes to stdoutFile_ and stderrFile_ when set.
  Outcome Run(const std::vector<std::string>& args, const std::string& input = "") {
    const fs::path in = dir_ / "stdin", out = dir_ / "stdout", err = dir_ / "stderr";
    if (stdinFile_.empty()) WriteFile(in, input);
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (memoryLimit_ > 0) {
        const struct rlimit limit = {memoryLimit_, memoryLimit_};
        ::setrlimit(RLIMIT_AS, &limit);
      }
      const int fdIn = ::open(stdinFile_.empty() ? in.c_str() : stdinFile_.c_str(), O_RDONLY);
      const int fdOut = ::open(stdoutFile_.empty() ? out.c_str() : stdoutFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int fdErr = ::open(stderrFile_.empty() ? err.c_str() : stderrFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fdIn, 0);
      ::dup2(fdOut, 1);
      ::dup2(fdErr, 2);
      std::vector<char*> argv;
      std::string program = VELTARO_CALC;
      argv.push_back(program.data());
      std::vector<std::string> copy = args;
      for (std::string& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    Outcome o;
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    o.out = ReadFile(out);
    o.err = ReadFile(err);
    return o;
  }

  fs::path stdinFile_, stdoutFile_, stderrFile_;
  rlim_t memoryLimit_ = 0;
#endif

  fs::path dir_;
};

TEST_F(CliTest, TermsOnTheCommandLine) {
  Outcome o = Run({"2+3", "sqrt(-1)", "1/0"});
  EXPECT_EQ(o.out, "Result: 5\nResult: i\nError: Mathematical error in expression.\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "");

  o = Run({"2+3"});
  EXPECT_EQ(o.status, 0);
  o = Run({"--", "-2^2", "-x"});
  EXPECT_EQ(o.out, "Result: -4\nResult: 0\n");
  EXPECT_EQ(o.status, 0);
  o = Run({"-"});
  EXPECT_EQ(o.out, "Error: Invalid expression: \"-\".\n");
  EXPECT_EQ(o.status, 1);
}

TEST_F(CliTest, StandardInputLines) {
  Outcome o = Run({}, "1+1\r\n\n2*3\r\nsqrt(4)");
  EXPECT_EQ(o.out, "Result: 2\nError: Invalid expression: \"\".\nResult: 6\nResult: 2\n");
  EXPECT_EQ(o.status, 1);
  o = Run({}, "");
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.status, 0);
  // Only one carriage return before the line feed is dropped.
  o = Run({}, "1\r\r\n");
  EXPECT_EQ(o.out, "Error: Invalid expression: \"1\r\".\n");
  // Variables persist from line to line.
  o = Run({}, "a+1\nb*a\n");
  EXPECT_EQ(o.out, "Result: 1\nResult: 0\n");
}

TEST_F(CliTest, ModeOptions) {
  EXPECT_EQ(Run({"-d", "sin(30)"}).out, "Result: 0.5\n");
  EXPECT_EQ(Run({"--deg", "arg(-1)"}).out, "Result: 180\n");
  EXPECT_EQ(Run({"-s", "pi/2"}).out, "Result: 1/2*pi\n");
  EXPECT_EQ(Run({"--smart", "--real", "sqrt(-4)"}).out, "Error: Mathematical error in expression.\n");
  EXPECT_EQ(Run({"-r", "sqrt(4)"}).out, "Result: 2\n");
}

TEST_F(CliTest, UsageErrorsAndInformation) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus", "1"}, {"-t"}, {"--set", "2x=1", "1"}, {"--set", "x=a+1", "1"}, {"--set", "x"},
      {"--set", "pi=1", "1"}, {"--save"},
  };
  for (const auto& args : bad) {
    const Outcome o = Run(args);
    EXPECT_EQ(o.status, 2) << args[0];
    EXPECT_EQ(o.out, "") << args[0];
    EXPECT_FALSE(o.err.empty());
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << "one line: " << o.err;
  }
  Outcome o = Run({"--help"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.rfind("Usage: veltaro-calc", 0), 0u);
  o = Run({"--version"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "veltaro-calc 1.0.0\n");
}

TEST_F(CliTest, TableSetAndSave) {
  const fs::path table = dir_ / "in.vlt";
  WriteFile(table, "Veltaro Variable table\r\n2\r\nx\r\n2.5\r\n0\r\nlength\r\nz\r\n1\r\n-2\r\n\r\n");
  const fs::path saved = dir_ / "out.txt";
  Outcome o = Run({"--table", table.string(), "--set", "x=2*3", "--set", "(w)=i", "-o", saved.string(),
                   "x*z", "w+q"});
  EXPECT_EQ(o.out, "Result: 6-12*i\nResult: i\n");
  EXPECT_EQ(o.status, 0);
  // The name is taken as given; x keeps its comment and place, w and q follow.
  EXPECT_EQ(ReadFile(saved),
            "Veltaro Variable table\r\n4\r\n"
            "x\r\n6\r\n0\r\nlength\r\n"
            "z\r\n1\r\n-2\r\n\r\n"
            "w\r\n0\r\n1\r\n\r\n"
            "q\r\n0\r\n0\r\n\r\n");

  // The value of --set is a constant term in the chosen angle mode.
  o = Run({"-d", "--set", "s=sin(90)", "s"});
  EXPECT_EQ(o.out, "Result: 1\n");

  // A missing table gives an empty one; a term that does not parse adds nothing.
  o = Run({"-t", (dir_ / "missing.vlt").string(), "-o", saved.string(), "a+", "b"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(ReadFile(saved), "Veltaro Variable table\r\n1\r\nb\r\n0\r\n0\r\n\r\n");

  // A failed save is exit status 2, with the results already printed.
  o = Run({"--save", (dir_ / "no" / "such" / "dir.vlt").string(), "1+1"});
  EXPECT_EQ(o.out, "Result: 2\n");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("veltaro-calc: cannot save"), std::string::npos);
}

TEST_F(CliTest, EveryTermGivesOneLine) {
  // A line feed inside a term is shown as "\n"; no variable comes of it.
  const fs::path saved = dir_ / "saved.vlt";
  Outcome o = Run({"-o", saved.string(), "--", "1\n+2", "a\nb", "\n", "3"});
  EXPECT_EQ(o.out,
            "Error: Invalid expression: \"1\\n+2\".\n"
            "Error: Invalid expression: \"a\\nb\".\n"
            "Error: Invalid expression: \"\\n\".\n"
            "Result: 3\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(ReadFile(saved), "Veltaro Variable table\r\n0\r\n");

  // Messages on standard error keep to one line too.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--set", "a\nb=1", "1"}, {"--set", "a=1\n+", "1"},
        {"-o", (dir_ / "no\nsuch" / "t.vlt").string(), "1"}}) {
    o = Run(args);
    EXPECT_EQ(o.status, 2) << args[1];
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << "one line: " << o.err;
  }
}

TEST_F(CliTest, ALineLongerThanAnyTermIsOneInvalidLine) {
  // Of a line beyond 65,535 characters the first 65,536 are shown; the
  // lines after it are calculated as ever.
  const std::string longest = std::string(65534, '0') + "7";
  Outcome o = Run({}, std::string(70000, '7') + "\n" + longest + "\r\n" + longest + "0\n1+1");
  EXPECT_EQ(o.out, "Error: Invalid expression: \"" + std::string(65536, '7') + "\".\n" + "Result: 7\n" +
                       "Error: Invalid expression: \"" + longest + "0\".\n" + "Result: 2\n");
  EXPECT_EQ(o.status, 1);
  o = Run({}, std::string(200000, ' ') + "\r\n");
  EXPECT_EQ(o.out, "Error: Invalid expression: \"" + std::string(65536, ' ') + "\".\n");
}

TEST_F(CliTest, ACountBeyondTheEntriesMakesNoneUp) {
  const fs::path table = dir_ / "count.vlt";
  WriteFile(table, "Veltaro\r\n65535\r\n");
  const fs::path saved = dir_ / "saved.vlt";
  Outcome o = Run({"-t", table.string(), "-o", saved.string(), "x+1"});
  EXPECT_EQ(o.out, "Result: 1\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(ReadFile(saved), "Veltaro Variable table\r\n1\r\nx\r\n0\r\n0\r\n\r\n");
  // A file that ends inside an entry still gives that entry.
  WriteFile(table, "Veltaro\r\n3\r\na\r\n2\r\n0\r\nfirst\r\nb\r\n5");
  o = Run({"-t", table.string(), "-o", saved.string(), "a*b"});
  EXPECT_EQ(o.out, "Result: 10\n");
  EXPECT_EQ(ReadFile(saved), "Veltaro Variable table\r\n2\r\na\r\n2\r\n0\r\nfirst\r\nb\r\n5\r\n0\r\n\r\n");
}

TEST_F(CliTest, TheLargestDoubleIsSavedAndReadAsItself) {
  const fs::path saved = dir_ / "big.vlt";
  Outcome o = Run({"--set", "big=1.79769313486232E308", "-o", saved.string(), "--", "big", "-big"});
  EXPECT_EQ(o.out, "Result: 1.79769313486232E308\nResult: -1.79769313486232E308\n");
  EXPECT_EQ(ReadFile(saved), "Veltaro Variable table\r\n1\r\nbig\r\n1.79769313486232E308\r\n0\r\n\r\n");
  o = Run({"-t", saved.string(), "big/2*2", "big*10"});
  EXPECT_EQ(o.out, "Result: 1.79769313486232E308\nError: Mathematical error in expression.\n");
}

// Lines of text, each without its line feed.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(CliTest, ExplainGivesTheReadingOfEachValidTermOnStandardError) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"2^3^2", "reads as (2^3)^2"}, {"-2^2", "reads as -(2^2)"},   {"1+2)*3", "reads as 1+(2*3)"},
      {"(1+2", "reads as 1+2"},      {"8/4/2", "reads as 8/4/2"},   {"sin(x)^2", "reads as sin(x)^2"},
      {"2lg(8)", "reads as 2lg(8)"}, {"pi/2", "reads as pi/2"},
  };
  std::vector<std::string> args = {"--explain", "--"};
  std::string input, expectedErr;
  for (const auto& [term, reading] : cases) {
    args.push_back(term);
    input += term + "\r\n";
    expectedErr += reading + "\n";
  }
  const Outcome plain = Run(std::vector<std::string>(args.begin() + 1, args.end()));
  // Standard output is exactly what it is without --explain.
  Outcome o = Run(args);
  EXPECT_EQ(o.out, plain.out);
  EXPECT_EQ(o.status, plain.status);
  EXPECT_EQ(o.err, expectedErr);
  EXPECT_EQ(plain.err, "");
  // Lines of standard input are explained the same way.
  o = Run({"--explain"}, input);
  EXPECT_EQ(o.out, plain.out);
  EXPECT_EQ(o.err, expectedErr);
}

TEST_F(CliTest, ExplainSaysWhyATermHasNoValueAfterItsReading) {
  const std::string largest = ", beyond the largest number, 1.79769313486232E308.";
  struct Case {
    std::vector<std::string> options;
    std::string term;
    std::string reading;
    std::string why;
  };
  const std::vector<Case> cases = {
      {{}, "1/0", "reads as 1/0", "column 1: Division by zero in 1/0."},
      {{}, "2+1/(x-x)", "reads as 2+(1/(x-x))", "column 3: Division by zero in 1/(x-x): x-x is 0."},
      {{}, "ln(x-x)", "reads as ln(x-x)", "column 1: ln(x-x) has no value: the logarithm of 0 is undefined (x-x is 0)."},
      {{}, "3*exp(1000)", "reads as 3*exp(1000)", "column 3: Overflow in exp(1000): about 1.97E434" + largest},
      {{}, "10^400", "reads as 10^400", "column 1: Overflow in 10^400: about 1E400" + largest},
      {{"--deg"}, "tan(90)", "reads as tan(90)",
       "column 1: tan(90) has no value: the tangent is undefined where the cosine is 0."},
      {{}, "artanh(1)", "reads as artanh(1)", "column 1: artanh(1) has no value: artanh is undefined at 1 and -1."},
      {{"--real"}, "sqrt(-4)", "reads as sqrt(-4)",
       "column 1: The result 2*i has an imaginary part; Complex results is off."},
      {{"--set", "y=2", "--smart"}, "y/(y-2)", "reads as y/(y-2)", "column 1: Division by zero in y/(y-2): y-2 is 0."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.term);
    std::vector<std::string> args = c.options;
    args.push_back("--explain");
    args.push_back("--");
    args.push_back(c.term);
    const Outcome o = Run(args);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "Error: Mathematical error in expression.\n");
    EXPECT_EQ(o.err, c.reading + "\n" + c.why + "\n");
    // Lines of standard input the same way.
    args.pop_back();
    args.pop_back();
    EXPECT_EQ(Run(args, c.term + "\n").err, c.reading + "\n" + c.why + "\n");
  }
  // Without --explain nothing is said.
  const Outcome plain = Run({"1/0"});
  EXPECT_EQ(plain.err, "");
}

TEST_F(CliTest, ExplainGivesTheColumnAndACorrectionOfEachInvalidTerm) {
  struct Case {
    std::string term;
    std::string column;      // the start of the line
    std::string correction;  // what ends it, "" where no correction is known
  };
  const std::vector<Case> cases = {
      {"2x", "column 2: ", " Try \"2*x\"."},
      {"sin(x)cos(x)", "column 7: ", " Try \"sin(x)*cos(x)\"."},
      {"2*-3", "column 3: ", " Try \"2*(-3)\"."},
      {"x + 1", "column 2: ", " Try \"x+1\"."},
      {"1,5", "column 2: ", " Try \"1.5\"."},
      {"1.2.3", "column 4: ", ""},
      {"2+", "column 2: ", ""},
      {"", "column 1: ", ""},
      {"1\n+2", "column 2: ", ""},
  };
  std::vector<std::string> args = {"--explain", "--"};
  for (const Case& c : cases) args.push_back(c.term);
  const Outcome o = Run(args);
  EXPECT_EQ(o.status, 1);
  const std::vector<std::string> out = LinesOf(o.out), err = LinesOf(o.err);
  ASSERT_EQ(out.size(), cases.size()) << o.out;
  ASSERT_EQ(err.size(), cases.size()) << o.err;
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    EXPECT_EQ(out[k].rfind("Error: Invalid expression: \"", 0), 0u) << c.term;
    EXPECT_EQ(err[k].rfind(c.column, 0), 0u) << c.term << ": " << err[k];
    // A message follows the column.
    EXPECT_GT(err[k].size(), c.column.size() + c.correction.size() + 1) << c.term << ": " << err[k];
    if (c.correction.empty()) {
      EXPECT_EQ(err[k].find(" Try \""), std::string::npos) << c.term << ": " << err[k];
    } else {
      ASSERT_GE(err[k].size(), c.correction.size());
      EXPECT_EQ(err[k].substr(err[k].size() - c.correction.size()), c.correction) << c.term << ": " << err[k];
    }
  }
}

#ifndef _WIN32
using veltaro::test_support::TUnblocker;

bool IsKind(const fs::path& p, mode_t kind) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

TEST_F(CliTest, ATableThatIsNoOrdinaryFileIsAnEmptyTable) {
  // A FIFO that holds a whole table and is kept open by its writer.
  const fs::path fifo = dir_ / "fifo.vlt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  const std::string table = "Veltaro Variable table\r\n1\r\nx\r\n5\r\n0\r\n\r\n";
  ASSERT_EQ(::write(writer, table.data(), table.size()), static_cast<ssize_t>(table.size()));
  {
    TUnblocker unblock([&] { ::close(std::exchange(writer, -1)); });
    const Outcome o = Run({"-t", fifo.string(), "x"});
    EXPECT_FALSE(unblock.Done()) << "veltaro-calc waited for the FIFO's writer";
    EXPECT_EQ(o.out, "Result: 0\n");
  }
  if (writer >= 0) ::close(writer);

  // A FIFO without a writer, and an endless device.
  EXPECT_EQ(::unlink(fifo.c_str()), 0);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  {
    TUnblocker unblock([&] {
      const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    });
    EXPECT_EQ(Run({"-t", fifo.string(), "1"}).out, "Result: 1\n");
    EXPECT_FALSE(unblock.Done()) << "veltaro-calc waited for a writer";
  }
  const fs::path zero = dir_ / "zero";
  if (::geteuid() == 0 && ::mknod(zero.c_str(), S_IFCHR | 0666, ::makedev(1, 5)) == 0) {
    EXPECT_EQ(Run({"-t", zero.string(), "x"}).out, "Result: 0\n");
  }
}

TEST_F(CliTest, SavingOntoStandardOutputKeepsTheResults) {
  const std::string table = "Veltaro Variable table\r\n1\r\nx\r\n0\r\n0\r\n\r\n";
  Outcome o = Run({"-o", "/dev/stdout", "x+1", "2"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "Result: 1\nResult: 2\n" + table);
  // The file that standard output goes to, by its own name.
  o = Run({"-o", (dir_ / "stdout").string(), "x+1"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "Result: 1\n" + table);
  EXPECT_TRUE(IsKind(dir_ / "stdout", S_IFREG));
}

TEST_F(CliTest, SavingOntoAFifoThatNobodyReadsFailsAtOnce) {
  const fs::path fifo = dir_ / "fifo.vlt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  TUnblocker unblock([&] {
    const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  });
  const Outcome o = Run({"-o", fifo.string(), "1"});
  EXPECT_FALSE(unblock.Done()) << "veltaro-calc waited for a reader";
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "Result: 1\n");
  EXPECT_EQ(o.err, "veltaro-calc: cannot save \"" + fifo.string() + "\": I/O error 6.\n");
  EXPECT_TRUE(IsKind(fifo, S_IFIFO));
}

// Output that cannot be written is no success: the run ends with a message
// and status 2, and what was still to do is not done.
TEST_F(CliTest, OutputThatCannotBeWrittenFailsTheRun) {
  if (!IsKind("/dev/full", S_IFCHR)) GTEST_SKIP() << "this system has no /dev/full, the device that is always full";
  const fs::path table = dir_ / "t.vlt";
  struct Row { std::vector<std::string> args; std::string input; bool fullErr; std::string out, err; };
  const std::string results = "veltaro-calc: cannot write the results: Disk full.\n";
  const Row rows[] = {
      {{"1+1", "2+2"}, "", false, "", results},
      {{}, "1+1\n2+2\n", false, "", results},
      {{"--explain", "1+1"}, "", false, "", results},
      {{"-o", table.string(), "x"}, "", false, "", results},
      {{"--help"}, "", false, "", "veltaro-calc: cannot write the usage: Disk full.\n"},
      {{"--version"}, "", false, "", "veltaro-calc: cannot write the version: Disk full.\n"},
      {{"--explain", "1+1", "2x"}, "", true, "Result: 2\n", ""},
  };
  for (const Row& r : rows) {
    stdoutFile_ = r.fullErr ? fs::path() : fs::path("/dev/full");
    stderrFile_ = r.fullErr ? fs::path("/dev/full") : fs::path();
    const Outcome o = Run(r.args, r.input);
    EXPECT_EQ(o.status, 2) << r.args.size() << " arguments, input " << r.input;
    if (r.fullErr) {
      EXPECT_EQ(o.out, r.out);
    } else {
      EXPECT_EQ(o.err, r.err) << r.args.front();
    }
  }
  EXPECT_FALSE(fs::exists(table));
  // Without --explain standard error is no output of the run.
  stdoutFile_.clear();
  EXPECT_EQ(Run({"1+1"}).status, 0);
}

#if defined(__SANITIZE_ADDRESS__)
#define VELTARO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTARO_ADDRESS_SANITIZER 1
#endif
#endif

TEST_F(CliTest, InputWithoutLineFeedsFitsInLittleMemory) {
#ifdef VELTARO_ADDRESS_SANITIZER
  GTEST_SKIP() << "the address sanitizer's reservations leave no room for a memory limit";
#else
  // 512 MiB of zero bytes before the first line feed (a sparse file), read
  // by a program that may not use more than 256 MiB.
  constexpr off_t kZeros = off_t{512} << 20;
  stdinFile_ = dir_ / "zeros";
  const int fd = ::open(stdinFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, kZeros), 0);
  ASSERT_EQ(::pwrite(fd, "\n1+1\n", 5, kZeros), 5);
  ::close(fd);
  memoryLimit_ = rlim_t{256} << 20;
  const Outcome o = Run({});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "Error: Invalid expression: \"" + std::string(65536, '\0') + "\".\nResult: 2\n");
  EXPECT_EQ(o.err, "");
#endif
}
#endif

// Every line of golden.tsv: options (blank-separated), term, expected line.
TEST_F(CliTest, GoldenResults) {
  std::ifstream golden(VELTARO_GOLDEN);
  ASSERT_TRUE(golden) << VELTARO_GOLDEN;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> byOptions;
  std::string line;
  int count = 0;
  while (std::getline(golden, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t t1 = line.find('\t');
    const std::size_t t2 = line.find('\t', t1 + 1);
    ASSERT_NE(t2, std::string::npos) << line;
    byOptions[line.substr(0, t1)].emplace_back(line.substr(t1 + 1, t2 - t1 - 1), line.substr(t2 + 1));
    ++count;
  }
  EXPECT_GT(count, 100);
  for (const auto& [options, rows] : byOptions) {
    std::vector<std::string> args;
    std::istringstream words(options);
    for (std::string w; words >> w;) args.push_back(w);
    std::string input;
    for (const auto& row : rows) input += row.first + "\n";
    const Outcome o = Run(args, input);
    std::istringstream lines(o.out);
    for (const auto& row : rows) {
      std::string got;
      std::getline(lines, got);
      EXPECT_EQ(got, row.second) << "options '" << options << "' term '" << row.first << "'";
    }
  }
}

}  // namespace
