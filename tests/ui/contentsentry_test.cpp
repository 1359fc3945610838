#include "ui/contentsentry.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include "support/qtapp.h"

namespace {

class FormatedButtonTest : public ::testing::Test {
 protected:
  void SetUp() override { testApp(); }
};

}  // namespace

TEST_F(FormatedButtonTest, TooLongTextKeepsTheLeadingCharactersThatFitWithoutEllipsis) {
  const QFontMetrics fm(QApplication::font());
  const QString text = "The Name of the Rose";
  const int width = fm.horizontalAdvance("The Name") + 1;
  const QString shown = fitText(text, fm, width);
  EXPECT_TRUE(text.startsWith(shown));
  EXPECT_GE(shown.size(), 8);
  EXPECT_LT(shown.size(), text.size());
  EXPECT_LE(fm.horizontalAdvance(shown), width);
  EXPECT_GT(fm.horizontalAdvance(text.left(shown.size() + 1)), width);  // the longest that fits
  EXPECT_FALSE(shown.contains(QChar(0x2026)));
  EXPECT_FALSE(shown.endsWith("..."));
}

TEST_F(FormatedButtonTest, FittingTextIsShownWhole) {
  const QFontMetrics fm(QApplication::font());
  EXPECT_EQ(fitText("Dune", fm, 1000), "Dune");
  EXPECT_EQ(fitText("Dune", fm, 0), "");
}

TEST_F(FormatedButtonTest, ColumnsShareTheWidthLessGapsAndMargins) {
  ContentsEntry b;
  b.resize(266, 23);
  b.addColumn("Title", 50);
  b.addColumn("Author", 30);
  b.addColumn("Year", 20);
  ASSERT_EQ(b.gap(), 4);
  const EntryColumns& cols = b.layoutColumns();
  EXPECT_EQ(cols.totalWidth, 266 - 3 * 4 - 8);
  EXPECT_EQ(cols.columns[0].pixelWidth, 50 * 246 / 100);
  EXPECT_EQ(cols.columns[1].pixelWidth, 30 * 246 / 100);
  EXPECT_EQ(cols.columns[2].pixelWidth, 20 * 246 / 100);
}

TEST_F(FormatedButtonTest, GapZeroGivesTheColumnsTheWholeWidth) {
  ContentsEntry b;
  b.resize(261, 23);
  b.setGap(0);
  b.addColumn("Title", 100);
  EXPECT_EQ(b.layoutColumns().columns[0].pixelWidth, 253);
}

TEST_F(FormatedButtonTest, ColumnOverAHundredPercentIsZeroWidth) {
  ContentsEntry b;
  b.resize(260, 23);
  b.addColumn("Title", 150);
  b.addColumn("Author", 0);
  b.addColumn("Year", 40);
  const EntryColumns& cols = b.layoutColumns();
  EXPECT_EQ(cols.columns[0].pixelWidth, 0);
  EXPECT_EQ(cols.columns[1].pixelWidth, 0);
  EXPECT_GT(cols.columns[2].pixelWidth, 0);
}

TEST_F(FormatedButtonTest, OnlyTheLowEightBitsOfThePercentCount) {
  ContentsEntry b;
  b.resize(260, 23);
  b.addColumn("Title", 256 + 50);  // low byte 50
  b.addColumn("Author", 256);      // low byte 0
  const EntryColumns& cols = b.layoutColumns();
  EXPECT_EQ(cols.columns[0].share(), 50);
  EXPECT_EQ(cols.columns[1].pixelWidth, 0);
}

TEST_F(FormatedButtonTest, ResizingRedistributes) {
  ContentsEntry b;
  b.resize(260, 23);
  b.addColumn("Title", 100);
  const int before = b.layoutColumns().columns[0].pixelWidth;
  b.resize(160, 23);
  EXPECT_EQ(b.layoutColumns().columns[0].pixelWidth, before - 100);
}

TEST_F(FormatedButtonTest, SetTextIgnoresMissingColumnsAndCutsTo128) {
  ContentsEntry b;
  b.addColumn("a", 50);
  b.setText(1, "ignored");
  b.setText(-1, "ignored");
  EXPECT_EQ(b.columnCount(), 1);
  b.setText(0, QString(200, 'x'));
  EXPECT_EQ(b.text(0).size(), 128);
  b.addColumn(QString(130, 'y'), 50);
  EXPECT_EQ(b.text(1).size(), 128);
}

TEST_F(FormatedButtonTest, ClearTextsKeepsColumnsAndRemoveColumnsDropsThem) {
  ContentsEntry b;
  b.addColumn("Title", 60);
  b.addColumn("Author", 40);
  b.clearTexts();
  EXPECT_EQ(b.columnCount(), 2);
  EXPECT_EQ(b.text(0), "");
  EXPECT_EQ(b.text(1), "");
  b.removeColumns();
  EXPECT_EQ(b.columnCount(), 0);
}

TEST_F(FormatedButtonTest, TextIsDrawnInsideItsColumnOnly) {
  ContentsEntry b;
  b.resize(200, 23);
  b.setGap(0);
  b.setBgndColor(Qt::white);
  b.setTextColor(Qt::black);
  b.addColumn(QString(60, 'W'), 25);  // far too long for its 48 pixels
  b.addColumn("", 75);
  const QImage img = b.grab().toImage();
  const int cellEnd = 6 + b.layoutColumns().columns[0].pixelWidth;
  bool inked = false, spilled = false;
  for (int y = 4; y < 19; ++y) {
    for (int x = 6; x < cellEnd; ++x) inked |= img.pixelColor(x, y).lightness() < 100;
    for (int x = cellEnd; x < 190; ++x) spilled |= img.pixelColor(x, y).lightness() < 100;
  }
  EXPECT_TRUE(inked);
  EXPECT_FALSE(spilled);
}
