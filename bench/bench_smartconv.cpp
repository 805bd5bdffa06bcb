// Closed-form recognition of one number: a value without a closed form (the
// whole search runs), simple forms found early and late, and the literal
// search for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "ReferenceSearch.h"
#include "SmartConversion.h"

namespace {

using veltaro::ConversionPrecision;

// Inputs: 0 = 123.456, 1 = 0.123456789 (no closed form), 2 = 0.5 (a
// fraction at the first trial), 3 = 10.000001 (no form either, but 1e-7 from
// 10 and from 10^(1)), 4 = 997^(1/2) (a power of a late base).
double Input(std::int64_t i) {
  switch (i) {
    case 0: return 123.456;
    case 1: return 0.123456789;
    case 2: return 0.5;
    case 3: return 10.000001;
    default: return std::sqrt(997.0);
  }
}

void Run(benchmark::State& state, std::string (*convert)(double)) {
  const std::int32_t saved = ConversionPrecision;
  ConversionPrecision = 10;
  const double x = Input(state.range(0));
  state.SetLabel(convert(x));
  for (auto _ : state) {
    std::string s = convert(x);
    benchmark::DoNotOptimize(s);
  }
  ConversionPrecision = saved;
}

void BM_SmartFloatToStr(benchmark::State& state) { Run(state, veltaro::SmartFloatToStr); }
void BM_ReferenceSmartFloatToStr(benchmark::State& state) { Run(state, veltaro::smartconv::ReferenceSmartFloatToStr); }

void BM_FormatComplexSmart(benchmark::State& state) {
  const std::int32_t saved = ConversionPrecision;
  ConversionPrecision = 10;
  const veltaro::TComplex z{123.456, -0.5};
  state.SetLabel(veltaro::FormatComplexSmart(z));
  for (auto _ : state) {
    std::string s = veltaro::FormatComplexSmart(z);
    benchmark::DoNotOptimize(s);
  }
  ConversionPrecision = saved;
}

BENCHMARK(BM_SmartFloatToStr)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReferenceSmartFloatToStr)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormatComplexSmart)->Unit(benchmark::kMicrosecond);

}  // namespace
