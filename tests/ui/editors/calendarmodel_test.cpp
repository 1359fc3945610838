#include "ui/editors/calendarmodel.h"

#include <gtest/gtest.h>

namespace {

struct MoveCase {
  const char* name;
  QDate from;
  int key;
  QDate to;
};

class CalendarKeys : public testing::TestWithParam<MoveCase> {};

TEST_P(CalendarKeys, MoveTheSelection) {
  const MoveCase& c = GetParam();
  CalendarModel m(c.from, QDate(2024, 1, 1));
  m.key(c.key);
  EXPECT_EQ(m.selected(), c.to);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Keys, CalendarKeys, testing::Values(
    MoveCase{"EndIsAYearBack", QDate(2024, 3, 15), Qt::Key_End, QDate(2023, 3, 15)},
    MoveCase{"HomeIsAYearForward", QDate(2023, 3, 15), Qt::Key_Home, QDate(2024, 3, 15)},
    MoveCase{"HomeFromLeapDay", QDate(2024, 2, 29), Qt::Key_Home, QDate(2025, 3, 1)},
    MoveCase{"EndFromLeapDay", QDate(2024, 2, 29), Qt::Key_End, QDate(2023, 3, 1)},
    MoveCase{"HomeIntoLeapYear", QDate(2023, 3, 15), Qt::Key_Home, QDate(2024, 3, 15)},
    MoveCase{"EndFromJanuaryOfYearAfterLeap", QDate(2025, 1, 10), Qt::Key_End, QDate(2024, 1, 10)},
    MoveCase{"PageUpCountsDaysOfPreviousMonth", QDate(2023, 3, 31), Qt::Key_PageUp, QDate(2023, 3, 3)},
    MoveCase{"PageUpFromJanuaryUsesDecember", QDate(2024, 1, 15), Qt::Key_PageUp, QDate(2023, 12, 15)},
    MoveCase{"PageDownCountsDaysOfThisMonth", QDate(2023, 1, 31), Qt::Key_PageDown, QDate(2023, 3, 3)},
    MoveCase{"LeftIsADayBack", QDate(2024, 3, 1), Qt::Key_Left, QDate(2024, 2, 29)},
    MoveCase{"RightIsADayOn", QDate(2024, 3, 1), Qt::Key_Right, QDate(2024, 3, 2)},
    MoveCase{"UpIsAWeekBack", QDate(2024, 3, 1), Qt::Key_Up, QDate(2024, 2, 23)},
    MoveCase{"DownIsAWeekOn", QDate(2024, 3, 1), Qt::Key_Down, QDate(2024, 3, 8)},
    MoveCase{"OtherKeysDoNothing", QDate(2024, 3, 1), Qt::Key_A, QDate(2024, 3, 1)}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

TEST(CalendarModel, KeysSayWhatToRedrawAndWhenToClose) {
  CalendarModel m(QDate(2024, 3, 15), QDate(2024, 3, 20));
  using R = CalendarModel::KeyResult;
  EXPECT_EQ(m.key(Qt::Key_Right), R::Moved);
  EXPECT_EQ(m.previousCell(), m.selectedCell() - 1);
  EXPECT_EQ(m.key(Qt::Key_Down), R::Moved);
  EXPECT_EQ(m.key(Qt::Key_Down), R::Moved);
  EXPECT_EQ(m.key(Qt::Key_Down), R::MovedMonth);  // 6 April
  EXPECT_EQ(m.key(Qt::Key_Return), R::Close);
  EXPECT_EQ(m.key(Qt::Key_Escape), R::Cancel);
  EXPECT_EQ(m.selected(), QDate(2024, 4, 6));
}

TEST(CalendarModel, CellsHoldTheMonthSundayFirst) {
  // March 2024 begins on a Friday: cell 6.
  CalendarModel m(QDate(2024, 3, 15), QDate(2024, 3, 20));
  EXPECT_EQ(m.firstWeekday(), 6);
  EXPECT_EQ(m.cellText(5), QStringLiteral("  "));
  EXPECT_EQ(m.cellText(6), QStringLiteral("1"));
  EXPECT_EQ(m.cellText(36), QStringLiteral("31"));
  EXPECT_EQ(m.cellText(37), QStringLiteral("  "));
  EXPECT_EQ(m.selectedCell(), 20);
  EXPECT_TRUE(m.isToday(25));
  EXPECT_EQ(m.title(), QStringLiteral("March 15, 2024"));
  EXPECT_FALSE(m.selectCell(3));  // an empty cell selects nothing
  EXPECT_EQ(m.selected(), QDate(2024, 3, 15));
  EXPECT_TRUE(m.selectCell(8));
  EXPECT_EQ(m.selected(), QDate(2024, 3, 3));
  // Sunday the first: cell 1.
  EXPECT_EQ(CalendarModel(QDate(2023, 10, 9), {}).firstWeekday(), 1);
  // A blank edit starts on today.
  EXPECT_EQ(CalendarModel(QDate(), QDate(2020, 5, 6)).selected(), QDate(2020, 5, 6));
}

TEST(CalendarGeometry, PlacesCellsBoxesAndButtons) {
  const CalendarGeometry g = CalendarGeometry::fromFont(5, 12);  // U 8, R 16
  EXPECT_EQ(g.unit, 8);
  EXPECT_EQ(g.row, 16);
  EXPECT_EQ(g.formSize(), QSize(176, 156));
  EXPECT_EQ(g.cell(1), QRect(4, 34, 24, 16));
  EXPECT_EQ(g.cell(9), QRect(28, 50, 24, 16));
  EXPECT_EQ(g.cell(42), QRect(148, 114, 24, 16));
  EXPECT_EQ(g.previousBox(), QRect(4, 2, 16, 16));
  EXPECT_EQ(g.nextBox(), QRect(156, 2, 16, 16));
  EXPECT_EQ(g.cellAt(QPoint(4, 34)), 1);
  EXPECT_EQ(g.cellAt(QPoint(30, 55)), 9);
  EXPECT_EQ(g.cellAt(QPoint(171, 129)), 42);
  EXPECT_EQ(g.cellAt(QPoint(10, 20)), 0);   // weekday row
  EXPECT_EQ(g.cellAt(QPoint(10, 130)), 0);  // below the grid
  EXPECT_EQ(g.todayButton(), QRect(54, 128, 30, 24));
  EXPECT_EQ(g.cancelButton(), QRect(92, 128, 30, 24));
  // 4/3 × 15 = 20.
  EXPECT_EQ(CalendarGeometry::fromFont(10, 15).row, 20);
}

TEST(PopupPosition, BelowTheEditUnlessAnEdgeIsInTheWay) {
  const QRect screen(0, 0, 1024, 768);
  const QSize size(176, 156);
  EXPECT_EQ(popupPosition(QRect(100, 100, 120, 24), size, screen), QPoint(101, 125));
  // Near the lower right corner: above the edit and flush with the right edge.
  EXPECT_EQ(popupPosition(QRect(950, 700, 120, 24), size, screen), QPoint(847, 544));
}

}  // namespace
