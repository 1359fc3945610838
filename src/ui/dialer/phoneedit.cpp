#include "ui/dialer/phoneedit.h"

#include <QKeyEvent>

#include "ui/dialer/calldialog.h"

PhoneEdit::PhoneEdit(QWidget* parent) : ButtonEdit(parent) {
  resize(120, 22);
  button()->setToolTip(QStringLiteral("Click here to Dial"));
  helpContext = 112;
}

bool PhoneEdit::isPhoneChar(QChar c, bool letters) {
  const char16_t u = c.unicode();
  if (u == u'\b' || u == u'(' || u == u')' || u == u'+' || u == u'-') return true;
  if (u >= u'0' && u <= u'9') return true;
  return letters && u >= u'A' && u <= u'Z' && u != u'Q';
}

bool PhoneEdit::isValidChar(QChar c) const {
  if (c.unicode() < 32) return ButtonEdit::isValidChar(c);
  return isPhoneChar(c, lettersAllowed_);
}

void PhoneEdit::keyPressEvent(QKeyEvent* event) {
  const QString upper = event->text().toUpper();
  if (upper == event->text()) {
    ButtonEdit::keyPressEvent(event);
    return;
  }
  QKeyEvent typed(event->type(), event->key(), event->modifiers(), upper, event->isAutoRepeat(),
                  ushort(event->count()));
  ButtonEdit::keyPressEvent(&typed);
  event->setAccepted(typed.isAccepted());
}

void PhoneEdit::buttonClick() {
  {
    CallDialog dialog(this);
    dialog.setNumber(text());
    dialog.exec();
  }
  setFocus();
}
