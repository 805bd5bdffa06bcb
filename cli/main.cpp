// veltaro-calc: every term on the command line, or every line of standard
// input, gives the results line that the window's Calculate would append.
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
    "  -h, --help          show this help and exit\n"
    "      --version       show the version and exit\n"
    "  --                  end of options (a term may then begin with \"-\")\n"
    "\n"
    "Variables that a term uses and the table lacks are created with value 0.\n"
    "Every term gives one line: a line feed inside a TERM is shown as \\n in its\n"
    "line; a line of standard input longer than 65,535 characters is invalid and\n"
    "its line shows its first 65,536 characters.\n"
    "Exit status: 0 when every line is a result, 1 when any line is an error,\n"
    "2 on a usage error or a failed save.\n"
    "\n"
    "Examples:\n"
    "  veltaro-calc '2*sin(pi/6)+i'          Result: 1+i\n"
    "  veltaro-calc -s 'sqrt(2)'             Result: 2^(1/2)\n"
    "  veltaro-calc -d 'arcsin(1)'           Result: 90\n"
    "  veltaro-calc --set x=3 -- '-x^2'      Result: -9\n";

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

void Print(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

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
    } else if (arg == "-h" || arg == "--help") {
      Print(kUsage);
      return 0;
    } else if (arg == "--version") {
      Print(kVersion);
      Print("\n");
      return 0;
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

// Calls fn for every line of standard input: a line ends at a line feed,
// one carriage return before it is dropped, and a last line without a line
// feed still counts. A line longer than any term may be is invalid whatever
// it holds: of it only one character more than a term's limit is kept, so
// that input without line feeds never fills the memory.
template <typename Fn>
void ForEachInputLine(Fn&& fn) {
  constexpr std::size_t kKept = kMaxTermLength + 1;
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
      fn(std::string_view(pending));
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
  std::string out;
  const auto calculate = [&](std::string_view term) {
    const std::string line = CalculateTerm(term, table, args.options);
    if (line.compare(0, text::kResultPrefix.size(), text::kResultPrefix) != 0) anyError = true;
    out += OnOneLine(line);
    out += '\n';
    if (out.size() >= (1 << 16)) {
      Print(out);
      out.clear();
    }
  };
  if (args.terms.empty()) {
    ForEachInputLine(calculate);
  } else {
    for (const std::string& term : args.terms) calculate(term);
  }
  Print(out);
  std::fflush(stdout);

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
