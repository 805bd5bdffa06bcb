// Parsing speed: everyday terms, and terms of the greatest length in the
// shapes that make a splitter work hardest.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Parser.h"

namespace {

using veltaro::FreeTerm;
using veltaro::ParseTerm;
using veltaro::TTermElement;

const std::vector<std::string>& TypicalTerms() {
  static const std::vector<std::string> terms = {
      "2*sin(x)+i",
      "2lg(8)",
      "(1+2)*3^2-4/5",
      "sqrt(x^2+y^2)",
      "arctan(y/x)*180/pi",
      "e^(i*pi)+1",
      "3.5E-2*(1+rate)^years",
      "abs(sinh(1.5)-cosh(0.5))",
      "h(x-1)*exp(-x)+ln(2)",
      "((a+b)*(c-d))/(e+f*g)",
      "-2^2+1E+3*re(z)-im(z)",
      "sin(x)^2+cos(x)^2",
  };
  return terms;
}

void BM_ParseTypicalTerm(benchmark::State& state) {
  const std::string& term = TypicalTerms()[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    TTermElement* tree = nullptr;
    benchmark::DoNotOptimize(ParseTerm(term, tree));
    FreeTerm(tree);
  }
  state.SetLabel(term);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * term.size()));
}
BENCHMARK(BM_ParseTypicalTerm)->DenseRange(0, 11);

void ParseLong(benchmark::State& state, const std::string& term) {
  for (auto _ : state) {
    TTermElement* tree = nullptr;
    benchmark::DoNotOptimize(ParseTerm(term, tree));
    FreeTerm(tree);
  }
  state.SetLabel(std::to_string(term.size()) + " characters");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * term.size()));
}

std::string Chain(const std::string& link) {
  std::string term = "1";
  while (term.size() + link.size() <= veltaro::kMaxTermLength) term += link;
  return term;
}

std::string Repeated(const std::string& open, std::size_t levels, const std::string& inner,
                     bool close) {
  std::string term;
  for (std::size_t k = 0; k < levels; ++k) term += open;
  term += inner;
  if (close) term += std::string(levels, ')');
  return term;
}

void BM_ParseChainOfSums(benchmark::State& state) { ParseLong(state, Chain("+1")); }
BENCHMARK(BM_ParseChainOfSums)->Unit(benchmark::kMillisecond);

void BM_ParseChainOfPowers(benchmark::State& state) { ParseLong(state, Chain("^1")); }
BENCHMARK(BM_ParseChainOfPowers)->Unit(benchmark::kMillisecond);

// 32,000 brackets around a sum: rejected, since priorities at that depth
// wrap around.
void BM_ParseNested32000(benchmark::State& state) {
  ParseLong(state, Repeated("(", 32000, "1+2", true));
}
BENCHMARK(BM_ParseNested32000)->Unit(benchmark::kMillisecond);

// The deepest nesting that is still valid.
void BM_ParseNested13000(benchmark::State& state) {
  ParseLong(state, Repeated("(", 13000, "1+2*3", true));
}
BENCHMARK(BM_ParseNested13000)->Unit(benchmark::kMillisecond);

// Right-nested products and functions: every right operand is a sub-term
// almost as long as its parent.
void BM_ParseRightNestedProducts(benchmark::State& state) {
  ParseLong(state, Repeated("1*(", 13000, "1", true));
}
BENCHMARK(BM_ParseRightNestedProducts)->Unit(benchmark::kMillisecond);

void BM_ParseRightNestedProductsFull(benchmark::State& state) {
  ParseLong(state, Repeated("1*(", 21844, "1", false));
}
BENCHMARK(BM_ParseRightNestedProductsFull)->Unit(benchmark::kMillisecond);

void BM_ParseNestedSines(benchmark::State& state) {
  ParseLong(state, Repeated("sin(", 13000, "1", true));
}
BENCHMARK(BM_ParseNestedSines)->Unit(benchmark::kMillisecond);

void BM_ParseNestedSinesFull(benchmark::State& state) {
  ParseLong(state, Repeated("sin(", 16383, "1", false));
}
BENCHMARK(BM_ParseNestedSinesFull)->Unit(benchmark::kMillisecond);

// Surplus closing brackets put the candidates of one sub-term in two bands
// of wrapped priorities, at every level.
void BM_ParseSurplusClosingBrackets(benchmark::State& state) {
  std::string term = "1)";
  while (term.size() + 6 <= veltaro::kMaxTermLength) term += "+(1+1)";
  ParseLong(state, term);
}
BENCHMARK(BM_ParseSurplusClosingBrackets)->Unit(benchmark::kMillisecond);

void BM_ParseRightNestedWithSurplus(benchmark::State& state) {
  ParseLong(state, Repeated("1*(", 13000, "1", true) + ")+1");
}
BENCHMARK(BM_ParseRightNestedWithSurplus)->Unit(benchmark::kMillisecond);

// One scan of the longest chain, for comparison with a whole parse.
void BM_FindSplitPositionChain(benchmark::State& state) {
  const std::string term = Chain("+1");
  for (auto _ : state) benchmark::DoNotOptimize(veltaro::FindSplitPosition(term));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * term.size()));
}
BENCHMARK(BM_FindSplitPositionChain)->Unit(benchmark::kMicrosecond);

}  // namespace
