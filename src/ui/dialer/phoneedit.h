#pragma once

#include "ui/editors/buttonedit.h"

// A telephone number: typed in capitals from a small set of characters; its
// button opens the "Dial" dialog on the number.
class PhoneEdit : public ButtonEdit {
  Q_OBJECT

 public:
  explicit PhoneEdit(QWidget* parent);

  // Letters stand for keypad digits; "Q" has none.
  bool lettersAllowed() const { return lettersAllowed_; }
  void setLettersAllowed(bool on) { lettersAllowed_ = on; }
  static bool isPhoneChar(QChar c, bool letters);

 protected:
  bool isValidChar(QChar c) const override;
  void keyPressEvent(QKeyEvent* event) override;
  void buttonClick() override;

 private:
  bool lettersAllowed_ = true;
};
