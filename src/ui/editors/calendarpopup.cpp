#include "ui/editors/calendarpopup.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

#include "ui/editors/dateedit.h"

namespace {

const QColor kSilver(192, 192, 192);
const QColor kGrey(128, 128, 128);
const char* const kWeekdays[] = {"Su", "Mo", "Tu", "We", "Th", "Fr", "Sa"};

}  // namespace

CalendarPopup::CalendarPopup(DateEdit* edit)
    : QDialog(edit), edit_(edit), model_(edit->dateValue(), DateEdit::today()) {
  setObjectName(QStringLiteral("calendarPopup"));
  Qt::WindowFlags flags = Qt::Dialog | Qt::FramelessWindowHint;
  if (edit->window()->windowFlags() & Qt::WindowStaysOnTopHint) flags |= Qt::WindowStaysOnTopHint;
  setWindowFlags(flags);
  setModal(true);
  setToolTip(QStringLiteral("Click on a Day to update Date Field"));
  font_ = QFont(QStringLiteral("Arial"));
  font_.setPixelSize(11);
  const QFontMetrics metrics(font_);
  geometry_ = CalendarGeometry::fromFont(metrics.averageCharWidth(), metrics.height());
  setFixedSize(geometry_.formSize());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kSilver);
  setPalette(pal);
  setAutoFillBackground(true);

  todayButton = new QToolButton(this);
  todayButton->setObjectName(QStringLiteral("todayButton"));
  todayButton->setIcon(style()->standardIcon(QStyle::SP_DialogYesButton));
  todayButton->setToolTip(QStringLiteral("Set Today Date"));
  todayButton->setGeometry(geometry_.todayButton());
  todayButton->setFocusPolicy(Qt::NoFocus);
  connect(todayButton, &QToolButton::clicked, this, [this] { done(TodayResult); });
  cancelButton = new QToolButton(this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  cancelButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  cancelButton->setToolTip(QStringLiteral("Close Calendar Without Updating Date Field."));
  cancelButton->setGeometry(geometry_.cancelButton());
  cancelButton->setFocusPolicy(Qt::NoFocus);
  connect(cancelButton, &QToolButton::clicked, this, &QDialog::reject);

  const QRect at(edit->mapToGlobal(QPoint(0, 0)), edit->size());
  QScreen* screen = edit->screen() ? edit->screen() : QGuiApplication::primaryScreen();
  move(popupPosition(at, size(), screen->geometry()));
}

void CalendarPopup::takeSelected() {
  edit_->setDateValue(model_.selected());
  accept();
}

void CalendarPopup::keyPressEvent(QKeyEvent* event) {
  switch (model_.key(event->key())) {
    case CalendarModel::KeyResult::Close:
      takeSelected();
      return;
    case CalendarModel::KeyResult::Cancel:
      dragging_ = false;
      reject();
      return;
    case CalendarModel::KeyResult::Moved:
      update(geometry_.cell(model_.previousCell()));
      update(geometry_.cell(model_.selectedCell()));
      update(geometry_.titleRect());
      return;
    case CalendarModel::KeyResult::MovedMonth:
      update();
      return;
    case CalendarModel::KeyResult::Ignored:
      event->ignore();
      return;
  }
}

void CalendarPopup::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  if (geometry_.previousBox().contains(p)) {
    model_.pageUp();
    update();
  } else if (geometry_.nextBox().contains(p)) {
    model_.pageDown();
    update();
  } else if (geometry_.grid().contains(p)) {
    dragging_ = model_.selectCell(geometry_.cellAt(p));
    update();
  }
}

void CalendarPopup::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const int cell = geometry_.cellAt(event->position().toPoint());
  if (cell != model_.selectedCell() && model_.selectCell(cell)) update();
}

void CalendarPopup::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  takeSelected();
}

void CalendarPopup::paintArrowBox(QPainter& p, const QRect& box, bool left) {
  p.fillRect(box, kSilver);
  p.setPen(Qt::black);
  p.drawRect(box.adjusted(0, 0, -1, -1));
  p.setPen(Qt::white);
  p.drawLine(box.left() + 1, box.top() + 1, box.right() - 1, box.top() + 1);
  p.drawLine(box.left() + 1, box.top() + 1, box.left() + 1, box.bottom() - 1);
  p.setPen(kGrey);
  p.drawLine(box.right() - 1, box.top() + 1, box.right() - 1, box.bottom() - 1);
  p.drawLine(box.left() + 1, box.bottom() - 1, box.right() - 1, box.bottom() - 1);
  const QPointF c = QRectF(box).center();
  QPainterPath triangle;
  if (left) {
    triangle.moveTo(c.x() - 3, c.y());
    triangle.lineTo(c.x() + 2, c.y() - 5);
    triangle.lineTo(c.x() + 2, c.y() + 5);
  } else {
    triangle.moveTo(c.x() + 3, c.y());
    triangle.lineTo(c.x() - 2, c.y() - 5);
    triangle.lineTo(c.x() - 2, c.y() + 5);
  }
  triangle.closeSubpath();
  p.fillPath(triangle, Qt::black);
}

void CalendarPopup::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, kSilver);
  // Raised outer frame.
  p.setPen(Qt::black);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  p.setPen(Qt::white);
  p.drawLine(1, 1, r.width() - 2, 1);
  p.drawLine(1, 1, 1, r.height() - 2);
  p.setPen(kGrey);
  p.drawLine(r.width() - 2, 1, r.width() - 2, r.height() - 2);
  p.drawLine(1, r.height() - 2, r.width() - 2, r.height() - 2);

  QFont bold = font_;
  bold.setBold(true);
  p.setFont(bold);
  p.setPen(Qt::black);
  p.fillRect(geometry_.titleRect(), kSilver);
  p.drawText(geometry_.titleRect(), Qt::AlignCenter, model_.title());

  p.setFont(font_);
  for (int c = 1; c <= 7; ++c) {
    p.setPen(c == 1 ? Qt::red : Qt::black);
    p.drawText(geometry_.weekdayCell(c), Qt::AlignCenter, QLatin1String(kWeekdays[c - 1]));
  }
  const int u = geometry_.unit, rowHeight = geometry_.row;
  const int grooveY = 2 * rowHeight + 2 - 3;
  p.setPen(kGrey);
  p.drawLine(4, grooveY, 21 * u + 4, grooveY);
  p.setPen(Qt::white);
  p.drawLine(4, grooveY + 1, 21 * u + 4, grooveY + 1);

  const int selected = model_.selectedCell();
  for (int n = 1; n <= CalendarModel::kCells; ++n) {
    if (!model_.holdsDay(n)) continue;
    const QRect cell = geometry_.cell(n);
    if (n == selected) {
      p.setPen(kGrey);
      p.drawLine(cell.left(), cell.top(), cell.right(), cell.top());
      p.drawLine(cell.left(), cell.top(), cell.left(), cell.bottom());
      p.setPen(Qt::white);
      p.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
      p.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
      p.setFont(bold);
    } else {
      p.setFont(font_);
    }
    const bool firstColumn = (n - 1) % 7 == 0;
    p.setPen(model_.isToday(n) ? QColor(Qt::yellow)
             : firstColumn     ? QColor(Qt::red)
                               : QColor(Qt::black));
    p.drawText(cell, Qt::AlignCenter, model_.cellText(n));
  }
  paintArrowBox(p, geometry_.previousBox(), true);
  paintArrowBox(p, geometry_.nextBox(), false);
}
