// The variables grid as the user meets it: typing right after a click,
// where its focus is, tips for cut texts, resizable columns and marked
// invalid values.
#include <QHeaderView>
#include <QImage>
#include <QTextDocument>
#include <QToolTip>

#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

class Grid : public WindowTest {
 protected:
  // A window whose grid holds the variables of term, each of value 0.
  void StartWith(const QString& term) {
    StartEmpty();
    Type(term);
    Focus(window->sgVariables);
    Focus(window->eTerm);
    // Leaving an empty entry field rebuilds nothing.
    window->eTerm->clear();
  }

  TStringGrid& G() { return *window->sgVariables; }
  QModelIndex Index(int col, int row) { return G().model()->index(row - 1, col); }

  void ClickCell(int col, int row) {
    QTest::mouseClick(G().viewport(), Qt::LeftButton, {}, G().visualRect(Index(col, row)).center());
  }

  // Keys as a keyboard sends them: each to the widget that has the focus then.
  static void TypeKeys(const QString& keys) {
    for (const QChar key : keys) {
      QWidget* target = QApplication::focusWidget();
      ASSERT_NE(target, nullptr);
      QTest::keyClick(target, key.toLatin1());
    }
  }

  static void WaitPastDoubleClickTime() { QTest::qWait(QApplication::doubleClickInterval() + 150); }

  QLineEdit* OpenEditor(int col, int row) { return qobject_cast<QLineEdit*>(G().indexWidget(Index(col, row))); }

  // Closes the cell's editor with the key, as the user does.
  void CloseEditor(int col, int row, Qt::Key key) {
    QTest::keyClick(OpenEditor(col, row), key);
    QApplication::processEvents();
  }

  QImage GridPicture() { return G().viewport()->grab().toImage(); }

  // The picture's pixel at a point of the viewport given in its own pixels.
  static QColor PixelAt(const QImage& picture, QPoint p) {
    const double ratio = picture.devicePixelRatio();
    return picture.pixelColor(int(p.x() * ratio), int(p.y() * ratio));
  }

  // The tip the grid shows for the cell, or "" when it shows none.
  QString TipFor(int col, int row) {
    QToolTip::hideText();
    QTest::qWait(400);
    const QPoint at = G().visualRect(Index(col, row)).center();
    QHelpEvent help(QEvent::ToolTip, at, G().viewport()->mapToGlobal(at));
    QApplication::sendEvent(G().viewport(), &help);
    QApplication::processEvents();
    if (!QToolTip::isVisible()) return {};
    QTextDocument document;
    document.setHtml(QToolTip::text());
    return document.toPlainText();
  }
};

// Keys typed at once after a click reach the cell: a second click on the
// selected cell, a click on the cell that is current after a rebuild, a
// click on the current cell right after a variable was added.
TEST_F(Grid, KeysTypedRightAfterAClickReachTheCell) {
  StartWith("x+y");
  ASSERT_EQ(RowTexts(GridRows()), (std::vector<std::string>{"x=0=", "y=0="}));

  // Click, wait, click the same cell again, type at once.
  ClickCell(1, 2);
  WaitPastDoubleClickTime();
  ClickCell(1, 2);
  TypeKeys("42");
  WaitPastDoubleClickTime();
  ASSERT_NE(OpenEditor(1, 2), nullptr);
  EXPECT_EQ(OpenEditor(1, 2)->text(), "42");
  CloseEditor(1, 2, Qt::Key_Return);
  EXPECT_EQ(G().Cell(1, 2), "42");

  // The comment cell, typed even before the double click time is over.
  ClickCell(2, 1);
  WaitPastDoubleClickTime();
  ClickCell(2, 1);
  TypeKeys("a");
  ASSERT_NE(OpenEditor(2, 1), nullptr);
  TypeKeys("b");
  WaitPastDoubleClickTime();
  ASSERT_NE(OpenEditor(2, 1), nullptr);
  EXPECT_EQ(OpenEditor(2, 1)->text(), "ab");
  CloseEditor(2, 1, Qt::Key_Return);
  EXPECT_EQ(G().Cell(2, 1), "ab");

  // Right after "Add variable": the current cell is selected again.
  dialogs.inputAnswers.push_back(std::string("z"));
  Click(window->bAddVar);
  ASSERT_EQ(G().RowCount(), 4);
  const int row = G().Row();
  const int col = G().Col();
  ClickCell(col, row);
  TypeKeys("7");
  WaitPastDoubleClickTime();
  ASSERT_NE(OpenEditor(col, row), nullptr);
  EXPECT_EQ(OpenEditor(col, row)->text(), "7");
  CloseEditor(col, row, Qt::Key_Return);
  EXPECT_EQ(G().Cell(col, row), "7");
}

// Without typing, a second click on the selected cell still opens its
// editor on the cell's text, once the double click time is over.
TEST_F(Grid, ASecondClickOnTheSelectedCellOpensItsEditor) {
  StartWith("x");
  ClickCell(1, 1);
  WaitPastDoubleClickTime();
  ClickCell(1, 1);
  EXPECT_EQ(OpenEditor(1, 1), nullptr);  // a double click may still follow
  WaitPastDoubleClickTime();
  ASSERT_NE(OpenEditor(1, 1), nullptr);
  EXPECT_EQ(OpenEditor(1, 1)->text(), "0");
  EXPECT_EQ(OpenEditor(1, 1)->selectedText(), "0");
  CloseEditor(1, 1, Qt::Key_Escape);
  EXPECT_EQ(G().Cell(1, 1), "0");

  // A double click opens it at once, without a second editor afterwards.
  QTest::mouseDClick(G().viewport(), Qt::LeftButton, {}, G().visualRect(Index(1, 1)).center());
  ASSERT_NE(OpenEditor(1, 1), nullptr);
  CloseEditor(1, 1, Qt::Key_Escape);
  WaitPastDoubleClickTime();
  EXPECT_EQ(OpenEditor(1, 1), nullptr);
}

// The focused grid frames its current cell in the text colour; without the
// focus the frame is gone.
TEST_F(Grid, ShowsWhereItsFocusIs) {
  StartWith("x+y");
  for (const auto& [col, row] : {std::pair{1, 1}, std::pair{2, 2}}) {
    SCOPED_TRACE("cell " + std::to_string(col) + "," + std::to_string(row));
    G().SetCurrentCell(col, row);
    const QRect cell = G().visualRect(Index(col, row));
    const QColor text = G().palette().color(QPalette::Active, QPalette::Text);
    // Points of the frame's four sides, each well inside the side's two
    // pixels at any scale.
    const QPoint edges[] = {{cell.center().x(), cell.top() + 1},
                            {cell.center().x(), cell.bottom()},
                            {cell.left() + 1, cell.center().y()},
                            {cell.right(), cell.center().y()}};
    Focus(window->sgVariables);
    ASSERT_TRUE(G().hasFocus());
    const QImage focused = GridPicture();
    Focus(window->eTerm);
    const QImage unfocused = GridPicture();
    for (const QPoint& p : edges) {
      EXPECT_EQ(PixelAt(focused, p), text) << p.x() << "," << p.y();
      EXPECT_NE(PixelAt(unfocused, p), text) << p.x() << "," << p.y();
    }
  }
}

// A value or comment cell too narrow for its text shows the whole text as a
// tip; a text that fits shows none.
TEST_F(Grid, ACellTooNarrowForItsTextShowsItAsATip) {
  StartWith("x+y");
  const QString longValue = QStringLiteral("123456789*987654321+0.5");
  const QString longComment = QStringLiteral("the speed of the train between the two stations, in metres per second");
  EditCell(1, 1, longValue);
  EditCell(2, 1, longComment);
  EditCell(2, 2, "short");
  EXPECT_EQ(TipFor(1, 1), longValue);
  EXPECT_EQ(TipFor(2, 1), longComment);
  EXPECT_EQ(TipFor(1, 2), "");
  EXPECT_EQ(TipFor(2, 2), "");
  // Widened far enough, the cell shows its text and no tip.
  G().horizontalHeader()->resizeSection(2, 2000);
  EXPECT_EQ(TipFor(2, 1), "");

  // A text of megabytes shows its start only, ended by an ellipsis.
  G().Model().SetCell(2, 2, std::string(3'000'000, 'w'));
  const QString tip = TipFor(2, 2);
  ASSERT_FALSE(tip.isEmpty());
  EXPECT_LT(tip.size(), 5000);
  EXPECT_TRUE(tip.startsWith(QString(1000, QLatin1Char('w'))));
  EXPECT_TRUE(tip.endsWith(QChar(0x2026)));
}

// The user widens a column by dragging its header's edge; the next rebuild
// of the grid sets the program's widths again.
TEST_F(Grid, TheUserMayWidenColumnsUntilTheNextRebuild) {
  StartWith("x");
  QHeaderView* header = G().horizontalHeader();
  const int value = G().ColWidth(1);
  const int comment = G().ColWidth(2);
  ASSERT_EQ(comment, 3 * value);
  for (const int col : {1, 0}) {
    const int before = G().ColWidth(col);
    const int edge = header->sectionViewportPosition(col) + header->sectionSize(col) - 1;
    const int y = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
    QTest::mouseMove(header->viewport(), QPoint(edge + 20, y));
    QTest::mouseMove(header->viewport(), QPoint(edge + 50, y));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 50, y));
    EXPECT_EQ(G().ColWidth(col), before + 50) << "column " << col;
  }
  window->Model().ReadVariableTable();
  EXPECT_EQ(G().ColWidth(0), value);
  EXPECT_EQ(G().ColWidth(1), value);
  EXPECT_EQ(G().ColWidth(2), comment);
}

// After a failed write-back the invalid value cells are listed, and marked
// on red until the grid is rebuilt.
TEST_F(Grid, InvalidValuesAreMarkedUntilTheNextRebuild) {
  StartWith("a+b+c+d");
  EditCell(1, 1, "1+");
  EditCell(1, 2, "2*pi");
  EditCell(1, 3, "sin(");
  EditCell(1, 4, "x");  // a value is a term without variables
  EXPECT_FALSE(window->Model().WriteVariableTable());
  const std::vector<int> invalid = InvalidValueRows(G().Model().Rows());
  EXPECT_EQ(invalid, (std::vector<int>{1, 3, 4}));

  G().MarkInvalidCells(invalid);
  G().SetCurrentCell(2, 2);
  Focus(window->eTerm);
  auto redness = [this](int row) {
    const QRect cell = G().visualRect(Index(1, row));
    const QColor c = PixelAt(GridPicture(), QPoint(cell.right() - 3, cell.top() + 3));
    return c.red() - std::max(c.green(), c.blue());
  };
  for (int row = 1; row <= 4; ++row) {
    const bool marked = row != 2;
    EXPECT_EQ(G().Model().IsMarkedInvalid(row), marked) << "row " << row;
    if (marked) {
      EXPECT_GT(redness(row), 40) << "row " << row;
    } else {
      EXPECT_EQ(redness(row), 0) << "row " << row;
    }
  }
  // Editing does not take the marks off; a rebuild does.
  EditCell(1, 1, "1");
  EXPECT_TRUE(G().Model().IsMarkedInvalid(1));
  window->Model().ReadVariableTable();
  G().SetCurrentCell(2, 2);
  for (int row = 1; row <= 4; ++row) {
    EXPECT_FALSE(G().Model().IsMarkedInvalid(row)) << "row " << row;
    EXPECT_EQ(redness(row), 0) << "row " << row;
  }

  // Marks on a dark palette keep the value readable.
  EditCell(1, 1, "1+");
  const QPalette light = QApplication::palette();
  QPalette dark = light;
  dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
  QApplication::setPalette(dark);
  G().MarkInvalidCells(InvalidValueRows(G().Model().Rows()));
  const QModelIndex marked = Index(1, 1);
  const QColor back = marked.data(Qt::BackgroundRole).value<QBrush>().color();
  const QColor fore = marked.data(Qt::ForegroundRole).value<QBrush>().color();
  QApplication::setPalette(light);
  EXPECT_LT(back.lightness(), 128);
  EXPECT_GT(fore.lightness(), 128);
}

}  // namespace
}  // namespace veltaro::testing_support
