#include "query/filter/filteredit.h"

#include <QApplication>
#include <QKeyEvent>

FilterEdit::FilterEdit(QWidget* parent) : QLineEdit(parent) { resize(120, 22); }

std::optional<FilterEdit::CharSet> FilterEdit::parseValidChars(const QString& value) {
  CharSet set;
  if (value == QStringLiteral("[]")) return set;
  if (value.size() < 2 || !value.startsWith(u'[') || !value.endsWith(u']')) return std::nullopt;
  // An element is one character or a range "a..b"; "," and "]" end it.
  int from = -1;
  int to = -1;
  bool range = false;
  auto close = [&] {
    if (from >= 0 && range && to >= 0) {
      for (int c = from; c <= to; ++c) set.set(static_cast<size_t>(c));
    } else if (from >= 0) {
      set.set(static_cast<size_t>(from));
    }
    from = to = -1;
    range = false;
  };
  auto take = [&](QChar c) {
    const int code = c.unicode() < 256 ? c.unicode() : -1;
    if (range)
      to = code;
    else
      from = code;
  };
  for (qsizetype i = 1; i < value.size(); ++i) {
    const QChar c = value[i];
    if (c == u'\'') {
      if (i + 1 < value.size() - 1) take(value[i + 1]);
      i += 2;  // the character and the closing quote
    } else if (c == u',' || c == u']') {
      close();
    } else if (c == u'.' && i + 1 < value.size() && value[i + 1] == u'.') {
      range = true;
      ++i;
    } else if (!c.isSpace()) {
      take(c);
    }
  }
  return set;
}

void FilterEdit::setValidChars(const QString& value) {
  const std::optional<CharSet> set = parseValidChars(value);
  if (!set) return;
  validChars_ = value;
  set_ = *set;
  if (set_.none()) return;
  QString kept;
  for (const QChar c : text())
    if (allows(c)) kept += c;
  if (kept != text()) setText(kept);
}

bool FilterEdit::allows(QChar c) const {
  return set_.none() || (c.unicode() < 256 && set_.test(c.unicode()));
}

void FilterEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  if (set_.any() && event->key() != Qt::Key_Backspace) {
    for (const QChar c : event->text()) {
      if (c.unicode() >= 0x20 && !allows(c)) {
        QApplication::beep();
        event->accept();
        return;
      }
    }
  }
  QLineEdit::keyPressEvent(event);
}
