#include "ui/editors/currencymodel.h"

#include <QStringList>
#include <cmath>

namespace currency {

bool isAllowedChar(QChar c) {
  return c == QChar(u'\b') || c == u'-' || c == u'.' || (c >= u'0' && c <= u'9');
}

QString allowedPart(const QString& text) {
  QString out;
  for (QChar c : text)
    if (isAllowedChar(c) && c != QChar(u'\b')) out += c;
  return out;
}

bool isNegativeText(const QString& text) { return text.contains(u'-') || text.contains(u'('); }

std::optional<double> parse(const QString& text) {
  QString rest;
  for (QChar c : text)
    if (c == u'.' || (c >= u'0' && c <= u'9')) rest += c;
  if (rest.isEmpty()) return 0.0;
  if (rest.count(u'.') > 1) return std::nullopt;
  bool ok = false;
  double v = rest.toDouble(&ok);  // C locale, whatever the user's is
  if (rest == QLatin1String(".")) ok = true, v = 0;
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return isNegativeText(text) ? -v : v;
}

namespace {

// One section of a pattern: literal text around a run of "#0,.".
struct Section {
  QString prefix, suffix;
  bool grouping = false;
  int minDecimals = 0, maxDecimals = 0, minIntegers = 0;
};

Section parseSection(const QString& s) {
  Section out;
  const QString numberChars = QStringLiteral("#0,.");
  qsizetype start = 0;
  while (start < s.size() && !numberChars.contains(s[start])) ++start;
  qsizetype end = start;
  while (end < s.size() && numberChars.contains(s[end])) ++end;
  out.prefix = s.left(start);
  out.suffix = s.mid(end);
  out.prefix.remove(QLatin1Char('"'));
  out.suffix.remove(QLatin1Char('"'));
  const QString number = s.mid(start, end - start);
  const qsizetype point = number.indexOf(u'.');
  const QString integer = point < 0 ? number : number.left(point);
  const QString fraction = point < 0 ? QString() : number.mid(point + 1);
  out.grouping = integer.contains(u',');
  out.minIntegers = static_cast<int>(integer.count(u'0'));
  out.minDecimals = static_cast<int>(fraction.count(u'0'));
  out.maxDecimals = out.minDecimals + static_cast<int>(fraction.count(u'#'));
  return out;
}

QString formatSection(double magnitude, const Section& s) {
  QString text = QString::number(magnitude, 'f', s.maxDecimals);
  qsizetype point = text.indexOf(u'.');
  if (point >= 0) {
    qsizetype keep = text.size();
    while (keep > point + 1 + s.minDecimals && text[keep - 1] == u'0') --keep;
    if (keep == point + 1) keep = point;
    text.truncate(keep);
  }
  point = text.indexOf(u'.');
  QString integer = point < 0 ? text : text.left(point);
  const QString fraction = point < 0 ? QString() : text.mid(point);
  if (integer == QLatin1String("0") && s.minIntegers == 0) integer.clear();
  while (integer.size() < s.minIntegers) integer.prepend(u'0');
  if (s.grouping)
    for (qsizetype i = integer.size() - 3; i > 0; i -= 3) integer.insert(i, u',');
  return s.prefix + integer + fraction + s.suffix;
}

}  // namespace

QString format(double value, const QString& pattern) {
  const QStringList sections = pattern.split(u';');
  if (value == 0 && sections.size() > 2) return formatSection(0, parseSection(sections[2]));
  if (value < 0 && sections.size() > 1) return formatSection(-value, parseSection(sections[1]));
  const QString text = formatSection(std::fabs(value), parseSection(sections[0]));
  // An amount that rounds to zero shows no sign.
  const bool shownZero = parse(text).value_or(0) == 0;
  return value < 0 && !shownZero ? QLatin1Char('-') + text : text;
}

}  // namespace currency
