// Help contexts of widgets and the F1 key: F1 asks the application's help
// entry for the context of the focused widget, or of its nearest enclosing
// widget (within the same window) that has a non-zero one.
#pragma once

#include <QObject>
#include <cstdint>

class QWidget;

namespace veltaro {

void SetHelpContext(QWidget* widget, std::int32_t context);
std::int32_t HelpContextOf(const QWidget* widget);

// The context F1 asks for in widget: its own when non-zero, else that of the
// nearest enclosing widget of the same window with one; 0 when none has.
std::int32_t EffectiveHelpContext(const QWidget* widget);

// Watches the application's key presses for F1 while it exists.
class THelpKeys : public QObject {
 public:
  THelpKeys();
  ~THelpKeys() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace veltaro
