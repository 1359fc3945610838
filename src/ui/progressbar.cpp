#include "ui/progressbar.h"

#include <QPainter>
#include <algorithm>

#include "core/progress.h"

namespace {
const QColor kGrey(128, 128, 128);
}

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) { resize(90, 20); }

int ProgressBar::barEnd(int length, int percent) {
  return static_cast<int>(roundHalfEvenDiv(static_cast<qint64>(length - 4) * percent, 100)) + 2;
}

void ProgressBar::setPercentShaded(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == percent_) return;
  percent_ = percent;
  // A bar back at its start (a new run) repaints the whole control, else only the bar.
  if (percent < 2) {
    update();
  } else {
    update(barRect());
  }
}

void ProgressBar::setPercentColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void ProgressBar::setShowPercent(bool on) {
  if (on == showPercent_) return;
  showPercent_ = on;
  update();
}

void ProgressBar::setCaption(const QString& text) {
  if (text == caption_) return;
  caption_ = text;
  update();
}

QString ProgressBar::shownText() const {
  return showPercent_ ? QString::number(percent_) + QLatin1Char('%') : caption_;
}

QRect ProgressBar::barRect() const { return rect().adjusted(1, 1, -1, -1); }

void ProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width();
  const int h = height();
  // Sunken frame: grey left and top, white right and bottom.
  p.setPen(kGrey);
  p.drawLine(0, 0, w - 1, 0);
  p.drawLine(0, 0, 0, h - 1);
  p.setPen(Qt::white);
  p.drawLine(w - 1, 0, w - 1, h - 1);
  p.drawLine(0, h - 1, w - 1, h - 1);

  const bool across = horizontal();
  const int length = across ? w : h;
  const int a = barEnd(length, percent_);
  // Filled part from 1 to a, the rest white with a black outline.
  QRect filled = across ? QRect(QPoint(1, 1), QPoint(a - 1, h - 2))
                        : QRect(QPoint(1, 1), QPoint(w - 2, a - 1));
  QRect rest = across ? QRect(QPoint(a, 1), QPoint(w - 2, h - 2))
                      : QRect(QPoint(1, a), QPoint(w - 2, h - 2));
  if (filled.isValid()) p.fillRect(filled, color_);
  if (rest.isValid()) {
    p.fillRect(rest, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(rest.adjusted(0, 0, -1, -1));
  }

  p.setFont(font());
  p.setPen(palette().color(QPalette::WindowText));
  p.setBackgroundMode(Qt::TransparentMode);
  p.drawText(rect(), Qt::AlignCenter, shownText());
}
