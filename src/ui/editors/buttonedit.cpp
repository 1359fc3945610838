#include "ui/editors/buttonedit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

EditButton::EditButton(QWidget* parent) : QToolButton(parent) {
  setObjectName(QStringLiteral("editButton"));
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
  setAutoRaise(false);
}

void EditButton::paintEvent(QPaintEvent* event) {
  QToolButton::paintEvent(event);
  QPainter p(this);
  const int w = width(), h = height();
  const bool enabled = parentWidget() == nullptr || parentWidget()->isEnabled();
  p.setPen(QPen(enabled ? QColor(Qt::black) : QColor(128, 128, 128), 2));
  for (int i = 1; i <= 3; ++i) p.drawPoint(i * w / 4 - 1, h / 2);
  p.setPen(QPen(palette().color(QPalette::Button), 1));
  const bool down = isDown();
  p.setPen(down ? palette().color(QPalette::Dark) : palette().color(QPalette::Button));
  p.drawLine(0, 0, w - 1, 0);
  p.drawLine(0, 0, 0, h - 1);
  p.setPen(down ? palette().color(QPalette::Button) : QColor(Qt::white));
  p.drawLine(1, 1, w - 2, 1);
  p.drawLine(1, 1, 1, h - 2);
  if (down) {
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(w - 2, 1, w - 2, h - 2);
    p.drawLine(1, h - 2, w - 2, h - 2);
  }
}

ButtonEdit::ButtonEdit(QWidget* parent) : QLineEdit(parent), button_(new EditButton(this)) {
  connect(button_, &QToolButton::clicked, this, [this] { buttonClick(); });
  // Minimum height: the frame, the text line and a quarter line of room.
  const int h = fontMetrics().height();
  const int s = QFontMetrics(QApplication::font()).height();
  setMinimumHeight(4 * 1 + h + std::min(h, s) / 4);
  updateTextRect();
}

void ButtonEdit::setButtonVisible(bool on) {
  buttonVisible_ = on;
  button_->setVisible(on);
  updateTextRect();
}

bool ButtonEdit::isValidChar(QChar c) const { return c != u'\r' && c != u'\n'; }

void ButtonEdit::refuseChar() { QApplication::beep(); }

bool ButtonEdit::passesChars(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return true;
  for (QChar c : text)
    if (c.isPrint() || c == QChar(u'\b'))
      if (!isValidChar(c)) {
        refuseChar();
        return false;
      }
  return true;
}

void ButtonEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Backspace || passesChars(event)) QLineEdit::keyPressEvent(event);
}

void ButtonEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  updateTextRect();
}

void ButtonEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (autoSelect_)
    selectAll();
  else
    deselect();
}

void ButtonEdit::updateTextRect() {
  QStyleOptionFrame option;
  initStyleOption(&option);
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  const int f = std::max(frame, 1);
  button_->setGeometry(width() - f - EditButton::kWidth, f, EditButton::kWidth, height() - 2 * f);
  setTextMargins(0, 0, buttonVisible_ ? EditButton::kWidth + 1 : 0, 0);
}

ClickEdit::ClickEdit(QWidget* parent) : ButtonEdit(parent) { setAutoSelect(false); }

bool leftForAnotherControl(Qt::FocusReason reason) {
  return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}
