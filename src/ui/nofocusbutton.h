#pragma once

#include <QPushButton>

// A glyph button that never takes the keyboard focus (no click or Tab focus),
// so clicking it leaves the focus where the user was typing.
class NoFocusButton : public QPushButton {
  Q_OBJECT

 public:
  explicit NoFocusButton(QWidget* parent = nullptr);

  void setGlyph(const QPixmap& glyph);
};
