#include "ui/editors/calendarmodel.h"

#include <QtCore/qnamespace.h>
#include <QLocale>
#include <cmath>

CalendarModel::CalendarModel(const QDate& start, const QDate& today)
    : selected_(start.isValid() ? start : today), today_(today) {
  move(0);
  previousCell_ = 0;
}

bool CalendarModel::holdsDay(int cell) const {
  return cell >= firstWeekday_ && cell <= firstWeekday_ + selected_.daysInMonth() - 1;
}

QString CalendarModel::cellText(int cell) const {
  return holdsDay(cell) ? QString::number(cell - firstWeekday_ + 1) : QStringLiteral("  ");
}

bool CalendarModel::isToday(int cell) const {
  return holdsDay(cell) && today_.year() == selected_.year() &&
         today_.month() == selected_.month() && today_.day() == cell - firstWeekday_ + 1;
}

QString CalendarModel::title() const {
  return QLocale::c().toString(selected_, QStringLiteral("MMMM d, yyyy"));
}

bool CalendarModel::move(int days) {
  previousCell_ = selectedCell();
  const QDate before = selected_;
  selected_ = selected_.addDays(days);
  // Sunday is 1, as the cells count.
  firstWeekday_ = QDate(selected_.year(), selected_.month(), 1).dayOfWeek() % 7 + 1;
  return before.month() != selected_.month() || before.year() != selected_.year();
}

bool CalendarModel::pageUp() {
  const QDate previousMonth = selected_.addMonths(-1);
  return move(-QDate(previousMonth.year(), previousMonth.month(), 1).daysInMonth());
}

bool CalendarModel::pageDown() { return move(selected_.daysInMonth()); }

bool CalendarModel::yearForward() {
  const int oldCell = selectedCell();
  const QDate before = selected_;
  if (QDate::isLeapYear(selected_.year()) && selected_.month() <= 2) move(1);
  move(365);
  if (QDate::isLeapYear(selected_.year()) && selected_.month() >= 3) move(1);
  previousCell_ = oldCell;
  return before.month() != selected_.month() || before.year() != selected_.year();
}

bool CalendarModel::yearBack() {
  const int oldCell = selectedCell();
  const QDate before = selected_;
  if (QDate::isLeapYear(selected_.year()) && selected_.month() >= 3) move(-1);
  move(-365);
  if (QDate::isLeapYear(selected_.year()) && selected_.month() <= 2) move(-1);
  previousCell_ = oldCell;
  return before.month() != selected_.month() || before.year() != selected_.year();
}

bool CalendarModel::selectCell(int cell) {
  if (!holdsDay(cell)) return false;
  move(cell - selectedCell());
  return true;
}

CalendarModel::KeyResult CalendarModel::key(int qtKey) {
  auto moved = [](bool month) { return month ? KeyResult::MovedMonth : KeyResult::Moved; };
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return KeyResult::Close;
    case Qt::Key_Escape:
      return KeyResult::Cancel;
    case Qt::Key_PageUp:
      pageUp();
      return KeyResult::MovedMonth;  // the whole form is redrawn
    case Qt::Key_PageDown:
      pageDown();
      return KeyResult::MovedMonth;
    case Qt::Key_End:
      yearBack();
      return KeyResult::MovedMonth;
    case Qt::Key_Home:
      yearForward();
      return KeyResult::MovedMonth;
    case Qt::Key_Left:
      return moved(move(-1));
    case Qt::Key_Right:
      return moved(move(1));
    case Qt::Key_Up:
      return moved(move(-7));
    case Qt::Key_Down:
      return moved(move(7));
    default:
      return KeyResult::Ignored;
  }
}

CalendarGeometry CalendarGeometry::fromFont(int averageCharWidth, int charHeight) {
  // Rounding half to even, as the sizes were first worked out.
  return {static_cast<int>(std::nearbyint(1.6 * averageCharWidth)),
          static_cast<int>(std::nearbyint(charHeight * 4.0 / 3.0))};
}

QRect CalendarGeometry::weekdayCell(int column) const {
  const int left = 4 + 3 * unit * (column - 1);
  return rect(left, row + 2, left + 3 * unit, 2 * row + 2);
}

QRect CalendarGeometry::cell(int n) const {
  const int r = (n - 1) / 7 + 1;
  const int c = n - 7 * (r - 1);
  const int left = 4 + 3 * unit * (c - 1);
  return rect(left, row + r * row + 2, left + 3 * unit, row * (r + 2) + 2);
}

int CalendarGeometry::cellAt(const QPoint& p) const {
  const int top = 2 * row + 2;
  if (p.x() < 4 || p.y() < top || unit <= 0 || row <= 0) return 0;
  const int r = (p.y() - top) / row + 1;
  const int c = (p.x() - 4) / (3 * unit) + 1;
  if (r > 6 || c > 7) return 0;
  return (r - 1) * 7 + c;
}

QRect CalendarGeometry::todayButton() const {
  const QSize form = formSize();
  return QRect(form.width() / 2 - 30 - 4, form.height() - 24 - 4, 30, 24);
}

QRect CalendarGeometry::cancelButton() const {
  const QSize form = formSize();
  return QRect(form.width() / 2 + 4, form.height() - 24 - 4, 30, 24);
}

QPoint popupPosition(const QRect& edit, const QSize& size, const QRect& screen) {
  const int editBottom = edit.y() + edit.height();
  int left = edit.x() + 1;
  if (screen.x() + screen.width() < left + size.width() + 1)
    left = screen.x() + screen.width() - size.width() - 1;
  int top = editBottom + 1;
  if (top + size.height() > screen.y() + screen.height()) top = edit.y() - size.height();
  return {left, top};
}
