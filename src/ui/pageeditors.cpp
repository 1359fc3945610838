#include "ui/pageeditors.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

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

void selectMemoText(QPlainTextEdit* memo, int start, int length) {
  const int end = std::max(memo->document()->characterCount() - 1, 0);
  start = std::clamp(start, 0, end);
  QTextCursor c = memo->textCursor();
  c.setPosition(start);
  c.setPosition(std::clamp(start + length, start, end), QTextCursor::KeepAnchor);
  memo->setTextCursor(c);
  memo->ensureCursorVisible();
}

bool multiLineEditorKey(QWidget* focus, const QKeyEvent& key) {
  if (!qobject_cast<QPlainTextEdit*>(focus) && !qobject_cast<QTextEdit*>(focus)) return false;
  // The editor claims its keys in the shortcut override that precedes each press.
  QKeyEvent probe(QEvent::ShortcutOverride, key.key(), key.modifiers(), key.text(),
                  key.isAutoRepeat(), static_cast<ushort>(key.count()));
  probe.ignore();
  QCoreApplication::sendEvent(focus, &probe);
  return probe.isAccepted();
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
