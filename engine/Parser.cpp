// The term parser: a splitter that cuts a term at the operator or function
// name that binds least and parses the texts on either side the same way.
//
// Which position a sub-term is cut at is defined by a left-to-right scan of
// that sub-term (FindSplitPosition). Scanning every sub-term anew costs time
// in proportion to the length of the term times the height of its tree, which
// for long chains and deep nesting is far too slow. The parser therefore
// indexes the term once (TSplitIndex) and answers the scan of any sub-term
// from the index, with exactly the position the scan would give, and it works
// through the sub-terms with an explicit stack, so the depth of a tree never
// reaches the machine stack.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "Parser.h"

namespace veltaro {

namespace {

// The bracket depth that one level of brackets adds.
constexpr int kDepthStep = 5;

// Priorities are 16-bit; the scan starts with the largest.
constexpr int kPriorityLimit = 65535;
constexpr int kPriorityRange = 65536;

enum TCandidateKind : std::uint8_t {
  kindNone,
  kindSign,           // + or -
  kindProduct,        // * or /
  kindPower,          // ^
  kindNameEarlier,    // a function name that keeps the earlier of equal priorities
  kindNameLater,      // a function name that takes the later of equal priorities
};

// The amount by which each kind binds tighter than a sign at the same depth.
constexpr int kClassOffset[] = {0, 0, 1, 2, 3, 3};

bool LaterWins(TCandidateKind kind) { return kind != kindNone && kind != kindNameEarlier; }

struct TFunctionName {
  std::string_view text;  // the name with its opening bracket
  TOpCode code;
};

// In the order in which they are tested at each position, so that a longer
// name wins over a name that it contains.
constexpr TFunctionName kFunctionNames[] = {
    {"arcsin(", opArcSin}, {"arccos(", opArcCos}, {"arctan(", opArcTan}, {"arccot(", opArcCot},
    {"arsinh(", opArSinh}, {"arcosh(", opArCosh}, {"artanh(", opArTanh}, {"arcoth(", opArCoth},
    {"sinh(", opSinh},     {"cosh(", opCosh},     {"tanh(", opTanh},     {"coth(", opCoth},
    {"sqrt(", opSqrt},     {"sin(", opSin},       {"cos(", opCos},       {"tan(", opTan},
    {"cot(", opCot},       {"exp(", opExp},       {"log(", opLog},       {"abs(", opAbs},
    {"arg(", opArg},       {"ln(", opLn},         {"lg(", opLg},         {"re(", opRe},
    {"im(", opIm},         {"h(", opStep},
};
constexpr int kNoName = -1;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Index of the first function name (with its bracket) that starts at p.
int MatchFunctionName(std::string_view text, std::size_t p) {
  if (!IsAsciiLetter(text[p])) return kNoName;
  const std::size_t rest = text.size() - p;
  for (int k = 0; k < static_cast<int>(std::size(kFunctionNames)); ++k) {
    const std::string_view name = kFunctionNames[k].text;
    if (rest >= name.size() && SameTextAscii(text.substr(p, name.size()), name)) return k;
  }
  return kNoName;
}

// What the split scan finds at an examined position p (brackets are counted
// by the caller): the kind of candidate, the function name if it is one, and
// the distance to the next examined position. After a name the scan goes on
// at the name's bracket, so no letter of a matched name is tested again.
struct TScanStep {
  TCandidateKind kind = kindNone;
  int name = kNoName;
  std::size_t advance = 1;
};

TScanStep ExamineAt(std::string_view text, std::size_t p) {
  const int name = MatchFunctionName(text, p);
  if (name != kNoName) {
    const std::size_t length = kFunctionNames[name].text.size();
    return {length >= 4 ? kindNameEarlier : kindNameLater, name, length - 1};
  }
  switch (text[p]) {
    case '+':
    case '-':
      // After an upper-case E the sign belongs to the exponent of a literal.
      if (p >= 1 && text[p - 1] == 'E') return {};
      return {kindSign, kNoName, 1};
    case '*':
    case '/':
      return {kindProduct, kNoName, 1};
    case '^':
      return {kindPower, kNoName, 1};
    default:
      return {};
  }
}

TOpCode OperatorCode(char c) {
  switch (c) {
    case '+': return opAdd;
    case '-': return opSubtract;
    case '*': return opMultiply;
    case '/': return opDivide;
    default: return opPower;
  }
}

// Answers the split scan of every sub-term of one term.
//
// Every sub-term that the parser scans starts where the scan of the whole
// term examines a character too (the start, the character after an operator,
// or the bracket of a function name) and ends where no function name is cut,
// and a sign at its start never follows an E; so its scan meets the same
// candidates at the same positions as the scan of the whole term. A scan
// starting at s counts the depth from 0 there: with D(q) the unwrapped depth
// of the whole term at q and B the depth just before s, a candidate's 16-bit
// priority is D(q) - B plus its class offset, modulo 65536. Grouping the
// unwrapped values D(q) + offset - B in bands of 65536, the priorities inside
// one band keep the order of the keys D(q) + offset, so the smallest priority
// of a sub-term comes from range queries over the candidates' keys. Nearly
// always one band holds every candidate of a sub-term; more bands arise only
// with surplus closing brackets or with nesting deeper than the 16-bit depth
// can count.
class TSplitIndex {
 public:
  struct TCandidate {
    std::uint16_t pos;
    TCandidateKind kind;
    std::int8_t name;
    std::int32_t key;  // unwrapped depth plus class offset
  };
  static constexpr std::uint32_t kNone = UINT32_MAX;

  struct TSplit {
    std::uint32_t candidate = kNone;  // index into the candidates, or kNone
    bool depthOverflow = false;       // a priority went past 65535
  };

  explicit TSplitIndex(std::string_view text);

  // The split of text[start, end), as the scan of that sub-term finds it.
  TSplit Find(std::uint32_t start, std::uint32_t end);

  const TCandidate& Candidate(std::uint32_t index) const { return candidates_[index]; }

  // True when text[start, end) holds nothing but opening brackets.
  bool OnlyOpenBrackets(std::uint32_t start, std::uint32_t end) const {
    return positions_[end].othersBefore == positions_[start].othersBefore;
  }

 private:
  struct TPosition {
    std::int32_t depthBefore;         // unwrapped depth before this position
    std::uint32_t candidatesBefore;   // candidates before this position
    std::uint32_t othersBefore;       // characters other than "(" before it
  };

  // Range summary of candidates [lo, hi): the smallest key with the first
  // index holding it, the smallest key among later-wins candidates with the
  // last index holding it, and the largest key.
  struct TSummary {
    std::int64_t first = INT64_MAX;
    std::int64_t lastLater = INT64_MAX;
    std::int32_t maxKey = INT32_MIN;
  };
  static constexpr int kIndexBits = 20;
  static constexpr std::int64_t kIndexMask = (std::int64_t{1} << kIndexBits) - 1;

  static std::int64_t Pack(std::int32_t key, std::uint32_t index) {
    return static_cast<std::int64_t>(key) * (kIndexMask + 1) + index;
  }
  static std::int32_t KeyOf(std::int64_t packed) {
    return static_cast<std::int32_t>(packed >> kIndexBits);
  }
  static std::uint32_t IndexOf(std::int64_t packed) {
    return static_cast<std::uint32_t>(packed & kIndexMask);
  }
  static TSummary Combine(const TSummary& a, const TSummary& b) {
    return {std::min(a.first, b.first), std::min(a.lastLater, b.lastLater),
            std::max(a.maxKey, b.maxKey)};
  }

  TSummary Summarize(std::uint32_t lo, std::uint32_t hi) const;

  // For sub-terms whose candidates span several bands.
  void BuildBandIndex();
  std::int32_t SmallestKeyAtLeast(std::uint32_t lo, std::uint32_t hi, std::int32_t bound) const;
  std::uint32_t FirstWithKey(std::int32_t key, std::uint32_t lo, std::uint32_t hi) const;
  std::uint32_t LastLaterWithKey(std::int32_t key, std::uint32_t lo, std::uint32_t hi) const;

  std::vector<TPosition> positions_;
  std::vector<TCandidate> candidates_;
  std::vector<TSummary> tree_;  // segment tree over the candidates

  // Built on first need: per level, blocks of 2^level keys in sorted order,
  // and the candidates sorted by key and index.
  std::vector<std::vector<std::int32_t>> sortedBlocks_;
  std::size_t blockBase_ = 0;
  std::vector<std::int64_t> byKey_;
  std::vector<std::int64_t> laterByKey_;
};

TSplitIndex::TSplitIndex(std::string_view text) {
  const std::size_t n = text.size();
  positions_.resize(n + 1);
  candidates_.reserve(n);
  std::int32_t depth = 0;
  std::uint32_t others = 0;
  std::size_t nextExamined = 0;
  for (std::size_t p = 0; p < n; ++p) {
    positions_[p] = {depth, static_cast<std::uint32_t>(candidates_.size()), others};
    const char c = text[p];
    if (c == '(') {
      depth += kDepthStep;
    } else {
      ++others;
      if (c == ')') depth -= kDepthStep;
    }
    if (p == nextExamined) {
      const TScanStep step = ExamineAt(text, p);
      nextExamined = p + step.advance;
      if (step.kind != kindNone) {
        candidates_.push_back({static_cast<std::uint16_t>(p), step.kind,
                               static_cast<std::int8_t>(step.name),
                               depth + kClassOffset[step.kind]});
      }
    }
  }
  positions_[n] = {depth, static_cast<std::uint32_t>(candidates_.size()), others};

  const std::size_t m = candidates_.size();
  tree_.resize(2 * m);
  for (std::size_t j = 0; j < m; ++j) {
    const TCandidate& c = candidates_[j];
    TSummary& leaf = tree_[m + j];
    leaf.first = Pack(c.key, static_cast<std::uint32_t>(j));
    if (LaterWins(c.kind)) {
      leaf.lastLater = Pack(c.key, static_cast<std::uint32_t>(kIndexMask - j));
    }
    leaf.maxKey = c.key;
  }
  for (std::size_t i = m; i-- > 1;) tree_[i] = Combine(tree_[2 * i], tree_[2 * i + 1]);
}

TSplitIndex::TSummary TSplitIndex::Summarize(std::uint32_t lo, std::uint32_t hi) const {
  TSummary result;
  const std::size_t m = candidates_.size();
  for (std::size_t a = lo + m, b = hi + m; a < b; a >>= 1, b >>= 1) {
    if (a & 1) result = Combine(result, tree_[a++]);
    if (b & 1) result = Combine(result, tree_[--b]);
  }
  return result;
}

void TSplitIndex::BuildBandIndex() {
  if (!byKey_.empty() || candidates_.empty()) return;
  const std::size_t m = candidates_.size();
  blockBase_ = 1;
  while (blockBase_ < m) blockBase_ *= 2;
  std::vector<std::int32_t> keys(blockBase_, INT32_MAX);
  for (std::size_t j = 0; j < m; ++j) keys[j] = candidates_[j].key;
  sortedBlocks_.push_back(std::move(keys));
  for (std::size_t width = 2; width <= blockBase_; width *= 2) {
    const std::vector<std::int32_t>& below = sortedBlocks_.back();
    std::vector<std::int32_t> level(blockBase_);
    for (std::size_t b = 0; b < blockBase_; b += width) {
      std::merge(below.begin() + static_cast<std::ptrdiff_t>(b),
                 below.begin() + static_cast<std::ptrdiff_t>(b + width / 2),
                 below.begin() + static_cast<std::ptrdiff_t>(b + width / 2),
                 below.begin() + static_cast<std::ptrdiff_t>(b + width),
                 level.begin() + static_cast<std::ptrdiff_t>(b));
    }
    sortedBlocks_.push_back(std::move(level));
  }
  for (std::size_t j = 0; j < m; ++j) {
    const std::int64_t packed = Pack(candidates_[j].key, static_cast<std::uint32_t>(j));
    byKey_.push_back(packed);
    if (LaterWins(candidates_[j].kind)) laterByKey_.push_back(packed);
  }
  std::sort(byKey_.begin(), byKey_.end());
  std::sort(laterByKey_.begin(), laterByKey_.end());
}

// The smallest key >= bound among candidates [lo, hi), or INT32_MAX.
std::int32_t TSplitIndex::SmallestKeyAtLeast(std::uint32_t lo, std::uint32_t hi,
                                             std::int32_t bound) const {
  std::int32_t best = INT32_MAX;
  auto inBlock = [&](std::size_t level, std::size_t block) {
    const std::vector<std::int32_t>& keys = sortedBlocks_[level];
    const auto begin = keys.begin() + static_cast<std::ptrdiff_t>(block << level);
    const auto end = begin + (std::ptrdiff_t{1} << level);
    const auto it = std::lower_bound(begin, end, bound);
    if (it != end) best = std::min(best, *it);
  };
  std::size_t a = lo;
  std::size_t b = hi;
  for (std::size_t level = 0; a < b; ++level, a >>= 1, b >>= 1) {
    if (a & 1) inBlock(level, a++);
    if (b & 1) inBlock(level, --b);
  }
  return best;
}

std::uint32_t TSplitIndex::FirstWithKey(std::int32_t key, std::uint32_t lo, std::uint32_t hi) const {
  const auto it = std::lower_bound(byKey_.begin(), byKey_.end(), Pack(key, lo));
  if (it == byKey_.end() || KeyOf(*it) != key || IndexOf(*it) >= hi) return kNone;
  return IndexOf(*it);
}

std::uint32_t TSplitIndex::LastLaterWithKey(std::int32_t key, std::uint32_t lo,
                                            std::uint32_t hi) const {
  auto it = std::lower_bound(laterByKey_.begin(), laterByKey_.end(), Pack(key, hi));
  if (it == laterByKey_.begin()) return kNone;
  --it;
  if (KeyOf(*it) != key || IndexOf(*it) < lo) return kNone;
  return IndexOf(*it);
}

// The scan keeps a candidate when its priority is below the best so far, or
// equal to it for the later-wins kinds; it starts with best = 65535. So with
// the smallest priority m: the last later-wins candidate of priority m is
// chosen if there is one, else the first candidate of priority m, except
// that a priority of 65535 never displaces the start value.
TSplitIndex::TSplit TSplitIndex::Find(std::uint32_t start, std::uint32_t end) {
  TSplit split;
  const std::uint32_t lo = positions_[start].candidatesBefore;
  const std::uint32_t hi = positions_[end].candidatesBefore;
  if (lo >= hi) return split;
  const std::int32_t base = positions_[start].depthBefore;
  const TSummary summary = Summarize(lo, hi);
  const std::int32_t minKey = KeyOf(summary.first);
  split.depthOverflow = summary.maxKey - base > kPriorityLimit;

  // Bands of unwrapped priorities; >> rounds toward minus infinity.
  const std::int32_t lowBand = (minKey - base) >> 16;
  const std::int32_t highBand = (summary.maxKey - base) >> 16;

  std::int32_t smallest = INT32_MAX;
  std::uint32_t first = kNone;
  std::uint32_t lastLater = kNone;
  if (lowBand == highBand) {
    smallest = minKey - base - lowBand * kPriorityRange;
    first = IndexOf(summary.first);
    if (summary.lastLater != INT64_MAX && KeyOf(summary.lastLater) == minKey) {
      lastLater = static_cast<std::uint32_t>(kIndexMask) - IndexOf(summary.lastLater);
    }
  } else {
    BuildBandIndex();
    constexpr int kMaxBands = 16;
    std::int32_t bandSmallest[kMaxBands];
    const int bands = std::min(highBand - lowBand + 1, kMaxBands);
    for (int t = 0; t < bands; ++t) {
      const std::int32_t bound = base + (lowBand + t) * kPriorityRange;
      const std::int32_t key = SmallestKeyAtLeast(lo, hi, bound);
      bandSmallest[t] = (key != INT32_MAX && key - bound <= kPriorityLimit) ? key - bound : INT32_MAX;
      smallest = std::min(smallest, bandSmallest[t]);
    }
    for (int t = 0; t < bands; ++t) {
      if (bandSmallest[t] != smallest) continue;
      const std::int32_t key = base + (lowBand + t) * kPriorityRange + smallest;
      const std::uint32_t f = FirstWithKey(key, lo, hi);
      if (f != kNone && (first == kNone || f < first)) first = f;
      const std::uint32_t l = LastLaterWithKey(key, lo, hi);
      if (l != kNone && (lastLater == kNone || l > lastLater)) lastLater = l;
    }
  }
  if (lastLater != kNone) {
    split.candidate = lastLater;
  } else if (smallest < kPriorityLimit) {
    split.candidate = first;
  }
  return split;
}

// Texts are at most kMaxTermLength characters, so every place fits 16 bits.
void SetPlace(TTermElement& node, std::uint32_t start, std::uint32_t end) {
  node.start = static_cast<std::uint16_t>(start);
  node.end = static_cast<std::uint16_t>(end);
}

constexpr double kPi = 3.141592653589793;
constexpr double kEuler = 2.718281828459045;

// A sub-term without split position: a constant, a label or a number
// literal, possibly inside surplus brackets. Null when nothing is left.
TTermElement* ParseLeaf(std::string_view text, bool& ok) {
  std::size_t a = 0;
  while (a < text.size() && text[a] == '(') ++a;
  std::size_t z = text.size();
  while (z > a && text[z - 1] == ')') --z;
  text = text.substr(a, z - a);
  if (text.empty()) {
    ok = false;
    return nullptr;
  }

  auto node = std::make_unique<TTermElement>();
  if (SameTextAscii(text, "i")) {
    node->value = {0.0, 1.0};
    return node.release();
  }
  if (IsAsciiLetter(text[0])) {
    const bool labelSyntax = std::all_of(text.begin(), text.end(), [](char c) {
      return IsAsciiLetter(c) || IsDigit(c) || c == '_';
    });
    if (!labelSyntax) {
      ok = false;
    } else if (SameTextAscii(text, "pi")) {
      node->value = {kPi, 0.0};
    } else if (text == "e") {
      node->value = {kEuler, 0.0};
    } else {
      node->leafKind = leafVariable;
      node->label = std::string(text);
    }
    return node.release();
  }
  double value = 0.0;
  if (text.find('e') == std::string_view::npos && ConvertNumberLiteral(text, value)) {
    node->value = {value, 0.0};
  } else {
    ok = false;
  }
  return node.release();
}

}  // namespace

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (LowerAscii(a[k]) != LowerAscii(b[k])) return false;
  }
  return true;
}

bool OnlyOpenBrackets(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == '('; });
}

std::uint16_t FindSplitPosition(std::string_view text) {
  // Positions of longer texts do not fit the 16-bit result; such texts are
  // no terms.
  if (text.empty() || text.size() > kMaxTermLength) return 0;
  std::uint16_t best = kPriorityLimit;
  std::uint16_t result = 0;
  std::uint16_t depth = 0;
  std::size_t p = 0;
  while (p < text.size()) {
    if (text[p] == '(') {
      depth = static_cast<std::uint16_t>(depth + kDepthStep);
    } else if (text[p] == ')') {
      depth = static_cast<std::uint16_t>(depth - kDepthStep);
    }
    const TScanStep step = ExamineAt(text, p);
    if (step.kind != kindNone) {
      const auto priority = static_cast<std::uint16_t>(depth + kClassOffset[step.kind]);
      if (LaterWins(step.kind) ? priority <= best : priority < best) {
        best = priority;
        result = static_cast<std::uint16_t>(p + 1);
      }
    }
    p += step.advance;
  }
  return result;
}

TTermElement* ParseElement(std::string_view text, bool& ok) {
  if (text.empty() || text.size() > kMaxTermLength) {
    ok = false;
    return nullptr;
  }
  TTermElement* root = nullptr;
  try {
    TSplitIndex index(text);
    // Sub-terms still to be parsed, each with the place its node goes to.
    struct TPending {
      std::uint32_t start;
      std::uint32_t end;
      TTermElement** slot;
    };
    std::vector<TPending> pending;
    pending.reserve(32);
    pending.push_back({0, static_cast<std::uint32_t>(text.size()), &root});
    while (!pending.empty()) {
      const TPending item = pending.back();
      pending.pop_back();
      if (item.start == item.end) {
        ok = false;
        continue;
      }
      const TSplitIndex::TSplit split = index.Find(item.start, item.end);
      // Nesting so deep that a priority wraps around would change the
      // meaning of the term without notice; such terms are invalid.
      if (split.depthOverflow) ok = false;
      if (split.candidate == TSplitIndex::kNone) {
        TTermElement* leaf = ParseLeaf(text.substr(item.start, item.end - item.start), ok);
        *item.slot = leaf;
        if (leaf != nullptr) SetPlace(*leaf, item.start, item.end);
        continue;
      }
      auto* node = new TTermElement;
      *item.slot = node;
      SetPlace(*node, item.start, item.end);
      const TSplitIndex::TCandidate& at = index.Candidate(split.candidate);
      const std::uint32_t b = at.pos;
      // The left side is pushed last, so that it is parsed first.
      if (at.name != kNoName) {
        const TFunctionName& name = kFunctionNames[at.name];
        node->opCode = name.code;
        // The argument is the rest of the text from the name's bracket on.
        const auto argument = static_cast<std::uint32_t>(b + name.text.size() - 1);
        pending.push_back({argument, item.end, &node->right});
        if (name.code == opLg) {
          pending.push_back({item.start, b, &node->left});  // the base
        } else if (!index.OnlyOpenBrackets(item.start, b)) {
          ok = false;  // no implicit multiplication in front of a function
        }
        continue;
      }
      const char op = text[b];
      node->opCode = OperatorCode(op);
      pending.push_back({b + 1, item.end, &node->right});
      const bool sign = op == '+' || op == '-';
      if (sign && (b == item.start || text[b - 1] == '(')) {
        // A unary sign: the operation takes 0 as its left operand. Text in
        // front of the bracket that opens it would be lost; it makes the
        // term invalid, as it does in front of a function.
        node->left = new TTermElement;
        SetPlace(*node->left, b, b);
        if (!index.OnlyOpenBrackets(item.start, b)) ok = false;
      } else {
        pending.push_back({item.start, b, &node->left});
      }
    }
  } catch (const std::bad_alloc&) {
    FreeTerm(root);
    ok = false;
  }
  return root;
}

bool ParseTerm(std::string_view text, TTermElement*& tree) {
  bool ok = true;
  tree = ParseElement(text, ok);
  return ok;
}

}  // namespace veltaro
