#include "ui/pageeditors.h"

#include <QComboBox>

#include <QCoreApplication>
#include <QLocale>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVariant>
#include <algorithm>

#include "ui/bmpcontrol.h"
#include "ui/editors/currencyedit.h"
#include "ui/editors/dateedit.h"
#include "ui/elementcolors.h"

PageEdit::PageEdit(QWidget* parent) : QLineEdit(parent) {
  // No cap below the field: text too long for it is named when the record is
  // saved, rather than cut here without a word (a paste is cut silently).
}

MemoEdit::MemoEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
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

namespace {

const char* const kKeptText = "keptText";

// Shows `text` as it is in a date or currency edit that cannot take it.
void keepForeignText(QLineEdit* edit, const QString& text) {
  edit->setProperty(kKeptText, text);
  edit->setReadOnly(true);
  edit->setText(text);
  edit->setCursorPosition(0);
}

void releaseForeignText(QLineEdit* edit) {
  if (!edit->property(kKeptText).isValid()) return;
  edit->setProperty(kKeptText, QVariant());
  edit->setReadOnly(false);
}

}  // namespace

QLineEdit* lineEditOf(QWidget* editor) {
  if (auto* box = qobject_cast<QComboBox*>(editor)) return box->lineEdit();
  return qobject_cast<QLineEdit*>(editor);
}

const QLineEdit* lineEditOf(const QWidget* editor) {
  return lineEditOf(const_cast<QWidget*>(editor));
}

QString editorText(const QWidget* editor) {
  if (const QVariant kept = editor->property(kKeptText); kept.isValid()) return kept.toString();
  if (auto* d = qobject_cast<const DateEdit*>(editor)) {
    if (d->isBlank()) return {};
    const QDate date = d->dateValue();
    return date.isValid() ? dateEditText(date) : d->date();
  }
  if (auto* c = qobject_cast<const CurrencyEdit*>(editor)) {
    const QString text = c->committedText();
    const std::optional<double> v = c->typedValue();
    if (!v) return text;
    if (text.trimmed().isEmpty()) return {};
    // The text as shown when the record pages read it the same ("1,234.50"),
    // else the amount the edit reads it as ("1-2" is -12).
    if (parseNumberText(text).value == *v) return text;
    return QString::number(*v, 'f', QLocale::FloatingPointShortest);
  }
  if (auto* e = lineEditOf(editor)) return e->text();
  if (auto* m = qobject_cast<const QPlainTextEdit*>(editor)) return m->toPlainText();
  return {};
}

void setEditorText(QWidget* editor, const QString& text) {
  if (auto* d = qobject_cast<DateEdit*>(editor)) {
    releaseForeignText(d);
    const ParsedDate parsed = parseDateText(text);
    d->setDateValue(parsed.date.value_or(QDate()));
    if (!parsed.empty && !parsed.date) keepForeignText(d, text);
  } else if (auto* c = qobject_cast<CurrencyEdit*>(editor)) {
    releaseForeignText(c);
    const ParsedNumber parsed = parseNumberText(text);
    c->setValue(parsed.value.value_or(0));
    c->setCursorPosition(0);
    if (!parsed.empty && !parsed.value) keepForeignText(c, text);
  } else if (auto* box = qobject_cast<QComboBox*>(editor)) {
    // Raises the box's change signal, also when the program sets it.
    box->setEditText(text);
    if (box->lineEdit()) box->lineEdit()->setCursorPosition(0);
  } else if (auto* e = qobject_cast<QLineEdit*>(editor)) {
    e->setText(text);
    e->setCursorPosition(0);
  } else if (auto* m = qobject_cast<QPlainTextEdit*>(editor)) {
    m->setPlainText(text);
  }
}

void setEditorColors(QWidget* editor, const QColor& base, const QColor& text, bool inUse) {
  QPalette p = editor->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, base);
    p.setColor(group, QPalette::Text, text);
  }
  editor->setPalette(p);
  if (auto* amount = qobject_cast<CurrencyEdit*>(editor)) {
    amount->setPlusColor(inUse ? text : elementColor(21));
    amount->setNegColor(inUse ? text : elementColor(22));
  }
}

int editorHelpContext(const QWidget* editor) {
  if (auto* e = qobject_cast<const PageEdit*>(editor)) return e->helpContext;
  if (auto* b = qobject_cast<const ButtonEdit*>(editor)) return b->helpContext;
  if (auto* m = qobject_cast<const MemoEdit*>(editor)) return m->helpContext;
  if (auto* pic = qobject_cast<const BmpControl*>(editor)) return pic->helpContext;
  if (qobject_cast<const QComboBox*>(editor)) return 38;
  return 0;
}

void clearEditor(QWidget* editor) {
  if (auto* pic = qobject_cast<BmpControl*>(editor))
    pic->clear();
  else
    setEditorText(editor, QString());
}
