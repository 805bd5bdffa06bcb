// Why a term is invalid.
//
// A term the parser takes has no explanation. For any other, one pass from
// left to right reads the text as the usual grammar of terms (an operand,
// then operators each followed by an operand; a sign only at the start or
// after an opening bracket; surplus closing brackets and unclosed opening
// ones tolerated as the parser tolerates them) and stops being silent at the
// first place that breaks a rule of the parser. The same pass writes a
// corrected copy of the text, repairing every place it knows how to repair
// (a missing "*", a sign after an operator, blanks, a function argument
// without brackets, a lower-case e, a decimal comma, a misspelt function
// name, lg without base, a label ending in E before a sign); the copy is
// offered only when the parser takes it. Before that pass, characters that
// other programs use for "*", "/", "-" and brackets, and a closing "=", are
// replaced, and a closing bracket without an opening one is answered with an
// opening one at the start.
#include "Explain.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Parser.h"

namespace veltaro {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
bool IsOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/' || c == '^'; }
bool IsSignChar(char c) { return c == '+' || c == '-'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The function names without their bracket.
constexpr std::array<std::string_view, 26> kFunctions = {
    "arcsin", "arccos", "arctan", "arccot", "arsinh", "arcosh", "artanh", "arcoth", "sinh",
    "cosh",   "tanh",   "coth",   "sqrt",   "sin",    "cos",    "tan",    "cot",    "exp",
    "log",    "abs",    "arg",    "ln",     "lg",     "re",     "im",     "h"};

bool IsFunctionName(std::string_view word) {
  return std::any_of(kFunctions.begin(), kFunctions.end(),
                     [&](std::string_view name) { return SameTextAscii(word, name); });
}

// Edit distance between a word of at most 16 characters in lower case and
// a name of at most 6.
std::size_t Distance(std::string_view a, std::string_view b) {
  std::array<std::uint8_t, 8> row{};
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<std::uint8_t>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::uint8_t diagonal = row[0];
    row[0] = static_cast<std::uint8_t>(i);
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::uint8_t above = row[j];
      const std::uint8_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      row[j] = std::min<std::uint8_t>(std::min<std::uint8_t>(row[j], row[j - 1]) + 1, diagonal + cost);
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::size_t CommonPrefix(std::string_view a, std::string_view b) {
  std::size_t k = 0;
  while (k < a.size() && k < b.size() && Lower(a[k]) == Lower(b[k])) ++k;
  return k;
}

struct TNear {
  std::string_view name;
  std::size_t distance = 0;
  std::size_t prefix = 0;
};

// The function names ordered by closeness to word: edit distance, then the
// longer common beginning, then the shorter name.
std::array<TNear, kFunctions.size()> NearestFunctions(std::string_view word) {
  // Names are short; a long word is compared by its beginning only.
  std::array<char, 16> lower{};
  const std::size_t size = std::min<std::size_t>(word.size(), lower.size());
  for (std::size_t k = 0; k < size; ++k) lower[k] = Lower(word[k]);
  const std::string_view probe(lower.data(), size);
  std::array<TNear, kFunctions.size()> all;
  for (std::size_t k = 0; k < kFunctions.size(); ++k) {
    all[k] = {kFunctions[k], Distance(probe, kFunctions[k]), CommonPrefix(probe, kFunctions[k])};
  }
  std::sort(all.begin(), all.end(), [](const TNear& a, const TNear& b) {
    if (a.distance != b.distance) return a.distance < b.distance;
    if (a.prefix != b.prefix) return a.prefix > b.prefix;
    if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
    return a.name < b.name;
  });
  return all;
}

// What came last while reading: decides what may come next.
enum TLast : std::uint8_t {
  lastStart,     // nothing yet
  lastOpen,      // "("
  lastFunction,  // a function name with its bracket
  lastOperator,  // + - * / ^ between operands
  lastSign,      // a sign at the start or after a bracket
  lastOperand,   // a number, label or constant
  lastClose,     // ")"
};

bool ExpectsOperand(TLast last) { return last != lastOperand && last != lastClose; }

struct TProblemFound {
  bool found = false;
  TTermProblem problem;
};

class TExplainer {
 public:
  explicit TExplainer(std::string_view text) : text_(text) { fixed_.reserve(text.size() + 16); }

  void Run();

  const TProblemFound& First() const { return first_; }
  bool Repairable() const { return repairable_; }
  const std::string& Repaired() const { return fixed_; }
  // The first closing bracket without an opening one, and how many there are.
  std::size_t SurplusAt() const { return surplusAt_; }
  std::size_t SurplusClosing() const { return surplusClosing_; }

 private:
  // Records a problem; only the first in the text is kept (a label ending
  // in E is known to be one only at the sign after it). A problem that the
  // corrected copy does not repair makes the copy worthless.
  void Problem(std::size_t start, std::size_t length, std::string message, bool repaired) {
    if (!repaired) repairable_ = false;
    if (first_.found && first_.problem.start <= start) return;
    first_.found = true;
    first_.problem.start = start;
    first_.problem.length = std::max<std::size_t>(length, start < text_.size() ? 1 : 0);
    first_.problem.message = std::move(message);
  }

  // Brackets opened in the copy around an operand: a signed one after an
  // operator, or the argument of a function name written without its
  // bracket. Each closes before the next operator at its depth that does
  // not belong to the operand.
  struct TSignBracket {
    int depth;
    char after;  // the operator in front of the sign
  };

  void CloseSignBrackets(char nextOperator) {
    while (!signBrackets_.empty() && signBrackets_.back().depth == depth_) {
      const TSignBracket& b = signBrackets_.back();
      // A power after the operand still belongs to it, unless the sign
      // itself stands after "^".
      if (nextOperator == '^' && b.after != '^') break;
      fixed_ += ')';
      signBrackets_.pop_back();
    }
  }

  void ReadNumber(std::size_t& p);
  void ReadWord(std::size_t& p);
  void ReadBlanks(std::size_t& p);
  void ReadOperator(std::size_t& p);
  void ReadClose(std::size_t& p);
  void ReadFunction(std::size_t nameStart, std::size_t nameEnd, std::size_t bracketAt, std::string_view name);
  void MissingOperator(std::size_t start, std::size_t length);

  std::string_view text_;
  std::string fixed_;
  TProblemFound first_;
  bool repairable_ = true;
  TLast last_ = lastStart;
  char lastOperator_ = 0;
  std::size_t lastOperatorAt_ = 0;
  std::size_t functionBracketAt_ = 0;  // in the text
  std::string_view functionName_;       // the last one, as in the copy
  std::size_t surplusAt_ = std::string_view::npos;
  std::size_t surplusClosing_ = 0;
  int depth_ = 0;
  std::vector<TSignBracket> signBrackets_;
  // Where the last label started in the copy, and whether it ends in E.
  std::size_t labelInCopy_ = 0;
  std::size_t labelAt_ = 0;  // and in the text
  std::size_t labelLength_ = 0;
  bool labelEndsInE_ = false;
  bool lastWasNumber_ = false;
  bool glueNumber_ = false;  // blanks between two numbers were dropped
  bool plainDigits_ = false; // the last number was digits only
};

void TExplainer::MissingOperator(std::size_t start, std::size_t length) {
  Problem(start, length, "An operator is missing here; write * to multiply.", true);
  fixed_ += '*';
}

void TExplainer::ReadNumber(std::size_t& p) {
  const std::size_t start = p;
  if (!ExpectsOperand(last_)) {
    if (glueNumber_) {
      glueNumber_ = false;
    } else {
      MissingOperator(p, 1);
    }
  }
  glueNumber_ = false;
  std::string literal;
  const std::size_t n = text_.size();
  while (p < n && IsDigit(text_[p])) literal += text_[p++];
  if (p < n && (text_[p] == '.' || (text_[p] == ',' && p > start && p + 1 < n && IsDigit(text_[p + 1])))) {
    if (text_[p] == ',') {
      Problem(p, 1, "Decimal numbers are written with a point, not a comma.", true);
    }
    literal += '.';
    ++p;
    while (p < n && IsDigit(text_[p])) literal += text_[p++];
  }
  // A second decimal point or comma directly after the digits.
  if (p < n && (text_[p] == '.' || (text_[p] == ',' && p + 1 < n && IsDigit(text_[p + 1])))) {
    Problem(p, 1, "A number has at most one decimal point.", false);
  }
  // The exponent: an upper-case E (unless it starts a function name), or a
  // lower-case e followed by digits, which is meant as one.
  bool exponent = false;
  if (p < n && text_[p] == 'E') {
    std::size_t q = p + 1;
    while (q < n && IsLetter(text_[q])) ++q;
    const bool function = q < n && text_[q] == '(' && IsFunctionName(text_.substr(p, q - p));
    exponent = !function;
  } else if (p < n && text_[p] == 'e') {
    const std::size_t q = p + 1 < n && IsSignChar(text_[p + 1]) ? p + 2 : p + 1;
    if (q < n && IsDigit(text_[q])) {
      Problem(p, 1, "The exponent of a number is written with a capital E, as in 2E3.", true);
      exponent = true;
    }
  }
  if (exponent) {
    literal += 'E';
    ++p;
    if (p < n && IsSignChar(text_[p])) literal += text_[p++];
    while (p < n && IsDigit(text_[p])) literal += text_[p++];
  }
  plainDigits_ = std::all_of(literal.begin(), literal.end(), IsDigit);
  double value = 0.0;
  if (!ConvertNumberLiteral(literal, value)) {
    Problem(start, p - start,
            exponent ? "The exponent of this number is out of range." : "This number is too large.", false);
  }
  fixed_ += literal;
  last_ = lastOperand;
  lastWasNumber_ = true;
  labelEndsInE_ = false;
}

// A function name; its bracket is at bracketAt in the text, or, where the
// bracket was left out, the copy opens one that closes after the operand.
void TExplainer::ReadFunction(std::size_t nameStart, std::size_t nameEnd, std::size_t bracketAt,
                              std::string_view name) {
  const bool lg = SameTextAscii(name, "lg");
  if (lg) {
    if (ExpectsOperand(last_)) {
      Problem(nameStart, nameEnd - nameStart,
              "lg needs its base in front of it, as in 10lg(8); log(8) is the logarithm to base 10.",
              true);
      fixed_ += "10";
    }
  } else if (!ExpectsOperand(last_)) {
    MissingOperator(nameStart, nameEnd - nameStart);
  }
  fixed_ += name;
  fixed_ += '(';
  functionName_ = name.substr(0, 40);
  if (bracketAt == std::string_view::npos) {
    // A power still belongs to the argument: "sin x^2" is sin(x^2).
    signBrackets_.push_back({depth_, '*'});
    functionBracketAt_ = nameEnd;
  } else {
    ++depth_;
    functionBracketAt_ = bracketAt;
  }
  last_ = lastFunction;
  labelEndsInE_ = false;
  lastWasNumber_ = false;
}

void TExplainer::ReadWord(std::size_t& p) {
  const std::size_t start = p;
  const std::size_t n = text_.size();
  while (p < n && IsWordChar(text_[p])) ++p;
  const std::string_view word = text_.substr(start, p - start);
  // Blanks between a function name and its bracket.
  std::size_t q = p;
  while (q < n && text_[q] == ' ') ++q;
  if (q > p && q < n && text_[q] == '(' && IsFunctionName(word)) {
    ReadFunction(start, p, q, word);
    Problem(p, q - p, "No blank may stand between a function name and its bracket.", true);
    p = q + 1;
    return;
  }
  // A function name with its argument after a blank, as on paper: "sin x".
  if (q > p && q < n && (IsWordChar(text_[q]) || text_[q] == '.') && IsFunctionName(word)) {
    ReadFunction(start, p, std::string_view::npos, word);
    Problem(p, q - p, "A function takes its argument in brackets, as in sin(x).", true);
    p = q;
    return;
  }
  if (p < n && text_[p] == '(') {
    // The parser takes the longest name at the end of the letters.
    // Names are letters only and at most six long.
    std::size_t lettersFrom = word.size();
    while (lettersFrom > 0 && IsLetter(word[lettersFrom - 1]) && word.size() - lettersFrom < 6) --lettersFrom;
    std::size_t k = lettersFrom;
    bool split = false;
    for (; k < word.size(); ++k) {
      if (IsFunctionName(word.substr(k))) {
        split = true;
        break;
      }
    }
    const bool constant = SameTextAscii(word, "pi") || SameTextAscii(word, "i") || word == "e";
    if (split && k == 0) {
      ReadFunction(start, p, p, word);
      ++p;
      return;
    }
    const auto near = NearestFunctions(word);
    if (split && SameTextAscii(word.substr(k), "lg")) {
      // A label as the base of lg: the parser reads it as such.
    } else if (split) {
      // A label glued to a function name: a product, unless the whole word
      // is a misspelt name.
      const std::string_view prefix = word.substr(0, k);
      if (near.front().distance >= prefix.size()) {
        if (!ExpectsOperand(last_)) MissingOperator(start, prefix.size());
        fixed_ += prefix;
        last_ = lastOperand;
        MissingOperator(start + k, word.size() - k);
        fixed_ += word.substr(k);
        fixed_ += '(';
        ++depth_;
        functionName_ = word.substr(k);
        functionBracketAt_ = p;
        ++p;
        last_ = lastFunction;
        labelEndsInE_ = false;
        lastWasNumber_ = false;
        return;
      }
    }
    if (split && SameTextAscii(word.substr(k), "lg")) {
      const std::string_view prefix = word.substr(0, k);
      if (!ExpectsOperand(last_)) MissingOperator(start, prefix.size());
      fixed_ += prefix;
      last_ = lastOperand;
      ReadFunction(start + k, p, p, word.substr(k));
      ++p;
      return;
    }
    if (!constant) {
      // An unknown function: name the nearest ones.
      std::string message = "There is no function \"" + std::string(word.substr(0, 40)) +
                            (word.size() > 40 ? "...\"" : "\"") + "; the nearest are ";
      for (std::size_t j = 0; j < 4; ++j) {
        message += std::string(near[j].name) + (j < 3 ? ", " : ".");
      }
      const bool close = near[0].distance * 2 <= word.size() ||
                         (near[0].name.size() >= 2 && near[0].prefix == near[0].name.size());
      Problem(start, word.size(), message, close);
      if (!ExpectsOperand(last_)) MissingOperator(start, word.size());
      fixed_ += near[0].name;
      fixed_ += '(';
      ++depth_;
      functionName_ = near[0].name;
      functionBracketAt_ = p;
      ++p;
      last_ = lastFunction;
      labelEndsInE_ = false;
      lastWasNumber_ = false;
      return;
    }
  }
  // A label or a constant.
  if (!ExpectsOperand(last_)) MissingOperator(start, word.size());
  labelInCopy_ = fixed_.size();
  labelAt_ = start;
  labelLength_ = word.size();
  fixed_ += word;
  labelEndsInE_ = word.back() == 'E';
  last_ = lastOperand;
  lastWasNumber_ = false;
  glueNumber_ = false;
}

// Blanks belong to a number literal: they may stand between a number and an
// operator, a bracket on the number's outer side, the start or the end, and
// between a number and the name lg. Everywhere else they are dropped.
void TExplainer::ReadBlanks(std::size_t& p) {
  const std::size_t start = p;
  const std::size_t n = text_.size();
  while (p < n && text_[p] == ' ') ++p;
  const bool numberBefore = last_ == lastOperand && lastWasNumber_;
  const bool numberAfter = p < n && (IsDigit(text_[p]) || text_[p] == '.');
  bool allowed = false;
  if (numberBefore) {
    allowed = p == n || IsOperator(text_[p]) || text_[p] == ')' ||
              (p + 2 < n && SameTextAscii(text_.substr(p, 3), "lg("));
  }
  if (!allowed && numberAfter) allowed = ExpectsOperand(last_);
  if (!allowed) {
    Problem(start, p - start, "Blanks are allowed only next to a number.", true);
    // Digits split by blanks are taken as one number.
    glueNumber_ = numberBefore && numberAfter && plainDigits_;
  }
}

void TExplainer::ReadOperator(std::size_t& p) {
  const char c = text_[p];
  const std::size_t at = p;
  const std::size_t previousAt = lastOperatorAt_;
  lastOperatorAt_ = at;
  ++p;
  if (ExpectsOperand(last_)) {
    if (IsSignChar(c) && (last_ == lastStart || last_ == lastOpen || last_ == lastFunction)) {
      fixed_ += c;
      last_ = lastSign;
      return;
    }
    if (IsSignChar(c) && (last_ == lastOperator || last_ == lastSign)) {
      const char after = last_ == lastOperator ? lastOperator_ : '+';
      Problem(at, 1,
              std::string("A sign directly after an operator needs brackets, as in 2") + after + "(" + c +
                  "3).",
              true);
      fixed_ += '(';
      fixed_ += c;
      signBrackets_.push_back({depth_, after});
      last_ = lastSign;
      return;
    }
    if (last_ == lastOperator || last_ == lastSign) {
      Problem(at, 1,
              std::string("There is nothing between ") + text_[previousAt] + " and " + c + ".",
              false);
    } else {
      Problem(at, 1, std::string("There is nothing in front of ") + c + ".", false);
    }
    fixed_ += c;
    last_ = lastOperator;
    lastOperator_ = c;
    return;
  }
  CloseSignBrackets(c);
  if (IsSignChar(c) && labelEndsInE_) {
    // "XE+1" would read the sign as part of an exponent.
    Problem(labelAt_, labelLength_,
            "A sign after a label ending in E reads as an exponent; put the label in brackets.", true);
    fixed_.insert(labelInCopy_, 1, '(');
    fixed_ += ')';
  }
  fixed_ += c;
  last_ = lastOperator;
  lastOperator_ = c;
  labelEndsInE_ = false;
  lastWasNumber_ = false;
}

void TExplainer::ReadClose(std::size_t& p) {
  const std::size_t at = p;
  ++p;
  switch (last_) {
    case lastOpen:
      Problem(at - 1, 2, "The brackets are empty.", false);
      break;
    case lastFunction:
      Problem(functionBracketAt_, at + 1 - functionBracketAt_,
              "The function " + std::string(functionName_) + " has no argument.", false);
      break;
    case lastOperator:
    case lastSign:
      Problem(lastOperatorAt_, 1, std::string("There is nothing after ") + text_[lastOperatorAt_] + ".",
              false);
      break;
    case lastStart:
      Problem(at, 1, "There is nothing in front of this closing bracket.", false);
      break;
    default:
      break;
  }
  CloseSignBrackets(')');
  fixed_ += ')';
  --depth_;
  if (depth_ < 0) {
    ++surplusClosing_;
    if (surplusAt_ == std::string_view::npos) surplusAt_ = at;
    depth_ = 0;
  }
  last_ = lastClose;
  labelEndsInE_ = false;
  lastWasNumber_ = false;
}

void TExplainer::Run() {
  std::size_t p = 0;
  const std::size_t n = text_.size();
  while (p < n) {
    // Past a problem that the copy cannot repair nothing more is needed.
    if (!repairable_) return;
    const char c = text_[p];
    if (IsDigit(c) || c == '.') {
      ReadNumber(p);
    } else if (IsLetter(c)) {
      ReadWord(p);
    } else if (c == ' ') {
      ReadBlanks(p);
    } else if (IsOperator(c)) {
      ReadOperator(p);
    } else if (c == '(') {
      if (!ExpectsOperand(last_)) MissingOperator(p, 1);
      fixed_ += '(';
      ++depth_;
      ++p;
      last_ = lastOpen;
      labelEndsInE_ = false;
      lastWasNumber_ = false;
    } else if (c == ')') {
      ReadClose(p);
    } else {
      const bool printable = c >= 0x21 && c <= 0x7E;
      std::string message = printable ? std::string("The character \"") + c + "\" cannot be used in a term."
                                      : std::string("This character cannot be used in a term.");
      if (c == '_') message = "A label starts with a letter.";
      Problem(p, 1, message, false);
      fixed_ += c;
      ++p;
    }
  }
  // The end of the text.
  if (last_ == lastOperator || last_ == lastSign) {
    Problem(lastOperatorAt_, 1, std::string("There is nothing after ") + text_[lastOperatorAt_] + ".", false);
  } else if (last_ == lastFunction) {
    Problem(functionBracketAt_, 1, "The function " + std::string(functionName_) + " has no argument.", false);
  } else if (last_ == lastOpen) {
    Problem(n - 1, 1, "Nothing follows the opening bracket.", false);
  }
  CloseSignBrackets(')');
  while (!signBrackets_.empty()) {
    fixed_ += ')';
    signBrackets_.pop_back();
  }
}

// The opening bracket from which on the split priorities of a candidate
// inside run past their 16-bit range, or npos.
std::size_t TooDeepAt(std::string_view text) {
  constexpr long kLimit = 65535;
  std::vector<std::size_t> openAt;  // where each bracket level was opened
  long level = 0;
  for (std::size_t p = 0; p < text.size(); ++p) {
    const char c = text[p];
    long offset = -1;
    if (c == '(') {
      if (p > 0 && IsLetter(text[p - 1])) offset = 3;  // a function name stands at the outer level
    } else if (c == '+' || c == '-') {
      if (p == 0 || text[p - 1] != 'E') offset = 0;
    } else if (c == '*' || c == '/') {
      offset = 1;
    } else if (c == '^') {
      offset = 2;
    }
    if (offset >= 0 && level >= 0 && level * 5 + offset > kLimit) {
      const long tooDeep = (kLimit - offset) / 5 + 1;
      return openAt[static_cast<std::size_t>(tooDeep - 1)];
    }
    if (c == '(') {
      if (level >= 0) {
        if (openAt.size() <= static_cast<std::size_t>(level)) openAt.resize(static_cast<std::size_t>(level) + 1);
        openAt[static_cast<std::size_t>(level)] = p;
      }
      ++level;
    } else if (c == ')') {
      --level;
    }
  }
  return std::string_view::npos;
}

// Characters that other programs use for what a term writes in ASCII: the
// text with them replaced, where each character of it came from, and the
// first of them as a problem.
struct TNormalText {
  bool changed = false;
  std::string text;
  std::vector<std::size_t> from;  // per character, and one past the end
  TTermProblem first;
};

TNormalText NormalText(std::string_view text) {
  struct TReplacement {
    std::string_view typed;
    char ascii;
    const char* message;
  };
  static constexpr TReplacement kReplacements[] = {
      {"\xC3\x97", '*', "Multiplication is written * in a term."},
      {"\xC2\xB7", '*', "Multiplication is written * in a term."},
      {"\xE2\x8B\x85", '*', "Multiplication is written * in a term."},
      {"\xC3\xB7", '/', "Division is written / in a term."},
      {"\xE2\x88\x92", '-', "The minus sign is written - in a term."},
      {"\xE2\x80\x93", '-', "The minus sign is written - in a term."},
      {"[", '(', "Terms are grouped with round brackets only."},
      {"{", '(', "Terms are grouped with round brackets only."},
      {"]", ')', "Terms are grouped with round brackets only."},
      {"}", ')', "Terms are grouped with round brackets only."},
  };
  TNormalText normal;
  // A closing "=" (blanks around it aside) is a calculator's key, not part
  // of the term.
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  if (end > 0 && text[end - 1] == '=') {
    --end;
    normal.changed = true;
    normal.first = {end, 1, "A term is written without \"=\".", ""};
    while (end > 0 && text[end - 1] == ' ') --end;
  } else {
    end = text.size();
  }
  bool any = false;
  for (std::size_t p = 0; p < end && !any; ++p) {
    const auto c = static_cast<unsigned char>(text[p]);
    any = c == 0xC2 || c == 0xC3 || c == 0xE2 || c == '[' || c == ']' || c == '{' || c == '}';
  }
  if (!any && !normal.changed) return normal;
  normal.text.reserve(end);
  normal.from.reserve(end + 1);
  bool replaced = false;
  for (std::size_t p = 0; p < end;) {
    const TReplacement* hit = nullptr;
    if (any) {
      for (const TReplacement& r : kReplacements) {
        if (text.substr(p, r.typed.size()) == r.typed) {
          hit = &r;
          break;
        }
      }
    }
    normal.from.push_back(p);
    if (hit == nullptr) {
      normal.text += text[p++];
      continue;
    }
    if (!replaced) {
      replaced = true;
      // Before a closing "=" at any rate.
      normal.first = {p, hit->typed.size(), hit->message, ""};
    }
    normal.changed = true;
    normal.text += hit->ascii;
    p += hit->typed.size();
  }
  normal.from.push_back(end);
  return normal;
}

}  // namespace

std::optional<TTermProblem> ExplainInvalidTerm(std::string_view text) {
  if (text.size() > kMaxTermLength) {
    TTermProblem problem;
    problem.start = kMaxTermLength;
    problem.length = text.size() - kMaxTermLength;
    problem.message = "The term is longer than 65535 characters.";
    return problem;
  }
  {
    TTermElement* tree = nullptr;
    const bool ok = ParseTerm(text, tree);
    FreeTerm(tree);
    if (ok) return std::nullopt;
  }
  if (std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; })) {
    TTermProblem problem;
    problem.length = text.size();
    problem.message = "The term is empty.";
    return problem;
  }

  const TNormalText normal = NormalText(text);
  const std::string_view work = normal.changed ? std::string_view(normal.text) : text;
  if (std::all_of(work.begin(), work.end(), [](char c) { return c == ' '; })) return normal.first;

  TExplainer explainer(work);
  explainer.Run();
  TProblemFound found = explainer.First();
  const std::size_t deep = TooDeepAt(work);
  bool repairable = explainer.Repairable();
  if (deep != std::string_view::npos && (!found.found || deep <= found.problem.start)) {
    found.found = true;
    found.problem = {deep, 1, "The brackets are nested too deeply.", ""};
    repairable = false;
  }
  // A closing bracket without an opening one: the parser reads what follows
  // it as bound tighter than what stands before, and brackets after it can
  // pull their contents to the front. Most likely an opening bracket was
  // left out at the start.
  std::string withOpening;
  if (explainer.SurplusClosing() > 0) {
    withOpening = std::string(explainer.SurplusClosing(), '(') + explainer.Repaired();
    if (!found.found) {
      found.found = true;
      found.problem = {explainer.SurplusAt(), 1,
                       "This closing bracket has no opening bracket, which changes how the rest is read.",
                       ""};
    }
  }
  if (normal.changed) {
    // Back to places in the text as typed; the replaced characters come
    // first where they stand first.
    if (found.found) {
      const std::size_t start = normal.from[found.problem.start];
      const std::size_t end = normal.from[std::min(found.problem.start + found.problem.length, work.size())];
      found.problem.start = start;
      found.problem.length = std::max<std::size_t>(end - start, start < text.size() ? 1 : 0);
    }
    if (!found.found || normal.first.start < found.problem.start) {
      found.found = true;
      found.problem = normal.first;
    }
  }
  if (!found.found) {
    found.problem = {0, text.size(), "The term cannot be read as it is written.", ""};
    return found.problem;
  }
  if (repairable) {
    // With a closing bracket too many, the opening one at the start is the
    // likelier intent ("1+2)*3x" meant as "(1+2)*3*x").
    for (const std::string* candidate : {static_cast<const std::string*>(&withOpening), &explainer.Repaired()}) {
      // The text itself is known to fail.
      if (candidate->empty() || candidate->size() > kMaxTermLength || *candidate == text) continue;
      TTermElement* tree = nullptr;
      const bool ok = ParseTerm(*candidate, tree);
      FreeTerm(tree);
      if (ok) {
        found.problem.suggestion = *candidate;
        break;
      }
    }
  }
  return found.problem;
}

}  // namespace veltaro
