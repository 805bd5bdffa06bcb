// accuracy_report: the counts of the accuracy comparisons, so that they can
// be given before and after a change of the arithmetic.
//
//   accuracy_report                      counts of every grid and the corpus
//   accuracy_report --write-corpus FILE  the corpus terms, one a line
//   accuracy_report --compare FILE [--deg]
//       FILE holds "term<TAB>results line" pairs from another build (Rad
//       mode, or Deg with --deg); counts the lines that went from right to
//       wrong and from wrong to right, judged by the reference evaluating
//       every node itself.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "AccuracyRuns.h"
#include "Calculation.h"
#include "SmartConversion.h"
#include "TermTree.h"

namespace {

using namespace veltaro;
using namespace veltaro::accuracy;

void PrintRow(const TCounts& c) {
  std::printf("%-36s %9ld %9ld %9ld %9ld", c.group.c_str(), c.compared, c.differing, c.ties, c.unsettled);
  if (c.storedCompared > 0) std::printf(" %9ld of %ld", c.storedDiffering, c.storedCompared);
  std::printf("\n");
  std::fflush(stdout);
}

void Add(TCounts& total, const TCounts& c) {
  total.compared += c.compared;
  total.differing += c.differing;
  total.ties += c.ties;
  total.unsettled += c.unsettled;
  total.storedCompared += c.storedCompared;
  total.storedDiffering += c.storedDiffering;
}

int PrintCounts() {
  // The last column, for nodes: results whose stored doubles (or failure
  // verdict) differ from the reference's, ties included.
  std::printf("%-36s %9s %9s %9s %9s %9s\n", "group", "compared", "differing", "ties", "unsettled", "stored differ");
  TCounts grids;
  grids.group = "total of the grids";
  auto row = [&](const TCounts& c) {
    PrintRow(c);
    Add(grids, c);
  };
  row(IntegerPowerLines(false, false));
  row(IntegerPowerLines(false, true));
  row(IntegerPowerLines(true, false));
  row(RootLines(false));
  row(RootLines(true));
  for (bool deg : {false, true}) {
    for (std::uint8_t op : GridFunctions()) row(FunctionGrid(op, deg));
    row(PowerGrid(deg));
    for (std::uint8_t op : {opAdd, opSubtract, opMultiply, opDivide, opLg}) row(OperatorGrid(op, deg));
  }
  TCounts corpusNodes, corpusLines;
  corpusNodes.group = "total of the corpus nodes";
  corpusLines.group = "total of the corpus lines";
  const TCorpus corpus = MakeCorpus();
  for (bool deg : {false, true}) {
    TCounts nodes, lines;
    CorpusRun(corpus, deg, nodes, lines);
    PrintRow(nodes);
    PrintRow(lines);
    Add(corpusNodes, nodes);
    Add(corpusLines, lines);
  }
  std::printf("\n");
  PrintRow(grids);
  PrintRow(corpusNodes);
  PrintRow(corpusLines);
  return 0;
}

int WriteCorpus(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  const TCorpus corpus = MakeCorpus();
  for (const std::string& term : corpus.terms) out << term << '\n';
  out.close();
  if (!out) {
    std::cerr << "accuracy_report: cannot write " << path << "\n";
    return 2;
  }
  std::string command = "veltaro-calc";
  for (const std::string& a : CorpusSetArguments()) command += " --set '" + a + "'";
  std::cout << corpus.terms.size() << " terms written to " << path << ". Results lines of another build:\n  "
            << command << " [--deg] < " << path << " | paste " << path << " - > pairs.tsv\n";
  return 0;
}

int Compare(const std::string& path, bool deg) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "accuracy_report: cannot read " << path << "\n";
    return 2;
  }
  const TCorpus corpus = MakeCorpus();
  const TCalcOptions options{deg, true, false};
  long pairs = 0, rightRight = 0, rightWrong = 0, wrongRight = 0, wrongWrong = 0, leftOut = 0;
  std::vector<std::string> regressions;
  std::string record;
  while (std::getline(in, record)) {
    if (!record.empty() && record.back() == '\r') record.pop_back();
    const std::size_t tab = record.find('\t');
    if (tab == std::string::npos) continue;
    ++pairs;
    const std::string term = record.substr(0, tab);
    const std::string oldLine = record.substr(tab + 1);
    const TLineVerdict verdict = FullReferenceLine(term, corpus.table, options);
    if (!verdict.comparable || !verdict.settled || verdict.nearTie) {
      ++leftOut;
      continue;
    }
    const std::string newLine = CalculateLine(term, corpus.table, options);
    const bool oldRight = oldLine == verdict.referenceLine;
    const bool newRight = newLine == verdict.referenceLine;
    if (oldRight && newRight) ++rightRight;
    if (oldRight && !newRight) {
      ++rightWrong;
      if (regressions.size() < kMaxExamples) {
        regressions.push_back("\"" + term + "\": was \"" + oldLine + "\", now \"" + newLine + "\", reference \"" +
                              verdict.referenceLine + "\"");
      }
    }
    if (!oldRight && newRight) ++wrongRight;
    if (!oldRight && !newRight) ++wrongWrong;
  }
  std::cout << pairs << " pairs (" << (deg ? "Deg" : "Rad") << "), " << leftOut
            << " left out (not comparable, ties, unsettled)\n"
            << "right before and now: " << rightRight << "\n"
            << "right before, wrong now: " << rightWrong << "\n"
            << "wrong before, right now: " << wrongRight << "\n"
            << "wrong before and now: " << wrongWrong << "\n";
  for (const std::string& r : regressions) std::cout << "  " << r << "\n";
  return 0;
}

void Usage() {
  std::cerr << "usage: accuracy_report [--write-corpus FILE] [--compare FILE [--deg]]\n";
}

}  // namespace

int main(int argc, char** argv) {
  ConversionPrecision = 10;
  std::string corpusPath, comparePath;
  bool deg = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--write-corpus" && i + 1 < argc) {
      corpusPath = argv[++i];
    } else if (arg == "--compare" && i + 1 < argc) {
      comparePath = argv[++i];
    } else if (arg == "--deg") {
      deg = true;
    } else {
      Usage();
      return 2;
    }
  }
  if (corpusPath.empty() && comparePath.empty()) return PrintCounts();
  int status = 0;
  if (!corpusPath.empty()) status = WriteCorpus(corpusPath);
  if (status == 0 && !comparePath.empty()) status = Compare(comparePath, deg);
  return status;
}
