#pragma once

#include <QColor>
#include <QFrame>
#include <QStyle>

class QToolButton;

// A page of the open book: the page colour, the edges of the pages below on
// the outer side and the shade of the binding on the inner side.
class TBookPage : public QFrame {
 public:
  TBookPage(QWidget* parent, bool leftPage) : QFrame(parent), left_(leftPage) {}
  QColor color{0xC0, 0xC0, 0xC0};

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool left_;
};

// A flat speed-bar button that never takes the focus; the text, when given,
// sits under the glyph.
QToolButton* SpeedBarButton(QWidget* bar, const QString& name, const QString& hint,
                            QStyle::StandardPixmap icon, const QString& text = {});
