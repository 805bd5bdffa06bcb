// Variable look-ups at the largest sizes: terms of 65,535 characters against
// tables of up to 65,535 variables, the whole calculation (parse, adding the
// missing variables, evaluation) timed as Calculate runs it.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Calculation.h"
#include "VarTable.h"

namespace veltaro {
namespace {

constexpr std::size_t kMaxTerm = 65535;

// Valid labels, shortest first: as many distinct labels as possible fit in
// one term.
const std::vector<std::string>& ShortLabels() {
  static const std::vector<std::string> labels = [] {
    const std::string first = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string rest = first + "0123456789";
    std::vector<std::string> out;
    std::vector<std::string> previous{""};
    for (int length = 1; out.size() < kMaxVariables; ++length) {
      std::vector<std::string> current;
      for (const std::string& stem : previous)
        for (char c : length == 1 ? first : rest) current.push_back(stem + c);
      for (const std::string& candidate : current) {
        std::string parsed;
        if (!ParseVariableLabel(candidate, parsed) || parsed != candidate) continue;
        // Some labels read otherwise inside a sum.
        TVarTable scratch;
        if (!AddMissingVariables("1+" + candidate + "+1", scratch) || scratch.labels.size() != 1) continue;
        out.push_back(candidate);
        if (out.size() == kMaxVariables) break;
      }
      previous = std::move(current);
    }
    return out;
  }();
  return labels;
}

TVarTable TableOf(const std::vector<std::string>& labels, std::size_t count) {
  TVarTable table;
  for (std::size_t k = 0; k < count; ++k) {
    table.labels.push_back(labels[k]);
    table.values.push_back(TComplex{1, 0});
    table.comments.emplace_back();
  }
  return table;
}

// The labels joined by '+', cycling through them, as long as the term stays
// within 65,535 characters.
std::string SumOf(const std::vector<std::string>& labels, std::size_t& references) {
  std::string term;
  references = 0;
  for (std::size_t k = 0;; ++k) {
    const std::string& label = labels[k % labels.size()];
    if (term.size() + (term.empty() ? 0 : 1) + label.size() > kMaxTerm) break;
    if (!term.empty()) term += '+';
    term += label;
    ++references;
  }
  return term;
}

// A full table, and a term referring to its last variables of labels of
// range(0) characters again and again.
void BM_TermReferencingFullTable(benchmark::State& state) {
  const std::vector<std::string>& all = ShortLabels();
  TVarTable table = TableOf(all, kMaxVariables);
  std::vector<std::string> referenced;
  for (std::size_t k = kMaxVariables; k-- > 0 && referenced.size() < 4096;)
    if (all[k].size() == static_cast<std::size_t>(state.range(0))) referenced.push_back(all[k]);
  std::size_t references = 0;
  const std::string term = SumOf(referenced, references);
  std::string line;
  for (auto _ : state) {
    line = CalculateTerm(term, table, TCalcOptions{});
    benchmark::DoNotOptimize(line);
  }
  state.SetLabel(std::to_string(references) + " references, " + line.substr(0, 40));
}

// A table of range(0) variables and a term of as many labels new to it as
// fit: every one of them is added.
void BM_TermWithNewLabels(benchmark::State& state) {
  const std::vector<std::string>& all = ShortLabels();
  const auto held = static_cast<std::size_t>(state.range(0));
  // The shortest labels are the new ones; the table holds the next ones.
  std::size_t count = 0;
  std::vector<std::string> fresh;
  std::size_t length = 0;
  for (const std::string& label : all) {
    if (length + label.size() + (fresh.empty() ? 0 : 1) > kMaxTerm) break;
    length += label.size() + (fresh.empty() ? 0 : 1);
    fresh.push_back(label);
  }
  const std::vector<std::string> rest(all.begin() + static_cast<std::ptrdiff_t>(fresh.size()), all.end());
  const TVarTable before = TableOf(rest, std::min(held, rest.size()));
  const std::string term = SumOf(fresh, count);
  TVarTable table;
  std::string line;
  for (auto _ : state) {
    state.PauseTiming();
    CopyVarTable(before, table);
    state.ResumeTiming();
    line = CalculateTerm(term, table, TCalcOptions{});
    benchmark::DoNotOptimize(line);
  }
  state.SetLabel(std::to_string(count) + " new labels, table " + std::to_string(before.labels.size()) + " -> " +
                 std::to_string(table.labels.size()));
}

BENCHMARK(BM_TermReferencingFullTable)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TermWithNewLabels)->Arg(0)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veltaro
