// The explanation of an invalid term and the reading of a valid one, each
// beside a parse of the same text: everyday terms, and the longest terms in
// the shapes that cost most.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Explain.h"
#include "Parser.h"
#include "Reading.h"

namespace {

using veltaro::ExplainInvalidTerm;
using veltaro::FreeTerm;
using veltaro::kMaxTermLength;
using veltaro::ParseTerm;
using veltaro::ReadingOf;
using veltaro::TTermElement;

const std::vector<std::string>& TypicalInvalidTerms() {
  static const std::vector<std::string> terms = {
      "2x+1",          "2*-3",       "x + 1",          "2e3*y",        "1,5*2",
      "sinus(x)",      "lg(8)",      "XE+1",           "sin(x)cos(x)", "(1+2*",
      "2+",            "f(x)+1",     "sqrt(x^2+y^2)(", "1+2)*3)(4",    "3+4i",
  };
  return terms;
}

const std::vector<std::string>& TypicalValidTerms() {
  static const std::vector<std::string> terms = {
      "2*sin(x)+i", "2lg(8)", "(1+2)*3^2-4/5", "sqrt(x^2+y^2)", "-2^2+1E+3*re(z)-im(z)", "2^3^2",
  };
  return terms;
}

void Parse(benchmark::State& state, const std::string& term) {
  for (auto _ : state) {
    TTermElement* tree = nullptr;
    benchmark::DoNotOptimize(ParseTerm(term, tree));
    FreeTerm(tree);
  }
  state.SetLabel(term.size() > 40 ? std::to_string(term.size()) + " characters" : term);
}

void Explain(benchmark::State& state, const std::string& term) {
  for (auto _ : state) benchmark::DoNotOptimize(ExplainInvalidTerm(term));
  state.SetLabel(term.size() > 40 ? std::to_string(term.size()) + " characters" : term);
}

void Read(benchmark::State& state, const std::string& term) {
  TTermElement* tree = nullptr;
  ParseTerm(term, tree);
  for (auto _ : state) benchmark::DoNotOptimize(ReadingOf(tree));
  FreeTerm(tree);
  state.SetLabel(term.size() > 40 ? std::to_string(term.size()) + " characters" : term);
}

void BM_ParseInvalid(benchmark::State& state) {
  Parse(state, TypicalInvalidTerms()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ParseInvalid)->DenseRange(0, 14);

void BM_ExplainInvalid(benchmark::State& state) {
  Explain(state, TypicalInvalidTerms()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ExplainInvalid)->DenseRange(0, 14);

void BM_ParseValid(benchmark::State& state) {
  Parse(state, TypicalValidTerms()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ParseValid)->DenseRange(0, 5);

// For a valid term the explanation is the parse and nothing more.
void BM_ExplainValid(benchmark::State& state) {
  Explain(state, TypicalValidTerms()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ExplainValid)->DenseRange(0, 5);

void BM_ReadingValid(benchmark::State& state) {
  Read(state, TypicalValidTerms()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ReadingValid)->DenseRange(0, 5);

std::string Chain(const std::string& first, const std::string& link) {
  std::string term = first;
  while (term.size() + link.size() <= kMaxTermLength) term += link;
  return term;
}

std::string Nested(const std::string& open, std::size_t levels, const std::string& inner, bool close) {
  std::string term;
  for (std::size_t k = 0; k < levels; ++k) term += open;
  term += inner;
  if (close) term += std::string(levels, ')');
  return term;
}

// The longest texts: valid chains and nestings, and invalid ones with a
// problem at every place that the explanation repairs, or only at the end.
const std::vector<std::string>& LongTerms() {
  static const std::vector<std::string> terms = {
      Chain("1", "+1"),                          // 0 valid
      Chain("1", "^1"),                          // 1 valid, read with brackets a person needs
      Nested("1*(", 13000, "1", true),           // 2 valid
      Nested("sin(", 13000, "1", true),          // 3 valid
      Nested("arcsin(", 9362, "1", false),       // 4 valid
      Chain("1", "+2x"),                         // 5 a missing * everywhere
      Chain("1", "*-1"),                         // 6 a sign after an operator everywhere
      Chain("x", " + x"),                        // 7 blanks everywhere
      Chain("1", "+XE"),                         // 8 a label ending in E before every sign
      Chain("f(1)", "+f(1)"),                    // 9 unknown functions everywhere
      Chain("1", "+1").substr(0, kMaxTermLength - 1) + "+",  // 10 nothing after the last operator
      Nested("(", 13107, "1*2", true),           // 11 nested too deeply
      Nested("1*(-", 16383, "1", false),         // 12 deep signs after operators
      Chain("1)", "+(1+1)"),                     // 13 surplus closing bracket, valid
      Chain("1)", "+(-1)"),                      // 14 surplus closing bracket, invalid
  };
  return terms;
}

void BM_ParseLong(benchmark::State& state) {
  Parse(state, LongTerms()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ParseLong)->DenseRange(0, 14)->Unit(benchmark::kMillisecond);

void BM_ExplainLong(benchmark::State& state) {
  Explain(state, LongTerms()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ExplainLong)->DenseRange(0, 14)->Unit(benchmark::kMillisecond);

void BM_ReadingLong(benchmark::State& state) {
  Read(state, LongTerms()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ReadingLong)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace
