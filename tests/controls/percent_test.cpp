#include "percent.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "percentdlg.h"
#include "qtapp.h"

namespace {

class PercentTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApp(); }
};

}  // namespace

TEST_F(PercentTest, Defaults) {
  TPercent p;
  EXPECT_EQ(p.size(), QSize(90, 20));
  EXPECT_EQ(p.percentColor(), QColor(255, 0, 0));
  EXPECT_TRUE(p.showPercent());
  EXPECT_EQ(p.percentShaded(), 0);
}

TEST_F(PercentTest, BarEndRoundsHalvesToEven) {
  // (length − 4) × percent / 100 + 2
  EXPECT_EQ(TPercent::BarEnd(54, 1), 2);      // 0.5 → 0
  EXPECT_EQ(TPercent::BarEnd(54, 3), 4);      // 1.5 → 2
  EXPECT_EQ(TPercent::BarEnd(54, 5), 4);      // 2.5 → 2
  EXPECT_EQ(TPercent::BarEnd(297, 50), 148);  // 146.5 → 146
  EXPECT_EQ(TPercent::BarEnd(90, 100), 88);
  EXPECT_EQ(TPercent::BarEnd(90, 0), 2);
}

TEST_F(PercentTest, PercentIsClampedAndShownAsText) {
  TPercent p;
  p.setPercentShaded(140);
  EXPECT_EQ(p.percentShaded(), 100);
  EXPECT_EQ(p.shownText(), "100%");
  p.setPercentShaded(-3);
  EXPECT_EQ(p.shownText(), "0%");
  p.setCaption("Copying");
  p.setShowPercent(false);
  EXPECT_EQ(p.shownText(), "Copying");
}

TEST_F(PercentTest, BarIsColouredUpToItsEndAndWhiteAfter) {
  TPercent p;
  p.resize(104, 20);
  p.setShowPercent(false);
  p.setPercentColor(QColor(0, 128, 0));
  p.setPercentShaded(50);  // end at 100 × 50 / 100 + 2 = 52
  const QImage img = p.grab().toImage();
  EXPECT_EQ(img.pixelColor(0, 10), QColor(128, 128, 128));
  EXPECT_EQ(img.pixelColor(103, 10), QColor(Qt::white));
  EXPECT_EQ(img.pixelColor(1, 10), QColor(0, 128, 0));
  EXPECT_EQ(img.pixelColor(51, 10), QColor(0, 128, 0));
  EXPECT_EQ(img.pixelColor(52, 10), QColor(Qt::black));  // outline of the rest
  EXPECT_EQ(img.pixelColor(70, 10), QColor(Qt::white));
}

TEST_F(PercentTest, ProgressWindowIsFixedOnTopAndGreen) {
  TPercentDlg dlg;
  EXPECT_EQ(dlg.windowTitle(), "Progress");
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
  EXPECT_EQ(dlg.Percent1()->size(), QSize(297, 33));
  EXPECT_EQ(dlg.Percent1()->percentColor(), QColor(0, 128, 0));
}

TEST_F(PercentTest, ProgressTotalZeroShowsHundredPercent) {
  TWindowProgress progress;
  SetProgress(&progress);
  Progress().open("Applying Filter - Please Wait...");
  ASSERT_NE(progress.window(), nullptr);
  EXPECT_EQ(progress.window()->windowTitle(), "Applying Filter - Please Wait...");
  EXPECT_TRUE(progress.window()->isVisible());
  Progress().setPosition(0, 0);
  EXPECT_EQ(progress.window()->Percent1()->percentShaded(), 100);
  EXPECT_EQ(progress.window()->Percent1()->shownText(), "100%");
  Progress().close();
  SetProgress(nullptr);
}

TEST_F(PercentTest, ProgressShowsTheHourglassWhileOpen) {
  TWindowProgress progress;
  progress.open("Export");
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  progress.open("Export again");  // still one window, one hourglass
  progress.setPosition(3, 8);
  EXPECT_EQ(progress.window()->Percent1()->percentShaded(), 38);
  progress.close();
  EXPECT_EQ(progress.window(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
