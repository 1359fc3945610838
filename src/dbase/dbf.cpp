#include "dbase/dbf.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "dbase/error.h"
#include "dbase/fileutil.h"

namespace dbase {

void putU16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}

void putU32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint16_t getU16(const char* p) {
  return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8));
}

uint32_t getU32(const char* p) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(p[i]);
  return v;
}

bool DbfHeader::hasMemoFields() const {
  for (const auto& f : fields)
    if (f.type == FieldType::Memo || f.type == FieldType::Binary) return true;
  return false;
}

namespace {

FieldType typeFromByte(char c) {
  switch (c) {
    case 'C':
      return FieldType::Character;
    case 'N':
      return FieldType::Numeric;
    case 'F':
      return FieldType::Float;
    case 'D':
      return FieldType::Date;
    case 'L':
      return FieldType::Logical;
    case 'M':
      return FieldType::Memo;
    case 'B':
    case 'G':
      return FieldType::Binary;
    default:
      return FieldType::Character;  // unknown types read as raw text
  }
}

// Widths beyond what dBASE IV declares would overrun the record and text
// buffers sized for them, so a header claiming more is refused.
void checkFieldWidth(const FieldDef& f, const std::string& file) {
  auto refuse = [&](const std::string& what) {
    throw FormatError(file, "field " + f.name + ": " + what + " (length " +
                                std::to_string(f.length) + ", decimals " +
                                std::to_string(f.decimals) + ")");
  };
  switch (f.type) {
    case FieldType::Numeric:
    case FieldType::Float:
      if (f.length > kMaxNumericLength) refuse("numbers are 1 to 20 characters long");
      if (f.decimals >= f.length) refuse("more decimals than the number is long");
      break;
    case FieldType::Date:
      if (f.length != kDateFieldLength) refuse("dates are 8 characters long");
      break;
    case FieldType::Logical:
      if (f.length != kLogicalFieldLength) refuse("logical fields are 1 character long");
      break;
    case FieldType::Memo:
    case FieldType::Binary:
      if (f.length != kMemoFieldLength) refuse("memo references are 10 characters long");
      break;
    default:
      if (f.length > kMaxCharacterLength) refuse("text fields are 1 to 254 characters long");
  }
}

}  // namespace

DbfHeader parseDbfHeader(std::string_view bytes, const std::string& file) {
  if (bytes.size() < kDbfHeaderSize)
    throw FormatError(file, "not a dBASE table (header too short)");
  const char* p = bytes.data();
  DbfHeader h;
  h.version = static_cast<uint8_t>(p[kHdrVersion]);
  uint8_t low = h.version & 0x07;
  if (low != 0x03 && low != 0x04) throw FormatError(file, "not a dBASE table (version byte)");
  int yy = static_cast<uint8_t>(p[kHdrLastUpdate]);
  h.updateYear = yy < 100 && yy < 80 ? 2000 + yy : 1900 + yy;
  h.updateMonth = static_cast<uint8_t>(p[kHdrLastUpdate + 1]);
  h.updateDay = static_cast<uint8_t>(p[kHdrLastUpdate + 2]);
  h.recordCount = getU32(p + kHdrRecordCount);
  h.headerLength = getU16(p + kHdrHeaderLength);
  h.recordLength = getU16(p + kHdrRecordLength);
  h.productionMdx = p[kHdrProductionMdx] == 0x01;
  h.languageDriver = static_cast<uint8_t>(p[kHdrLanguageDriver]);
  if (h.headerLength < kDbfHeaderSize + 1) throw FormatError(file, "header length too small");
  if (h.recordLength < 1) throw FormatError(file, "record length is zero");
  if (bytes.size() < h.headerLength) throw FormatError(file, "header is truncated");

  std::set<std::string> names;
  size_t pos = kDbfHeaderSize;
  int offset = 1;
  for (;;) {
    if (pos >= h.headerLength) throw FormatError(file, "field list has no terminator");
    if (static_cast<uint8_t>(p[pos]) == kHeaderTerminator) break;
    if (pos + kFieldDescriptorSize > h.headerLength)
      throw FormatError(file, "field descriptor is truncated");
    const char* d = p + pos;
    FieldDef f;
    size_t n = 0;
    while (n < kFldNameSize && d[kFldName + n] != '\0') ++n;
    f.name = toUpper(trimRight(std::string_view(d + kFldName, n)));
    if (f.name.empty()) throw FormatError(file, "field without a name");
    f.type = typeFromByte(d[kFldType]);
    f.length = static_cast<uint8_t>(d[kFldLength]);
    f.decimals = static_cast<uint8_t>(d[kFldDecimals]);
    if (f.type == FieldType::Character && d[kFldType] == 'C') {
      // Clipper/Fox long character fields keep the high length byte in decimals.
      f.length += f.decimals * 256;
      f.decimals = 0;
    }
    if (f.length <= 0) throw FormatError(file, "field " + f.name + " has no length");
    checkFieldWidth(f, file);
    if (!names.insert(f.name).second) throw FormatError(file, "field " + f.name + " appears twice");
    h.offsets.push_back(offset);
    h.tagFlags.push_back(d[kFldTagFlag] == 0x01);
    offset += f.length;
    h.fields.push_back(std::move(f));
    if (h.fields.size() > 1024) throw FormatError(file, "too many fields");
    pos += kFieldDescriptorSize;
  }
  if (h.fields.empty()) throw FormatError(file, "table has no fields");
  if (offset > h.recordLength) throw FormatError(file, "fields are longer than the record");
  h.fieldsEnd = static_cast<uint16_t>(pos);
  h.zeroAfterEnd = pos + 1 < h.headerLength && p[pos + 1] == '\0';
  return h;
}

std::string headerDisagreement(const HeaderNumbers& n) {
  const uint64_t expected = n.fieldsEnd + 1;
  if (n.headerLength != expected && !(n.headerLength == expected + 1 && n.zeroAfterEnd)) {
    return "header length " + std::to_string(n.headerLength) + " disagrees with the field list (" +
           std::to_string(expected) + " bytes)";
  }
  if (n.recordLength != n.fieldsLength) {
    return "record length " + std::to_string(n.recordLength) + " differs from the fields' total " +
           std::to_string(n.fieldsLength);
  }
  if (n.headerLength + n.recordCount * n.recordLength > n.fileSize) {
    return "header counts " + std::to_string(n.recordCount) +
           " records but the file ends before them";
  }
  return {};
}

DbfHeader readDbfHeader(const File& f) {
  char fixed[kDbfHeaderSize];
  if (f.readAt(0, fixed, kDbfHeaderSize) != kDbfHeaderSize)
    throw FormatError(f.path(), "not a dBASE table (file too short)");
  uint16_t headerLength = getU16(fixed + kHdrHeaderLength);
  if (headerLength < kDbfHeaderSize + 1) throw FormatError(f.path(), "header length too small");
  std::string bytes(headerLength, '\0');
  size_t n = f.readAt(0, bytes.data(), headerLength);
  if (n != headerLength) throw FormatError(f.path(), "header is truncated");
  return parseDbfHeader(bytes, f.path());
}

std::string encodeDbfHeader(const DbfHeader& h) {
  std::string out(h.headerLength, '\0');
  char* p = out.data();
  p[kHdrVersion] = static_cast<char>(h.version);
  int yy = h.updateYear - 1900;
  p[kHdrLastUpdate] = static_cast<char>(yy < 0 ? 0 : yy > 255 ? 255 : yy);
  p[kHdrLastUpdate + 1] = static_cast<char>(h.updateMonth);
  p[kHdrLastUpdate + 2] = static_cast<char>(h.updateDay);
  putU32(p + kHdrRecordCount, h.recordCount);
  putU16(p + kHdrHeaderLength, h.headerLength);
  putU16(p + kHdrRecordLength, h.recordLength);
  p[kHdrProductionMdx] = h.productionMdx ? 0x01 : 0x00;
  p[kHdrLanguageDriver] = static_cast<char>(h.languageDriver);
  size_t pos = kDbfHeaderSize;
  for (size_t i = 0; i < h.fields.size(); ++i) {
    const FieldDef& f = h.fields[i];
    char* d = p + pos;
    std::memcpy(d + kFldName, f.name.data(), std::min<size_t>(f.name.size(), kFldNameSize - 1));
    d[kFldType] = static_cast<char>(f.type);
    if (f.type == FieldType::Character && f.length > 255) {
      d[kFldLength] = static_cast<char>(f.length & 0xFF);
      d[kFldDecimals] = static_cast<char>(f.length >> 8);
    } else {
      d[kFldLength] = static_cast<char>(f.length);
      d[kFldDecimals] = static_cast<char>(f.decimals);
    }
    d[kFldTagFlag] = i < h.tagFlags.size() && h.tagFlags[i] ? 0x01 : 0x00;
    pos += kFieldDescriptorSize;
  }
  p[pos] = static_cast<char>(kHeaderTerminator);
  return out;
}

DbfHeader makeDbfHeader(const std::vector<FieldDef>& fields, const std::string& file) {
  if (fields.empty()) throw Error(file, "a table needs at least one field");
  if (fields.size() > static_cast<size_t>(kMaxFields)) throw Error(file, "too many fields");
  DbfHeader h;
  std::set<std::string> names;
  int offset = 1;
  for (const FieldDef& in : fields) {
    FieldDef f = in;
    f.name = toUpper(f.name);
    if (f.name.empty() || f.name.size() > static_cast<size_t>(kMaxFieldNameLength))
      throw Error(file, "field name '" + in.name + "' must have 1 to 10 characters");
    for (char c : f.name)
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
        throw Error(file, "field name '" + in.name + "' has an invalid character");
    if (!names.insert(f.name).second) throw Error(file, "field " + f.name + " appears twice");
    switch (f.type) {
      case FieldType::Character:
        if (f.length < 1 || f.length > 254)
          throw Error(file, "field " + f.name + ": length must be 1 to 254");
        f.decimals = 0;
        break;
      case FieldType::Numeric:
      case FieldType::Float:
        if (f.length < 1 || f.length > 20)
          throw Error(file, "field " + f.name + ": length must be 1 to 20");
        if (f.decimals < 0 || (f.decimals > 0 && f.decimals > f.length - 2) || f.decimals > 18)
          throw Error(file, "field " + f.name + ": too many decimals for its length");
        break;
      case FieldType::Date:
        f.length = 8;
        f.decimals = 0;
        break;
      case FieldType::Logical:
        f.length = 1;
        f.decimals = 0;
        break;
      case FieldType::Memo:
      case FieldType::Binary:
        f.length = kMemoFieldLength;
        f.decimals = 0;
        break;
      default:
        throw Error(file, "field " + f.name + ": unknown type");
    }
    h.offsets.push_back(offset);
    offset += f.length;
    h.fields.push_back(f);
  }
  if (offset > kMaxRecordLength) throw Error(file, "records would be longer than 65535 bytes");
  h.tagFlags.assign(h.fields.size(), false);
  h.recordLength = static_cast<uint16_t>(offset);
  h.headerLength =
      static_cast<uint16_t>(kDbfHeaderSize + kFieldDescriptorSize * h.fields.size() + 1);
  h.version = h.hasMemoFields() ? kDbfVersionMemo4 : kDbfVersionPlain;
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  h.updateYear = tm.tm_year + 1900;
  h.updateMonth = tm.tm_mon + 1;
  h.updateDay = tm.tm_mday;
  return h;
}

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::string_view trim(std::string_view s) {
  s = trimRight(s);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  return s;
}

std::optional<std::string> formatNumber(double value, int length, int decimals) {
  if (!std::isfinite(value)) return std::nullopt;
  if (length < 1 || length > kMaxNumericLength || decimals < 0 || decimals >= length)
    return std::nullopt;
  // dBASE rounds halves away from zero; printf would round them to even.
  double scale = std::pow(10.0, decimals);
  if (std::fabs(value * scale) < 1e15) value = std::round(value * scale) / scale;
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%*.*f", length, decimals, value);
  // n is what snprintf wanted to write; only what fits in buf was written.
  if (n < 0 || n > length || static_cast<size_t>(n) >= sizeof buf) return std::nullopt;
  std::string s(buf, static_cast<size_t>(n));
  if (s.find_first_not_of(" -0.") == std::string::npos && s.find('-') != std::string::npos) {
    // -0.00 is 0.00
    n = std::snprintf(buf, sizeof buf, "%*.*f", length, decimals, 0.0);
    if (n < 0 || static_cast<size_t>(n) >= sizeof buf) return std::nullopt;
    s.assign(buf, static_cast<size_t>(n));
  }
  return s;
}

namespace {

// Decimal text split into its digits and where the point goes; false when the
// text is not sign, digits, point (or comma), digits, exponent.
bool splitDecimal(std::string_view text, bool* negative, std::string* digits, long* point) {
  size_t i = 0;
  *negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) *negative = text[i++] == '-';
  digits->clear();
  size_t whole = 0, frac = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++whole) *digits += text[i];
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++frac) *digits += text[i];
  }
  if (whole + frac == 0) return false;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) minus = text[i++] == '-';
    size_t start = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (exponent > 100000) return false;
      exponent = exponent * 10 + (text[i] - '0');
    }
    if (i == start) return false;
    if (minus) exponent = -exponent;
  }
  if (i != text.size()) return false;
  *point = static_cast<long>(whole) + exponent;
  return true;
}

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
  text = trim(text);
  if (text.empty()) return std::nullopt;
  bool negative = false;
  std::string digits;
  long point = 0;
  if (text.size() >= 64 || !splitDecimal(text, &negative, &digits, &point)) return std::nullopt;
  char buf[64];
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  for (char& c : buf)
    if (c == ',') c = '.';
  return std::strtod(buf, nullptr);
}

std::optional<std::string> formatDecimalText(std::string_view text, int length, int decimals) {
  text = trim(text);
  if (length < 1 || length > kMaxNumericLength || decimals < 0 || decimals >= length)
    return std::nullopt;
  bool negative = false;
  std::string digits;
  long point = 0;
  if (text.size() > 400 || !splitDecimal(text, &negative, &digits, &point)) return std::nullopt;
  // Drop leading zeros, then place the point within the digits.
  size_t lead = digits.find_first_not_of('0');
  if (lead == std::string::npos) {
    digits = "0";
    point = 1;
  } else {
    digits.erase(0, lead);
    point -= static_cast<long>(lead);
  }
  if (point > length) return std::nullopt;
  if (point < 1) {
    if (-point > length + 2) {
      digits = "0";  // far below the last decimal: rounds to zero
      point = 1;
    } else {
      digits.insert(0, static_cast<size_t>(1 - point), '0');
      point = 1;
    }
  }
  const size_t keep = static_cast<size_t>(point) + static_cast<size_t>(decimals);
  if (digits.size() < keep) digits.append(keep - digits.size(), '0');
  const bool up = digits.size() > keep && digits[keep] >= '5';
  digits.resize(keep);
  if (up) {
    size_t i = keep;
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(digits.begin(), '1');
      ++point;
    } else {
      ++digits[i - 1];
    }
  }
  std::string whole = digits.substr(0, static_cast<size_t>(point));
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  std::string out = whole;
  if (decimals > 0) out += "." + digits.substr(static_cast<size_t>(point));
  if (negative && digits.find_first_not_of('0') != std::string::npos) out.insert(0, "-");
  if (out.size() > static_cast<size_t>(length)) return std::nullopt;
  out.insert(0, static_cast<size_t>(length) - out.size(), ' ');
  return out;
}

uint32_t parseMemoBlock(std::string_view text) {
  text = trim(text);
  if (text.empty() || text.size() > 10) return 0;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  return v > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(v);
}

std::string formatMemoBlock(uint32_t block, int length) {
  if (block == 0) return std::string(static_cast<size_t>(length), ' ');
  std::string digits = std::to_string(block);
  if (digits.size() > static_cast<size_t>(length))
    digits.erase(0, digits.size() - static_cast<size_t>(length));
  return std::string(static_cast<size_t>(length) - digits.size(), ' ') + digits;
}

}  // namespace dbase
