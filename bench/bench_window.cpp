// The window's speed, offscreen: loading a table file, one Calculate (exit
// step, write-back, calculation, rebuild), a rebuild of the grid, and the
// window shown after start.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <string>

#include "Complex.h"
#include "Main.h"
#include "ScriptedDialogs.h"
#include "TermAssist.h"
#include "VarTableFile.h"

namespace veltaro {
namespace {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_window";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication application(argc, argv);
  return application;
}

// A table of count variables with values of full length, as a user's
// computed values would be.
TVarTable MakeTable(std::size_t count) {
  TVarTable table;
  for (std::size_t k = 0; k < count; ++k) {
    std::string label(1, 'v');
    label += std::to_string(k);
    table.labels.push_back(std::move(label));
    table.values.push_back(TComplex{static_cast<double>(k) / 7.0, static_cast<double>(k % 3) - 1.0});
    table.comments.push_back(k % 2 ? std::to_string(k) + " a comment" : std::string());
  }
  return table;
}

struct TBenchWindow {
  explicit TBenchWindow(std::size_t count) {
    Application();
    path = folder.path().toStdString() + "/bench.vlt";
    int error = 0;
    SaveVariableTableFile(path, MakeTable(count), error);
    window = std::make_unique<TfMain>(&dialogs);
    window->SetStartup(path, folder.path().toStdString());
    window->show();
    QApplication::processEvents();
  }
  ~TBenchWindow() {
    window.reset();
    ClearVarTable(GlobalVarTable);
  }
  QTemporaryDir folder;
  std::string path;
  TScriptedDialogs dialogs;
  std::unique_ptr<TfMain> window;
};

// One keystroke in the entry field: the text changes and the status line
// is brought up to date when the events are done, as while typing.
void BM_PreviewKeystroke(benchmark::State& state) {
  TBenchWindow bench(1000);
  const QString terms[] = {QStringLiteral("2*sin(v1)+i"), QStringLiteral("2^3^2-v7/3"), QStringLiteral("2sin(x)"),
                           QStringLiteral("sqrt(v2*v3)+ln(-1)*a")};
  const QString& term = terms[state.range(0)];
  qsizetype length = 0;
  for (auto _ : state) {
    length = length % term.size() + 1;
    bench.window->eTerm->setText(term.left(length));
    QApplication::processEvents();
  }
  state.SetLabel(term.toStdString() + ": " + bench.window->lTermStatus->toolTip().toStdString());
}

// A term of the longest length pasted at once: a valid sum, a sum with an
// invalid end, and brackets nested as deep as the length allows.
void BM_PreviewPaste(benchmark::State& state) {
  TBenchWindow bench(1000);
  QString term;
  if (state.range(0) < 2) {
    for (int k = 0; k < 32767; ++k) term += QStringLiteral("1+");
    term += state.range(0) == 0 ? QStringLiteral("1") : QStringLiteral("+");
  } else {
    term = QString(32767, QLatin1Char('(')) + QLatin1Char('1') + QString(32767, QLatin1Char(')'));
  }
  for (auto _ : state) {
    bench.window->eTerm->setText(term);
    QApplication::processEvents();
    state.PauseTiming();
    bench.window->eTerm->clear();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  bench.window->eTerm->setText(term);
  QApplication::processEvents();
  state.SetLabel(bench.window->lTermStatus->toolTip().left(60).toStdString());
}

void BM_LoadTableFile(benchmark::State& state) {
  TBenchWindow bench(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) bench.window->Model().LoadVariableTableFile(bench.path);
  state.SetLabel(std::to_string(GlobalVarTable.labels.size()) + " variables");
}

void BM_Calculate(benchmark::State& state) {
  TBenchWindow bench(static_cast<std::size_t>(state.range(0)));
  // The exit step finds the term's variables and still rebuilds the grid.
  bench.window->eTerm->setText(QStringLiteral("v1*2+sin(v0)"));
  int lines = 0;
  for (auto _ : state) {
    bench.window->Model().bCalculateClick();
    if (++lines == 1000) {
      state.PauseTiming();
      bench.window->mResults->clear();
      lines = 0;
      state.ResumeTiming();
    }
  }
  state.SetLabel(bench.window->mResults->toPlainText().section(QLatin1Char('\n'), -1).toStdString());
}

// A mouse click on Calculate while the term is being typed: the entry field
// is left (its exit step) before the command runs.
void BM_CalculateClickFromEntryField(benchmark::State& state) {
  TBenchWindow bench(static_cast<std::size_t>(state.range(0)));
  TfMain& window = *bench.window;
  QApplication::setActiveWindow(&window);
  window.eTerm->setText(QStringLiteral("v1*2+sin(v0)"));
  int lines = 0;
  for (auto _ : state) {
    state.PauseTiming();
    window.eTerm->setFocus(Qt::MouseFocusReason);
    if (++lines == 1000) {
      window.mResults->clear();
      lines = 0;
    }
    state.ResumeTiming();
    window.bCalculate->setFocus(Qt::MouseFocusReason);
    window.bCalculate->click();
  }
  state.SetLabel(window.mResults->toPlainText().section(QLatin1Char('\n'), -1).toStdString());
}

void BM_Rebuild(benchmark::State& state) {
  TBenchWindow bench(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) bench.window->Model().ReadVariableTable();
}

void BM_WriteBack(benchmark::State& state) {
  TBenchWindow bench(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(bench.window->Model().WriteVariableTable());
}

// A table file with range(0) entries whose label and comment are 1 MB each,
// after ordinary ones, shown in the window: loading, the grid's rebuild and
// painting the window. BM_LoadLargeTextsReader loads the same file without
// the window, as the command line does.
std::string LargeTextsFile(const QTemporaryDir& folder, std::size_t count, const std::string& piece = "") {
  std::string words;
  while (words.size() < 1000000) words += piece.empty() ? "word" + std::to_string(words.size() % 97) + " " : piece;
  TVarTable table = MakeTable(4);
  for (std::size_t k = 0; k < count; ++k) {
    table.labels.push_back(std::to_string(k) + words);
    table.values.push_back(TComplex{1, static_cast<double>(k)});
    table.comments.push_back(words);
  }
  const std::string path = folder.path().toStdString() + "/large.vlt";
  int error = 0;
  SaveVariableTableFile(path, table, error);
  return path;
}

void BM_ShowLargeTexts(benchmark::State& state) {
  TBenchWindow bench(1);
  const std::string path = LargeTextsFile(bench.folder, static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    bench.window->Model().LoadVariableTableFile(path);
    bench.window->repaint();
    QApplication::processEvents();
  }
  state.SetLabel(std::to_string(GlobalVarTable.labels.size()) + " variables");
}

// The same with texts of 1 MB of characters that show nothing by themselves
// (zero-width spaces and combining marks after one letter).
void BM_ShowLargeInvisibleTexts(benchmark::State& state) {
  TBenchWindow bench(1);
  const std::string path = LargeTextsFile(bench.folder, static_cast<std::size_t>(state.range(0)),
                                          state.range(1) ? "\xCC\x81" : "\xE2\x80\x8B");
  for (auto _ : state) {
    bench.window->Model().LoadVariableTableFile(path);
    bench.window->repaint();
    QApplication::processEvents();
  }
  state.SetLabel(std::to_string(GlobalVarTable.labels.size()) + " variables");
}

void BM_LoadLargeTextsReader(benchmark::State& state) {
  Application();
  QTemporaryDir folder;
  const std::string path = LargeTextsFile(folder, static_cast<std::size_t>(state.range(0)));
  TVarTable table;
  for (auto _ : state) LoadVariableTableFile(path, table);
  state.SetLabel(std::to_string(table.labels.size()) + " variables");
}

// From nothing to the window shown with its first table loaded.
void BM_WindowShown(benchmark::State& state) {
  Application();
  QTemporaryDir folder;
  TScriptedDialogs dialogs;
  for (auto _ : state) {
    TfMain window(&dialogs);
    window.SetStartup("", folder.path().toStdString());
    window.show();
    QApplication::processEvents();
    state.PauseTiming();
    window.hide();
    state.ResumeTiming();
  }
}

BENCHMARK(BM_PreviewKeystroke)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PreviewPaste)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTableFile)->Arg(1000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Calculate)->Arg(1000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalculateClickFromEntryField)->Arg(1000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rebuild)->Arg(1000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBack)->Arg(1000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowLargeTexts)->Arg(0)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ShowLargeInvisibleTexts)->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadLargeTextsReader)->Arg(0)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowShown)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veltaro
