#include "VarTableFile.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "FileReplace.h"
#include "Format.h"
#include "InputFile.h"
#include "Messages.h"
#include "Parser.h"

namespace veltaro {

namespace {

constexpr std::size_t kMaxCountToken = 32;
constexpr std::size_t kMaxNumberToken = 64;

// Reads a table file the way a text-file reader reads it: a line ends at a
// carriage return (a line feed directly after it belongs to the line end);
// numbers skip blanks, control characters and line ends before them, and
// the rest of their line is dropped after them. No line is read further
// than kMaxTableLine characters: at a longer one the reading stops, so the
// reader needs no more memory than one line whatever the file holds.
class TTableReader {
 public:
  // The text a chunk at a time; an empty chunk ends it.
  using TSource = std::function<std::string_view()>;

  explicit TTableReader(TSource source) : source_(std::move(source)) {}

  // The line up to its end, which is consumed. False for a line that is
  // too long, of which line holds the characters allowed, and once the
  // reading has stopped.
  bool Line(std::string& line) {
    line.clear();
    if (stopped_) return false;
    int c;
    while ((c = Peek()) >= 0 && c != '\r') {
      if (!Advance()) return false;
      line += static_cast<char>(c);
    }
    return c < 0 || Advance();
  }

  // The next token (up to a blank or control character, at most limit
  // characters); the rest of its line is dropped. False when its line is
  // too long, and once the reading has stopped.
  bool Token(std::size_t limit, std::string& token) {
    token.clear();
    if (stopped_) return false;
    int c;
    while ((c = Peek()) >= 0 && IsSeparator(c)) {
      if (!Advance()) return false;
    }
    while ((c = Peek()) >= 0 && !IsSeparator(c) && token.size() < limit) {
      if (!Advance()) return false;
      token += static_cast<char>(c);
    }
    while ((c = Peek()) >= 0 && c != '\r') {
      if (!Advance()) return false;
    }
    return c < 0 || Advance();
  }

  bool AtEnd() { return stopped_ || Peek() < 0; }

 private:
  static bool IsSeparator(int c) { return c <= ' '; }

  // The next character as an unsigned byte, or -1 at the end of the text.
  int Peek() {
    while (pos_ >= chunk_.size()) {
      if (ended_) return -1;
      chunk_ = source_();
      pos_ = 0;
      if (chunk_.empty()) ended_ = true;
    }
    return static_cast<unsigned char>(chunk_[pos_]);
  }

  // Takes the next character, and with a carriage return the line feed
  // after it; false, stopping the reading, when it would make the line
  // longer than allowed.
  bool Advance() {
    if (Peek() == '\r') {
      ++pos_;
      if (Peek() == '\n') ++pos_;
      column_ = 0;
      return true;
    }
    if (column_ == kMaxTableLine) {
      stopped_ = true;
      return false;
    }
    ++pos_;
    ++column_;
    return true;
  }

  TSource source_;
  std::string_view chunk_;
  std::size_t pos_ = 0;
  std::size_t column_ = 0;  // characters of the current line taken so far
  bool ended_ = false;
  bool stopped_ = false;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The count: decimal digits with an optional sign, or a hexadecimal number
// after "$", "x" or "0x". Anything else, or a negative count, gives 0.
std::size_t ReadCount(std::string_view token) {
  bool negative = false;
  if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
    negative = token[0] == '-';
    token.remove_prefix(1);
  }
  int base = 10;
  if (!token.empty() && (token[0] == '$' || token[0] == 'x' || token[0] == 'X')) {
    base = 16;
    token.remove_prefix(1);
  } else if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    base = 16;
    token.remove_prefix(2);
  }
  if (token.empty()) return 0;
  std::uint64_t value = 0;
  const auto res = std::from_chars(token.data(), token.data() + token.size(), value, base);
  if (res.ptr != token.data() + token.size()) return 0;
  // A number too large for 64 bits is still a count beyond the limit.
  if (res.ec == std::errc::result_out_of_range) value = UINT64_MAX;
  if (negative && value != 0) return 0;
  return value > kMaxVariables ? kMaxVariables : static_cast<std::size_t>(value);
}

// A part of a value: an optional sign, digits, optionally "." and digits,
// optionally "E" or "e" with an optional sign and digits. Anything else, or
// a number beyond the double range, reads as 0.
double ReadNumber(std::string_view token) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < token.size() && IsDigit(token[i])) ++i;
    return i - start;
  };
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  std::size_t mantissaDigits = digits();
  if (i < token.size() && token[i] == '.') {
    ++i;
    mantissaDigits += digits();
  }
  if (mantissaDigits == 0) return 0.0;
  if (i < token.size() && (token[i] == 'E' || token[i] == 'e')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    if (digits() == 0) return 0.0;
  }
  if (i != token.size()) return 0.0;

  // from_chars takes no leading "+".
  if (token[0] == '+') token.remove_prefix(1);
  double value = 0.0;
  const auto res = std::from_chars(token.data(), token.data() + token.size(), value, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Beyond the double range the file reads a number as a term reads its
    // literal, so the largest double as written comes back as itself.
    const bool negative = token[0] == '-';
    if (negative) token.remove_prefix(1);
    std::string literal(token);
    for (char& c : literal) {
      if (c == 'e') c = 'E';
    }
    if (!ConvertNumberLiteral(literal, value) || value == 0.0) return 0.0;
    return negative ? -value : value;
  }
  if (res.ec != std::errc() || res.ptr != token.data() + token.size()) return 0.0;
  return value;
}

}  // namespace

namespace {

// Reads a whole table from reader into table, which is empty.
void ReadTable(TTableReader& reader, TVarTable& table) {
  std::string line;
  reader.Line(line);
  std::string token;
  const std::size_t count = reader.Token(kMaxCountToken, token) ? ReadCount(token) : 0;
  // An entry that the text holds at least in part is read, its missing
  // lines giving an empty label, zero or an empty comment; the count never
  // makes up entries after the end of the text. Of a line too long to read
  // a label is invalid (empty), a number 0 and a comment cut.
  for (std::size_t k = 0; k < count && !reader.AtEnd(); ++k) {
    std::string label;
    if (!reader.Line(label)) label.clear();
    TComplex value;
    value.re = reader.Token(kMaxNumberToken, token) ? ReadNumber(token) : 0.0;
    value.im = reader.Token(kMaxNumberToken, token) ? ReadNumber(token) : 0.0;
    reader.Line(line);
    table.labels.push_back(std::move(label));
    table.values.push_back(value);
    table.comments.push_back(line);
  }
}

}  // namespace

void ParseVariableTableText(std::string_view contents, TVarTable& table) {
  ClearVarTable(table);
  bool given = false;
  TTableReader reader([&]() -> std::string_view {
    if (given) return {};
    given = true;
    return contents;
  });
  ReadTable(reader, table);
}

void LoadVariableTableFile(const std::string& fileName, TVarTable& table) {
  ClearVarTable(table);
  TInputFile in;
  if (!in.Open(fileName)) return;
  std::string buffer(std::size_t{1} << 16, '\0');
  TTableReader reader([&] { return std::string_view(buffer.data(), in.Read(buffer.data(), buffer.size())); });
  ReadTable(reader, table);
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += text[i];
    }
  }
  return line;
}

std::string VariableTableText(const TVarTable& table) {
  constexpr std::string_view kEnd = "\r\n";
  std::string text;
  text += text::kTableFileHeader;
  text += kEnd;
  text += std::to_string(table.labels.size());
  text += kEnd;
  for (std::size_t k = 0; k < table.labels.size(); ++k) {
    const std::string label = WithoutLineBreaks(table.labels[k]);
    if (label.size() <= kMaxTableLine) text += label;
    text += kEnd;
    text += FormatReal(table.values[k].re);
    text += kEnd;
    text += FormatReal(table.values[k].im);
    text += kEnd;
    text += std::string_view(WithoutLineBreaks(table.comments[k])).substr(0, kMaxTableLine);
    text += kEnd;
  }
  return text;
}

bool SaveVariableTableFile(const std::string& fileName, const TVarTable& table, int& errorNumber) {
  return ReplaceFileContents(fileName, VariableTableText(table), errorNumber);
}

std::string SaveErrorText(int errorNumber) {
  switch (errorNumber) {
    case EACCES:
    case EPERM:
    case EROFS:
      return std::string(text::kFileAccessDenied);
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return std::string(text::kDiskFull);
    default:
      return std::string(text::kIoErrorPrefix) + std::to_string(errorNumber) + ".";
  }
}

std::string WithTableExtension(const std::string& fileName) {
  std::filesystem::path path(fileName);
  path.replace_extension(".vlt");
  return path.string();
}

}  // namespace veltaro
