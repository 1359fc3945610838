#include "core/progress.h"

#include <gtest/gtest.h>

#include <vector>

struct PercentCase {
  qint64 position;
  qint64 total;
  int percent;
};

class ProgressPercentTest : public ::testing::TestWithParam<PercentCase> {};

TEST_P(ProgressPercentTest, RoundsHalvesToEven) {
  const PercentCase c = GetParam();
  EXPECT_EQ(progressPercent(c.position, c.total), c.percent) << c.position << " of " << c.total;
}

INSTANTIATE_TEST_SUITE_P(Halves, ProgressPercentTest,
                         ::testing::Values(PercentCase{1, 8, 12},   // 12.5
                                           PercentCase{3, 8, 38},   // 37.5
                                           PercentCase{5, 8, 62},   // 62.5
                                           PercentCase{7, 8, 88},   // 87.5
                                           PercentCase{1, 200, 0},  // 0.5
                                           PercentCase{3, 200, 2},  // 1.5
                                           PercentCase{1, 3, 33},   // 33.33
                                           PercentCase{2, 3, 67},   // 66.67
                                           PercentCase{0, 0, 100},  // nothing to do is done
                                           PercentCase{5, 0, 100}, PercentCase{0, 7, 0},
                                           PercentCase{7, 7, 100},
                                           PercentCase{999999, 1000000, 100},
                                           PercentCase{4999999, 1000000000, 0}));

TEST(roundHalfEvenDiv, ExactAndHalfQuotients) {
  EXPECT_EQ(roundHalfEvenDiv(10, 5), 2);
  EXPECT_EQ(roundHalfEvenDiv(5, 2), 2);
  EXPECT_EQ(roundHalfEvenDiv(7, 2), 4);
  EXPECT_EQ(roundHalfEvenDiv(-5, 2), -2);
  EXPECT_EQ(roundHalfEvenDiv(-7, 2), -4);
  EXPECT_EQ(roundHalfEvenDiv(11, 4), 3);
}

TEST(ProgressCounter, ReportsAChangeOnlyWhenPositionOrPercentMoves) {
  ProgressCounter c;
  EXPECT_TRUE(c.setPosition(0, 1000));
  EXPECT_FALSE(c.setPosition(0, 1000));
  EXPECT_TRUE(c.setPosition(1, 1000));
  EXPECT_EQ(c.percent(), 0);
  EXPECT_TRUE(c.setPosition(1, 2));
  EXPECT_EQ(c.percent(), 50);
}

TEST(ProgressCounter, StepAdvancesByOneWithTheLastTotal) {
  ProgressCounter c;
  c.setPosition(2, 8);
  EXPECT_TRUE(c.step());
  EXPECT_EQ(c.position(), 3);
  EXPECT_EQ(c.percent(), 38);
}

namespace {

// Records what a window would show.
class RecordingProgress : public Progress {
 public:
  std::vector<QString> opened;
  std::vector<int> shown;
  int closed = 0;

 protected:
  void showWindow(const QString& caption) override { opened.push_back(caption); }
  void showPercent(int percent) override { shown.push_back(percent); }
  void hideWindow() override { ++closed; }
};

}  // namespace

TEST(progress, WindowSeesEachChangeOnce) {
  RecordingProgress p;
  p.open("Applying Filter - Please Wait...");
  p.setPosition(0, 4);
  p.setPosition(0, 4);
  p.step();
  p.step();
  p.close();
  EXPECT_EQ(p.opened, std::vector<QString>({"Applying Filter - Please Wait..."}));
  EXPECT_EQ(p.shown, std::vector<int>({0, 25, 50}));
  EXPECT_EQ(p.closed, 1);
}

TEST(progress, TotalZeroShowsHundred) {
  RecordingProgress p;
  p.open("Export");
  p.setPosition(0, 0);
  EXPECT_EQ(p.shown, std::vector<int>({100}));
}

TEST(progress, NothingShownOrClosedWhileNotOpen) {
  RecordingProgress p;
  p.setPosition(1, 2);
  p.close();
  EXPECT_TRUE(p.shown.empty());
  EXPECT_EQ(p.closed, 0);
}

TEST(progress, ReopeningRestartsThePosition) {
  RecordingProgress p;
  p.open("One");
  p.setPosition(3, 4);
  p.open("Two");
  p.setPosition(3, 4);
  EXPECT_EQ(p.shown, std::vector<int>({75, 75}));
}

TEST(progress, CurrentIsSilentUntilOneIsInstalled) {
  RecordingProgress p;
  progress().open("Nobody sees this");
  progress().close();
  setProgress(&p);
  progress().open("Reindex");
  progress().setPosition(1, 2);
  progress().close();
  setProgress(nullptr);
  progress().open("Silent again");
  progress().close();
  EXPECT_EQ(p.opened, std::vector<QString>({"Reindex"}));
  EXPECT_EQ(p.shown, std::vector<int>({50}));
}
