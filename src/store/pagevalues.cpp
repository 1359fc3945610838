#include "store/pagevalues.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "core/filetext.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "store/recordtext.h"

namespace {

using K = EditorKind;

// clang-format off
constexpr std::array<FieldDesign, kPageFieldCount> kDesigns{{
    {"Book Title:", K::Edit, nullptr, 0, 36},
    {"Author:", K::Lookup, "list1.dbf", 0, 38},
    {"Co-Authors:", K::Edit, nullptr, 0, 36},
    {"Category:", K::Lookup, "list2.dbf", 0, 38},
    {"Format:", K::Lookup, "list3.dbf", 0, 38},
    {"Rating:", K::Lookup, "list4.dbf", 0, 38},
    {"Publisher:", K::Lookup, "list5.dbf", 0, 38},
    {"Published Date:", K::Date, nullptr, 0, 39},
    {"Value:", K::Currency, nullptr, 0, 40},
    {"ISBN#:", K::Edit, nullptr, 1, 36},
    {"Pages:", K::Edit, nullptr, 1, 36},
    {"Keywords:", K::Edit, nullptr, 1, 36},
    {"Type:", K::Lookup, "list6.dbf", 1, 38},
    {"Status:", K::Lookup, "list7.dbf", 1, 38},
    {"Custom 1:", K::Edit, nullptr, 1, 36},
    {"Custom 2:", K::Lookup, "list8.dbf", 1, 38},
    {"Custom 3:", K::Date, nullptr, 1, 39},
    {"Custom 4:", K::Date, nullptr, 1, 39},
    {"Custom 5:", K::Currency, nullptr, 1, 40},
    {"Custom 6:", K::Currency, nullptr, 1, 40},
    {"Notes:", K::Memo, nullptr, 2, 101},
    {"Picture:", K::Picture, nullptr, 3, 102},
}};
// clang-format on

bool isNumeric(dbase::FieldType t) {
  return t == dbase::FieldType::Numeric || t == dbase::FieldType::Float;
}

int UserField(int k) { return appSettings().firstUserField + k; }

// User fields the table really has (a foreign table may have fewer).
int fieldsOnPage(const dbase::Table& table) {
  const int n = static_cast<int>(table.fields().size()) - appSettings().firstUserField;
  return std::clamp(n, 0, kPageFieldCount);
}

// Characters the field takes for the text, trailing blanks left out.
qsizetype storedLength(const QString& text) {
  qsizetype n = text.size();
  while (n > 0 && text[n - 1] == u' ') --n;
  // A character outside the basic plane is two QChars but one byte.
  qsizetype length = 0;
  for (qsizetype i = 0; i < n; ++i)
    if (!text[i].isLowSurrogate()) ++length;
  return length;
}

}  // namespace

const std::array<FieldDesign, kPageFieldCount>& fieldDesigns() { return kDesigns; }

int partOfField(int k) {
  if (k < 0 || k >= kPageFieldCount) return -1;
  return kDesigns[static_cast<size_t>(k)].part;
}

QString dateEditPattern() {
  switch (appSettings().dateFormat) {
    case 1:
      return QStringLiteral("dd/MM/yyyy");
    case 2:
      return QStringLiteral("yyyy/MM/dd");
    default:
      return QStringLiteral("MM/dd/yyyy");
  }
}

QString dateEditText(const QDate& date) {
  return date.isValid() ? date.toString(dateEditPattern()) : QString();
}

ParsedDate parseDateText(const QString& text) {
  ParsedDate out;
  static const QRegularExpression blank(QStringLiteral("^[\\s_/.\\-]*$"));
  if (blank.match(text).hasMatch()) return out;
  out.empty = false;
  static const QRegularExpression parts(
      QStringLiteral("^\\s*(\\d{1,4})\\s*[/.\\-]\\s*(\\d{1,2})\\s*[/.\\-]\\s*(\\d{1,4})\\s*$"));
  const QRegularExpressionMatch m = parts.match(text);
  if (!m.hasMatch()) return out;
  int a = m.captured(1).toInt(), b = m.captured(2).toInt(), c = m.captured(3).toInt();
  int year = 0, month = 0, day = 0;
  QString yearText;
  switch (appSettings().dateFormat) {
    case 1:
      day = a, month = b, year = c, yearText = m.captured(3);
      break;
    case 2:
      year = a, month = b, day = c, yearText = m.captured(1);
      break;
    default:
      month = a, day = b, year = c, yearText = m.captured(3);
      break;
  }
  // Two-digit years as the short date format writes them.
  if (yearText.size() <= 2) year += year < 50 ? 2000 : 1900;
  const QDate d(year, month, day);
  if (d.isValid() && year >= 1) out.date = d;
  return out;
}

ParsedNumber parseNumberText(const QString& text) {
  ParsedNumber out;
  QString t = text.trimmed();
  if (t.isEmpty()) return out;
  out.empty = false;
  t.remove(QLatin1Char(','));
  t.remove(QLatin1Char('$'));
  t.remove(QLatin1Char(' '));
  bool negative = false;
  if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) {
    negative = true;
    t = t.mid(1, t.size() - 2);
  }
  bool ok = false;
  const double v = t.toDouble(&ok);
  if (ok && std::isfinite(v)) out.value = negative ? -v : v;
  return out;
}

QString currencyText(double value) {
  QLocale c(QLocale::C);
  c.setNumberOptions(QLocale::DefaultNumberOptions);
  return c.toString(value, 'f', 2);
}

bool pageIsEmpty(const PageValues& page) {
  if (!page.picture.isEmpty()) return false;
  for (int k = 0; k < kPageFieldCount; ++k) {
    const QString& t = page.text[static_cast<size_t>(k)];
    switch (kDesigns[static_cast<size_t>(k)].kind) {
      case K::Picture:
        break;
      case K::Date:
        if (parseDateText(t).date) return false;
        break;
      case K::Currency: {
        const ParsedNumber n = parseNumberText(t);
        if (!n.empty && (!n.value || *n.value != 0)) return false;
        break;
      }
      default:
        if (!t.isEmpty()) return false;
    }
  }
  return true;
}

bool pagePassesRequired(const PageValues& page) {
  const FieldSet& required = appSettings().requiredFields;
  for (int k = 0; k < kPageFieldCount; ++k) {
    if (!required.test(static_cast<size_t>(k))) continue;
    const QString& t = page.text[static_cast<size_t>(k)];
    switch (kDesigns[static_cast<size_t>(k)].kind) {
      case K::Date:
        if (!parseDateText(t).date) return false;
        break;
      case K::Picture:
        if (page.picture.isEmpty()) return false;
        break;
      default:
        if (t.isEmpty()) return false;
    }
  }
  return true;
}

namespace {

// What is wrong with `t` for field `f`, a line each; empty when it can be stored as typed.
QStringList fieldInputProblems(const dbase::FieldDef& f, const QString& label, const QString& t) {
  QStringList lines;
  if (f.type == dbase::FieldType::Date) {
    const ParsedDate d = parseDateText(t);
    if (!d.empty && !d.date)
      lines << QStringLiteral("%1: \"%2\" is not a date (%3).")
                   .arg(label, t, dateEditPattern().toLower());
  } else if (isNumeric(f.type)) {
    const ParsedNumber v = parseNumberText(t);
    if (!v.empty && !v.value)
      lines << QStringLiteral("%1: \"%2\" is not a number.").arg(label, t);
    else if (v.value && !dbase::numberFits(f, *v.value))
      lines << QStringLiteral("%1: \"%2\" is too large for the field.").arg(label, t);
  } else if (f.type == dbase::FieldType::Character || f.type == dbase::FieldType::Memo) {
    if (const QString chars = unstorableCharsPhrase(t); !chars.isEmpty())
      lines << QStringLiteral("%1: %2 cannot be stored.").arg(label, chars);
    // Trailing blanks are what the field pads with: they may go.
    const qsizetype length = storedLength(t);
    if (f.type == dbase::FieldType::Character && length > f.length)
      lines << QStringLiteral("%1: the text is %2 characters long, the field holds %3.")
                   .arg(label)
                   .arg(length)
                   .arg(f.length);
  }
  return lines;
}

}  // namespace

QString pageInputProblems(const PageValues& page, const dbase::Table& table,
                          const std::vector<QString>& labels) {
  QStringList lines;
  const int n = fieldsOnPage(table);
  for (int k = 0; k < n; ++k) {
    const dbase::FieldDef& f = table.fields()[static_cast<size_t>(UserField(k))];
    QString label = k < static_cast<int>(labels.size())
                        ? labels[static_cast<size_t>(k)]
                        : QString::fromLatin1(kDesigns[static_cast<size_t>(k)].caption);
    if (label.endsWith(QLatin1Char(':'))) label.chop(1);
    lines << fieldInputProblems(f, label, page.text[static_cast<size_t>(k)]);
  }
  return lines.join(QLatin1Char('\r'));
}

QString corruptMemoText(const dbase::Table& table) {
  QString owner;
  try {
    owner = fieldDisplayText(table, appSettings().firstUserField + 1);
  } catch (const std::exception&) {
  }
  return QStringLiteral("Corrupt Memo Field!!! You should delete record: \r") + owner;
}

PageValues readPage(const dbase::Table& table, bool* memoFailed) {
  PageValues page;
  const int n = fieldsOnPage(table);
  for (int k = 0; k < n; ++k) {
    const int field = UserField(k);
    const dbase::FieldDef& f = table.fields()[static_cast<size_t>(field)];
    const EditorKind kind = kDesigns[static_cast<size_t>(k)].kind;
    QString& text = page.text[static_cast<size_t>(k)];
    if (f.type == dbase::FieldType::Memo) {
      try {
        text = fromTableText(table.readBlob(field));
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      } catch (const std::exception&) {
        if (memoFailed) *memoFailed = true;
      }
    } else if (f.type == dbase::FieldType::Binary) {
      if (kind == K::Picture) {
        try {
          const std::string bytes = table.readBlob(field);
          page.picture = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
        } catch (const std::exception&) {
          page.picture.clear();
        }
      }
    } else if (f.type == dbase::FieldType::Date) {
      const dbase::Date d = table.asDate(field);
      text = d.isBlank() ? QString() : dateEditText(QDate(d.year, d.month, d.day));
    } else if (isNumeric(f.type) && kind == K::Currency) {
      text = table.isEmpty(field) ? QString() : currencyText(table.asNumber(field));
    } else {
      text = fieldDisplayText(table, field);
    }
  }
  return page;
}

namespace {

bool sameValue(const dbase::FieldDef& f, const QString& now, const QString& before) {
  if (now == before) return true;
  if (f.type == dbase::FieldType::Date) {
    const ParsedDate a = parseDateText(now);
    const ParsedDate b = parseDateText(before);
    if (a.date && b.date) return *a.date == *b.date;
    return a.empty && b.empty;
  }
  if (isNumeric(f.type)) {
    const ParsedNumber a = parseNumberText(now);
    const ParsedNumber b = parseNumberText(before);
    if (a.value && b.value) return *a.value == *b.value;
    return a.empty && b.empty;
  }
  return false;
}

bool fieldChanged(const dbase::FieldDef& f, int k, const PageValues& page,
                  const PageValues& shown) {
  const EditorKind kind = kDesigns[static_cast<size_t>(k)].kind;
  if (f.type == dbase::FieldType::Binary)
    return kind == K::Picture && page.picture != shown.picture;
  const QString& now = page.text[static_cast<size_t>(k)];
  const QString& before = shown.text[static_cast<size_t>(k)];
  // A currency editor shows an empty amount as 0.00: reading it back as 0 is no change.
  if (kind == K::Currency && isNumeric(f.type)) {
    const ParsedNumber a = parseNumberText(now);
    const ParsedNumber b = parseNumberText(before);
    if ((a.empty && b.value == 0.0) || (b.empty && a.value == 0.0)) return false;
  }
  return !sameValue(f, now, before);
}

// Text the field cannot hold as typed: not a date, not a number, too large,
// too long, or characters outside the code page.
bool unstorable(const dbase::FieldDef& f, const QString& text) {
  return !fieldInputProblems(f, QString(), text).isEmpty();
}

void writeField(dbase::Table& table, int k, const PageValues& page, const QDate& today,
                bool* memoFailed) {
  const AppSettings& s = appSettings();
  const int field = UserField(k);
  const dbase::FieldDef& f = table.fields()[static_cast<size_t>(field)];
  const QString& text = page.text[static_cast<size_t>(k)];
  switch (f.type) {
    case dbase::FieldType::Memo:
      try {
        // Memo lines end in CR LF, as other dBASE programs write them.
        QString lines = text;
        lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        table.writeBlob(field, toTableText(lines));
      } catch (const std::exception&) {
        if (memoFailed) *memoFailed = true;
      }
      break;
    case dbase::FieldType::Binary:
      if (page.picture.isEmpty())
        table.clear(field);
      else
        table.writeBlob(field, std::string_view(page.picture.constData(),
                                                static_cast<size_t>(page.picture.size())));
      break;
    case dbase::FieldType::Date: {
      const ParsedDate d = parseDateText(text);
      if (d.date) {
        table.setDate(field, {d.date->year(), d.date->month(), d.date->day()});
      } else {
        table.clear(field);
        if (s.todayDefaultFields.test(static_cast<size_t>(k)) && today.isValid())
          table.setDate(field, {today.year(), today.month(), today.day()});
      }
      break;
    }
    case dbase::FieldType::Numeric:
    case dbase::FieldType::Float: {
      const ParsedNumber v = parseNumberText(text.left(255));
      if (v.value)
        table.setNumber(field, *v.value);
      else
        table.clear(field);
      break;
    }
    default:
      table.setString(field, toTableText(text.left(255)));
  }
}

}  // namespace

bool pageChanged(const PageValues& page, const PageValues& shown, const dbase::Table& table) {
  const int n = fieldsOnPage(table);
  for (int k = 0; k < n; ++k)
    if (fieldChanged(table.fields()[static_cast<size_t>(UserField(k))], k, page, shown))
      return true;
  return false;
}

void writePage(dbase::Table& table, const PageValues& page, const QDate& today, bool* memoFailed,
               const PageWrite& how) {
  const int n = fieldsOnPage(table);
  for (int k = 0; k < n; ++k) {
    const dbase::FieldDef& f = table.fields()[static_cast<size_t>(UserField(k))];
    if (how.shown && !fieldChanged(f, k, page, *how.shown)) continue;
    if (!how.keepUnstorable) {
      writeField(table, k, page, today, memoFailed);
      continue;
    }
    if (unstorable(f, page.text[static_cast<size_t>(k)])) continue;
    try {
      writeField(table, k, page, today, memoFailed);
    } catch (const std::exception&) {
      // The field keeps what it held; the others are still written.
    }
  }
}

void PagePair::positionOn(int32_t p, int32_t count) {
  requested = std::max(0, std::min(p, count));
  left = requested - requested % 2;
}

void PagePair::newRecord(int32_t count) {
  requested = std::max(0, count);
  left = requested % 2 == 0 ? requested : requested - 1;
}

bool PagePair::last(int32_t count) {
  if (left + 2 >= count) return false;
  left = std::max(0, count - 1);
  requested = left;
  left -= left % 2;
  return true;
}

PairVerdict decidePairSave(const PageState& left, const PageState& right, bool readOnly) {
  if (readOnly || (left.inUse && right.inUse)) return PairVerdict::Continue;
  auto fine = [](const PageState& p) { return p.empty || p.inUse || !p.changed || p.passes; };
  if (!fine(left) || !fine(right)) return PairVerdict::Ask;
  if (!storePage(left) && !storePage(right)) return PairVerdict::Continue;
  return PairVerdict::Save;
}
