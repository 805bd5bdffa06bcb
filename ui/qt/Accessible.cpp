#include "Accessible.h"

#include <QAccessible>
#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QLabel>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QWidget>
#include <cmath>
#include <utility>

namespace veltaro {

namespace {

// The main window: a frame that a screen reader names by its title.
bool IsMainWindow(const QObject* object) {
  return object->isWidgetType() && object->objectName() == QLatin1String("fMain") &&
         static_cast<const QWidget*>(object)->isWindow();
}

// A control that takes no focus and is reached by its key (the property
// "veltaroKey"): assistive technology learns the key with the control's
// press action, which does what a click does. The maker's link is one, told
// as a link; its click is the label's linkActivated signal.
class TAccessibleKeyed : public QAccessibleWidget {
 public:
  TAccessibleKeyed(QWidget* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
      if (const auto* label = qobject_cast<const QLabel*>(widget())) return label->text();
    return QAccessibleWidget::text(t);
  }

  QStringList actionNames() const override { return {pressAction()}; }

  void doAction(const QString& name) override {
    if (name != pressAction() || !widget()->isEnabled()) return;
    if (auto* button = qobject_cast<QAbstractButton*>(widget())) button->click();
    if (auto* label = qobject_cast<QLabel*>(widget())) emit label->linkActivated(QString());
  }

  QStringList keyBindingsForAction(const QString& name) const override {
    const QVariant key = widget()->property("veltaroKey");
    return name == pressAction() && key.isValid() ? QStringList{key.toString()} : QStringList();
  }
};

QAccessibleInterface* WindowInterfaces(const QString& /*className*/, QObject* object) {
  if (object && IsMainWindow(object)) return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  return nullptr;
}

double Luminance(const QColor& c) {
  auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                          float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// A focus frame that the focus rectangles of the toolkit's styles do not
// always give: one pixel of the control's text colour around its caption.
class TFocusFrameStyle : public QProxyStyle {
 public:
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element != PE_FrameFocusRect) {
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      return;
    }
    painter->save();
    painter->setPen(QPen(option->palette.color(QPalette::WindowText), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
  }
};

// The toolkit's own factory, which is asked before any of ours, gives a
// plain label static text and a plain frame the role of a frame window; an
// interface registered for the object itself comes before both.
void Register(QObject* object, QAccessibleInterface* own) {
  if (QAccessibleInterface* old = QAccessible::queryAccessibleInterface(object))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
  QAccessible::registerAccessibleInterface(own);
}

}  // namespace

void InstallAccessibleInterfaces() {
  static bool installed = false;
  if (std::exchange(installed, true)) return;
  QAccessible::installFactory(WindowInterfaces);
}

void AccessibleAsLink(QLabel* label) { Register(label, new TAccessibleKeyed(label, QAccessible::Link)); }

void AccessibleWithKey(QAbstractButton* button) { Register(button, new TAccessibleKeyed(button, QAccessible::Button)); }

void AccessibleAsPanel(QWidget* panel) { Register(panel, new QAccessibleWidget(panel, QAccessible::Grouping)); }

namespace {

// A notification of the window that appears anew for each announcement:
// screen readers speak a notification as it appears, wherever the focus is.
// It draws nothing and takes neither the mouse nor the focus.
QWidget* Announcer(QWidget* window) {
  const QString name = QStringLiteral("aAnnouncement");
  auto* announcer = window->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
  if (announcer) return announcer;
  announcer = new QWidget(window);
  announcer->setObjectName(name);
  announcer->setAttribute(Qt::WA_TransparentForMouseEvents);
  announcer->setFocusPolicy(Qt::NoFocus);
  announcer->setGeometry(0, 0, 1, 1);
  Register(announcer, new QAccessibleWidget(announcer, QAccessible::Notification));
  return announcer;
}

}  // namespace

void Announce(QWidget* control, const QString& text) {
  if (control->accessibleDescription() != text) {
    control->setAccessibleDescription(text);  // reports the change itself
  } else {
    QAccessibleEvent changed(control, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
  }
  QWidget* window = control->window();
  if (text.isEmpty() || !window->isVisible()) return;
  QWidget* announcer = Announcer(window);
  announcer->setAccessibleName(text);
  announcer->hide();
  announcer->show();
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& back, const QColor& wanted, const QColor& text) {
  // Translucent colours are drawn blended into the background.
  const QColor drawn = Mix(back, QColor(wanted.red(), wanted.green(), wanted.blue()), wanted.alphaF());
  constexpr double kLeast = 4.5;
  if (ContrastRatio(back, drawn) >= kLeast) return drawn;
  // Towards the text colour, or where that does not read either, towards
  // black or white, whichever is farther from the background.
  const QColor target = ContrastRatio(back, text) >= kLeast ? text
                        : Luminance(back) > 0.18            ? QColor(Qt::black)
                                                            : QColor(Qt::white);
  for (int step = 1; step <= 20; ++step) {
    const QColor c = Mix(drawn, target, step / 20.0);
    if (ContrastRatio(back, c) >= kLeast) return c;
  }
  return target;
}

void UseVisibleFocusFrame(QWidget* control) {
  auto* style = new TFocusFrameStyle;
  style->setParent(control);
  control->setStyle(style);
}

}  // namespace veltaro
