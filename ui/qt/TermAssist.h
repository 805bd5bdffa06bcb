// Help while typing a term, in the main window: the status line under the
// entry field, the history of calculated terms on Up and Down, Escape to
// empty the field, and the reuse of results from the results list. The
// logic lives in TermPreview, TermHistory and ResultReuse; this class only
// ties it to the controls. It never appends a line, creates a variable or
// touches the grid.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "Calculation.h"
#include "TermHistory.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPoint;
class QRect;
class QTimer;
class QWidget;

namespace veltaro {

struct TVarTable;

class TTermAssist : public QObject {
  Q_OBJECT

 public:
  // The status line goes into term's panel at the rectangle area gives
  // (asked again whenever the field moves or the panel is resized). options
  // tells how Calculate would calculate now; table is the current variable
  // table.
  TTermAssist(QLineEdit* term, QPlainTextEdit* results, std::function<QRect()> area,
              std::function<TCalcOptions()> options, const TVarTable* table, QObject* parent = nullptr);

  // The one-line status under the entry field.
  QLabel* StatusLabel() const { return status_; }

  // A command calculated term and appended line: the term joins the history,
  // and when the term was invalid its offending characters are selected.
  void Calculated(const QString& term, const std::string& line);

  // Recomputes the status now (the table or the options changed).
  void Refresh();

  // The results list's menu for the line at pos (in the list's viewport).
  QMenu* NewResultsMenu(const QPoint& pos);

  // Inserts the value of a results line into the term at its cursor; false
  // for a line that holds no result.
  bool UseInTerm(const QString& line);

  // Puts the value of a results line on the clipboard; false when it holds
  // no result.
  static bool CopyResult(const QString& line);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceStatus();
  void ShowStatus(const std::string& text);
  QString LineAt(const QPoint& pos) const;

  QLineEdit* term_;
  QPlainTextEdit* results_;
  std::function<QRect()> area_;
  QLabel* status_;
  QTimer* pending_;
  std::function<TCalcOptions()> options_;
  const TVarTable* table_;
  TTermHistory history_;
  QString fullStatus_;
};

}  // namespace veltaro
