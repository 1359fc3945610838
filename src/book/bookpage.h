#pragma once

#include <QColor>
#include <QFrame>
#include <QStyle>
#include <array>
#include <functional>

#include "ui/busycursor.h"

class QToolButton;
class ColorButton;

// A page of the open book: the page colour, the edges of the pages below on
// the outer side and the shade of the binding on the inner side.
class BookPage : public QFrame {
 public:
  BookPage(QWidget* parent, bool leftPage) : QFrame(parent), left_(leftPage) {}
  QColor color{0xC0, 0xC0, 0xC0};

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool left_;
};

// A flat speed-bar button that never takes the focus; the text, when given,
// sits under the glyph.
// The "Standard" and "Advanced" speed bars of a book window, made on `parent`.
void makeSpeedBars(QWidget* parent, QFrame*& standard, QFrame*& advanced);

QToolButton* speedBarButton(QWidget* bar, const QString& name, const QString& hint,
                            QStyle::StandardPixmap icon, const QString& text = {});

// The parts of a book view and their sizes, for PlaceBookParts.
struct BookParts {
  QWidget* leftPage;
  QWidget* rightPage;
  QWidget* letters;  // the letter column
  QWidget* bar1;     // the two speed bars share one place
  QWidget* bar2;
  QWidget* tabs;  // the speed bars' tab set
  int pageWidth;
  int pageHeight;
  int lettersWidth;
  int barHeight;
};

// Places pages, letter column, speed bars and tab set: the bars (with the
// tab set under them when shown) above or below the pages, the letter
// column between the pages or right of them. `barsHeight` is the height of
// the bars with the tab set, 0 when they are hidden. Returns the client size.
QSize placeBookParts(const BookParts& p, int barsHeight, bool barsOnTop, bool lettersRight);

// The letter column: 26 letter tabs "A".."Z" stacked from `top`, each
// `buttonHeight` high, staying down when chosen; `click` gets 0 for "A".
QFrame* buildLetterColumn(QWidget* parent, int width, int height, int top, int buttonHeight,
                          std::array<ColorButton*, 26>& buttons,
                          const std::function<void(int)>& click);

// A letter tab's colours: those of a letter with records or without, and the
// selected ones (colour elements 4 to 9).
void colorLetterButton(ColorButton* button, int letterIndex);
// Every letter tab on or off; tabs that are on get their colours again.
void enableLetterButtons(const std::array<ColorButton*, 26>& buttons, bool on);
