// How a term is read: the tree written back as text.
//
// The parser splits a term at the operator that binds least and, among equal
// ones, at the last, so every binary operation groups to the left, "^"
// included; a sign is an operation only at the start of a term or after an
// opening bracket; the base of lg is the operand written directly in front of
// the name. The writer brackets an operand where the parser needs it, and in
// the plain reading also where a person could take it otherwise: a power as
// the base of a power (a person groups "^" to the right) and any compound
// operand written on the right of an operator or sign (a person who works
// from left to right would otherwise take the left part first). Where that
// reading does not fit the term length or the bracket depth the parser
// allows, the fewest brackets the parser needs are written instead, and as a
// last step the closing brackets at the very end are left out, which the
// parser reads the same.
#include "Reading.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "Parser.h"

namespace veltaro {

namespace {

// How tightly a written operand holds together, loosest first.
enum TLevel : std::uint8_t { levelSum, levelProduct, levelPower, levelLg, levelAtom };

// Priorities of the split scan: five per bracket level, plus the class.
constexpr int kDepthStep = 5;
constexpr int kPriorityLimit = 65535;
constexpr int kSignClass = 0;
constexpr int kProductClass = 1;
constexpr int kPowerClass = 2;
constexpr int kNameClass = 3;

constexpr double kPi = 3.141592653589793;
constexpr double kEuler = 2.718281828459045;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const char* FunctionName(std::uint8_t code) {
  switch (code) {
    case opSqrt: return "sqrt(";
    case opExp: return "exp(";
    case opLn: return "ln(";
    case opLog: return "log(";
    case opSin: return "sin(";
    case opCos: return "cos(";
    case opTan: return "tan(";
    case opCot: return "cot(";
    case opRe: return "re(";
    case opIm: return "im(";
    case opAbs: return "abs(";
    case opArg: return "arg(";
    case opArcSin: return "arcsin(";
    case opArcCos: return "arccos(";
    case opArcTan: return "arctan(";
    case opArcCot: return "arccot(";
    case opSinh: return "sinh(";
    case opCosh: return "cosh(";
    case opTanh: return "tanh(";
    case opCoth: return "coth(";
    case opArSinh: return "arsinh(";
    case opArCosh: return "arcosh(";
    case opArTanh: return "artanh(";
    case opArCoth: return "arcoth(";
    case opStep: return "h(";
    default: return nullptr;
  }
}

bool IsZeroLeaf(const TTermElement* node) {
  return node != nullptr && node->opCode == opLeaf && node->leafKind == leafConstant &&
         SameBits(node->value.re, 0.0) && SameBits(node->value.im, 0.0);
}

// "+x" and "-x": the parser gives a sign the operand 0 on the left.
bool IsSign(const TTermElement* node) {
  return (node->opCode == opAdd || node->opCode == opSubtract) && IsZeroLeaf(node->left);
}

// A finite non-negative double in digits that read back as the same double:
// the shortest digits, in fixed or exponent form. The compact form takes the
// shorter of the two and leaves out a leading zero; the plain one writes
// moderate magnitudes in fixed form.
std::string NumberText(double v, bool compact) {
  std::array<char, 64> buffer{};
  const auto res = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v,
                                 std::chars_format::scientific);
  const std::string_view sci(buffer.data(), static_cast<std::size_t>(res.ptr - buffer.data()));
  const std::size_t ePos = sci.find('e');
  std::string digits;
  for (const char c : sci.substr(0, ePos)) {
    if (c != '.') digits += c;
  }
  int exponent = 0;
  std::string_view expText = sci.substr(ePos + 1);
  const bool negative = !expText.empty() && expText[0] == '-';
  if (!expText.empty() && (expText[0] == '-' || expText[0] == '+')) expText.remove_prefix(1);
  std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
  if (negative) exponent = -exponent;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string fixed;
  if (exponent >= 0) {
    const auto whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      fixed = digits + std::string(whole - digits.size(), '0');
    } else {
      fixed = digits.substr(0, whole) + "." + digits.substr(whole);
    }
  } else {
    fixed = (compact ? "." : "0.") + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  std::string scientific = digits.substr(0, 1);
  if (digits.size() > 1) scientific += "." + digits.substr(1);
  if (exponent != 0) scientific += "E" + std::to_string(exponent);

  if (compact) return fixed.size() <= scientific.size() ? fixed : scientific;
  return (exponent >= -4 && exponent <= 14) ? fixed : scientific;
}

// A real number that may be negative or not finite, as a term, with the
// level of what is written. Only trees made elsewhere than by the parser
// hold such values.
struct TPiece {
  std::string text;
  TLevel level;
};

TPiece RealText(double v, bool compact) {
  if (std::isnan(v)) return {"0/0", levelProduct};
  const bool negative = std::signbit(v);
  std::string text = negative ? "-" : "";
  if (std::isinf(v)) {
    text += "1E308*10";
  } else {
    text += NumberText(std::fabs(v), compact);
  }
  return {text, negative ? levelSum : (std::isinf(v) ? levelProduct : levelAtom)};
}

// A constant leaf: pi, e and i by name where the value is exactly theirs.
TPiece ConstantText(const TComplex& value, bool compact) {
  const bool realOnly = SameBits(value.im, 0.0);
  if (realOnly && SameBits(value.re, kPi)) return {"pi", levelAtom};
  if (realOnly && SameBits(value.re, kEuler)) return {"e", levelAtom};
  if (SameBits(value.re, 0.0) && SameBits(value.im, 1.0)) return {"i", levelAtom};
  if (realOnly) return RealText(value.re, compact);
  // An imaginary part other than that of i: re+im*i.
  TPiece imag;
  if (SameBits(value.im, 1.0)) {
    imag = {"i", levelAtom};
  } else {
    imag = RealText(value.im, compact);
    const bool wrap = imag.level < levelProduct;
    imag.text = (wrap ? "(" + imag.text + ")" : imag.text) + "*i";
    imag.level = levelProduct;
  }
  if (SameBits(value.re, 0.0)) return imag;
  TPiece real = RealText(value.re, compact);
  return {real.text + "+" + imag.text, levelSum};
}

TLevel LevelOf(const TTermElement* node, bool compact) {
  if (node == nullptr) return levelAtom;
  switch (node->opCode) {
    case opLeaf:
      return node->leafKind == leafVariable ? levelAtom : ConstantText(node->value, compact).level;
    case opAdd:
    case opSubtract: return levelSum;
    case opMultiply:
    case opDivide: return levelProduct;
    case opPower: return levelPower;
    case opLg: return levelLg;
    default: return levelAtom;
  }
}

// Builds the text and keeps account of the bracket depth at every place the
// split scan would examine, so that the caller can tell whether the parser
// takes the text.
class TWriter {
 public:
  // compact: the fewest brackets the parser needs. precedence: besides
  // those, only the brackets that precedence alone (signs and sums below
  // products below powers) leaves open: around a power as a power's base
  // and around a compound operand of a sign.
  explicit TWriter(bool compact, bool precedence = false) : compact_(compact), precedence_(precedence) {}

  void Write(const TTermElement* tree) {
    struct TItem {
      const TTermElement* node;
      const char* text;
      bool wrap;
    };
    std::vector<TItem> pending;
    pending.push_back({tree, nullptr, false});
    while (!pending.empty()) {
      const TItem item = pending.back();
      pending.pop_back();
      if (item.text != nullptr) {
        Append(item.text);
        continue;
      }
      const TTermElement* node = item.node;
      if (node == nullptr) continue;
      if (item.wrap) {
        pending.push_back({nullptr, ")", false});
        pending.push_back({node, nullptr, false});
        pending.push_back({nullptr, "(", false});
        continue;
      }
      const std::uint8_t code = node->opCode;
      if (code == opLeaf) {
        AppendLeaf(node);
      } else if (code <= opPower) {
        const TLevel level = LevelOf(node, compact_);
        const TLevel right = LevelOf(node->right, compact_);
        const char* op = code == opAdd ? "+" : code == opSubtract ? "-" : code == opMultiply ? "*"
                       : code == opDivide ? "/" : "^";
        // The operand on the right: the parser needs brackets unless it binds
        // tighter; the plain reading brackets anything compound.
        const bool wrapRight = compact_ || (precedence_ && !IsSign(node)) ? right <= level : right != levelAtom;
        pending.push_back({node->right, nullptr, wrapRight});
        pending.push_back({nullptr, op, false});
        if (!IsSign(node)) {
          const TLevel left = LevelOf(node->left, compact_);
          const bool wrapLeft = (code == opPower && !compact_) ? left <= level : left < level;
          pending.push_back({node->left, nullptr, wrapLeft});
        }
      } else if (code == opLg) {
        pending.push_back({nullptr, ")", false});
        pending.push_back({node->right, nullptr, false});
        pending.push_back({nullptr, "lg(", false});
        pending.push_back({node->left, nullptr, LevelOf(node->left, compact_) < levelLg});
      } else if (const char* name = FunctionName(code)) {
        pending.push_back({nullptr, ")", false});
        pending.push_back({node->right, nullptr, false});
        pending.push_back({nullptr, name, false});
      }
    }
  }

  std::string& Text() { return text_; }

  // Whether the parser reads the text as written: short enough, and no
  // split candidate deeper than its priorities can count.
  bool Fits() const { return text_.size() <= kMaxTermLength && maxPriority_ <= kPriorityLimit; }

 private:
  void Note(int classOffset) {
    maxPriority_ = std::max(maxPriority_, depth_ * kDepthStep + classOffset);
  }

  void Append(std::string_view piece) {
    if (piece.empty()) return;
    const char first = piece.front();
    // A sign after an upper-case E belongs to a number's exponent, so a label
    // ending in E takes brackets before "+" and "-". The label is the last
    // thing written, so the bracket goes in cheaply.
    if ((first == '+' || first == '-') && labelEndsInE_) {
      text_.insert(labelStart_, 1, '(');
      text_ += ')';
    }
    labelEndsInE_ = false;
    switch (first) {
      case '+':
      case '-': Note(kSignClass); break;
      case '*':
      case '/': Note(kProductClass); break;
      case '^': Note(kPowerClass); break;
      case '(': break;
      case ')': --depth_; break;
      default: Note(kNameClass); break;  // a function name with its bracket
    }
    text_ += piece;
    if (piece.back() == '(') ++depth_;
  }

  void AppendLeaf(const TTermElement* node) {
    if (node->leafKind == leafVariable) {
      labelStart_ = text_.size();
      text_ += node->label;
      labelEndsInE_ = !node->label.empty() && node->label.back() == 'E';
      return;
    }
    labelEndsInE_ = false;
    const TPiece piece = ConstantText(node->value, compact_);
    // Values the parser never makes may hold operators of their own.
    for (const char c : piece.text) {
      if (c == '+' || c == '-') Note(kSignClass);
      if (c == '*' || c == '/') Note(kProductClass);
    }
    text_ += piece.text;
  }

  bool compact_;
  bool precedence_;
  std::string text_;
  int depth_ = 0;
  int maxPriority_ = 0;
  bool labelEndsInE_ = false;
  std::size_t labelStart_ = 0;
};

}  // namespace

bool ReadingTellsMore(std::string_view text, const TTermElement* tree) {
  if (tree == nullptr) return false;
  TWriter precedence(false, true);
  precedence.Write(tree);
  const std::string& written = precedence.Text();
  std::size_t k = 0;
  for (const char c : text) {
    if (c == ' ') continue;
    if (k >= written.size() || std::tolower(static_cast<unsigned char>(c)) !=
                                   std::tolower(static_cast<unsigned char>(written[k])))
      return true;
    ++k;
  }
  return k != written.size();
}

std::string ReadingOf(const TTermElement* tree) {
  if (tree == nullptr) return "";
  {
    TWriter plain(false);
    plain.Write(tree);
    if (plain.Fits()) return std::move(plain.Text());
  }
  TWriter compact(true);
  compact.Write(tree);
  std::string& text = compact.Text();
  if (text.size() > kMaxTermLength) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ')') --end;
    text.resize(end);
  }
  return std::move(text);
}

}  // namespace veltaro
