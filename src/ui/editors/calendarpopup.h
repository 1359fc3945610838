// The month calendar a date edit's button opens, to pick a date by key or mouse.
#pragma once

// A borderless pop-up below the edit; it closes with the date taken, with
// today's date asked for, or with nothing changed.

#include <QDialog>

#include "ui/editors/calendarmodel.h"

class DateEdit;
class QToolButton;

class CalendarPopup : public QDialog {
  Q_OBJECT

 public:
  // Accepted: the edit has the chosen date; TodayResult: the edit takes
  // today's date; Rejected: nothing changes.
  enum { TodayResult = 2 };

  explicit CalendarPopup(DateEdit* edit);

  const CalendarModel& model() const { return model_; }
  const CalendarGeometry& geometry() const { return geometry_; }

  QToolButton* todayButton;
  QToolButton* cancelButton;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void takeSelected();
  void paintArrowBox(class QPainter& p, const QRect& box, bool left);

  DateEdit* edit_;
  CalendarModel model_;
  CalendarGeometry geometry_;
  QFont font_;
  bool dragging_ = false;
};
