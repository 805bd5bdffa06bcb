// What assistive technology learns of the window beyond what each control
// tells by itself: the window as a frame with its title, the maker's link as
// a link that can be activated, texts spoken where the user is, a status
// colour that reads on any palette, and a focus frame that can be seen.
#pragma once

#include <QColor>
#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

namespace veltaro {

// Installs, once per program, the accessible interfaces of the window and
// of the link.
void InstallAccessibleInterfaces();

// Shows label to assistive technology as a link; activating it emits the
// label's linkActivated.
void AccessibleAsLink(QLabel* label);
// Shows a button that takes no focus with its key (the property
// "veltaroKey") as the key of its press action.
void AccessibleWithKey(QAbstractButton* button);
// Shows a panel, a plain frame that holds controls, as a group of them
// rather than as a frame window.
void AccessibleAsPanel(QWidget* panel);

// Gives text to assistive technology: as the description of control, which
// a screen reader reads with the control, and as a notification of the
// window that appears with the text, which a screen reader speaks at once.
// The same text given twice is announced twice.
void Announce(QWidget* control, const QString& text);

// How far apart two colours are in lightness, from 1 (the same) to 21
// (black and white).
double ContrastRatio(const QColor& a, const QColor& b);
// The colour nearest to wanted, on the way to text, that reads on back with
// a contrast of at least 4.5.
QColor ReadableOn(const QColor& back, const QColor& wanted, const QColor& text);

// Draws control's keyboard focus as a solid frame in the text colour.
void UseVisibleFocusFrame(QWidget* control);

}  // namespace veltaro
