#include "HelpKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

#include "HelpEntry.h"

namespace veltaro {

namespace {
constexpr char kHelpContextProperty[] = "helpContext";
}  // namespace

void SetHelpContext(QWidget* widget, std::int32_t context) {
  if (widget) widget->setProperty(kHelpContextProperty, QVariant::fromValue<qint32>(context));
}

std::int32_t HelpContextOf(const QWidget* widget) {
  if (!widget) return 0;
  const QVariant value = widget->property(kHelpContextProperty);
  return value.isValid() ? value.value<qint32>() : 0;
}

std::int32_t EffectiveHelpContext(const QWidget* widget) {
  for (const QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
    if (const std::int32_t context = HelpContextOf(w)) return context;
  }
  return 0;
}

THelpKeys::THelpKeys() {
  if (qApp) qApp->installEventFilter(this);
}

THelpKeys::~THelpKeys() {
  if (qApp) qApp->removeEventFilter(this);
}

bool THelpKeys::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
  const QWidget* focused = QApplication::focusWidget();
  if (!focused) focused = qobject_cast<const QWidget*>(watched);
  if (!focused) return false;
  if (const std::int32_t context = EffectiveHelpContext(focused)) HelpContext(context);
  return true;
}

}  // namespace veltaro
