#include "ui/editors/dateedit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include "core/prompt.h"
#include "ui/editors/calendarpopup.h"
#include "ui/qtprompter.h"

DateEdit::DateEdit(QWidget* parent) : ButtonEdit(parent) {
  setAutoSelect(false);
  setMaxLength(10);
  setDragEnabled(false);
  setAcceptDrops(false);
  button()->setToolTip(QStringLiteral("Click here to display a Calendar"));
  menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("dateEditMenu"));
  undoAction = menu->addAction(QStringLiteral("Undo"), this, [this] {
    model_.undo();
    redisplay();
  });
  todayAction = menu->addAction(QStringLiteral("Today"), this, [this] {
    setDate(DateEditModel::formatDate(today(), model_.format()));
    model_.noteTyped();
    undoAction->setEnabled(model_.undoEnabled());
  });
  clearAction = menu->addAction(QStringLiteral("Clear"), this, [this] {
    model_.clearKeepingUndo();
    undoAction->setEnabled(model_.undoEnabled());
    redisplay();
  });
  menu->addSeparator();
  helpAction = menu->addAction(QStringLiteral("&Help"), this, [this] {
    if (helpContext) showHelpTopic(helpContext);
  });
  undoAction->setObjectName(QStringLiteral("undoAction"));
  todayAction->setObjectName(QStringLiteral("todayAction"));
  clearAction->setObjectName(QStringLiteral("clearAction"));
  helpAction->setObjectName(QStringLiteral("helpAction"));
  undoAction->setEnabled(false);
  redisplay();
}

QDate DateEdit::today() { return QDate::currentDate(); }

bool DateEdit::setDate(const QString& text) {
  const bool taken = model_.setText(text);
  redisplay();
  return taken;
}

void DateEdit::setDateFormat(const QString& format) {
  model_.setFormat(format);
  redisplay();
}

void DateEdit::setDateValue(const QDate& date) {
  model_.setDateValue(date);
  redisplay();
}

void DateEdit::redisplay() {
  // setText() puts the caret at the end; the model's caret is what counts.
  if (text() != model_.text()) setText(model_.text());
  setCursorPosition(model_.caret());
}

void DateEdit::afterTyping() {
  redisplay();
  model_.noteTyped();
  undoAction->setEnabled(model_.undoEnabled());
}

void DateEdit::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (event->matches(QKeySequence::Paste)) {
    if (!isReadOnly() && model_.typeText(QApplication::clipboard()->text())) afterTyping();
    return;
  }
  if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll)) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    event->ignore();  // the window's keys; nothing here may break the mask
    return;
  }
  switch (event->key()) {
    case Qt::Key_Home:
      model_.home();
      redisplay();
      return;
    case Qt::Key_End:
      model_.end();
      redisplay();
      return;
    case Qt::Key_Left:
      model_.left();
      redisplay();
      return;
    case Qt::Key_Right:
      model_.right();
      redisplay();
      return;
    case Qt::Key_Backspace:
      if (!isReadOnly() && model_.backspace()) afterTyping();
      redisplay();
      return;
    case Qt::Key_Delete:
      if (!isReadOnly() && model_.blankRight()) afterTyping();
      redisplay();
      return;
    default:
      break;
  }
  const QString typed = event->text();
  if (typed.isEmpty() || !typed[0].isPrint()) {
    QLineEdit::keyPressEvent(event);  // Tab, Enter, Escape and the like go on as usual
    return;
  }
  for (QChar c : typed) {
    if (!isValidChar(c)) {
      refuseChar();
      continue;
    }
    if (!isReadOnly() && model_.typeDigit(c)) afterTyping();
  }
  redisplay();
}

void DateEdit::inputMethodEvent(QInputMethodEvent* event) {
  // Composed text is typed like keys: digits go in, the rest is refused.
  const QString committed = event->commitString();
  for (QChar c : committed) {
    if (!DateEditModel::isValidChar(c))
      refuseChar();
    else if (!isReadOnly() && model_.typeDigit(c))
      afterTyping();
  }
  redisplay();
  event->accept();
}

void DateEdit::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const int end = hasSelectedText() ? selectionEnd() : cursorPosition();
  model_.placeCaret(end);
  if (model_.caret() != end) setCursorPosition(model_.caret());
}

void DateEdit::focusInEvent(QFocusEvent* event) {
  ButtonEdit::focusInEvent(event);
  if (keepEntry_ || !leftForAnotherControl(event->reason())) return;
  model_.enter();
  redisplay();
}

void DateEdit::focusOutEvent(QFocusEvent* event) {
  ButtonEdit::focusOutEvent(event);
  if (keepEntry_ || !leftForAnotherControl(event->reason()) || !isEnabled() || !isVisible()) return;
  const bool valid = model_.leave();
  redisplay();
  undoAction->setEnabled(model_.undoEnabled());
  if (valid) return;
  keepEntry_ = true;
  showMessage(MsgKind::Error, QStringLiteral("Invalid Date!"));
  keepEntry_ = false;
  setFocus(Qt::OtherFocusReason);
}

void DateEdit::contextMenuEvent(QContextMenuEvent* event) { menu->popup(event->globalPos()); }

void DateEdit::showCalendar() {
  if (isReadOnly()) return;
  if (model_.zeroFillGroups()) redisplay();
  int result = CalendarPopup::Rejected;
  {
    CalendarPopup popup(this);
    result = popup.exec();
  }
  if (result == CalendarPopup::TodayResult) setDateValue(today());
  keepEntry_ = true;  // back from the calendar, not a new entry
  setFocus(Qt::OtherFocusReason);
  keepEntry_ = false;
  model_.home();
  redisplay();
}
