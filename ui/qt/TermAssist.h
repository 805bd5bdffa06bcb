// The Qt side of the help while typing a term: the status line under the
// entry field (elided, with the whole text as its tip), the keys Up, Down
// and Escape of the field, and the results list's menu and double click.
// What they do is the window model's; this class only ties it to the
// controls.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPoint;
class QRect;
class QTimer;

namespace veltaro {

class TWindowModel;

class TTermAssist : public QObject {
  Q_OBJECT

 public:
  // The status line goes into term's panel at the rectangle area gives
  // (asked again whenever the field moves or the panel is resized).
  TTermAssist(QLineEdit* term, QPlainTextEdit* results, std::function<QRect()> area, TWindowModel& model,
              QObject* parent = nullptr);

  // The one-line status under the entry field.
  QLabel* StatusLabel() const { return status_; }
  void ShowStatus(const std::string& text);

  // The results list's menu for the line at pos (in the list's viewport).
  QMenu* NewResultsMenu(const QPoint& pos);

  // Puts the value of a results line on the clipboard; false when it holds
  // no result.
  static bool CopyResult(const QString& line);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceStatus();
  void FollowPalette();  // the status colour that reads on the panel
  void Display();  // fullStatus_, elided to the label's width
  QString LineAt(const QPoint& pos) const;

  QLineEdit* term_;
  QPlainTextEdit* results_;
  std::function<QRect()> area_;
  TWindowModel& model_;
  QLabel* status_;
  QTimer* pending_;
  QString fullStatus_;
};

}  // namespace veltaro
