#include "ui/pageeditors.h"

#include <QPainter>
#include <QPixmap>

PageEdit::PageEdit(EditorKind kind, QWidget* parent) : QLineEdit(parent), kind_(kind) {
  // No cap below the field: text too long for it is named when the record is
  // saved, rather than cut here without a word (a paste is cut silently).
  if (kind == EditorKind::Date) {
    setMaxLength(10);
    setPlaceholderText(dateEditPattern().toLower());
  }
  if (kind == EditorKind::Currency) setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void PageEdit::reformat() {
  if (kind_ == EditorKind::Currency) {
    const ParsedNumber n = parseNumberText(text());
    if (n.value) setText(currencyText(*n.value));
  }
  if (kind_ == EditorKind::Date) {
    setPlaceholderText(dateEditPattern().toLower());
    if (const ParsedDate d = parseDateText(text()); d.date) setText(dateEditText(*d.date));
  }
}

void PageEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  reformat();
}

MemoEdit::MemoEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
}

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::setPicture(const QByteArray& bytes) {
  bytes_ = bytes;
  pixmap_ = QPixmap();
  if (!bytes.isEmpty()) pixmap_.loadFromData(bytes);
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter p(this);
  const QRect r = contentsRect().adjusted(2, 2, -2, -2);
  if (!pixmap_.isNull()) {
    const QPixmap scaled = pixmap_.scaled(r.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    p.drawPixmap(r.center() - scaled.rect().center(), scaled);
  } else {
    p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    p.drawText(r, Qt::AlignCenter,
               bytes_.isEmpty() ? QStringLiteral("No Picture") : QStringLiteral("<PICTURE>"));
  }
}

QString editorText(const QWidget* editor) {
  if (auto* e = qobject_cast<const QLineEdit*>(editor)) return e->text();
  if (auto* m = qobject_cast<const QPlainTextEdit*>(editor)) return m->toPlainText();
  return {};
}

void setEditorText(QWidget* editor, const QString& text) {
  if (auto* e = qobject_cast<PageEdit*>(editor)) {
    e->setText(text);
    e->setCursorPosition(0);
    e->reformat();
  } else if (auto* m = qobject_cast<QPlainTextEdit*>(editor)) {
    m->setPlainText(text);
  }
}

void clearEditor(QWidget* editor) {
  if (auto* pic = qobject_cast<PictureBox*>(editor))
    pic->clear();
  else
    setEditorText(editor, QString());
}
