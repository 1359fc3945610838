#include "pageeditors.h"

#include <QPainter>
#include <QPixmap>

TPageEdit::TPageEdit(TEditorKind kind, QWidget* parent) : QLineEdit(parent), kind_(kind) {
  setMaxLength(255);
  if (kind == TEditorKind::Date) {
    setMaxLength(10);
    setPlaceholderText(DateEditPattern().toLower());
  }
  if (kind == TEditorKind::Currency) setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TPageEdit::Reformat() {
  if (kind_ == TEditorKind::Currency) {
    const TParsedNumber n = ParseNumberText(text());
    if (n.value) setText(CurrencyText(*n.value));
  }
  if (kind_ == TEditorKind::Date) {
    setPlaceholderText(DateEditPattern().toLower());
    if (const TParsedDate d = ParseDateText(text()); d.date) setText(DateEditText(*d.date));
  }
}

void TPageEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  Reformat();
}

TMemoEdit::TMemoEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
}

TPictureBox::TPictureBox(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setFocusPolicy(Qt::StrongFocus);
}

void TPictureBox::SetPicture(const QByteArray& bytes) {
  bytes_ = bytes;
  pixmap_ = QPixmap();
  if (!bytes.isEmpty()) pixmap_.loadFromData(bytes);
  update();
}

void TPictureBox::paintEvent(QPaintEvent* event) {
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

QString EditorText(const QWidget* editor) {
  if (auto* e = qobject_cast<const QLineEdit*>(editor)) return e->text();
  if (auto* m = qobject_cast<const QPlainTextEdit*>(editor)) return m->toPlainText();
  return {};
}

void SetEditorText(QWidget* editor, const QString& text) {
  if (auto* e = qobject_cast<TPageEdit*>(editor)) {
    e->setText(text);
    e->setCursorPosition(0);
    e->Reformat();
  } else if (auto* m = qobject_cast<QPlainTextEdit*>(editor)) {
    m->setPlainText(text);
  }
}

void ClearEditor(QWidget* editor) {
  if (auto* pic = qobject_cast<TPictureBox*>(editor))
    pic->Clear();
  else
    SetEditorText(editor, QString());
}
