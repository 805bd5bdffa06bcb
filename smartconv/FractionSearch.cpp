#include "FractionSearch.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "SmartConversion.h"

namespace veltaro::smartconv {

long double Tolerance() {
  std::int64_t e = ConversionPrecision;
  const bool reciprocal = e < 0;
  if (reciprocal) e = -e;
  long double base = 0.1L;
  long double result = 1.0L;
  while (e > 0) {
    if (e & 1) result *= base;
    e >>= 1;
    if (e > 0) base *= base;
  }
  return reciprocal ? 1.0L / result : result;
}

namespace {

struct TBaseLogs {
  std::array<long double, kMaxBase + 1> log{};
  std::array<double, kMaxBase + 1> inverse{};

  TBaseLogs() {
    for (int b = 2; b <= kMaxBase; ++b) {
      const auto i = static_cast<std::size_t>(b);
      log[i] = std::log(static_cast<long double>(b));
      inverse[i] = static_cast<double>(1.0L / log[i]);
    }
  }
};

const TBaseLogs& BaseLogs() {
  static const TBaseLogs logs;
  return logs;
}

}  // namespace

long double LogOfBase(int b) {
  return BaseLogs().log[static_cast<std::size_t>(b)];
}

bool TryNumerator(double a, int d, long double tau, std::int32_t& denominator) {
  const long double q = 1.0L / (static_cast<long double>(a) / static_cast<long double>(d));
  // From 2^63 on (or for a NaN) the rounded value is far beyond any allowed
  // denominator and does not fit the 64-bit integer.
  if (!(q < 0x1p63L)) return false;
  const long long n = std::llrint(q);
  if (n < 0 || n > kMaxDenominator) return false;
  const long double qd = static_cast<double>(q);
  if (!(tau > std::fabs((qd - static_cast<long double>(n)) / qd))) return false;
  denominator = static_cast<std::int32_t>(n);
  return true;
}

namespace {

// Every fraction p/q in lowest terms with 1 <= p <= 100 and 1 <= q <= 1000,
// ascending by value, with the start of each group of equal leading bits.
//
// Why a numerator left out by CandidateNumerators cannot pass its trial, for
// tau <= 2^-10 (u = 2^-64 is the extended and 2^-53 the double rounding
// unit): the trial computes q = 1 / (a / d) with two extended roundings, so
// q = (d / a)(1 + e2) / (1 + e1); the comparison uses qd = double(q), so
// qd = (d / a)(1 + E) with |E| <= 2^-53 + 3u < 1.2e-16. A pass needs
// n >= 1 (n = 0 gives the quotient exactly 1 >= tau, hence q >= 1/2 and qd
// is a normal double) and tau > |r|, where the computed r is (qd - n) / qd
// times at most two factors (1 +- u); hence |qd - n| / qd < T = tau / (1 - u)^2.
// Then n a / d lies between (1 - T)(1 - |E|) and (1 + T)(1 + |E|), so the
// value d / n lies within the relative distance (T + |E|) / (1 - T - |E|)
// < 1.01 tau + 1e-15 of a. The window adds 1e-14 on each side for the
// roundings of its own bounds and of the stored values, and every multiple
// (kp, kq) of a fraction inside it is a candidate, so no trial that can
// pass is ever left out.
struct TFractionTable {
  static constexpr int kMantissaBits = 10;
  static constexpr double kLow = 0x1p-10;  // below 1/1000
  static constexpr double kHigh = 0x1p7;   // above 100
  static constexpr double kSmallest = 1.0 / kMaxDenominator;
  static constexpr double kLargest = kMaxNumerator;

  std::vector<double> value;
  std::vector<std::uint8_t> numerator;
  std::vector<std::uint16_t> denominator;
  std::vector<std::uint32_t> bucketStart;
  // One bit per much finer cell of the same kind: set when a fraction lies
  // in the cell. Most values have no fraction within a tiny window, and a
  // bit or two tell so.
  static constexpr int kCellMantissaBits = 16;
  std::vector<std::uint64_t> occupied;

  static std::size_t Group(double v, int mantissaBits) {
    const int shift = 52 - mantissaBits;
    return static_cast<std::size_t>((std::bit_cast<std::uint64_t>(v) >> shift) -
                                    (std::bit_cast<std::uint64_t>(kLow) >> shift));
  }
  static std::size_t Bucket(double v) { return Group(v, kMantissaBits); }
  static std::size_t Cell(double v) { return Group(v, kCellMantissaBits); }
  bool Occupied(std::size_t cell) const { return (occupied[cell >> 6] >> (cell & 63)) & 1u; }

  TFractionTable() {
    constexpr int rows = kMaxNumerator + 1;
    constexpr int cols = kMaxDenominator + 1;
    // reducible[p * cols + q]: p/q is a multiple of a fraction with smaller terms.
    std::vector<std::uint8_t> reducible(rows * cols, 0);
    const std::size_t buckets = Bucket(kHigh);
    bucketStart.assign(buckets + 1, 0);
    for (int p = 1; p <= kMaxNumerator; ++p) {
      for (int q = 1; q <= kMaxDenominator; ++q) {
        if (reducible[p * cols + q]) continue;
        for (int k = 2; k * p <= kMaxNumerator && k * q <= kMaxDenominator; ++k) reducible[k * p * cols + k * q] = 1;
        ++bucketStart[Bucket(static_cast<double>(p) / static_cast<double>(q)) + 1];
      }
    }
    for (std::size_t b = 0; b < buckets; ++b) bucketStart[b + 1] += bucketStart[b];
    const std::size_t count = bucketStart[buckets];
    struct TEntry {
      double v;
      std::uint8_t p;
      std::uint16_t q;
    };
    std::vector<TEntry> entries(count);
    std::vector<std::uint32_t> next(bucketStart.begin(), bucketStart.end() - 1);
    for (int p = 1; p <= kMaxNumerator; ++p) {
      for (int q = 1; q <= kMaxDenominator; ++q) {
        if (reducible[p * cols + q]) continue;
        const double v = static_cast<double>(p) / static_cast<double>(q);
        entries[next[Bucket(v)]++] = {v, static_cast<std::uint8_t>(p), static_cast<std::uint16_t>(q)};
      }
    }
    for (std::size_t b = 0; b < buckets; ++b) {
      std::sort(entries.begin() + bucketStart[b], entries.begin() + bucketStart[b + 1],
                [](const TEntry& l, const TEntry& r) { return l.v < r.v; });
    }
    value.reserve(count);
    numerator.reserve(count);
    denominator.reserve(count);
    for (const TEntry& e : entries) {
      value.push_back(e.v);
      numerator.push_back(e.p);
      denominator.push_back(e.q);
    }
    occupied.assign((Cell(kHigh) >> 6) + 1, 0);
    for (const double v : value) occupied[Cell(v) >> 6] |= std::uint64_t{1} << (Cell(v) & 63);
  }

  // The index of the first stored fraction not below lo and the end of
  // those up to hi: [first, end) is empty when none lies in [lo, hi].
  void Range(double lo, double hi, std::size_t& first, std::size_t& end) const {
    first = end = 0;
    // The negated forms also reject NaN.
    if (!(hi >= kSmallest) || !(lo <= kLargest)) return;
    std::size_t i = bucketStart[Bucket(std::max(lo, kLow))];
    const std::size_t size = value.size();
    while (i < size && value[i] < lo) ++i;
    std::size_t j = i;
    while (j < size && value[j] <= hi) ++j;
    first = i;
    end = j;
  }

  // Whether a stored fraction lies in [lo, hi].
  bool AnyIn(double lo, double hi) const {
    if (!(hi >= kSmallest) || !(lo <= kLargest)) return false;
    const std::size_t c0 = Cell(std::max(lo, kLow));
    const std::size_t c1 = Cell(std::min(hi, kLargest));
    if (c1 - c0 <= 2) {
      bool any = false;
      for (std::size_t c = c0; c <= c1; ++c) any = any || Occupied(c);
      if (!any) return false;
    }
    std::size_t first = 0, end = 0;
    Range(lo, hi, first, end);
    return first < end;
  }
};

const TFractionTable& FractionTable() {
  static const TFractionTable table;
  return table;
}

}  // namespace

TSearchWindow MakeSearchWindow(long double tau) {
  TSearchWindow w;
  w.tau = tau;
  w.filtered = tau >= 0.0L && tau <= kCandidateTauLimit;
  w.width = w.filtered ? static_cast<double>(1.01L * tau) + 1.1e-14 : 0.0;
  return w;
}

TNumeratorSet CandidateNumerators(double a, double width) {
  TNumeratorSet set;
  const TFractionTable& t = FractionTable();
  std::size_t i = 0, end = 0;
  t.Range(a * (1.0 - width), a * (1.0 + width), i, end);
  for (; i < end; ++i) {
    const int p = t.numerator[i];
    const int q = t.denominator[i];
    for (int k = 1; k * p <= kMaxNumerator && k * q <= kMaxDenominator; ++k) set.Add(k * p);
  }
  return set;
}

int FirstPossibleBase(double absL, double width, int from) {
  const TFractionTable& t = FractionTable();
  const TBaseLogs& logs = BaseLogs();
  int b = from;
  for (; b <= kMaxBase; ++b) {
    const double y = absL * logs.inverse[static_cast<std::size_t>(b)];
    if (t.AnyIn(y * (1.0 - width), y * (1.0 + width))) break;
  }
  return b;
}

void FindFractionWithin(double x, const TSearchWindow& window, std::int32_t& numerator,
                        std::int32_t& denominator) {
  numerator = 0;
  denominator = 0;
  const bool negative = x < 0.0;
  const double a = std::fabs(x);
  std::int32_t n = 0;
  if (window.filtered) {
    const TNumeratorSet set = CandidateNumerators(a, window.width);
    for (int word = 0; word < 2; ++word) {
      std::uint64_t bits = set.bits[word];
      while (bits != 0) {
        const int d = word * 64 + std::countr_zero(bits) + 1;
        bits &= bits - 1;
        if (TryNumerator(a, d, window.tau, n)) {
          numerator = negative ? -d : d;
          denominator = n;
          return;
        }
      }
    }
    return;
  }
  for (int d = 1; d <= kMaxNumerator; ++d) {
    if (TryNumerator(a, d, window.tau, n)) {
      numerator = negative ? -d : d;
      denominator = n;
      return;
    }
  }
}

}  // namespace veltaro::smartconv
