// The variables panel: grid rebuild and write-back, leaving the entry field
// and the grid, "Add variable" and "Delete variable".
#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>

#include "QtText.h"
#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

using VariablesPanel = WindowTest;
using Rows = std::vector<std::string>;

TEST_F(VariablesPanel, AnEmptyTableShowsTheHeaderAndOneBlankRow) {
  StartEmpty();
  EXPECT_EQ(window->sgVariables->RowCount(), 2);
  EXPECT_EQ(window->sgVariables->Cell(0, 0), "Label");
  EXPECT_EQ(window->sgVariables->Cell(1, 0), "Value");
  EXPECT_EQ(window->sgVariables->Cell(2, 0), "Comment");
  EXPECT_EQ(window->sgVariables->model()->headerData(2, Qt::Horizontal).toString(), "Comment");
  EXPECT_EQ(RowTexts(GridRows()), Rows({"=="}));
  EXPECT_EQ(window->sgVariables->ColWidth(2), 3 * window->sgVariables->ColWidth(1));
  EXPECT_NEAR(window->sgVariables->ColWidth(1), 64 * window->LayoutScale(), 1.0);
  EXPECT_NEAR(window->sgVariables->rowHeight(0), 24 * window->LayoutScale(), 1.0);
}

TEST_F(VariablesPanel, LabelsCannotBeTypedIntoTheGrid) {
  StartEmpty();
  Type("a");
  Click(window->bCalculate);
  const QModelIndex label = window->sgVariables->model()->index(0, 0);
  EXPECT_FALSE(window->sgVariables->model()->flags(label) & Qt::ItemIsEditable);
  EXPECT_FALSE(window->sgVariables->model()->setData(label, "b", Qt::EditRole));
  window->sgVariables->edit(label);
  EXPECT_EQ(window->sgVariables->indexWidget(label), nullptr);
  EXPECT_EQ(GridRows()[0][0], "a");
}

TEST_F(VariablesPanel, LeavingTheEntryFieldDiscardsPendingGridEditsOnlyWhenTheTermParses) {
  StartEmpty();
  Type("a");
  Focus(window->cbComplex);
  EditCell(1, 1, "a+1");  // invalid: the write-back fails and the text stays
  EXPECT_EQ(GridRows()[0][1], "a+1");
  Type("2+*");
  Focus(window->cbComplex);
  EXPECT_EQ(GridRows()[0][1], "a+1");
  Type("a+b");
  Focus(window->cbComplex);
  EXPECT_EQ(RowTexts(GridRows()), Rows({"a=0=", "b=0="}));
}

TEST_F(VariablesPanel, LeavingTheGridWritesItBack) {
  StartEmpty();
  Type("a+b");
  Focus(window->cbComplex);
  EditCell(1, 1, "2*pi");
  EditCell(2, 1, "a circle");
  EditCell(1, 2, "1+2*i");
  Focus(window->eTerm);
  ASSERT_EQ(GlobalVarTable.labels.size(), 2u);
  EXPECT_NEAR(GlobalVarTable.values[0].re, 6.283185307179586, 1e-15);
  EXPECT_EQ(GlobalVarTable.comments[0], "a circle");
  EXPECT_EQ(GlobalVarTable.values[1], (TComplex{1, 2}));
  // The cells keep what was typed until the next rebuild.
  EXPECT_EQ(GridRows()[0][1], "2*pi");
  Focus(window->cbComplex);  // leaving the entry field with a parsing term rebuilds
  EXPECT_EQ(RowTexts(GridRows()), Rows({"a=6.28318530717959=a circle", "b=1+2*i="}));
}

TEST_F(VariablesPanel, AValueCellReferringToAVariableIsInvalid) {
  StartEmpty();
  Type("a+b");
  Focus(window->cbComplex);
  EditCell(1, 2, "a+1");
  Focus(window->eTerm);
  EXPECT_EQ(GridRows()[1][1], "a+1");
  EXPECT_EQ(GlobalVarTable.values[1], TComplex{});
  EXPECT_TRUE(dialogs.calls.empty());
  EXPECT_TRUE(Results().isEmpty());
}

TEST_F(VariablesPanel, AValueKeepsFullPrecisionOnlyUntilItsTextIsRebuilt) {
  StartEmpty();
  Type("t");
  Focus(window->cbComplex);
  EditCell(1, 1, "1/3");
  Focus(window->eTerm);
  EXPECT_EQ(GlobalVarTable.values[0].re, 1.0 / 3.0);
  Focus(window->cbComplex);  // rebuild: "0.333333333333333"
  Focus(window->sgVariables);
  Focus(window->eTerm);
  EXPECT_EQ(GlobalVarTable.values[0].re, 0.333333333333333);
}

TEST_F(VariablesPanel, AnOpenCellEditorIsReadByTheCommands) {
  StartEmpty();
  Type("a");
  Focus(window->cbComplex);
  EditCell(1, 1, "4", /*leaveOpen=*/true);
  Click(window->bAddVar);  // the flat button takes no focus; the editor stays open
  ASSERT_EQ(GlobalVarTable.values.size(), 1u);
  EXPECT_EQ(GlobalVarTable.values[0], (TComplex{4, 0}));
}

TEST_F(VariablesPanel, TheCommentColumnIsThreeTimesTheValueColumnAfterEveryRebuild) {
  StartEmpty();
  window->sgVariables->SetColWidth(1, 40);
  Type("q");
  Focus(window->cbComplex);
  EXPECT_EQ(window->sgVariables->ColWidth(2), 120);
}

// A cell draws the same picture as it would from its whole text, however
// long the text and whatever its characters (short of thousands of
// zero-width ones in a row before what it shows), at the designed widths and
// at a column far wider; an editor and the write-back get the whole text.
TEST_F(VariablesPanel, LongTextsLookAsTheWholeTextInTheirCells) {
  StartEmpty();
  TStringGrid& grid = *window->sgVariables;
  auto repeat = [](const std::string& piece, std::size_t count) {
    std::string text;
    for (std::size_t k = 0; k < count; ++k) text += piece;
    return text;
  };
  const std::string texts[] = {
      repeat("word ", 8000),
      repeat("e\xCC\x81\xCC\xA3\xCC\x88", 6000),                                      // a letter under three marks
      repeat("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7", 3000),  // joined pictographs
      repeat("\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8", 6000),                           // jamo forming syllables
      repeat("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ", 5000),                              // right to left
      repeat("\xE2\x80\x8B", 3000) + repeat("\xF0\x9D\x92\x9C", 6000),                // zero width, then wide
      repeat("\xE2\x80\x8B", 1000) + "end" + repeat("\xE2\x80\x8By", 20000),       // zero width among letters
      repeat("\x80\xFF" "a", 7000),                                                   // not UTF-8
      std::string(300, 'x'),
  };
  QStandardItemModel whole(1, 1);
  for (const int width : {grid.ColWidth(2), 1500}) {
    grid.SetColWidth(2, width);
    for (const std::string& text : texts) {
      SCOPED_TRACE("width " + std::to_string(width) + ", text of " + std::to_string(text.size()) + " bytes");
      grid.Model().SetCell(2, 1, text);
      const QModelIndex cell = grid.model()->index(0, 2);
      whole.setData(whole.index(0, 0), ToQString(text), Qt::DisplayRole);
      QStyleOptionViewItem option;
      option.initFrom(grid.viewport());
      option.rect = QRect(0, 0, grid.ColWidth(2), grid.rowHeight(0));
      option.font = grid.font();
      option.textElideMode = grid.textElideMode();
      option.features = QStyleOptionViewItem::HasDisplay;
      auto draw = [&](const QModelIndex& index) {
        QImage image(option.rect.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        grid.itemDelegate()->paint(&painter, option, index);
        return image;
      };
      EXPECT_TRUE(draw(cell) == draw(whole.index(0, 0)));
      EXPECT_EQ(ToStdString(grid.model()->data(cell, Qt::EditRole).toString()), ToStdString(ToQString(text)));
    }
  }
  grid.Model().SetCell(1, 1, "2");
  grid.Model().SetCell(0, 1, "x");
  ASSERT_TRUE(window->Model().WriteVariableTable());
  EXPECT_EQ(GlobalVarTable.comments[0], std::string(300, 'x'));
}

// Opening a cell's editor and leaving it unchanged keeps a long text whole.
TEST_F(VariablesPanel, AnEditorKeepsALongTextWhole) {
  StartEmpty();
  TStringGrid& grid = *window->sgVariables;
  const std::string text = std::string(70000, 'c') + "\xC3\xA9nd";
  grid.Model().SetCell(0, 1, "x");
  grid.Model().SetCell(1, 1, "1");
  grid.Model().SetCell(2, 1, text);
  const QModelIndex cell = grid.model()->index(0, 2);
  grid.setFocus();
  grid.setCurrentIndex(cell);
  grid.edit(cell);
  ASSERT_NE(grid.indexWidget(cell), nullptr);
  grid.CommitOpenEditor();
  EXPECT_EQ(grid.Cell(2, 1), text);
  ASSERT_TRUE(window->Model().WriteVariableTable());
  EXPECT_EQ(GlobalVarTable.comments[0], text);
}

}  // namespace
}  // namespace veltaro::testing_support
