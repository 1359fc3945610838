#include "ui/nofocusbutton.h"

#include <QIcon>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr int kGlyphGap = 4;  // between the glyph and the caption

}  // namespace

NoFocusButton::NoFocusButton(QWidget* parent) : QPushButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoDefault(false);
}

void NoFocusButton::setGlyph(const QPixmap& glyph) {
  setIcon(QIcon(glyph));
  setIconSize(glyph.size());
}

NoFocusButton::Face NoFocusButton::face() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  const QRect inner = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  const QSize glyph = icon().isNull() ? QSize(0, 0) : iconSize();
  const int gap = glyph.isEmpty() ? 0 : kGlyphGap;
  const int textWidth = fontMetrics().horizontalAdvance(text());
  Face f;
  // Glyph and caption centred together while they fit; else the glyph keeps
  // its place at the left and the caption gives way.
  int left = inner.left();
  int room = inner.width() - glyph.width() - gap;
  if (textWidth <= room) {
    left += (room - textWidth) / 2;
    room = textWidth;
  }
  f.glyph = QRect(QPoint(left, inner.center().y() - glyph.height() / 2 + 1), glyph);
  f.caption = QRect(left + glyph.width() + gap, inner.top(), std::max(room, 0), inner.height());
  f.text = fontMetrics().elidedText(text(), Qt::ElideRight, f.caption.width());
  return f;
}

void NoFocusButton::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  p.drawControl(QStyle::CE_PushButtonBevel, option);
  Face f = face();
  if (isDown()) {
    const QPoint shift(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    f.glyph.translate(shift);
    f.caption.translate(shift);
  }
  if (!icon().isNull())
    icon().paint(&p, f.glyph, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
  p.drawItemText(f.caption, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), f.text,
                 QPalette::ButtonText);
}
