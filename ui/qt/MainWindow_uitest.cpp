// The window itself: its controls, the panel switch, the angle mode, help
// requests and the maker's page.
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QScreen>

#include <QFileDialog>
#include <QImage>
#include <QTimer>

#include "Complex.h"
#include "Glyphs.h"
#include "HelpEntry.h"
#include "HelpKeys.h"
#include "SmartConversion.h"
#include "QtDialogs.h"
#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

using MainWindow = WindowTest;

struct TControlRow {
  const char* name;
  const char* kind;    // class name
  const char* parent;  // objectName of the parent
  const char* caption;
  const char* hint;
};

TEST_F(MainWindow, HasEveryControlWithItsNameKindParentCaptionAndHint) {
  StartEmpty();
  const TControlRow rows[] = {
      {"Panel2", "QFrame", "fMain", "", ""},
      {"lKelvaraLink", "QLabel", "Panel2", "More freeware at www.kelvara.example", ""},
      {"pEntry", "QFrame", "fMain", "", ""},
      {"Label3", "QLabel", "pEntry", "Enter term:", ""},
      {"eTerm", "QLineEdit", "pEntry", "", ""},
      {"SpeedButton1", "QToolButton", "pEntry", "", ""},
      {"bSmartCalculate", "QPushButton", "pEntry", "Smart-Calculate", ""},
      {"bCalculate", "QPushButton", "pEntry", "Calculate", ""},
      {"gbAngleMode", "QGroupBox", "pEntry", "Angle mode", ""},
      {"rbDegMode", "QRadioButton", "gbAngleMode", "Deg", ""},
      {"rbRadMode", "QRadioButton", "gbAngleMode", "Rad", ""},
      {"cbComplex", "QCheckBox", "pEntry", "Complex results", ""},
      {"pResult", "QFrame", "fMain", "", ""},
      {"Label1", "QLabel", "pResult", "Results:", ""},
      {"bClearResults", "QToolButton", "pResult", "", "Clear results"},
      {"mResults", "QPlainTextEdit", "pResult", "", ""},
      {"Panel1", "QFrame", "fMain", "", ""},
      {"SpeedButton2", "QToolButton", "Panel1", "Support free software", ""},
      {"bVariables", "QToolButton", "Panel1", "<<", "Hide variables"},
      {"pVariables", "QFrame", "fMain", "", ""},
      {"Label2", "QLabel", "pVariables", "Variables:", ""},
      {"sgVariables", "veltaro::TStringGrid", "pVariables", "", ""},
      {"pVarButtons", "QFrame", "pVariables", "", ""},
      {"bOpen", "QToolButton", "pVarButtons", "", "Open variable table"},
      {"bSave", "QToolButton", "pVarButtons", "", "Save variable table"},
      {"bAddVar", "QToolButton", "pVarButtons", "", "Add variable"},
      {"bDeleteVar", "QToolButton", "pVarButtons", "", "Delete variable"},
  };
  EXPECT_EQ(window->objectName(), "fMain");
  EXPECT_EQ(window->windowTitle(), "Veltaro");
  for (const TControlRow& row : rows) {
    SCOPED_TRACE(row.name);
    auto* control = window->findChild<QWidget*>(QLatin1String(row.name));
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->metaObject()->className(), row.kind);
    ASSERT_NE(control->parentWidget(), nullptr);
    EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(row.parent));
    QString caption;
    if (auto* label = qobject_cast<QLabel*>(control)) caption = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) caption = button->text();
    if (auto* group = qobject_cast<QGroupBox*>(control)) caption = group->title();
    EXPECT_EQ(caption, QString::fromUtf8(row.caption));
    EXPECT_EQ(control->toolTip(), QString::fromUtf8(row.hint));
  }
}

TEST_F(MainWindow, StartsWithRadCheckedComplexResultsOnAndThePanelVisible) {
  DegMode = true;
  StartEmpty();
  EXPECT_TRUE(window->rbRadMode->isChecked());
  EXPECT_FALSE(window->rbDegMode->isChecked());
  EXPECT_FALSE(DegMode);
  EXPECT_TRUE(window->cbComplex->isChecked());
  EXPECT_TRUE(window->pVariables->isVisible());
  EXPECT_TRUE(window->mResults->isReadOnly());
  EXPECT_EQ(window->mResults->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(window->bCalculate->isDefault());
  EXPECT_FALSE(window->bSmartCalculate->isDefault());
  EXPECT_EQ(ConversionPrecision, 10);
}

TEST_F(MainWindow, IsAFixedWindowWithTheSystemMenuOnly) {
  StartEmpty();
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowIcon().isNull());
}

TEST_F(MainWindow, LaysOutTheDesignScaledToTheScreen) {
  StartEmpty();
  const double s = window->LayoutScale();
  // At least the screen's own scale of the 120-pixels-per-inch design.
  EXPECT_GE(s + 1e-9, window->screen()->logicalDotsPerInchY() / 120.0);
  struct TPlace {
    QWidget* widget;
    int left, top, width, height;
  };
  const TPlace places[] = {
      {window->pEntry, 0, 24, 297, 161},      {window->eTerm, 88, 15, 161, 24},
      {window->bCalculate, 152, 56, 129, 25}, {window->pVariables, 304, 0, 350, 353},
      {window->sgVariables, 2, 37, 346, 269}, {window->bDeleteVar, 85, 10, 25, 25},
      {window->Panel1, 0, 312, 297, 41},      {window->mResults, 2, 40, 293, 87},
  };
  for (const TPlace& place : places) {
    SCOPED_TRACE(place.widget->objectName().toStdString());
    const QRect r = place.widget->geometry();
    EXPECT_NEAR(r.left(), place.left * s, 1.0);
    EXPECT_NEAR(r.top(), place.top * s, 1.0);
    EXPECT_NEAR(r.width(), place.width * s, 1.5);
    EXPECT_NEAR(r.height(), place.height * s, 1.5);
  }
  EXPECT_NEAR(window->width(), 654 * s, 1.0);
  EXPECT_NEAR(window->height(), 353 * s, 1.0);
}

TEST_F(MainWindow, ShowsEveryCaptionWhole) {
  StartEmpty();
  for (QWidget* control : std::initializer_list<QWidget*>{window->Label1, window->Label2, window->Label3,
                                                           window->lKelvaraLink, window->cbComplex,
                                                           window->rbDegMode, window->rbRadMode}) {
    SCOPED_TRACE(control->objectName().toStdString());
    EXPECT_GE(control->width(), control->sizeHint().width());
  }
  for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
           window->bCalculate, window->bSmartCalculate, window->SpeedButton2, window->bVariables}) {
    SCOPED_TRACE(button->objectName().toStdString());
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width();
    EXPECT_GT(button->width(), button->fontMetrics().horizontalAdvance(button->text()) + icon);
  }
}

TEST_F(MainWindow, UsesTheDesignFontsAtTheScaledPixelSize) {
  StartEmpty();
  const int pixels = static_cast<int>(std::lround(13 * window->screen()->logicalDotsPerInchY() / 120.0));
  for (QWidget* control : std::initializer_list<QWidget*>{window.get(), window->eTerm, window->mResults,
                                                           window->lKelvaraLink, window->SpeedButton2}) {
    SCOPED_TRACE(control->objectName().toStdString());
    EXPECT_EQ(control->font().pixelSize(), pixels);
  }
  EXPECT_TRUE(window->lKelvaraLink->font().underline());
  EXPECT_TRUE(window->SpeedButton2->font().bold());
  EXPECT_TRUE(window->bVariables->font().bold());
  EXPECT_FALSE(window->eTerm->font().bold());
  EXPECT_EQ(window->lKelvaraLink->palette().color(QPalette::WindowText), QColor(0, 0, 128));
  EXPECT_EQ(window->lKelvaraLink->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MainWindow, TabWalksTheControlsInTheDesignOrder) {
  StartEmpty();
  const std::vector<QWidget*> expected = {window->eTerm,     window->bSmartCalculate, window->bCalculate,
                                          window->rbRadMode, window->cbComplex,       window->mResults,
                                          window->sgVariables};
  QWidget* w = window->eTerm;
  std::vector<QWidget*> seen;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    seen.push_back(w);
    do {
      w = w->nextInFocusChain();
    } while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(window.get()) || w == window->rbDegMode);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(w, window->eTerm);  // and round again
  for (QWidget* flat : std::initializer_list<QWidget*>{window->SpeedButton1, window->SpeedButton2, window->bVariables,
                                                        window->bClearResults, window->bOpen, window->bSave,
                                                        window->bAddVar, window->bDeleteVar}) {
    EXPECT_EQ(flat->focusPolicy(), Qt::NoFocus) << flat->objectName().toStdString();
  }
}

TEST_F(MainWindow, HidingAndShowingThePanelSwitchesCaptionHintAndWidth) {
  StartEmpty();
  const int wide = window->width();
  const int high = window->height();
  Click(window->bVariables);
  EXPECT_FALSE(window->pVariables->isVisible());
  EXPECT_EQ(window->bVariables->text(), ">>");
  EXPECT_EQ(window->bVariables->toolTip(), "Show variables");
  EXPECT_EQ(window->width(), window->pEntry->width());
  EXPECT_NEAR(window->width(), 297 * window->LayoutScale(), 1.0);
  EXPECT_EQ(window->height(), high);
  Click(window->bVariables);
  EXPECT_TRUE(window->pVariables->isVisible());
  EXPECT_EQ(window->bVariables->text(), "<<");
  EXPECT_EQ(window->bVariables->toolTip(), "Hide variables");
  EXPECT_EQ(window->width(), wide);
}

TEST_F(MainWindow, TheRadioButtonsSetTheAngleMode) {
  StartEmpty();
  struct TStep {
    QRadioButton* click;
    bool degMode;
    const char* line;
  };
  const TStep steps[] = {
      {window->rbDegMode, true, "Result: 1"},
      {window->rbRadMode, false, "Result: 0.893996663600558"},
      {window->rbDegMode, true, "Result: 1"},
      {window->rbDegMode, true, "Result: 1"},
  };
  for (const TStep& step : steps) {
    Click(step.click);
    EXPECT_EQ(DegMode, step.degMode);
    Type("sin(90)");
    Click(window->bCalculate);
    EXPECT_EQ(Results().last().toStdString(), step.line);
  }
}

TEST_F(MainWindow, TheHelpButtonsAskForContextsOneAnd999) {
  StartEmpty();
  Click(window->SpeedButton1);
  Click(window->SpeedButton2);
  const std::vector<std::pair<std::uint16_t, std::int32_t>> expected = {{kHelpContextCommand, 1},
                                                                          {kHelpContextCommand, 999}};
  EXPECT_EQ(helpRequests, expected);
}

TEST_F(MainWindow, F1AsksForTheFocusedControlsContext) {
  StartEmpty();
  struct TCase {
    QWidget* focus;
    std::int32_t context;
  };
  const TCase cases[] = {
      {window->eTerm, 20},     {window->sgVariables, 10}, {window->bCalculate, 1}, {window->cbComplex, 1},
      {window->rbRadMode, 1},  {window->mResults, 1},     {window->bSmartCalculate, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.focus->objectName().toStdString());
    helpRequests.clear();
    Focus(c.focus);
    ASSERT_EQ(QApplication::focusWidget(), c.focus);
    QTest::keyClick(c.focus, Qt::Key_F1);
    ASSERT_EQ(helpRequests.size(), 1u);
    EXPECT_EQ(helpRequests[0].first, kHelpContextCommand);
    EXPECT_EQ(helpRequests[0].second, c.context);
  }
  // Inside the grid's cell editor the grid's context holds.
  helpRequests.clear();
  EditCell(1, 1, "2", true);
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, window->sgVariables);
  QTest::keyClick(editor, Qt::Key_F1);
  ASSERT_EQ(helpRequests.size(), 1u);
  EXPECT_EQ(helpRequests[0].second, 10);
}

TEST_F(MainWindow, HelpContextsOfTheDesign) {
  StartEmpty();
  EXPECT_EQ(HelpContextOf(window.get()), 1);
  EXPECT_EQ(HelpContextOf(window->eTerm), 20);
  EXPECT_EQ(HelpContextOf(window->sgVariables), 10);
  EXPECT_EQ(HelpContextOf(window->bCalculate), 0);
  EXPECT_EQ(EffectiveHelpContext(window->bCalculate), 1);
  EXPECT_EQ(EffectiveHelpContext(window->rbDegMode), 1);
  EXPECT_EQ(EffectiveHelpContext(nullptr), 0);
}

TEST_F(MainWindow, TheLinkOpensTheMakersFreewarePage) {
  StartEmpty();
  QTest::mouseClick(window->lKelvaraLink, Qt::LeftButton);
  ASSERT_EQ(openedUrls.size(), 1u);
  EXPECT_EQ(openedUrls[0].toString(), "http://www.kelvara.example/freeware.html");
  // A right click is no click on the link.
  QTest::mouseClick(window->lKelvaraLink, Qt::RightButton);
  EXPECT_EQ(openedUrls.size(), 1u);
}

TEST_F(MainWindow, TheFileDialogsOfferVeltaroVariableTables) {
  StartEmpty();
  Click(window->bSave);
  Click(window->bOpen);
  ASSERT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(dialogs.calls[0].what, "Save");
  EXPECT_EQ(dialogs.calls[1].what, "Open");
  for (const auto& call : dialogs.calls) {
    EXPECT_EQ(call.title, "Veltaro variable table");
    EXPECT_EQ(call.text, "*.vlt");
  }
}

TEST_F(MainWindow, TheOpenDialogTakesExistingFilesOnly) {
  StartEmpty();
  TQtDialogs real(window.get());
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QTimer::singleShot(0, [&mode] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      mode = dialog->fileMode();
      dialog->reject();
    }
  });
  std::string name;
  EXPECT_FALSE(real.ExecuteOpenDialog(TableFileFilter(), name));
  EXPECT_EQ(mode, QFileDialog::ExistingFile);
}

TEST_F(MainWindow, ClosingWithUnsavedWorkAsksAndCancelKeepsTheWindow) {
  StartEmpty();
  Type("a");
  Focus(window->cbComplex);
  window->close();  // a variable a term created is no work
  EXPECT_TRUE(dialogs.calls.empty());
  EXPECT_FALSE(window->isVisible());
  window->show();
  QApplication::processEvents();
  EditCell(2, 1, "typed");
  dialogs.questionAnswers = {TAnswer::Cancel, TAnswer::No};
  window->close();
  EXPECT_TRUE(window->isVisible());
  window->close();
  EXPECT_FALSE(window->isVisible());
  ASSERT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(dialogs.calls[0].what, "Question");
  EXPECT_EQ(dialogs.calls[0].text, "Save changes to the variable table?");
}

TEST(Glyphs, AreScalablePicturesWithTheirDisabledImages) {
  const TGlyph all[] = {TGlyph::Help, TGlyph::Smile,  TGlyph::Calculator, TGlyph::Eraser, TGlyph::Variables,
                        TGlyph::Open, TGlyph::Save,   TGlyph::Add,        TGlyph::Delete, TGlyph::Application};
  for (const TGlyph glyph : all) {
    SCOPED_TRACE(static_cast<int>(glyph));
    const QIcon icon = GlyphIcon(glyph);
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 20, 64}) {
      const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
      ASSERT_EQ(image.size(), QSize(size, size));
      // Something is drawn in the middle of the picture.
      EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 0);
    }
  }
  for (const TGlyph glyph : {TGlyph::Eraser, TGlyph::Delete}) {
    const QIcon icon = GlyphIcon(glyph);
    const QImage normal = icon.pixmap(QSize(32, 32), 1.0, QIcon::Normal).toImage();
    const QImage disabled = icon.pixmap(QSize(32, 32), 1.0, QIcon::Disabled).toImage();
    EXPECT_NE(normal, disabled);
    EXPECT_TRUE(disabled.allGray());
  }
}

}  // namespace
}  // namespace veltaro::testing_support
