#pragma once

#include <QLineEdit>
#include <QToolButton>

// The small push button inside the right edge of a button edit: an ellipsis
// on a thin raised or sunken border.
class EditButton : public QToolButton {
  Q_OBJECT

 public:
  static constexpr int kWidth = 20;
  explicit EditButton(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A single-line edit with an EditButton at its right edge; typing stays clear
// of the button. Characters are offered to isValidChar() before the edit sees them.
class ButtonEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit ButtonEdit(QWidget* parent);

  EditButton* button() const { return button_; }
  bool buttonVisible() const { return buttonVisible_; }
  void setButtonVisible(bool on);
  // Whether entering the edit selects its whole text.
  bool autoSelect() const { return autoSelect_; }
  void setAutoSelect(bool on) { autoSelect_ = on; }
  int helpContext = 0;  // for F1 and the menus' "&Help"

 protected:
  // Carriage return and line feed never go into the text.
  virtual bool isValidChar(QChar c) const;
  virtual void refuseChar();  // the default beep
  virtual void buttonClick() {}

  // Whether the key's characters all pass isValidChar(); refuses them when not.
  bool passesChars(const QKeyEvent* event);
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void updateTextRect();

 private:
  EditButton* button_;
  bool buttonVisible_ = true;
  bool autoSelect_ = true;
};

// A button edit whose button reports its clicks; the hint is the button's tooltip.
class ClickEdit : public ButtonEdit {
  Q_OBJECT

 public:
  explicit ClickEdit(QWidget* parent);
  QString buttonHint() const { return button()->toolTip(); }
  void setButtonHint(const QString& hint) { button()->setToolTip(hint); }

 signals:
  void buttonClicked();

 protected:
  void buttonClick() override { emit buttonClicked(); }
};

// "Entered" for the edits' leave checks: focus taken by another control of the
// program, not by a pop-up, a menu or another window.
bool leftForAnotherControl(Qt::FocusReason reason);
