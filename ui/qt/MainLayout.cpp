// The window's controls: creation, texts, fonts, glyphs, tab order and the
// geometry of the design (120 pixels per inch) scaled to the screen.
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "Accessible.h"
#include "Glyphs.h"
#include "HelpKeys.h"
#include "Main.h"
#include "Messages.h"
#include "QtText.h"
#include "StringGrid.h"
#include "WindowDesign.h"

namespace veltaro {

namespace {

constexpr double kDesignDpi = 120.0;
constexpr int kDesignFontPixels = 13;
constexpr int kDesignGlyph = 16;
constexpr int kDesignColumnWidth = 64;
constexpr int kDesignRowHeight = 24;

// The named font where it is installed, otherwise the system's sans font.
QFont DesignFont(const QString& family, int pixels, bool bold = false) {
  QFont font = QFontDatabase::hasFamily(family) ? QFont(family) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(std::max(pixels, 6));
  font.setBold(bold);
  return font;
}

QFrame* NewPanel(QWidget* parent, const char* name, QFrame::Shape shape, QFrame::Shadow shadow) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QLatin1String(name));
  panel->setFrameStyle(shape | shadow);
  panel->setLineWidth(1);
  return panel;
}

// The colour of what shows behind a widget: the nearest of it and its
// parents that fills its background, or else its window.
QColor BackgroundBehind(const QWidget* widget) {
  const QWidget* w = widget;
  while (w && !w->isWindow() && !w->autoFillBackground()) w = w->parentWidget();
  if (!w) w = widget;
  return w->palette().color(w->backgroundRole());
}

// The maker's link: navy where the background behind it is light; on a dark
// background the palette's own link colour, lightened where it does not read
// there. The caption is drawn in WindowText whatever the background role it
// inherits (on a button-coloured window that would be ButtonText).
class TLinkLabel : public QLabel {
 public:
  TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setForegroundRole(QPalette::WindowText);
    FollowBackground();
  }

 protected:
  void changeEvent(QEvent* event) override {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) FollowBackground();
  }

 private:
  void FollowBackground() {
    const QColor back = BackgroundBehind(this);
    const QColor wanted = back.lightness() >= 128 ? QColor(0x00, 0x00, 0x80)
                                                  : ReadableOn(back, palette().color(QPalette::Link), Qt::white);
    bool same = true;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      same = same && palette().color(group, QPalette::WindowText) == wanted;
    if (same && palette().isBrushSet(QPalette::Active, QPalette::WindowText)) return;
    QPalette own = palette();
    own.setColor(QPalette::WindowText, wanted);
    setPalette(own);  // comes back here once, with nothing left to change
  }
};

// Where the screen has a fractional number of pixels per window pixel (a
// scale of 1.5, say), a frame whose top or left edge starts in the second
// half of a screen pixel loses that line of its border under the contents
// drawn beside it. Such an edge moves inward by one window pixel where that
// makes it start in the first half of one; the opposite edges stay.
int InwardToWholePixel(int edge, double dpr) {
  auto firstHalf = [dpr](int e) { return e * dpr - std::floor(e * dpr) < 0.5 - 1e-9; };
  return !firstHalf(edge) && firstHalf(edge + 1) ? 1 : 0;
}

void AlignFramesToDevicePixels(const QWidget* window, std::initializer_list<QWidget*> frames) {
  const double dpr = window->devicePixelRatioF();
  if (std::abs(dpr - std::round(dpr)) < 1e-9) return;
  for (QWidget* frame : frames) {
    const QPoint origin = frame->parentWidget()->mapTo(window, QPoint(0, 0));
    QRect r = frame->geometry();
    r.setTop(r.top() + InwardToWholePixel(origin.y() + r.top(), dpr));
    r.setLeft(r.left() + InwardToWholePixel(origin.x() + r.left(), dpr));
    frame->setGeometry(r);
  }
}

// A flat button: raised only under the mouse, never focused.
QToolButton* NewFlatButton(QWidget* parent, const char* name, std::optional<TGlyph> glyph, std::string_view hint) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  if (glyph) button->setIcon(GlyphIcon(*glyph));
  if (!hint.empty()) button->setToolTip(ToQString(hint));
  return button;
}

// Width a button needs for its caption and glyph to show whole.
int ButtonWidthNeeded(const QAbstractButton* button, bool withGlyph, int glyphPixels) {
  const int text = button->fontMetrics().horizontalAdvance(button->text());
  const int glyph = withGlyph ? glyphPixels + button->fontMetrics().horizontalAdvance(QLatin1Char(' ')) + 4 : 0;
  const int frame = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) + 8;
  return text + glyph + frame;
}

}  // namespace

void TfMain::CreateControls() {
  setObjectName(QStringLiteral("fMain"));
  setWindowTitle(ToQString(text::kAppTitle));
  setWindowIcon(GlyphIcon(TGlyph::Application));
  // A fixed frame with the system menu and the close button only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);

  Panel2 = NewPanel(this, "Panel2", QFrame::NoFrame, QFrame::Plain);
  lKelvaraLink = new TLinkLabel(ToQString(text::kLinkCaption), Panel2);
  lKelvaraLink->setObjectName(QStringLiteral("lKelvaraLink"));
  lKelvaraLink->setCursor(Qt::PointingHandCursor);
  AccessibleAsLink(lKelvaraLink);

  pEntry = NewPanel(this, "pEntry", QFrame::NoFrame, QFrame::Plain);
  Label3 = new QLabel(ToQString(text::kEnterTerm), pEntry);
  Label3->setObjectName(QStringLiteral("Label3"));
  eTerm = new QLineEdit(pEntry);
  eTerm->setObjectName(QStringLiteral("eTerm"));
  // Far more than the longest valid term, so a pasted text arrives whole and
  // the parser, not the field, decides.
  eTerm->setMaxLength(1 << 20);
  SpeedButton1 = NewFlatButton(pEntry, "SpeedButton1", TGlyph::Help, {});
  bSmartCalculate = new QPushButton(GlyphIcon(TGlyph::Smile), ToQString(text::kSmartCalculate), pEntry);
  bSmartCalculate->setObjectName(QStringLiteral("bSmartCalculate"));
  bCalculate = new QPushButton(GlyphIcon(TGlyph::Calculator), ToQString(text::kCalculate), pEntry);
  bCalculate->setObjectName(QStringLiteral("bCalculate"));
  bCalculate->setDefault(true);
  gbAngleMode = new QGroupBox(ToQString(text::kAngleMode), pEntry);
  gbAngleMode->setObjectName(QStringLiteral("gbAngleMode"));
  rbDegMode = new QRadioButton(ToQString(text::kDeg), gbAngleMode);
  rbDegMode->setObjectName(QStringLiteral("rbDegMode"));
  rbRadMode = new QRadioButton(ToQString(text::kRad), gbAngleMode);
  rbRadMode->setObjectName(QStringLiteral("rbRadMode"));
  rbRadMode->setChecked(true);
  cbComplex = new QCheckBox(ToQString(text::kComplexResults), pEntry);
  cbComplex->setObjectName(QStringLiteral("cbComplex"));
  cbComplex->setChecked(true);

  // Raised inner and lowered outer bevel: a sunken box.
  pResult = NewPanel(this, "pResult", QFrame::Box, QFrame::Sunken);
  Label1 = new QLabel(ToQString(text::kResults), pResult);
  Label1->setObjectName(QStringLiteral("Label1"));
  bClearResults = NewFlatButton(pResult, "bClearResults", TGlyph::Eraser, text::kClearResultsHint);
  mResults = new QPlainTextEdit(pResult);
  mResults->setObjectName(QStringLiteral("mResults"));
  mResults->setReadOnly(true);
  mResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mResults->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

  Panel1 = NewPanel(this, "Panel1", QFrame::NoFrame, QFrame::Plain);
  SpeedButton2 = NewFlatButton(Panel1, "SpeedButton2", std::nullopt, {});
  SpeedButton2->setText(ToQString(text::kSupportFreeSoftware));
  SpeedButton2->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bVariables = NewFlatButton(Panel1, "bVariables", TGlyph::Variables, text::kHideVariablesHint);
  bVariables->setText(ToQString(text::kHideVariablesCaption));
  bVariables->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

  pVariables = NewPanel(this, "pVariables", QFrame::Panel, QFrame::Sunken);
  Label2 = new QLabel(ToQString(text::kVariables), pVariables);
  Label2->setObjectName(QStringLiteral("Label2"));
  sgVariables = new TStringGrid(pVariables);
  sgVariables->setObjectName(QStringLiteral("sgVariables"));
  pVarButtons = NewPanel(pVariables, "pVarButtons", QFrame::NoFrame, QFrame::Plain);
  bOpen = NewFlatButton(pVarButtons, "bOpen", TGlyph::Open, text::kOpenTableHint);
  bSave = NewFlatButton(pVarButtons, "bSave", TGlyph::Save, text::kSaveTableHint);
  bAddVar = NewFlatButton(pVarButtons, "bAddVar", TGlyph::Add, text::kAddVariableHint);
  bDeleteVar = NewFlatButton(pVarButtons, "bDeleteVar", TGlyph::Delete, text::kDeleteVariableHint);

  SetHelpContext(this, kWindowHelpContext);
  for (const TControlDesign& control : WindowControls())
    if (control.helpContext != 0) SetHelpContext(Control(control.name), control.helpContext);

  DescribeControls();

  // Tab order: the entry panel, the results, the variables.
  const auto order = TabOrder();
  for (std::size_t k = 1; k < order.size(); ++k) QWidget::setTabOrder(Control(order[k - 1]), Control(order[k]));
  eTerm->setFocus();
}

// What a screen reader says of each control: its name, and its key after
// its hint in the description. The entry field is named "Term" and not by
// its label's "Enter term:"; its description carries the status line.
void TfMain::DescribeControls() {
  Label3->setBuddy(eTerm);
  for (QWidget* panel : std::initializer_list<QWidget*>{Panel2, pEntry, pResult, Panel1, pVariables, pVarButtons})
    AccessibleAsPanel(panel);
  for (const TControlDesign& control : WindowControls()) {
    QWidget* widget = Control(control.name);
    const std::string_view name = AccessibleName(control.name);
    if (!name.empty() && !qobject_cast<QLabel*>(widget)) widget->setAccessibleName(ToQString(name));
    const std::string key = KeyOfControl(control.name);
    if (key.empty()) continue;
    widget->setAccessibleDescription(ToQString(WithKey(name.empty() ? control.caption : name, key)));
    widget->setProperty("veltaroKey", ToQString(key));
  }
  for (QAbstractButton* flat : std::initializer_list<QAbstractButton*>{
           SpeedButton1, bClearResults, SpeedButton2, bVariables, bOpen, bSave, bAddVar, bDeleteVar})
    AccessibleWithKey(flat);
  for (QWidget* choice : std::initializer_list<QWidget*>{cbComplex, rbDegMode, rbRadMode}) UseVisibleFocusFrame(choice);
}

QWidget* TfMain::Control(std::string_view name) const {
  auto* control = findChild<QWidget*>(ToQString(name));
  Q_ASSERT(control);
  return control;
}

void TfMain::ApplyLayout() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
  fontScale_ = dpi / kDesignDpi;
  const int fontPixels = static_cast<int>(std::lround(kDesignFontPixels * fontScale_));
  const QString sansSerif = QStringLiteral("MS Sans Serif");
  const QFont normal = DesignFont(sansSerif, fontPixels);
  setFont(normal);
  QFont link = DesignFont(sansSerif, fontPixels);
  link.setUnderline(true);
  lKelvaraLink->setFont(link);
  eTerm->setFont(normal);
  const QFont bold = DesignFont(sansSerif, fontPixels, true);
  SpeedButton2->setFont(bold);
  bVariables->setFont(bold);
  mResults->setFont(DesignFont(QStringLiteral("Verdana"), fontPixels));

  // The design's pixels follow the screen's resolution; where the font at
  // hand is wider than the design's, the whole design grows until every
  // caption shows whole.
  const int glyphAtFontScale = static_cast<int>(std::lround(kDesignGlyph * fontScale_));
  double scale = fontScale_;
  auto need = [&scale](int pixels, int designPixels) { scale = std::max(scale, double(pixels) / designPixels); };
  const std::pair<QLabel*, int> labels[] = {{Label3, 63}, {Label1, 48}, {Label2, 61}, {lKelvaraLink, 244}};
  for (const auto& [label, designWidth] : labels) need(label->sizeHint().width(), designWidth);
  need(ButtonWidthNeeded(bSmartCalculate, true, glyphAtFontScale), 129);
  need(ButtonWidthNeeded(bCalculate, true, glyphAtFontScale), 129);
  need(ButtonWidthNeeded(SpeedButton2, false, 0), 169);
  {
    const int wider = std::max(bVariables->fontMetrics().horizontalAdvance(ToQString(text::kHideVariablesCaption)),
                               bVariables->fontMetrics().horizontalAdvance(ToQString(text::kShowVariablesCaption)));
    need(wider + glyphAtFontScale + 10, 49);
  }
  need(cbComplex->sizeHint().width(), 121);
  need(rbDegMode->sizeHint().width(), 49);
  need(rbRadMode->sizeHint().width(), 49);
  need(gbAngleMode->fontMetrics().horizontalAdvance(gbAngleMode->title()) + 24, 129);
  need(cbComplex->sizeHint().height(), 17);
  need(Label3->sizeHint().height(), 16);
  need(eTerm->sizeHint().height(), 24);
  need(fontMetrics().height() + 6, kDesignRowHeight);
  layoutScale_ = std::ceil(scale * 40.0) / 40.0;

  const double s = layoutScale_;
  auto scaled = [s](int v) { return static_cast<int>(std::lround(v * s)); };
  for (const TControlDesign& r : WindowControls()) {
    // Edges are scaled, not sizes, so controls that touch at design still do.
    const int left = scaled(r.left);
    const int top = scaled(r.top);
    Control(r.name)->setGeometry(left, top, scaled(r.left + r.width) - left, scaled(r.top + r.height) - top);
  }
  AlignFramesToDevicePixels(this, {mResults});
  const QSize glyph(scaled(kDesignGlyph), scaled(kDesignGlyph));
  for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
           SpeedButton1, bSmartCalculate, bCalculate, bClearResults, bVariables, bOpen, bSave, bAddVar, bDeleteVar}) {
    button->setIconSize(glyph);
  }
  sgVariables->SetRowHeight(scaled(kDesignRowHeight));
  for (int col = 0; col < kGridColumns; ++col) sgVariables->SetColWidth(col, scaled(kDesignColumnWidth));
  FitToContents();
}

void TfMain::FitToContents() {
  // The window shrinks and grows to its visible contents.
  QRect bounds;
  for (QWidget* panel : {Panel2, pEntry, pResult, Panel1, pVariables}) {
    if (!panel->isHidden()) bounds = bounds.united(panel->geometry());
  }
  setFixedSize(bounds.right() + 1, bounds.bottom() + 1);
}

}  // namespace veltaro
