#pragma once

#include <QDate>

#include "ui/editors/buttonedit.h"
#include "ui/editors/dateeditmodel.h"

class QMenu;

// A date edit: a "/"-separated mask in the DateFormat order with four-digit
// years, typed over digit by digit, checked on leaving ("Invalid Date!"),
// with its own menu and a month calendar behind its button.
class DateEdit : public ButtonEdit {
  Q_OBJECT

 public:
  explicit DateEdit(QWidget* parent);

  // The text with "_" in empty places; writing it keeps the old text when
  // the new one is no date.
  QString date() const { return model_.text(); }
  bool setDate(const QString& text);
  QString dateFormat() const { return model_.format(); }
  void setDateFormat(const QString& format);
  // Invalid when blank (or when the text is no date).
  QDate dateValue() const { return model_.dateValue(); }
  void setDateValue(const QDate& date);
  bool isBlank() const { return model_.isBlank(); }
  const DateEditModel& model() const { return model_; }

  // Opens the calendar as the button does (not when read-only).
  void showCalendar();
  // Today's date for "Today", the calendar and its Today button.
  static QDate today();

  QMenu* menu;
  QAction* undoAction;
  QAction* todayAction;
  QAction* clearAction;
  QAction* helpAction;

 protected:
  bool isValidChar(QChar c) const override { return DateEditModel::isValidChar(c); }
  void buttonClick() override { showCalendar(); }
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  void redisplay();
  void afterTyping();

  DateEditModel model_;
  bool keepEntry_ = false;  // focus comes back from our own box or calendar
};
