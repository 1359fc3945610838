#include "query/find/findmatch.h"

#include <QDate>
#include <QStringList>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "dbase/table.h"
#include "store/recordtext.h"

namespace {

constexpr std::array<unsigned char, 256> makeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
  for (int c = 'a'; c <= 'z'; ++c) t[static_cast<size_t>(c)] = static_cast<unsigned char>(c - 32);
  // Windows-1252: à..þ over À..Þ (÷ has no capital), and š œ ž ÿ.
  for (int c = 0xE0; c <= 0xFE; ++c)
    if (c != 0xF7) t[static_cast<size_t>(c)] = static_cast<unsigned char>(c - 32);
  t[0x9A] = 0x8A;
  t[0x9C] = 0x8C;
  t[0x9E] = 0x8E;
  t[0xFF] = 0x9F;
  return t;
}

constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

// A dBASE numeric field's value; nothing for a blank or unreadable one.
std::optional<double> fieldNumber(std::string_view bytes) {
  bytes = trim(bytes);
  if (bytes.empty()) return std::nullopt;
  if (bytes.front() == '+') bytes.remove_prefix(1);
  double v = 0;
  const char* end = bytes.data() + bytes.size();
  const auto r = std::from_chars(bytes.data(), end, v);
  if (r.ec != std::errc() || r.ptr != end) return std::nullopt;
  return v;
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

unsigned char foldByte(unsigned char c) { return kFold[c]; }

std::string foldTableText(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out) c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
  return out;
}

size_t findFolded(std::string_view hay, std::string_view needle) {
  const size_t m = needle.size();
  if (m == 0) return 0;
  if (hay.size() < m) return std::string_view::npos;
  const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
  const auto* n = reinterpret_cast<const unsigned char*>(needle.data());
  const unsigned char first = n[0];
  const size_t last = hay.size() - m;
  for (size_t i = 0; i <= last; ++i) {
    if (kFold[h[i]] != first) continue;
    size_t j = 1;
    while (j < m && kFold[h[i + j]] == n[j]) ++j;
    if (j == m) return i;
  }
  return std::string_view::npos;
}

std::optional<double> parseSearchNumber(std::string_view text) {
  text = trim(text);
  if (text.empty()) return std::nullopt;
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars would also take "inf" and "nan": a number starts with a digit or ".".
  if (text.empty() ||
      !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.'))
    return std::nullopt;
  double v = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return std::nullopt;
  return negative ? -v : v;
}

std::optional<dbase::Date> parseSearchDate(const QString& text, int dateFormat) {
  const QStringList parts = text.trimmed().split(QLatin1Char('/'));
  if (parts.size() != 3) return std::nullopt;
  int values[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    const QString p = parts[i].trimmed();
    if (p.isEmpty() || p.size() > 4) return std::nullopt;
    for (QChar c : p)
      if (!isDigit(c)) return std::nullopt;
    values[i] = p.toInt();
  }
  const int yearPart = dateFormat == 2 ? 0 : 2;
  int year = values[yearPart];
  int month = dateFormat == 1 ? values[1] : (dateFormat == 2 ? values[1] : values[0]);
  int day = dateFormat == 1 ? values[0] : (dateFormat == 2 ? values[2] : values[1]);
  // Two-digit years as the short date format writes them.
  if (parts[yearPart].trimmed().size() <= 2) year += year < 50 ? 2000 : 1900;
  if (!QDate::isValid(year, month, day) || year < 1) return std::nullopt;
  return dbase::Date{year, month, day};
}

size_t memoEditorOffset(std::string_view memo, size_t offset) {
  offset = std::min(offset, memo.size());
  size_t breaks = 0;
  for (size_t i = 1; i < offset; ++i)
    if (memo[i] == '\n' && memo[i - 1] == '\r') ++breaks;
  return offset - breaks;
}

FindQuery FindQuery::make(const QString& text, int dateFormat, bool searchMemos) {
  FindQuery q;
  const std::string bytes = toTableText(text);
  q.needle = foldTableText(bytes);
  q.number = parseSearchNumber(bytes);
  if (auto d = parseSearchDate(text, dateFormat)) q.dateKey = dbase::toDtos(*d);
  q.searchMemos = searchMemos;
  return q;
}

RecordMatcher::RecordMatcher(const dbase::Table& table, FindQuery query)
    : query_(std::move(query)) {
  using dbase::FieldType;
  for (const dbase::FieldDef& f : table.fields()) {
    Kind k = Kind::Never;
    switch (f.type) {
      case FieldType::Character:
        k = Kind::Text;
        break;
      case FieldType::Numeric:
      case FieldType::Float:
        k = query_.number ? Kind::Number : Kind::Never;
        break;
      case FieldType::Date:
        k = query_.dateKey.empty() ? Kind::Never : Kind::Date;
        break;
      case FieldType::Memo:
        k = query_.searchMemos ? Kind::Memo : Kind::Never;
        break;
      default:
        break;
    }
    kinds_.push_back(k);
  }
}

bool RecordMatcher::fieldMatches(const dbase::Table& table, int field) {
  if (field < 0 || static_cast<size_t>(field) >= kinds_.size()) return false;
  switch (kinds_[static_cast<size_t>(field)]) {
    case Kind::Text: {
      const std::string_view bytes = table.fieldBytes(field);
      const size_t at = findFolded(bytes, query_.needle);
      if (at == std::string_view::npos) return false;
      // The padding after the text is no part of it.
      size_t used = bytes.size();
      while (used > 0 && (bytes[used - 1] == ' ' || bytes[used - 1] == '\0')) --used;
      // The first hit ends earliest: when it reaches the padding, every one does.
      return at + query_.needle.size() <= used;
    }
    case Kind::Number: {
      const auto v = fieldNumber(table.fieldBytes(field));
      return v && *v == *query_.number;
    }
    case Kind::Date: {
      const std::string_view bytes = table.fieldBytes(field);
      return bytes.size() == 8 && std::memcmp(bytes.data(), query_.dateKey.data(), 8) == 0;
    }
    case Kind::Memo: {
      if (table.isEmpty(field)) return false;
      const std::string memo = table.readBlob(field);
      const size_t at = findFolded(memo, query_.needle);
      if (at == std::string::npos) return false;
      const size_t end = at + query_.needle.size();
      const size_t editorAt = memoEditorOffset(memo, at);
      memo_ = {at, query_.needle.size(), editorAt, memoEditorOffset(memo, end) - editorAt};
      return true;
    }
    case Kind::Never:
      break;
  }
  return false;
}

int RecordMatcher::firstMatch(const dbase::Table& table, int from, int lowest, bool forward) {
  const int last = static_cast<int>(kinds_.size()) - 1;
  if (forward) {
    for (int f = std::max(from, lowest); f <= last; ++f)
      if (kinds_[static_cast<size_t>(f)] != Kind::Never && fieldMatches(table, f)) return f;
  } else {
    for (int f = std::min(from, last); f >= lowest; --f)
      if (kinds_[static_cast<size_t>(f)] != Kind::Never && fieldMatches(table, f)) return f;
  }
  return -1;
}
