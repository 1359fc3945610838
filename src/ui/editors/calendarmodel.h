#pragma once

#include <QDate>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>

// The month calendar of a date edit without its window: the selected date,
// the 42 day cells (6 rows of 7, Sunday first), the key moves and where
// things lie for a unit width U and a row height R.
class CalendarModel {
 public:
  static constexpr int kCells = 42;

  CalendarModel(const QDate& start, const QDate& today);

  const QDate& selected() const { return selected_; }
  const QDate& today() const { return today_; }
  int selectedCell() const { return firstWeekday_ + selected_.day() - 1; }
  int previousCell() const { return previousCell_; }
  // "  " for a cell outside the month, else its day number.
  QString cellText(int cell) const;
  bool holdsDay(int cell) const;
  bool isToday(int cell) const;
  // 1 = Sunday: the column of the month's first day.
  int firstWeekday() const { return firstWeekday_; }
  QString title() const;  // "March 15, 2024"

  // Moves the selection; whether the month (and so every cell) changed.
  bool move(int days);
  bool pageUp();    // back by the days of the preceding month
  bool pageDown();  // on by the days of this month
  bool yearBack();
  bool yearForward();
  // The selection on the day of `cell`; false for a cell without a day.
  bool selectCell(int cell);

  // What a key does. Close: the selected date is taken; Cancel: nothing is.
  enum class KeyResult { Ignored, Moved, MovedMonth, Close, Cancel };
  KeyResult key(int qtKey);

 private:
  QDate selected_;
  QDate today_;
  int firstWeekday_ = 1;
  int previousCell_ = 0;
};

// Where the calendar's parts lie, from its font's average character width
// and height (U = 1.6 × width, R = 4/3 × height, both rounded).
struct CalendarGeometry {
  int unit = 0;  // U
  int row = 0;   // R

  static CalendarGeometry fromFont(int averageCharWidth, int charHeight);
  // Left, top, right and bottom; right and bottom lie just outside.
  static QRect rect(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }
  QSize formSize() const { return {21 * unit + 8, 8 * row + 28}; }
  QRect previousBox() const { return rect(4, 2, 20, 18); }
  QRect nextBox() const { return rect(21 * unit - 12, 2, 21 * unit + 4, 18); }
  QRect titleRect() const { return rect(20, 2, formSize().width() - 20, row); }
  QRect weekdayCell(int column) const;  // column 1..7
  QRect grid() const { return rect(4, 2 * row + 2, 21 * unit + 4, 8 * row + 2); }
  QRect cell(int n) const;  // n 1..42
  // The cell under a point of the grid; 0 outside it.
  int cellAt(const QPoint& p) const;
  QRect todayButton() const;
  QRect cancelButton() const;
};

// Where a pop-up of `size` opens for an edit at `edit` (screen coordinates)
// on a screen `screen`: below the edit, flush with the screen's right edge
// when it would pass it, above the edit when it would pass the bottom.
QPoint popupPosition(const QRect& edit, const QSize& size, const QRect& screen);
