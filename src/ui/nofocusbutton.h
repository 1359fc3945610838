#pragma once

#include <QPushButton>

// A glyph button that never takes the keyboard focus (no click or Tab focus),
// so clicking it leaves the focus where the user was typing. The glyph always
// shows: a caption too long for the rest is cut with an ellipsis.
class NoFocusButton : public QPushButton {
  Q_OBJECT

 public:
  explicit NoFocusButton(QWidget* parent = nullptr);

  void setGlyph(const QPixmap& glyph);
  // Where the glyph and the caption as shown (cut to fit) go.
  struct Face {
    QRect glyph;
    QRect caption;
    QString text;
  };
  Face face() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
