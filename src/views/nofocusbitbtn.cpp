#include "nofocusbitbtn.h"

#include <QIcon>

TNoFocusBitBtn::TNoFocusBitBtn(QWidget* parent) : QPushButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoDefault(false);
}

void TNoFocusBitBtn::setGlyph(const QPixmap& glyph) {
  setIcon(QIcon(glyph));
  setIconSize(glyph.size());
}
