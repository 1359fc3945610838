#include "ui/colorbutton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kGrey(128, 128, 128);

// Remembers which button of one parent is down. Lives as a hidden child of
// the parent, so it goes with it; a QPointer survives a deleted button,
// which a child position in a parent property would not.
class ColorButtonGroup : public QObject {
 public:
  explicit ColorButtonGroup(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("ColorButtonGroup"));
  }
  static ColorButtonGroup* of(QObject* parent, bool create) {
    if (!parent) return nullptr;
    for (QObject* child : parent->children()) {
      if (auto* g = dynamic_cast<ColorButtonGroup*>(child)) return g;
    }
    return create ? new ColorButtonGroup(parent) : nullptr;
  }
  QPointer<ColorButton> selected;
};

// Every second pixel of the rectangle's outline.
void drawDottedRect(QPainter& p, const QRect& r, const QColor& color) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.setPen(color);
  auto dot = [&](int x, int y) {
    if ((x + y) % 2 == 0) p.drawPoint(x, y);
  };
  for (int x = r.left(); x <= r.right(); ++x) {
    dot(x, r.top());
    dot(x, r.bottom());
  }
  for (int y = r.top(); y <= r.bottom(); ++y) {
    dot(r.left(), y);
    dot(r.right(), y);
  }
}

}  // namespace

ColorButton::ColorButton(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  resize(260, 23);
}

template <typename T>
void ColorButton::change(T& member, const T& value) {
  if (member == value) return;
  member = value;
  update();
}

void ColorButton::setTextColor(const QColor& c) { change(textColor_, c); }
void ColorButton::setBgndColor(const QColor& c) { change(bgndColor_, c); }
void ColorButton::setSelTextColor(const QColor& c) { change(selTextColor_, c); }
void ColorButton::setSelBgndColor(const QColor& c) { change(selBgndColor_, c); }
void ColorButton::setIsDefault(bool on) { change(isDefault_, on); }
void ColorButton::setStayDown(bool on) { change(stayDown_, on); }
void ColorButton::setCaption(const QString& text) { change(caption_, text); }

void ColorButton::setSelected(bool on) {
  if (on) {
    ColorButtonGroup* group = ColorButtonGroup::of(parent(), true);
    if (group) {
      if (group->selected && group->selected != this) group->selected->setSelected(false);
      group->selected = this;
    }
  } else if (ColorButtonGroup* group = ColorButtonGroup::of(parent(), false)) {
    if (group->selected == this) group->selected = nullptr;
  }
  change(selected_, on);
}

void ColorButton::setTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }

bool ColorButton::tabStop() const { return (focusPolicy() & Qt::TabFocus) != 0; }

bool ColorButton::looksPressed() const {
  return isEnabled() && (pressed_ || (stayDown_ && selected_));
}

QColor ColorButton::effectiveTextColor() const {
  if (!isEnabled()) return kGrey;
  return (hasFocus() || (stayDown_ && selected_)) ? selTextColor_ : textColor_;
}

QColor ColorButton::effectiveBgndColor() const {
  if (!isEnabled()) return kSilver;
  return (hasFocus() || (stayDown_ && selected_)) ? selBgndColor_ : bgndColor_;
}

void ColorButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width();
  const int h = height();
  // A 3-pixel pen centred on the outline: 2 pixels of it fall inside.
  p.fillRect(rect(), Qt::black);
  if (w <= 4 || h <= 4) return;  // all frame
  const QRect inner(2, 2, w - 4, h - 4);
  p.fillRect(inner, effectiveBgndColor());

  const bool down = looksPressed();
  const bool focused = hasFocus() && isEnabled();
  if (down) {
    p.setPen(Qt::black);
    p.drawLine(inner.left(), inner.top(), inner.left(), inner.bottom());
    p.drawLine(inner.left(), inner.top(), inner.right(), inner.top());
  } else {
    QRect r = focused ? inner.adjusted(1, 1, -1, -1) : inner;
    if (r.width() > 0 && r.height() > 0) {
      p.fillRect(QRect(r.left(), r.top(), 2, r.height()), Qt::white);
      p.fillRect(QRect(r.left(), r.top(), r.width(), 2), Qt::white);
      p.fillRect(QRect(r.right() - 1, r.top(), 2, r.height()), kGrey);
      p.fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), kGrey);
      p.setPen(Qt::white);
      p.drawPoint(r.left(), r.bottom());
      p.drawPoint(r.right(), r.top());
    }
  }

  paintContent(p, down);

  if (focused && h > 16) {
    QRect mark(6, 4, w - 12, h - 8);
    if (down) mark.translate(1, 1);
    drawDottedRect(p, mark, Qt::black);
  }
}

void ColorButton::paintContent(QPainter& p, bool pressedLook) {
  if (caption_.isEmpty()) return;
  const QFontMetrics fm(font());
  const int tw = fm.horizontalAdvance(caption_);
  const int th = fm.height();
  int left = std::max((width() - tw) / 2, 4);
  int top = std::max((height() - th) / 2, 1);
  if (pressedLook) {
    ++left;
    ++top;
  }
  p.save();
  p.setClipRect(QRect(4, 2, width() - 8, height() - 4));
  p.setPen(effectiveTextColor());
  p.setFont(font());
  p.drawText(QPoint(left, top + fm.ascent()), caption_);
  p.restore();
}

void ColorButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  if (tabStop()) setFocus(Qt::MouseFocusReason);
  // Qt grabs the mouse for the widget that took the press until the release.
  pressed_ = true;
  leftPress_ = true;
  update();
}

void ColorButton::mouseMoveEvent(QMouseEvent* event) {
  if (pressed_ && leftPress_ && !rect().contains(event->position().toPoint())) release();
}

void ColorButton::leaveEvent(QEvent*) {
  if (pressed_ && leftPress_) release();
}

void ColorButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !leftPress_) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  const bool wasPressed = pressed_;
  leftPress_ = false;
  if (wasPressed && rect().contains(event->position().toPoint())) {
    click();
  } else {
    release();
  }
}

void ColorButton::release() {
  leftPress_ = false;
  if (!pressed_) return;
  pressed_ = false;
  update();
}

bool ColorButton::isActionKey(int key) const {
  if (key == Qt::Key_Space) return true;
  return (key == Qt::Key_Return || key == Qt::Key_Enter) && isDefault_;
}

void ColorButton::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (isActionKey(key)) {
    if (!event->isAutoRepeat() && !pressed_) {
      pressed_ = true;
      update();
    }
    event->accept();
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    event->accept();  // swallowed: Enter is not for a button that is not the default
  } else {
    QWidget::keyPressEvent(event);
  }
}

void ColorButton::keyReleaseEvent(QKeyEvent* event) {
  const int key = event->key();
  if (isActionKey(key)) {
    if (!event->isAutoRepeat() && pressed_ && !leftPress_) click();
    event->accept();
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    event->accept();
  } else {
    QWidget::keyReleaseEvent(event);
  }
}

void ColorButton::click() {
  pressed_ = false;
  leftPress_ = false;
  update();
  if (stayDown_) setSelected(true);
  emit clicked();
}

void ColorButton::focusInEvent(QFocusEvent* event) {
  update();
  QWidget::focusInEvent(event);
}

void ColorButton::focusOutEvent(QFocusEvent* event) {
  if (pressed_ && !leftPress_) {
    pressed_ = false;  // a key press that never saw its release
  }
  update();
  QWidget::focusOutEvent(event);
}

void ColorButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) {
    if (!isEnabled()) release();
    update();
  }
  QWidget::changeEvent(event);
}
