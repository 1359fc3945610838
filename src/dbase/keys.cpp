#include "dbase/keys.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dbase/coding.h"
#include "dbase/error.h"

namespace dbase {

namespace {

constexpr unsigned char kExponentBias = 0x34;  // byte 0 of a numeric key: 0x34 + digits before '.'
constexpr unsigned char kDigitInfoOne = 0x01;  // always set in byte 1
constexpr unsigned char kNegativeBit = 0x80;   // byte 1: value is negative
constexpr int kBcdDigits = 20;

int numericSign(std::string_view k) {
  const auto info = static_cast<unsigned char>(k[1]);
  if (((info >> 2) & 0x1F) == 0) return 0;
  return (info & kNegativeBit) ? -1 : 1;
}

int compareBytesPadded(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    if (a.empty()) return 0;
    const int c = std::memcmp(a.data(), b.data(), a.size());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
    const auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

void requireLength(std::string_view k, size_t n) {
  if (k.size() < n) throw FormatError("", "index key shorter than its type requires");
}

}  // namespace

std::string numericKey(double value) {
  std::string key(kNumericKeyLength, '\0');
  key[0] = static_cast<char>(kExponentBias);
  key[1] = static_cast<char>(kDigitInfoOne);
  if (!std::isfinite(value) || value == 0) return key;
  // 15 significant digits: what a double holds reliably and what N fields show.
  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::scientific, 14);
  *res.ptr = '\0';
  char digits[24];
  size_t count = 0;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9' && count < sizeof digits) digits[count++] = *p;
  const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
  while (count > 0 && digits[count - 1] == '0') --count;
  if (count == 0) return key;
  count = std::min(count, static_cast<size_t>(kBcdDigits));
  int biased = kExponentBias + exponent + 1;
  biased = std::clamp(biased, 1, 255);
  key[0] = static_cast<char>(biased);
  unsigned char info = static_cast<unsigned char>((count << 2) | kDigitInfoOne);
  if (value < 0) info |= kNegativeBit;
  key[1] = static_cast<char>(info);
  for (size_t i = 0; i < count; ++i) {
    const int d = digits[i] - '0';
    auto& byte = key[2 + i / 2];
    byte = static_cast<char>(static_cast<unsigned char>(byte) | (i % 2 ? d : d << 4));
  }
  return key;
}

double numericKeyValue(std::string_view key) {
  requireLength(key, kNumericKeyLength);
  const int sign = numericSign(key);
  if (sign == 0) return 0;
  const int count = (static_cast<unsigned char>(key[1]) >> 2) & 0x1F;
  std::string text = "0.";
  for (int i = 0; i < count && i < kBcdDigits; ++i) {
    const auto byte = static_cast<unsigned char>(key[2 + i / 2]);
    const int d = i % 2 ? byte & 0x0F : byte >> 4;
    text.push_back(static_cast<char>('0' + std::min(d, 9)));
  }
  text +=
      "e" + std::to_string(static_cast<int>(static_cast<unsigned char>(key[0])) - kExponentBias);
  const double v = std::strtod(text.c_str(), nullptr);
  return sign < 0 ? -v : v;
}

std::string dateKey(int64_t julian) {
  std::string key(kDateKeyLength, '\0');
  encodeDouble(key.data(), julian == 0 ? kBlankDateKey : static_cast<double>(julian));
  return key;
}

std::string characterKey(std::string_view text, int length) {
  std::string key(text.substr(0, static_cast<size_t>(std::max(length, 0))));
  key.resize(static_cast<size_t>(std::max(length, 0)), ' ');
  return key;
}

std::string makeKey(const ExprValue& value, KeyType type, int keyLength) {
  switch (type) {
    case KeyType::Character:
      if (value.kind == ExprValue::Kind::Character) return characterKey(value.text, keyLength);
      if (value.kind == ExprValue::Kind::Logical)
        return characterKey(value.logical ? "T" : "F", keyLength);
      break;
    case KeyType::Numeric:
      if (value.kind == ExprValue::Kind::Numeric)
        return numericKey(static_cast<double>(value.number));
      break;
    case KeyType::Date:
      if (value.kind == ExprValue::Kind::Date) return dateKey(value.julian);
      break;
  }
  throw ExpressionError("", "key expression value does not match the tag's key type");
}

std::string boundKey(const KeyValue& value, KeyType type, int keyLength) {
  switch (type) {
    case KeyType::Character:
      if (const auto* s = std::get_if<std::string>(&value))
        return s->substr(0, static_cast<size_t>(std::max(keyLength, 0)));
      if (const auto* d = std::get_if<Date>(&value)) return toDtos(*d).substr(0, keyLength);
      break;
    case KeyType::Numeric:
      if (const auto* n = std::get_if<double>(&value)) return numericKey(*n);
      if (const auto* s = std::get_if<std::string>(&value))
        return numericKey(std::strtod(s->c_str(), nullptr));
      break;
    case KeyType::Date:
      if (const auto* d = std::get_if<Date>(&value)) return dateKey(toJulian(*d));
      if (const auto* s = std::get_if<std::string>(&value)) return dateKey(toJulian(parseDtos(*s)));
      break;
  }
  throw ExpressionError("", "search value does not match the tag's key type");
}

int compareKeys(KeyType type, std::string_view a, std::string_view b) {
  switch (type) {
    case KeyType::Numeric: {
      requireLength(a, kNumericKeyLength);
      requireLength(b, kNumericKeyLength);
      const int sa = numericSign(a), sb = numericSign(b);
      if (sa != sb) return sa < sb ? -1 : 1;
      if (sa == 0) return 0;
      const auto ea = static_cast<unsigned char>(a[0]), eb = static_cast<unsigned char>(b[0]);
      if (ea != eb) return ea < eb ? -sa : sa;
      const int c = std::memcmp(a.data() + 2, b.data() + 2, kNumericKeyLength - 2);
      return c == 0 ? 0 : (c < 0 ? -sa : sa);
    }
    case KeyType::Date: {
      requireLength(a, kDateKeyLength);
      requireLength(b, kDateKeyLength);
      const double da = decodeDouble(a.data()), db = decodeDouble(b.data());
      return da < db ? -1 : (db < da ? 1 : 0);
    }
    case KeyType::Character:
      break;
  }
  return compareBytesPadded(a, b);
}

int compareKeyPrefix(KeyType type, std::string_view key, std::string_view prefix) {
  if (type != KeyType::Character) return compareKeys(type, key, prefix);
  if (key.size() > prefix.size()) key = key.substr(0, prefix.size());
  return compareBytesPadded(key, prefix);
}

}  // namespace dbase
