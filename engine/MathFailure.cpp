#include "MathFailure.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "Evaluate.h"
#include "Format.h"
#include "Functions.h"
#include "ParsedTerm.h"
#include "Wide.h"

namespace veltaro {

namespace {

// Parts of a term longer than this are shortened in a message.
constexpr std::size_t kLongestPart = 40;
constexpr std::size_t kPartEnds = 18;

struct TPlace {
  std::size_t start = 0;
  std::size_t end = 0;
};

// The characters of [start, end) that make up the operation: blanks,
// brackets without a partner inside the range and pairs of brackets around
// all of it are dropped.
TPlace Trimmed(std::string_view term, TPlace place) {
  const std::size_t n = place.end - place.start;
  constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> partner(n, kNone);
  std::vector<std::size_t> open;
  for (std::size_t k = 0; k < n; ++k) {
    const char c = term[place.start + k];
    if (c == '(') {
      open.push_back(k);
    } else if (c == ')' && !open.empty()) {
      partner[k] = open.back();
      partner[open.back()] = k;
      open.pop_back();
    }
  }
  std::size_t a = 0, z = n;
  while (a < z) {
    const char first = term[place.start + a], last = term[place.start + z - 1];
    if (first == ' ' || (first == '(' && (partner[a] == kNone || partner[a] >= z))) {
      ++a;
    } else if (last == ' ' || (last == ')' && (partner[z - 1] == kNone || partner[z - 1] < a))) {
      --z;
    } else if (first == '(' && partner[a] == z - 1) {
      ++a;
      --z;
    } else {
      break;
    }
  }
  // Nothing but brackets and blanks: the range as it stands.
  if (a == z) return place;
  return {place.start + a, place.start + z};
}

// Where node stands in term; the whole term for a node without a place.
TPlace PlaceOf(std::string_view term, const TTermElement* node) {
  TPlace place{0, term.size()};
  if (node != nullptr && node->start < node->end && node->end <= term.size()) place = {node->start, node->end};
  return Trimmed(term, place);
}

// A part of the term as a message quotes it.
std::string Quoted(std::string_view term, TPlace place) {
  const std::string_view part = term.substr(place.start, place.end - place.start);
  if (part.size() <= kLongestPart) return std::string(part);
  return std::string(part.substr(0, kPartEnds)) + "..." + std::string(part.substr(part.size() - kPartEnds));
}

bool IsZero(TComplex z) { return z.re == 0.0 && z.im == 0.0; }

bool IsConstantLeaf(const TTermElement* node) {
  return node != nullptr && node->opCode == opLeaf && node->leafKind == leafConstant;
}

// " (x-x is 0)" for an operand that is not written as a number.
std::string ZeroNote(std::string_view term, const TTermElement* operand) {
  if (operand == nullptr || IsConstantLeaf(operand)) return std::string();
  return " (" + Quoted(term, PlaceOf(term, operand)) + " is 0)";
}

long double Log10Modulus(TComplex z) {
  return std::log10(std::hypot(static_cast<long double>(z.re), static_cast<long double>(z.im)));
}

// The decimal logarithm of the modulus that an overflowing operation would
// have had, as far as it can be told; NaN otherwise.
long double OverflowMagnitude(std::uint8_t op, TComplex a, TComplex b) {
  constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
  const long double ln10 = std::numbers::ln10_v<long double>;
  const long double ln2 = std::numbers::ln2_v<long double>;
  switch (op) {
    case opAdd:
    case opSubtract: {
      const long double sign = op == opAdd ? 1.0L : -1.0L;
      const long double re = static_cast<long double>(a.re) + sign * b.re;
      const long double im = static_cast<long double>(a.im) + sign * b.im;
      return std::log10(std::hypot(re, im));
    }
    case opMultiply:
      if (IsZero(a) || IsZero(b)) return kNaN;
      return Log10Modulus(a) + Log10Modulus(b);
    case opDivide:
      if (IsZero(a) || IsZero(b)) return kNaN;
      return Log10Modulus(a) - Log10Modulus(b);
    case opPower: {
      if (IsZero(a)) return kNaN;
      // |b^w| = e^(w.re ln|b| - w.im arg b), the argument read in the
      // current angle unit as the power reads it.
      const long double lnModulus = wide::LnModulus(a.re, a.im);
      return (b.re * lnModulus - b.im * ComplexArgument(a)) / ln10;
    }
    case opExp: return a.re / ln10;
    // The sine and cosine of x + iy grow as cosh y, sinh and cosh of x + iy
    // as cosh x: e^|t| / 2 where they overflow.
    case opSin:
    case opCos: return (std::fabs(static_cast<long double>(a.im)) - ln2) / ln10;
    case opSinh:
    case opCosh: return (std::fabs(static_cast<long double>(a.re)) - ln2) / ln10;
    case opAbs: return Log10Modulus(a);
    default: return kNaN;
  }
}

// "1.97E434" for the decimal logarithm 434.29..., three significant digits.
std::string AboutText(long double log10Value) {
  long double exponent = std::floor(log10Value);
  double mantissa = static_cast<double>(std::pow(10.0L, log10Value - exponent));
  mantissa = std::round(mantissa * 100.0) / 100.0;
  if (mantissa >= 10.0) {
    mantissa /= 10.0;
    exponent += 1.0L;
  }
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, mantissa, std::chars_format::fixed, 2);
  std::string text(buffer, written.ptr);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text + "E" + std::to_string(static_cast<long long>(exponent));
}

std::string OverflowMessage(std::string_view part, std::uint8_t op, TComplex a, TComplex b) {
  std::string message = "Overflow in " + std::string(part) + ": ";
  const long double magnitude = OverflowMagnitude(op, a, b);
  // Only a value beyond the range is worth quoting, and only while its
  // decimal exponent is a number a person reads.
  if (std::isfinite(magnitude) && magnitude >= 308.0L && magnitude < 1e9L) {
    message += "about " + AboutText(magnitude) + ", beyond";
  } else {
    message += "the value is beyond";
  }
  message += " the largest number, " + FormatReal(std::numeric_limits<double>::max()) + ".";
  return message;
}

// Where a function of one argument has no value.
std::string PoleReason(std::uint8_t op) {
  switch (op) {
    case opTan: return "the tangent is undefined where the cosine is 0";
    case opCot: return "the cotangent is undefined where the sine is 0";
    case opTanh: return "the hyperbolic tangent is undefined where cosh is 0";
    case opCoth: return "the hyperbolic cotangent is undefined where sinh is 0";
    case opArcTan: return "arctan is undefined at i and -i";
    case opArcCot: return "arccot is undefined at i and -i";
    case opArTanh: return "artanh is undefined at 1 and -1";
    default: return "arcoth is undefined at 1 and -1";
  }
}

// Whether a failed function of one argument failed at a place where it has
// no value, rather than by overflow.
bool AtPole(std::uint8_t op, TComplex x) {
  TComplex divisor;
  switch (op) {
    case opTan: return ComplexCos(x, divisor) && IsZero(divisor);
    case opCot: return ComplexSin(x, divisor) && IsZero(divisor);
    case opTanh: return ComplexCosh(x, divisor) && IsZero(divisor);
    case opCoth: return ComplexSinh(x, divisor) && IsZero(divisor);
    case opArcTan:
    case opArcCot: return x.re == 0.0 && (x.im == 1.0 || x.im == -1.0);
    case opArTanh:
    case opArCoth: return x.im == 0.0 && (x.re == 1.0 || x.re == -1.0);
    default: return false;
  }
}

TMathFailure Classify(std::string_view term, const TEvaluationFailure& failed) {
  const TTermElement* node = failed.node;
  const TPlace place = PlaceOf(term, node);
  const std::string part = Quoted(term, place);
  TMathFailure f;
  f.start = place.start;
  f.length = place.end - place.start;
  const TComplex a = failed.first, b = failed.second;

  if (failed.missingOperand || node == nullptr) {
    f.kind = TMathFailureKind::MissingOperand;
    f.message = "An operand is missing in " + part + ".";
    return f;
  }
  const std::uint8_t op = node->opCode;
  if (op == opLeaf) {
    f.kind = TMathFailureKind::UnknownVariable;
    f.message = part + " has no value: the table holds no variable " + node->label + ".";
    return f;
  }
  const std::string noValue = part + " has no value: ";
  switch (op) {
    case opDivide:
      if (IsZero(b)) {
        f.kind = TMathFailureKind::DivisionByZero;
        f.message = "Division by zero in " + part;
        if (!IsConstantLeaf(node->right)) f.message += ": " + Quoted(term, PlaceOf(term, node->right)) + " is 0";
        f.message += ".";
        return f;
      }
      break;
    case opPower:
      if (IsZero(a)) {
        f.kind = TMathFailureKind::PowerOfZero;
        f.message = noValue + "0 to a power whose real part is 0 or negative is undefined" + ZeroNote(term, node->left) + ".";
        return f;
      }
      break;
    case opLn:
    case opLog:
      if (IsZero(a)) {
        f.kind = TMathFailureKind::LogarithmOfZero;
        f.message = noValue + "the logarithm of 0 is undefined" + ZeroNote(term, node->right) + ".";
        return f;
      }
      break;
    case opLg:
      if (IsZero(a)) {
        f.kind = TMathFailureKind::LgBaseZero;
        f.message = noValue + "the base is 0, which has no logarithm" + ZeroNote(term, node->left) + ".";
        return f;
      }
      if (IsZero(b)) {
        f.kind = TMathFailureKind::LogarithmOfZero;
        f.message = noValue + "the logarithm of 0 is undefined" + ZeroNote(term, node->right) + ".";
        return f;
      }
      // The logarithm of the base is 0 exactly for the base 1.
      if (wide::LnModulus(a.re, a.im) == 0.0L && ComplexArgument(a) == 0.0L) {
        f.kind = TMathFailureKind::LgBaseOne;
        f.message = noValue + "the base";
        if (!IsConstantLeaf(node->left)) f.message += " " + Quoted(term, PlaceOf(term, node->left));
        f.message += " is 1, and there are no logarithms to the base 1.";
        return f;
      }
      break;
    default:
      if (AtPole(op, a)) {
        f.kind = TMathFailureKind::Pole;
        f.message = noValue + PoleReason(op) + ".";
        return f;
      }
      break;
  }
  f.kind = TMathFailureKind::Overflow;
  f.message = OverflowMessage(part, op, a, b);
  return f;
}

}  // namespace

std::optional<TMathFailure> ExplainMathFailure(std::string_view term, const TTermElement* tree,
                                               const TVarTable& table, bool complexResults) {
  TComplex value;
  TEvaluationFailure failed;
  if (!EvaluateTerm(tree, table, value, failed)) return Classify(term, failed);
  if (complexResults || value.im == 0.0) return std::nullopt;
  const TPlace place = PlaceOf(term, tree);
  TMathFailure f;
  f.kind = TMathFailureKind::ImaginaryResult;
  f.start = place.start;
  f.length = place.end - place.start;
  f.message = "The result " + FormatComplex(value) + " has an imaginary part; Complex results is off.";
  return f;
}

std::optional<TMathFailure> ExplainMathFailure(std::string_view term, const TVarTable& table, bool complexResults) {
  const TParsedTerm parsed(term);
  if (!parsed.Ok()) return std::nullopt;
  return ExplainMathFailure(term, parsed.Tree(), table, complexResults);
}

}  // namespace veltaro
