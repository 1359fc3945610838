#include "values.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "dbase/codepage.h"

namespace tometool {
namespace {

std::string trim(std::string_view s) {
  const size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  return std::string(s.substr(a, s.find_last_not_of(' ') - a + 1));
}

// Decimal text: sign, digits, point, digits, exponent; "0x10", "inf" and
// "nan" are not numbers, though strtod would read them.
bool isDecimal(std::string_view t) {
  size_t i = 0, digits = 0;
  auto run = [&] {
    size_t n = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) ++n;
    return n;
  };
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  digits += run();
  if (i < t.size() && t[i] == '.') {
    ++i;
    digits += run();
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    if (run() == 0) return false;
  }
  return i == t.size();
}

std::string numberText(std::string_view text) {
  const std::string t = trim(text);
  if (!isDecimal(t)) throw std::runtime_error("\"" + t + "\" is not a number");
  return t;
}

double parseNumber(std::string_view text) { return std::strtod(numberText(text).c_str(), nullptr); }

std::string toHex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string fromHex(std::string_view hex) {
  if (hex.size() % 2) throw std::runtime_error("binary contents need an even number of hex digits");
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) throw std::runtime_error("binary contents are not hex digits");
    out += static_cast<char>(hi << 4 | lo);
  }
  return out;
}

}  // namespace

dbase::Date parseDate(std::string_view text) {
  const std::string t = trim(text);
  if (t.empty()) return {};
  std::string digits;
  if (t.size() == 10 && t[4] == '-' && t[7] == '-') {
    digits = t.substr(0, 4) + t.substr(5, 2) + t.substr(8, 2);
  } else if (t.size() == 8) {
    digits = t;
  }
  bool ok = digits.size() == 8;
  for (char c : digits) ok = ok && std::isdigit(static_cast<unsigned char>(c));
  dbase::Date d;
  if (ok) {
    d.year = std::stoi(digits.substr(0, 4));
    d.month = std::stoi(digits.substr(4, 2));
    d.day = std::stoi(digits.substr(6, 2));
    // A date that does not survive the round trip through the day count is no date.
    ok = d.year > 0 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         dbase::fromJulian(dbase::toJulian(d)) == d;
  }
  if (!ok) throw std::runtime_error("\"" + t + "\" is not a date (YYYY-MM-DD)");
  return d;
}

dbase::KeyValue parseBound(std::string_view text, dbase::KeyType type) {
  switch (type) {
    case dbase::KeyType::Numeric:
      return parseNumber(text);
    case dbase::KeyType::Date:
      return parseDate(text);
    case dbase::KeyType::Character:
      break;
  }
  return dbase::utf8ToCp1252(text);
}

std::string fieldText(const dbase::Table& table, int field) {
  const auto& def = table.fields()[field];
  if (table.isEmpty(field)) return {};
  switch (def.type) {
    case dbase::FieldType::Date: {
      const auto d = table.asDate(field);
      if (d.isBlank()) return {};
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
      return buf;
    }
    case dbase::FieldType::Numeric:
    case dbase::FieldType::Float:
      return trim(table.asString(field));
    case dbase::FieldType::Logical:
      return table.asBool(field) ? "T" : "F";
    case dbase::FieldType::Binary:
      return toHex(table.readBlob(field));
    case dbase::FieldType::Memo:
      return dbase::cp1252ToUtf8(table.readBlob(field));
    case dbase::FieldType::Character:
      break;
  }
  return dbase::cp1252ToUtf8(table.asString(field));
}

void setFieldText(dbase::Table& table, int field, std::string_view text) {
  const auto& def = table.fields()[field];
  if (text.empty()) {
    table.clear(field);
    return;
  }
  switch (def.type) {
    case dbase::FieldType::Date:
      table.setDate(field, parseDate(text));
      return;
    case dbase::FieldType::Numeric:
    case dbase::FieldType::Float:
      // The engine rounds the decimal text itself (half away from zero on its digits).
      table.setString(field, numberText(text));
      return;
    case dbase::FieldType::Logical: {
      const std::string t = trim(text);
      const char c = t.size() == 1 || t == "true" || t == "false" || t == "yes" || t == "no"
                         ? static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])))
                         : '?';
      if (c == 'T' || c == 'Y' || c == '1') {
        table.setBool(field, true);
      } else if (c == 'F' || c == 'N' || c == '0') {
        table.setBool(field, false);
      } else {
        throw std::runtime_error("\"" + t + "\" is not a logical (T or F)");
      }
      return;
    }
    case dbase::FieldType::Binary:
      table.writeBlob(field, fromHex(trim(text)));
      return;
    case dbase::FieldType::Memo:
      table.writeBlob(field, dbase::utf8ToCp1252(text));
      return;
    case dbase::FieldType::Character:
      break;
  }
  const std::string bytes = dbase::utf8ToCp1252(text);
  if (bytes.size() > static_cast<size_t>(def.length)) {
    throw std::runtime_error("\"" + std::string(text) + "\" is longer than " + def.name + " (" +
                             std::to_string(def.length) + " characters)");
  }
  table.setString(field, bytes);
}

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  auto escape = [&](unsigned char c) {
    char buf[5];
    std::snprintf(buf, sizeof buf, "\\x%02X", c);
    out += buf;
  };
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F)
        escape(c);
      else
        out += static_cast<char>(c);
      ++i;
      continue;
    }
    // A whole UTF-8 sequence passes, unless it encodes a C1 control.
    const size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    bool whole = len > 0 && i + len <= text.size();
    for (size_t k = 1; whole && k < len; ++k)
      whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (whole && len == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)
      whole = false;
    if (!whole) {
      escape(c);
      ++i;
      continue;
    }
    out.append(text.substr(i, len));
    i += len;
  }
  return out;
}

}  // namespace tometool
