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

TEST_F(FormatedButtonTest, TextKeepsTheLeadingCharactersThatFitWithoutEllipsis) {
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
  EXPECT_EQ(fitText("Dune", fm, 1000), "Dune");
  EXPECT_EQ(fitText("Dune", fm, 0), "");
}

// Each column takes its percent (the low eight bits of it) of the width less
// the gaps and the margins of 4; a column past 100 percent gets nothing.
TEST_F(FormatedButtonTest, ColumnsShareTheWidthLessGapsAndMargins) {
  constexpr int kSome = -1;  // any width above zero
  const struct {
    int width;
    int gap;  // -1: the default
    std::vector<int> percents;
    std::vector<int> widths;
  } cases[] = {{266, -1, {50, 30, 20}, {50 * 246 / 100, 30 * 246 / 100, 20 * 246 / 100}},
               {261, 0, {100}, {253}},
               {260, -1, {150, 0, 40}, {0, 0, kSome}},
               {260, -1, {256 + 50, 256}, {kSome, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " wide, gap " << c.gap);
    ContentsEntry b;
    b.resize(c.width, 23);
    if (c.gap >= 0) b.setGap(c.gap);
    for (int p : c.percents) b.addColumn("Column", p);
    const EntryColumns& cols = b.layoutColumns();
    for (size_t i = 0; i < c.widths.size(); ++i) {
      if (c.widths[i] == kSome)
        EXPECT_GT(cols.columns[i].pixelWidth, 0) << i;
      else
        EXPECT_EQ(cols.columns[i].pixelWidth, c.widths[i]) << i;
    }
    if (c.gap < 0) {
      EXPECT_EQ(b.gap(), 4);
      EXPECT_EQ(cols.totalWidth, c.width - int(c.percents.size()) * 4 - 8);
    }
  }
  ContentsEntry b;
  b.addColumn("Title", 256 + 50);
  EXPECT_EQ(b.layoutColumns().columns[0].share(), 50);
}

TEST_F(FormatedButtonTest, ResizingRedistributes) {
  ContentsEntry b;
  b.resize(260, 23);
  b.addColumn("Title", 100);
  const int before = b.layoutColumns().columns[0].pixelWidth;
  b.resize(160, 23);
  EXPECT_EQ(b.layoutColumns().columns[0].pixelWidth, before - 100);
}

TEST_F(FormatedButtonTest, SetTextIgnoresMissingColumnsCutsTo128AndClearKeepsColumns) {
  ContentsEntry b;
  b.addColumn("a", 50);
  b.setText(1, "ignored");
  b.setText(-1, "ignored");
  EXPECT_EQ(b.columnCount(), 1);
  b.setText(0, QString(200, 'x'));
  EXPECT_EQ(b.text(0).size(), 128);
  b.addColumn(QString(130, 'y'), 50);
  EXPECT_EQ(b.text(1).size(), 128);
  // Clearing the texts keeps the columns.
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
