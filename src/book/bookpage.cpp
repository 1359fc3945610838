#include "book/bookpage.h"

#include <QApplication>
#include <QPainter>
#include <QToolButton>

#include "store/letters.h"
#include "ui/colorbutton.h"
#include "ui/elementcolors.h"

void BookPage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, color);
  const int outer = left_ ? 0 : r.width() - 1;
  const int step = left_ ? 1 : -1;
  for (int i = 0; i < 5; ++i) {
    p.setPen(i % 2 ? color.darker(135) : color.lighter(115));
    p.drawLine(outer + step * i, 2 + i, outer + step * i, r.height() - 3 - i);
  }
  constexpr int kBinding = 22;
  QLinearGradient g(left_ ? r.width() - kBinding : kBinding, 0, left_ ? r.width() : 0, 0);
  QColor shade = color.darker(150);
  shade.setAlpha(0);
  g.setColorAt(0, shade);
  shade.setAlpha(150);
  g.setColorAt(1, shade);
  p.fillRect(left_ ? QRect(r.width() - kBinding, 0, kBinding, r.height())
                   : QRect(0, 0, kBinding, r.height()),
             g);
  p.setPen(color.darker(170));
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

void makeSpeedBars(QWidget* parent, QFrame*& standard, QFrame*& advanced) {
  standard = new QFrame(parent);
  advanced = new QFrame(parent);
  standard->setObjectName(QStringLiteral("standardBar"));
  advanced->setObjectName(QStringLiteral("advancedBar"));
  for (QFrame* bar : {standard, advanced}) {
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setAutoFillBackground(true);
  }
}

QToolButton* speedBarButton(QWidget* bar, const QString& name, const QString& hint,
                            QStyle::StandardPixmap icon, const QString& text) {
  auto* b = new QToolButton(bar);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setIcon(bar->style()->standardIcon(icon));
  if (!text.isEmpty()) {
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  }
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

QSize placeBookParts(const BookParts& p, int barsHeight, bool barsOnTop, bool lettersRight) {
  const int width = 2 * p.pageWidth + p.lettersWidth;
  int pagesTop = 0;
  int barTop = p.pageHeight;
  if (barsHeight > 0 && barsOnTop) {
    barTop = 0;
    pagesTop = barsHeight;
  }
  p.bar1->setGeometry(0, barTop, width, p.barHeight);
  p.bar2->setGeometry(0, barTop, width, p.barHeight);
  const int tabsHeight = barsHeight > p.barHeight ? barsHeight - p.barHeight : p.tabs->height();
  p.tabs->setGeometry(0, barTop + p.barHeight, width, tabsHeight);
  p.leftPage->move(0, pagesTop);
  if (lettersRight) {
    p.rightPage->move(p.pageWidth, pagesTop);
    p.letters->move(2 * p.pageWidth, pagesTop);
  } else {
    p.letters->move(p.pageWidth, pagesTop);
    p.rightPage->move(p.pageWidth + p.lettersWidth, pagesTop);
  }
  return {width, p.pageHeight + barsHeight};
}

QFrame* buildLetterColumn(QWidget* parent, int width, int height, int top, int buttonHeight,
                          std::array<ColorButton*, 26>& buttons,
                          const std::function<void(int)>& click) {
  auto* column = new QFrame(parent);
  column->setObjectName(QStringLiteral("letterColumn"));
  column->resize(width, height);
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(10);
  f.setBold(true);
  for (int i = 0; i < 26; ++i) {
    const QChar letter(QLatin1Char(static_cast<char>('A' + i)));
    auto* b = new ColorButton(column);
    b->setObjectName(QString(letter) + QStringLiteral("_Btn"));
    b->setCaption(letter);
    b->setFont(f);
    b->setStayDown(true);
    b->setTabStop(false);
    b->setToolTip(QStringLiteral("Jump to Page beginning with ") + letter);
    b->setGeometry(0, top + i * buttonHeight, width, buttonHeight);
    QObject::connect(b, &ColorButton::clicked, column, [click, i] { click(i); });
    buttons[static_cast<size_t>(i)] = b;
  }
  return column;
}

void colorLetterButton(ColorButton* button, int letterIndex) {
  if (!button || letterIndex < 0 || letterIndex >= 26) return;
  const bool filled = letterCounts()[static_cast<size_t>(letterIndex)] > 0;
  button->setTextColor(elementColor(filled ? 4 : 6));
  button->setBgndColor(elementColor(filled ? 5 : 7));
  button->setSelTextColor(elementColor(8));
  button->setSelBgndColor(elementColor(9));
}

void enableLetterButtons(const std::array<ColorButton*, 26>& buttons, bool on) {
  for (int i = 0; i < 26; ++i) {
    buttons[static_cast<size_t>(i)]->setEnabled(on);
    if (on) colorLetterButton(buttons[static_cast<size_t>(i)], i);
  }
}
