// veltaro-calc: every term on the command line, or every line of standard
// input, gives the results line that the window's Calculate would append.
#include <cerrno>
#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Calculation.h"
#include "Explanation.h"
#include "Interactive.h"
#include "Messages.h"
#include "Parser.h"
#include "SmartConversion.h"
#include "VarTableFile.h"

namespace {

using namespace veltaro;

constexpr std::string_view kProgram = "veltaro-calc";
constexpr std::string_view kVersion = "veltaro-calc 1.0.0";

constexpr std::string_view kUsage =
    "Usage: veltaro-calc [OPTION]... [--] [TERM]...\n"
    "Calculate each TERM, or each line of standard input when no TERM is given,\n"
    "as the calculator's Calculate button does, and print one results line each.\n"
    "\n"
    "  -s, --smart         write results in closed form where one is found\n"
    "                      (3/4, 1/2*pi, e^(1/2), 2^(1/2)), as Smart-Calculate does\n"
    "  -d, --deg           angles in degrees (default: radians)\n"
    "  -r, --real          \"Complex results\" off: a result with an imaginary part\n"
    "                      is a mathematical error\n"
    "  -t, --table FILE    load the variable table FILE first (a missing or\n"
    "                      unreadable file gives an empty table)\n"
    "      --set L=V       set variable L to the value of the constant term V\n"
    "                      (after --table, in the order given)\n"
    "  -o, --save FILE     write the variable table to FILE after the last term\n"
    "      --explain       after each results line, one more line on standard\n"
    "                      error, standard output keeping the results lines:\n"
    "                        reads as READING\n"
    "                      for a valid term, READING being the term with\n"
    "                      brackets wherever it is read otherwise than usual in\n"
    "                      mathematics (2^3^2 reads as (2^3)^2, -2^2 as -(2^2));\n"
    "                        column N: WHY Try \"TERM\".\n"
    "                      for an invalid term: N is its first offending\n"
    "                      character (counted from 1), TERM a corrected term,\n"
    "                      given when one is known; a valid term whose line is\n"
    "                      the mathematical error gets a second line\n"
    "                        column N: WHY\n"
    "                      naming the operation that has no value, why, and\n"
    "                      where it starts (for 1/0: Division by zero in 1/0.)\n"
    "  -h, --help          show this help and exit\n"
    "      --version       show the version and exit\n"
    "  --                  end of options (a term may then begin with \"-\")\n"
    "\n"
    "Variables that a term uses and the table lacks are created with value 0.\n"
    "Every term gives one line: a line feed inside a TERM is shown as \\n in its\n"
    "line; a line of standard input longer than 65,535 characters is invalid and\n"
    "its line shows its first 65,536 characters.\n"
    "Exit status: 0 when every line is a result, 1 when any line is an error,\n"
    "2 on a usage error, a failed save or output that cannot be written.\n"
    "\n"
    "Examples:\n"
    "  veltaro-calc '2*sin(pi/6)+i'          Result: 1+i\n"
    "  veltaro-calc -s 'sqrt(2)'             Result: 2^(1/2)\n"
    "  veltaro-calc -d 'arcsin(1)'           Result: 90\n"
    "  veltaro-calc --set x=3 -- '-x^2'      Result: -9\n"
    "  veltaro-calc --explain '2^3^2'        Result: 64, and on standard error\n"
    "                                        reads as (2^3)^2\n";

constexpr std::string_view kInteractiveUsage =
    "\n"
    "Interactive session: with no TERM and standard input a terminal, each term\n"
    "is typed after the prompt \"> \" and its results line follows; the variable\n"
    "table lasts for the session (--table and --set before it, --save when it\n"
    "ends). Below the line of an invalid term, on standard error, carets mark the\n"
    "offending characters and the explanation of --explain says why; below the\n"
    "line of a term without value, its second line of --explain says why.\n"
    "Every typed line is calculated (an empty one too, as an invalid term).\n"
    "Keys:\n"
    "  Enter               calculate the line\n"
    "  Up, Down            earlier and later lines of this session (also Ctrl+P,\n"
    "                      Ctrl+N); a line repeated directly is kept once\n"
    "  Left, Right         move in the line (also Ctrl+B, Ctrl+F)\n"
    "  Ctrl+A, Ctrl+E      start and end of the line\n"
    "  Backspace, Ctrl+D   delete before and under the cursor\n"
    "  Ctrl+K              delete to the end of the line\n"
    "  Ctrl+D              on an empty line: end the session (the table is saved\n"
    "                      with --save, the exit status is as above)\n"
    "  Ctrl+C              empty the line\n"
    "  Ctrl+Z              stop the session (continued by the shell's fg)\n"
    "Input that is not a terminal is read as lines, as described above.\n";

struct TSetting {
  std::string label;
  std::string value;
};

struct TArguments {
  TCalcOptions options;
  std::string tableFile;
  bool haveTable = false;
  std::string saveFile;
  bool haveSave = false;
  std::vector<TSetting> settings;
  std::vector<std::string> terms;
  bool explain = false;
};

// A text on one line: every line feed in it shown as the two characters
// "\n", so that a term or a name holding one still gives one line.
std::string OnOneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (const char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else {
      line += c;
    }
  }
  return line;
}

int UsageError(std::string_view message) {
  std::string line(kProgram);
  line += ": ";
  line += OnOneLine(message);
  line += " (try 'veltaro-calc --help')\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  return 2;
}

// Writes text to stream, the C library's buffer flushed too when flush is
// set; false with errno set when the bytes cannot be written.
bool Write(std::FILE* stream, std::string_view text, bool flush) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() || (flush && std::fflush(stream) != 0) ||
      std::ferror(stream)) {
    if (errno == 0) errno = EIO;
    return false;
  }
  return true;
}

// The end of a run whose output could not be written: results that are not
// written are lost, which is no success.
int OutputFailed(std::string_view what) {
  std::string line(kProgram);
  line += ": cannot write ";
  line += what;
  line += ": " + SaveErrorText(errno) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  return 2;
}

// Reads the options; returns -1 to go on, or the exit status to stop with.
int ParseArguments(int argc, char** argv, TArguments& args) {
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      args.terms.emplace_back(arg);
      continue;
    }
    // An option that takes a value: "--name VALUE", "--name=VALUE" or "-x VALUE".
    const auto takeValue = [&](std::string_view longName, std::string_view shortName, std::string& out,
                               bool& matched) -> int {
      matched = false;
      if (!shortName.empty() && arg == shortName) {
        matched = true;
      } else if (arg == longName) {
        matched = true;
      } else if (arg.size() > longName.size() && arg.substr(0, longName.size()) == longName &&
                 arg[longName.size()] == '=') {
        matched = true;
        out = std::string(arg.substr(longName.size() + 1));
        return -1;
      }
      if (!matched) return -1;
      if (i + 1 >= argc) return UsageError(std::string("option ") + std::string(arg) + " needs a value");
      out = argv[++i];
      return -1;
    };

    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-s" || arg == "--smart") {
      args.options.smart = true;
    } else if (arg == "-d" || arg == "--deg") {
      args.options.degMode = true;
    } else if (arg == "-r" || arg == "--real") {
      args.options.complexResults = false;
    } else if (arg == "--explain") {
      args.explain = true;
    } else if (arg == "-h" || arg == "--help") {
      std::string usage(kUsage);
      if (cli::HaveInteractiveSession()) usage += kInteractiveUsage;
      return Write(stdout, usage, true) ? 0 : OutputFailed("the usage");
    } else if (arg == "--version") {
      return Write(stdout, std::string(kVersion) + "\n", true) ? 0 : OutputFailed("the version");
    } else {
      bool matched = false;
      std::string value;
      int status = takeValue("--table", "-t", value, matched);
      if (status >= 0) return status;
      if (matched) {
        args.tableFile = std::move(value);
        args.haveTable = true;
        continue;
      }
      status = takeValue("--save", "-o", value, matched);
      if (status >= 0) return status;
      if (matched) {
        args.saveFile = std::move(value);
        args.haveSave = true;
        continue;
      }
      status = takeValue("--set", "", value, matched);
      if (status >= 0) return status;
      if (matched) {
        const std::size_t eq = value.find('=');
        if (eq == std::string::npos) return UsageError("--set needs LABEL=VALUE, got \"" + value + "\"");
        args.settings.push_back({value.substr(0, eq), value.substr(eq + 1)});
        continue;
      }
      return UsageError("unknown option " + std::string(arg));
    }
  }
  return -1;
}

// Sets one variable as the grid would: the value cell is a constant term.
int ApplySetting(const TSetting& setting, TVarTable& table) {
  std::string label;
  if (!ParseVariableLabel(setting.label, label)) {
    return UsageError("--set: invalid variable label \"" + setting.label + "\"");
  }
  TComplex value;
  if (!EvaluateValueText(setting.value, value)) {
    return UsageError("--set: invalid variable value \"" + setting.value + "\"");
  }
  TComplex existing;
  if (FindVariable(table, label, existing)) {
    // Every entry of that label takes the value and keeps its own comment.
    for (std::size_t k = 0; k < table.labels.size(); ++k) {
      if (table.labels[k] == label) table.values[k] = value;
    }
    return -1;
  }
  if (!SetVariable(table, label, value, std::string())) {
    return UsageError("--set: the variable table is full");
  }
  return -1;
}

// Of a line longer than any term may be, which is invalid whatever it holds,
// only one character more than a term's limit is kept.
constexpr std::size_t kKept = kMaxTermLength + 1;

// The term of a line read whole, by the same rules: one carriage return at
// its end dropped, and of a line longer than any term may be only kKept
// characters.
std::string_view TermOfLine(std::string_view line) {
  if (line.size() > kKept) return line.substr(0, kKept);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Calls fn for every line of standard input, until it returns false: a
// line ends at a line feed,
// one carriage return before it is dropped, and a last line without a line
// feed still counts. Of a long line only kKept characters are held, so that
// input without line feeds never fills the memory.
template <typename Fn>
void ForEachInputLine(Fn&& fn) {
  std::string pending;
  bool cut = false;  // characters of the pending line were dropped
  const auto keep = [&](const char* data, std::size_t size) {
    const std::size_t room = kKept - pending.size();
    if (size > room) {
      size = room;
      cut = true;
    }
    pending.append(data, size);
  };
  char buffer[1 << 16];
  std::size_t n;
  bool sawAny = false;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    sawAny = true;
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (buffer[i] != '\n') continue;
      keep(buffer + start, i - start);
      if (!cut && !pending.empty() && pending.back() == '\r') pending.pop_back();
      if (!fn(std::string_view(pending))) return;
      pending.clear();
      cut = false;
      start = i + 1;
    }
    keep(buffer + start, n - start);
  }
  if (sawAny && !pending.empty()) fn(std::string_view(pending));
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Input lines are read as bytes, so that a carriage return and a byte 26
  // reach the line rules as they stand; results lines end as the system's
  // text files do (CR LF).
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  TArguments args;
  const int status = ParseArguments(argc, argv, args);
  if (status >= 0) return status;

  ConversionPrecision = 10;
  TVarTable table;
  if (args.haveTable) LoadVariableTableFile(args.tableFile, table);
  for (const TSetting& setting : args.settings) {
    DegMode = args.options.degMode;
    const int failed = ApplySetting(setting, table);
    if (failed >= 0) return failed;
  }

  bool anyError = false;
  // Set once a line could not be written: the run ends there.
  int writeFailed = -1;
  const bool interactive = args.terms.empty() && cli::InputIsTerminal();
  std::string out;
  const auto flush = [&] {
    if (writeFailed < 0 && !Write(stdout, out, true)) writeFailed = OutputFailed("the results");
    out.clear();
    return writeFailed < 0;
  };
  const auto calculate = [&](std::string_view term) {
    if (writeFailed >= 0) return false;
    const std::string line = CalculateTerm(term, table, args.options);
    const bool valid = line.compare(0, text::kResultPrefix.size(), text::kResultPrefix) == 0;
    if (!valid) anyError = true;
    out += OnOneLine(line);
    out += '\n';
    const bool invalid = line.compare(0, text::kInvalidExpressionPrefix.size(), text::kInvalidExpressionPrefix) == 0;
    if (interactive || args.explain) {
      // Each explanation follows its results line, also where both streams
      // go to one place.
      if (!flush()) return false;
      std::string said;
      if (args.explain || invalid) {
        const cli::TTermExplanation explained =
            cli::ExplainTerm(term, interactive && invalid ? cli::TerminalWidth() : 0);
        if (!explained.marker.empty()) said = explained.marker + "\n";
        said += OnOneLine(explained.line) + "\n";
      }
      // A term without value is told why, after its reading.
      if (line == text::kMathError) {
        const std::string why = cli::ExplainMathError(term, table, args.options);
        if (!why.empty()) said += OnOneLine(why) + "\n";
      }
      if (!said.empty() && !Write(stderr, said, true) && args.explain) {
        writeFailed = OutputFailed("the explanations");
        return false;
      }
    } else if (out.size() >= (1 << 16)) {
      return flush();
    }
    return true;
  };
  if (!args.terms.empty()) {
    for (const std::string& term : args.terms) {
      if (!calculate(term)) break;
    }
  } else if (!interactive || !cli::ReadTerminalLines([&](std::string_view line) {
               return calculate(TermOfLine(line));
             })) {
    ForEachInputLine(calculate);
  }
  if (!flush()) return writeFailed;

  if (args.haveSave) {
    int error = 0;
    if (!SaveVariableTableFile(args.saveFile, table, error)) {
      std::string message(kProgram);
      message += ": cannot save \"" + OnOneLine(args.saveFile) + "\": " + SaveErrorText(error) + "\n";
      std::fwrite(message.data(), 1, message.size(), stderr);
      return 2;
    }
  }
  return anyError ? 1 : 0;
}
