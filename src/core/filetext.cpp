#include "core/filetext.h"

#include <QSet>
#include <QStringList>

#include "dbase/codepage.h"

QByteArray toFileText(const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  const std::string cp = dbase::utf8ToCp1252(std::string_view(utf8.constData(), utf8.size()));
  return QByteArray(cp.data(), static_cast<qsizetype>(cp.size()));
}

QString fromFileText(QByteArrayView bytes) {
  const std::string utf8 = dbase::cp1252ToUtf8(std::string_view(bytes.data(), bytes.size()));
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString charsWithoutCode(const QString& s) {
  QList<char32_t> found;
  QSet<char32_t> seen;
  for (const uint u : s.toUcs4()) {
    const auto c = static_cast<char32_t>(u);
    if (dbase::hasCp1252Code(c) || seen.contains(c)) continue;
    seen.insert(c);
    found << c;
  }
  return QString::fromUcs4(found.constData(), found.size());
}

bool fitsFileText(const QString& s) { return charsWithoutCode(s).isEmpty(); }

QString unstorableCharsPhrase(const QString& s) {
  const QList<uint> chars = charsWithoutCode(s).toUcs4();
  if (chars.isEmpty()) return {};
  // A pasted page of another script names a few, not thousands.
  constexpr qsizetype kNamed = 10;
  QStringList each;
  for (qsizetype i = 0; i < chars.size() && i < kNamed; ++i) {
    const auto c = static_cast<char32_t>(chars[i]);
    each << QString::fromUcs4(&c, 1);
  }
  if (chars.size() > kNamed) each << QStringLiteral("...");
  return (chars.size() == 1 ? QStringLiteral("the character ")
                            : QStringLiteral("the characters ")) +
         each.join(u' ');
}

QString unstorableTextMessage(const QString& s) {
  QString phrase = unstorableCharsPhrase(s);
  if (phrase.isEmpty()) return {};
  phrase[0] = phrase[0].toUpper();
  return phrase + QStringLiteral(" cannot be stored - please type others.");
}
