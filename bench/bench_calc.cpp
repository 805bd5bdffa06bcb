// Parse + evaluate + format of typical terms, and veltaro-calc over 100,000
// terms from standard input.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Calculation.h"
#include "SmartConversion.h"

namespace {

using namespace veltaro;

const std::vector<std::string>& TypicalTerms() {
  static const std::vector<std::string> terms = {
      "2+3",           "2*sin(x)+i",       "2lg(8)",          "sqrt(2)*sqrt(2)",
      "(1+2*i)/(3-i)", "arctan(1)*4",      "exp(i*pi)+1",     "a*b+c/2-1.5E-3",
      "ln(-1)",        "cosh(2)^2-sinh(2)^2", "x^2+2*x+1",    "abs(3+4*i)",
  };
  return terms;
}

TVarTable TypicalTable() {
  TVarTable table;
  SetVariable(table, "x", {0.5, 0}, "");
  SetVariable(table, "a", {2, 0}, "");
  SetVariable(table, "b", {3, -1}, "");
  SetVariable(table, "c", {7, 0}, "");
  return table;
}

void BM_CalculateTypicalTerms(benchmark::State& state) {
  TVarTable table = TypicalTable();
  TCalcOptions options;
  for (auto _ : state) {
    for (const std::string& term : TypicalTerms()) benchmark::DoNotOptimize(CalculateTerm(term, table, options));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TypicalTerms().size()));
}
BENCHMARK(BM_CalculateTypicalTerms);

void BM_SmartCalculateTypicalTerms(benchmark::State& state) {
  ConversionPrecision = 10;
  TVarTable table = TypicalTable();
  TCalcOptions options;
  options.smart = true;
  for (auto _ : state) {
    for (const std::string& term : TypicalTerms()) benchmark::DoNotOptimize(CalculateTerm(term, table, options));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TypicalTerms().size()));
}
BENCHMARK(BM_SmartCalculateTypicalTerms);

// One term per kind of power and function, the inverse and hyperbolic
// functions off the real axis among them.
void BM_CalculateFunctionTerms(benchmark::State& state) {
  static const std::vector<std::string> terms = {
      "7^7",          "2^0.5",         "b^3",           "1.5^(-2.25)",  "b^(1/3)",       "b^(2+i)",
      "sin(b)",       "tan(b)",        "arcsin(b)",     "arccos(1E10)", "arctan(b)",     "arccot(b)",
      "sinh(b)",      "tanh(b)",       "arsinh(b)",     "arcosh(b)",    "artanh(b)",     "arcoth(b)",
      "ln(b)",        "log(b)",        "2lg(b)",        "exp(b)",       "a*b/c",         "sqrt(b)",
  };
  TVarTable table = TypicalTable();
  TCalcOptions options;
  for (auto _ : state) {
    for (const std::string& term : terms) benchmark::DoNotOptimize(CalculateTerm(term, table, options));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(terms.size()));
}
BENCHMARK(BM_CalculateFunctionTerms);

// The command-line front end as a whole, 100,000 lines on standard input.
void BM_VeltaroCalc100kTerms(benchmark::State& state) {
  const bool smart = state.range(0) != 0;
  const std::filesystem::path input = std::filesystem::temp_directory_path() / "veltaro-bench-100k.txt";
  {
    std::ofstream out(input, std::ios::binary);
    const auto& terms = TypicalTerms();
    for (int k = 0; k < 100000; ++k) out << terms[static_cast<std::size_t>(k) % terms.size()] << "\r\n";
  }
  const std::string command = std::string("'") + VELTARO_CALC + "'" + (smart ? " -s" : "") + " < '" +
                              input.string() + "' > /dev/null";
  for (auto _ : state) {
    const int status = std::system(command.c_str());
    if (status == -1) state.SkipWithError("veltaro-calc did not run");
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  std::filesystem::remove(input);
}
BENCHMARK(BM_VeltaroCalc100kTerms)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
