// Reading and setting field values on the current record buffer.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>

#include "dbase/table_impl.h"

namespace dbase {

namespace {

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool validDate(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  int dim = kDays[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
  return d <= dim;
}

// "YYYYMMDD" (also "YYYY-MM-DD"); nullopt for text that is no date, a blank Date for blanks.
std::optional<Date> parseDateText(std::string_view text) {
  text = trim(text);
  if (text.empty()) return Date{};
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9')
      digits.push_back(c);
    else if (c != '-' && c != '/' && c != '.')
      return std::nullopt;
  }
  if (digits.size() != 8) return std::nullopt;
  Date d{std::atoi(digits.substr(0, 4).c_str()), std::atoi(digits.substr(4, 2).c_str()),
         std::atoi(digits.substr(6, 2).c_str())};
  if (!validDate(d.year, d.month, d.day)) return std::nullopt;
  return d;
}

std::string dateText(const Date& d) {
  if (d.isBlank()) return std::string(8, ' ');
  const int y = d.year % 10000, m = d.month % 100, day = d.day % 100;
  char buf[16];
  if (y < 0 || m < 0 || day < 0) {
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, day);
    return std::string(buf, 8);
  }
  // By hand: an import writes a date per record, and snprintf cost more than the rest.
  const int digits[8] = {y / 1000, y / 100 % 10, y / 10 % 10, y % 10,
                         m / 10,   m % 10,       day / 10,    day % 10};
  for (int i = 0; i < 8; ++i) buf[i] = static_cast<char>('0' + digits[i]);
  return std::string(buf, 8);
}

bool isBlankBytes(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\0') return false;
  return true;
}

// Decoding of the bytes of a field that is no memo or binary field, shared
// by the cursor's buffer and the records of a scan.
std::string textOf(const FieldDef& f, std::string_view v) {
  switch (f.type) {
    case FieldType::Numeric:
    case FieldType::Float:
      return std::string(trim(v));
    case FieldType::Logical: {
      char c = v.empty() ? ' ' : v[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return "T";
      if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return "F";
      return "";
    }
    case FieldType::Date: {
      auto date = parseDateText(v);
      return date && !date->isBlank() ? dateText(*date) : std::string(trimRight(v));
    }
    default:
      return std::string(trimRight(v));
  }
}

Date dateOf(std::string_view v) { return parseDateText(v).value_or(Date{}); }

double numberOf(const FieldDef& f, std::string_view v) {
  switch (f.type) {
    case FieldType::Logical:
      return textOf(f, v) == "T" ? 1.0 : 0.0;
    case FieldType::Date:
      return static_cast<double>(toJulian(dateOf(v)));
    default:
      return parseNumber(v).value_or(0.0);
  }
}

bool emptyOf(const FieldDef& f, std::string_view v) {
  if (isMemoType(f.type)) return parseMemoBlock(v) == 0;
  if (f.type == FieldType::Logical) return v.empty() || v[0] == ' ' || v[0] == '?' || v[0] == '\0';
  return isBlankBytes(v);
}

}  // namespace

std::string Table::asString(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (isMemoType(f.type)) return readBlob(field);
  return textOf(f, d.fieldBytes(d.rec, field));
}

double Table::asNumber(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (isMemoType(f.type)) return parseNumber(readBlob(field)).value_or(0.0);
  return numberOf(f, d.fieldBytes(d.rec, field));
}

int64_t Table::asInteger(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (f.type == FieldType::Numeric || f.type == FieldType::Float ||
      f.type == FieldType::Character) {
    std::string_view t = trim(d.fieldBytes(d.rec, field));
    if (!t.empty() && t.find_first_of(".eE,") == std::string_view::npos) {
      std::string s(t);
      char* end = nullptr;
      long long v = std::strtoll(s.c_str(), &end, 10);
      if (end && *end == '\0') return v;
    }
  }
  return std::llround(asNumber(field));
}

Date Table::asDate(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (isMemoType(f.type)) return dateOf(readBlob(field));
  return dateOf(d.fieldBytes(d.rec, field));
}

bool Table::asBool(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (f.type == FieldType::Logical) return asString(field) == "T";
  if (f.type == FieldType::Numeric || f.type == FieldType::Float) return asNumber(field) != 0;
  return !isEmpty(field);
}

std::string_view Table::fieldBytes(int field) const {
  const Impl& d = *impl_;
  return d.fieldBytes(d.rec, field);
}

bool Table::isEmpty(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (isMemoType(f.type)) {
    auto it = d.pendingBlobs.find(field);
    if (it != d.pendingBlobs.end()) return it->second.empty();
  }
  return emptyOf(f, d.fieldBytes(d.rec, field));
}

const FieldDef& ScanRecord::field(int i) const { return table_.impl_->field(i); }

std::string_view ScanRecord::fieldBytes(int field) const {
  return table_.impl_->fieldBytes(record_, field);
}

namespace {

[[noreturn]] void memoNotRead(const std::string& path, const FieldDef& f) {
  throw Error(path, "a scan does not read the contents of memo field " + f.name);
}

}  // namespace

std::string ScanRecord::asString(int i) const {
  const FieldDef& f = field(i);
  if (isMemoType(f.type)) memoNotRead(table_.path(), f);
  return textOf(f, fieldBytes(i));
}

double ScanRecord::asNumber(int i) const {
  const FieldDef& f = field(i);
  if (isMemoType(f.type)) memoNotRead(table_.path(), f);
  return numberOf(f, fieldBytes(i));
}

Date ScanRecord::asDate(int i) const {
  const FieldDef& f = field(i);
  if (isMemoType(f.type)) memoNotRead(table_.path(), f);
  return dateOf(fieldBytes(i));
}

bool ScanRecord::asBool(int i) const {
  const FieldDef& f = field(i);
  if (f.type == FieldType::Logical) return textOf(f, fieldBytes(i)) == "T";
  if (f.type == FieldType::Numeric || f.type == FieldType::Float)
    return numberOf(f, fieldBytes(i)) != 0;
  return !isEmpty(i);
}

bool ScanRecord::isEmpty(int i) const { return emptyOf(field(i), fieldBytes(i)); }

std::string ScanRecord::readBlob(int i) const {
  if (!isMemoType(field(i).type)) return std::string(fieldBytes(i));
  return table_.impl_->memoOf(record_, i);
}

void Table::clear(int field) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (isMemoType(f.type)) {
    d.pendingBlobs[field].clear();
    return;
  }
  std::memset(d.fieldPtr(field), ' ', static_cast<size_t>(f.length));
}

void Table::setString(int field, std::string_view value) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  auto len = static_cast<size_t>(f.length);
  char* p = d.fieldPtr(field);
  switch (f.type) {
    case FieldType::Memo:
    case FieldType::Binary:
      d.pendingBlobs[field] = std::string(value);
      return;
    case FieldType::Numeric:
    case FieldType::Float: {
      std::string_view text = trim(value);
      if (text.empty()) return clear(field);
      // Whole numbers are kept digit for digit (a double holds only 15 or so).
      bool whole = f.decimals == 0 && text.size() <= len && text.size() > 15;
      for (size_t i = 0; whole && i < text.size(); ++i)
        whole = (text[i] >= '0' && text[i] <= '9') || (i == 0 && text[i] == '-' && text.size() > 1);
      if (whole) {
        std::memset(p, ' ', len - text.size());
        std::memcpy(p + (len - text.size()), text.data(), text.size());
        return;
      }
      // Rounded on the decimal text: 1.005 is 1.01, as written, not as the double holds it.
      if (auto formatted = formatDecimalText(text, f.length, f.decimals)) {
        std::memcpy(p, formatted->data(), formatted->size());
        return;
      }
      if (!parseNumber(value))
        d.fail("field " + f.name + ": '" + std::string(text) + "' is not a number");
      d.fail("field " + f.name + ": " + std::string(text) + " does not fit (" +
             std::to_string(f.length) + " characters, " + std::to_string(f.decimals) +
             " decimals)");
    }
    case FieldType::Date: {
      auto date = parseDateText(value);
      if (!date) d.fail("field " + f.name + ": '" + std::string(value) + "' is not a date");
      return setDate(field, *date);
    }
    case FieldType::Logical: {
      std::string_view t = trim(value);
      if (t.size() >= 3 && t.front() == '.' && t.back() == '.') t = t.substr(1, t.size() - 2);
      char c = t.empty() ? ' ' : t[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1')
        *p = 'T';
      else if (c == 'F' || c == 'f' || c == 'N' || c == 'n' || c == '0')
        *p = 'F';
      else if (c == ' ' || c == '?')
        *p = ' ';
      else
        d.fail("field " + f.name + ": '" + std::string(value) + "' is not a logical value");
      return;
    }
    default: {
      size_t n = std::min(len, value.size());
      std::memcpy(p, value.data(), n);
      std::memset(p + n, ' ', len - n);
    }
  }
}

void Table::setNumber(int field, double value) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (f.type == FieldType::Numeric || f.type == FieldType::Float) {
    auto text = formatNumber(value, f.length, f.decimals);
    if (!text) d.fail("field " + f.name + ": " + std::to_string(value) + " does not fit");
    std::memcpy(d.fieldPtr(field), text->data(), text->size());
    return;
  }
  if (f.type == FieldType::Logical) return setBool(field, value != 0);
  std::ostringstream s;
  s.precision(15);
  s << value;
  setString(field, s.str());
}

void Table::setDate(int field, const Date& value) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (!value.isBlank() && !validDate(value.year, value.month, value.day))
    d.fail("field " + f.name + ": not a valid date");
  std::string text = dateText(value);
  if (f.type == FieldType::Date) {
    std::memcpy(d.fieldPtr(field), text.data(), 8);
    return;
  }
  setString(field, value.isBlank() ? std::string() : text);
}

void Table::setBool(int field, bool value) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (f.type == FieldType::Logical) {
    *d.fieldPtr(field) = value ? 'T' : 'F';
    return;
  }
  if (f.type == FieldType::Numeric || f.type == FieldType::Float)
    return setNumber(field, value ? 1 : 0);
  setString(field, value ? "T" : "F");
}

void Table::assignFrom(int field, const Table& other, int otherField) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  const FieldDef& g = other.impl_->field(otherField);
  if (isMemoType(f.type)) return writeBlob(field, other.readBlob(otherField));
  if (other.isEmpty(otherField)) return clear(field);
  if (f.type == g.type && f.length == g.length && f.decimals == g.decimals) {
    std::string_view src = other.impl_->fieldBytes(other.impl_->rec, otherField);
    std::memcpy(d.fieldPtr(field), src.data(), src.size());
    return;
  }
  switch (f.type) {
    case FieldType::Date:
      return setDate(field, other.asDate(otherField));
    case FieldType::Numeric:
    case FieldType::Float:
      if (g.type == FieldType::Logical) return setNumber(field, other.asBool(otherField) ? 1 : 0);
      return setString(field, other.asString(otherField));
    case FieldType::Logical:
      return setBool(field, other.asBool(otherField));
    default:
      return setString(field, other.asString(otherField));
  }
}

std::string Table::readBlob(int field) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  if (!isMemoType(f.type)) return std::string(d.fieldBytes(d.rec, field));
  auto it = d.pendingBlobs.find(field);
  if (it != d.pendingBlobs.end()) return it->second;
  return d.memoOf(d.rec, field);
}

void Table::writeBlob(int field, std::string_view data) {
  Impl& d = *impl_;
  d.requireEditing();
  const FieldDef& f = d.field(field);
  if (!isMemoType(f.type)) d.fail("field " + f.name + " is not a memo field");
  d.pendingBlobs[field] = std::string(data);
}

void Table::readBlob(int field, std::ostream& out) const {
  const Impl& d = *impl_;
  const FieldDef& f = d.field(field);
  auto it = d.pendingBlobs.find(field);
  if (!isMemoType(f.type) || it != d.pendingBlobs.end() || !d.memo) {
    std::string s = readBlob(field);
    out.write(s.data(), static_cast<std::streamsize>(s.size()));
    return;
  }
  d.memo->read(parseMemoBlock(d.fieldBytes(d.rec, field)), out);
}

void Table::writeBlob(int field, std::istream& in) {
  std::string data = readStream(in);
  writeBlob(field, data);
}

}  // namespace dbase
