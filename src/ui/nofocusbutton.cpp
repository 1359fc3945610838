#include "ui/nofocusbutton.h"

#include <QIcon>

NoFocusButton::NoFocusButton(QWidget* parent) : QPushButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoDefault(false);
}

void NoFocusButton::setGlyph(const QPixmap& glyph) {
  setIcon(QIcon(glyph));
  setIconSize(glyph.size());
}
