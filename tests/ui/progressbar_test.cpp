#include "ui/progressbar.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "support/qtapp.h"
#include "ui/progresswindow.h"

namespace {

class PercentTest : public ::testing::Test {
 protected:
  void SetUp() override { testApp(); }
};

}  // namespace

TEST_F(PercentTest, Defaults) {
  ProgressBar p;
  EXPECT_EQ(p.size(), QSize(90, 20));
  EXPECT_EQ(p.percentColor(), QColor(255, 0, 0));
  EXPECT_TRUE(p.showPercent());
  EXPECT_EQ(p.percentShaded(), 0);
}

TEST_F(PercentTest, BarEndRoundsHalvesToEven) {
  // (length − 4) × percent / 100 + 2
  EXPECT_EQ(ProgressBar::barEnd(54, 1), 2);      // 0.5 → 0
  EXPECT_EQ(ProgressBar::barEnd(54, 3), 4);      // 1.5 → 2
  EXPECT_EQ(ProgressBar::barEnd(54, 5), 4);      // 2.5 → 2
  EXPECT_EQ(ProgressBar::barEnd(297, 50), 148);  // 146.5 → 146
  EXPECT_EQ(ProgressBar::barEnd(90, 100), 88);
  EXPECT_EQ(ProgressBar::barEnd(90, 0), 2);
}

TEST_F(PercentTest, PercentIsClampedAndShownAsText) {
  ProgressBar p;
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
  ProgressBar p;
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
  ProgressWindow dlg;
  EXPECT_EQ(dlg.windowTitle(), "Progress");
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dlg.windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
  EXPECT_EQ(dlg.progressBar()->size(), QSize(297, 33));
  EXPECT_EQ(dlg.progressBar()->percentColor(), QColor(0, 128, 0));
}

// What percent a position is, total zero included, is the progress model's
// (core progress_test); here the window shows it under its caption.
TEST_F(PercentTest, ProgressWindowShowsThePositionAndTheHourglassWhileOpen) {
  WindowProgress shown;
  setProgress(&shown);
  progress().open("Applying Filter - Please Wait...");
  ASSERT_NE(shown.window(), nullptr);
  EXPECT_EQ(shown.window()->windowTitle(), "Applying Filter - Please Wait...");
  EXPECT_TRUE(shown.window()->isVisible());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  progress().setPosition(0, 0);
  EXPECT_EQ(shown.window()->progressBar()->shownText(), "100%");
  shown.open("Export again");  // still one window, one hourglass
  shown.setPosition(3, 8);
  EXPECT_EQ(shown.window()->progressBar()->percentShaded(), 38);
  progress().close();
  setProgress(nullptr);
  EXPECT_EQ(shown.window(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
