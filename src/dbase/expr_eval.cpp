#include "dbase/expr_node.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dbase/dbf.h"
#include "dbase/error.h"

namespace dbase::expr_detail {

namespace {

std::string rtrim(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s.substr(0, n));
}

std::string ltrim(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return std::string(s.substr(i));
}

__extension__ typedef unsigned __int128 Uint128;

// The digits of a number scaled by 10^dec, as text with dec decimals.
std::string placePoint(std::string digits, int dec, bool negative) {
  if (dec > 0) {
    if (static_cast<int>(digits.size()) <= dec)
      digits.insert(0, static_cast<size_t>(dec + 1 - static_cast<int>(digits.size())), '0');
    digits.insert(digits.size() - static_cast<size_t>(dec), ".");
  }
  if (negative) digits.insert(0, "-");
  return digits;
}

// Without a branch, so the loop runs many bytes at a time.
void upperAscii(std::string& s) {
  for (auto& c : s) c = static_cast<char>(c - (static_cast<unsigned char>(c - 'a') < 26 ? 32 : 0));
}

// Text of |n| rounded half away from zero to dec decimals, sign in front.
std::string fixedText(ExprNumber n, int dec) {
  // Exact powers for the usual decimals: powl is slow and keys call this per record.
  static constexpr ExprNumber kPowers[] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L};
  const ExprNumber scale = dec >= 0 && dec <= 8 ? kPowers[dec] : std::pow(10.0L, dec);
  const ExprNumber scaled = std::fabs(n) * scale;
  // The nudge makes 2.675 round as the decimal text reads, not as the binary value is stored.
  // From 1e16 on the nudge would reach the last digit; such values are taken as stored.
  const ExprNumber r =
      scaled < 1e16L ? std::floor(scaled + 0.5L + scaled * 4 * LDBL_EPSILON) : std::round(scaled);
  char buf[400];
  // Whole numbers that fit 64 (or 128) bits print exactly as integers, much
  // faster; reversal keys (18 nines less a value, 4 decimals) need the 128.
  std::string digits;
  if (r < 0x1p64L) {
    digits.assign(buf, std::to_chars(buf, buf + sizeof buf, static_cast<uint64_t>(r)).ptr);
  } else if (r < 0x1p127L) {
    auto v = static_cast<Uint128>(r);
    char* p = buf + sizeof buf;
    do {
      *--p = static_cast<char>('0' + static_cast<int>(v % 10));
      v /= 10;
    } while (v != 0);
    digits.assign(p, buf + sizeof buf);
  } else {
    digits.assign(buf, std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 0).ptr);
  }
  return placePoint(std::move(digits), dec, n < 0 && r != 0);
}

// dBASE's STR(): right-justified in len, rounded; fewer decimals when they do
// not fit, asterisks when the whole number does not.
std::string formatStr(ExprNumber n, int len, int dec) {
  len = std::clamp(len, 0, kMaxStrLength);
  dec = std::clamp(dec, 0, std::max(0, len - 2));
  if (!std::isfinite(n)) return std::string(static_cast<size_t>(len), '*');
  // Each decimal dropped shortens the text by at most one character (rounding
  // may even add an integer digit), so the first count worth trying is the
  // one that sheds the excess.
  std::string t = fixedText(n, dec);
  int d = dec;
  if (static_cast<int>(t.size()) > len) {
    d = std::max(0, dec - (static_cast<int>(t.size()) - len));
    t = fixedText(n, d);
  }
  for (;;) {
    if (static_cast<int>(t.size()) <= len)
      return std::string(static_cast<size_t>(len) - t.size(), ' ') + t;
    if (--d < 0) break;
    t = fixedText(n, d);
  }
  return std::string(static_cast<size_t>(len), '*');
}

// Line n (from 1) of a memo wrapped at width columns; "" past the end.
std::string memoLine(std::string_view memo, int n, int width) {
  size_t p = 0;
  for (int line = 1; p <= memo.size(); ++line) {
    if (p == memo.size()) return "";
    std::string_view rest = memo.substr(p);
    size_t end, next;
    const size_t brk = rest.find_first_of("\r\n");
    if (brk != std::string_view::npos && brk <= static_cast<size_t>(width)) {
      end = brk;
      next = brk + 1;
      if (rest[brk] == '\r' && next < rest.size() && rest[next] == '\n') ++next;
    } else if (rest.size() <= static_cast<size_t>(width)) {
      end = next = rest.size();
    } else {
      // Word wrap: break at the last blank that keeps the line within width.
      const size_t blank = rest.substr(0, static_cast<size_t>(width) + 1).find_last_of(' ');
      if (blank != std::string_view::npos && blank > 0) {
        end = blank;
        next = blank + 1;
      } else {
        end = next = static_cast<size_t>(width);
      }
    }
    if (line == n) return rtrim(rest.substr(0, end));
    p += next;
  }
  return "";
}

ExprNumber parseNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && s[i] == '+') ++i;
  ExprNumber v = 0;
  std::from_chars(s.data() + i, s.data() + s.size(), v);  // stops at the first non-number
  return v;
}

ExprValue readField(const Node& n, const RecordView& rec) {
  ExprValue v;
  v.kind = n.kind;
  std::string_view raw;
  if (n.offset < rec.record.size()) raw = rec.record.substr(n.offset, n.width);
  switch (n.type) {
    case FieldType::Numeric:
    case FieldType::Float:
      v.number = parseNumber(raw);  // blank counts as 0
      break;
    case FieldType::Date:
      v.julian = toJulian(parseDtos(std::string(raw)));
      break;
    case FieldType::Logical:
      v.logical = !raw.empty() && std::strchr("TtYy", raw[0]) != nullptr && raw[0] != '\0';
      break;
    case FieldType::Memo:
    case FieldType::Binary:
      if (rec.memo) v.text = rec.memo(n.field);
      break;
    default:
      v.text.assign(raw);
      v.text.resize(n.width, ' ');
      break;
  }
  return v;
}

int compareText(std::string_view a, std::string_view b) {
  // EXACT off: the right side decides how many characters count.
  if (b.size() < a.size()) a = a.substr(0, b.size());
  const size_t m = std::max(a.size(), b.size());
  for (size_t i = 0; i < m; ++i) {
    const auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
    const auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

ExprValue makeText(std::string s) {
  ExprValue v;
  v.text = std::move(s);
  return v;
}

ExprValue makeNumber(ExprNumber d) {
  ExprValue v;
  v.kind = Kind::Numeric;
  v.number = d;
  return v;
}

ExprValue makeDate(int64_t julian) {
  ExprValue v;
  v.kind = Kind::Date;
  v.julian = julian;
  return v;
}

ExprValue makeLogical(bool b) {
  ExprValue v;
  v.kind = Kind::Logical;
  v.logical = b;
  return v;
}

int toInt(ExprNumber d) {
  if (!(d > -1e9)) return -1000000000;
  if (d > 1e9) return 1000000000;
  return static_cast<int>(d);
}

ExprValue compare(const Node& n, const ExprValue& a, const ExprValue& b) {
  int c = 0;
  switch (a.kind) {
    case Kind::Character:
      if (n.op == Op::Contains) return makeLogical(b.text.find(a.text) != std::string::npos);
      c = compareText(a.text, b.text);
      break;
    case Kind::Numeric:
      c = a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
      break;
    case Kind::Date:
      c = a.julian < b.julian ? -1 : (b.julian < a.julian ? 1 : 0);
      break;
    case Kind::Logical:
      c = a.logical == b.logical ? 0 : 1;
      break;
  }
  switch (n.op) {
    case Op::Eq:
      return makeLogical(c == 0);
    case Op::Ne:
      return makeLogical(c != 0);
    case Op::Lt:
      return makeLogical(c < 0);
    case Op::Le:
      return makeLogical(c <= 0);
    case Op::Gt:
      return makeLogical(c > 0);
    default:
      return makeLogical(c >= 0);
  }
}

// Text functions.
ExprValue evalText(const Node& n, const RecordView& rec) {
  auto arg = [&](size_t i) { return eval(*n.args[i], rec); };
  switch (n.op) {
    case Op::Upper: {
      ExprValue a = arg(0);
      upperAscii(a.text);
      return a;
    }
    case Op::Lower: {
      ExprValue a = arg(0);
      for (auto& c : a.text)
        c = static_cast<char>(c + (static_cast<unsigned char>(c - 'A') < 26 ? 32 : 0));
      return a;
    }
    case Op::Trim:
      return makeText(rtrim(arg(0).text));
    case Op::LTrim:
      return makeText(ltrim(arg(0).text));
    case Op::AllTrim:
      return makeText(ltrim(rtrim(arg(0).text)));
    case Op::Substr: {
      ExprValue a = arg(0);
      std::string& s = a.text;
      const int start = toInt(arg(1).number);
      if (start < 1 || static_cast<size_t>(start) > s.size()) return makeText("");
      size_t len = s.size() - static_cast<size_t>(start - 1);
      if (n.args.size() > 2)
        len = std::min(len, static_cast<size_t>(std::max(0, toInt(arg(2).number))));
      s.erase(0, static_cast<size_t>(start - 1));
      s.resize(len);
      return a;
    }
    case Op::Left: {
      const std::string s = arg(0).text;
      return makeText(s.substr(0, static_cast<size_t>(std::max(0, toInt(arg(1).number)))));
    }
    case Op::Right: {
      const std::string s = arg(0).text;
      const size_t k = std::min(s.size(), static_cast<size_t>(std::max(0, toInt(arg(1).number))));
      return makeText(s.substr(s.size() - k));
    }
    case Op::Str: {
      const ExprNumber v = arg(0).number;
      const int len = n.args.size() > 1 ? toInt(arg(1).number) : kDefaultStrLength;
      const int dec = n.args.size() > 2 ? toInt(arg(2).number) : 0;
      return makeText(formatStr(v, len, dec));
    }
    case Op::Val: {
      const std::string s = ltrim(arg(0).text);
      return makeNumber(std::strtold(s.c_str(), nullptr));
    }
    case Op::Mline:
      return makeText(memoLine(arg(0).text, toInt(arg(1).number), kMemoWidth));
    default:
      return {};
  }
}

// Date functions.
ExprValue evalDate(const Node& n, const RecordView& rec) {
  auto arg = [&](size_t i) { return eval(*n.args[i], rec); };
  switch (n.op) {
    case Op::Dtos:
      return makeText(toDtos(fromJulian(arg(0).julian)));
    case Op::Dtoc: {
      const Date d = fromJulian(arg(0).julian);
      if (d.isBlank()) return makeText("  /  /  ");
      char buf[16];
      std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", d.month % 100, d.day % 100, d.year % 100);
      return makeText(buf);
    }
    case Op::Ctod: {
      int64_t j = 0;
      if (!parseDateLiteral(arg(0).text, j)) j = 0;
      return makeDate(j);
    }
    case Op::Year:
      return makeNumber(fromJulian(arg(0).julian).year);
    case Op::Month:
      return makeNumber(fromJulian(arg(0).julian).month);
    case Op::Day:
      return makeNumber(fromJulian(arg(0).julian).day);
    default:
      return {};
  }
}

// Joining texts and adding, subtracting, multiplying numbers and dates.
ExprValue evalArithmetic(const Node& n, const RecordView& rec) {
  auto arg = [&](size_t i) { return eval(*n.args[i], rec); };
  switch (n.op) {
    case Op::Concat: {
      ExprValue a = arg(0);
      a.text += arg(1).text;
      return a;
    }
    case Op::ConcatTrim: {
      ExprValue a = arg(0);
      const std::string b = arg(1).text;
      const size_t kept = rtrim(a.text).size();
      const size_t blanks = a.text.size() - kept;
      a.text.resize(kept);
      a.text += b;
      a.text.append(blanks, ' ');
      return a;
    }
    case Op::Add: {
      const ExprValue a = arg(0), b = arg(1);
      if (a.kind == Kind::Date) return makeDate(a.julian == 0 ? 0 : a.julian + toInt(b.number));
      return makeNumber(a.number + b.number);
    }
    case Op::Sub: {
      const ExprValue a = arg(0), b = arg(1);
      if (a.kind == Kind::Date && b.kind == Kind::Date)
        return makeNumber(
            a.julian == 0 || b.julian == 0 ? 0.0 : static_cast<ExprNumber>(a.julian - b.julian));
      if (a.kind == Kind::Date) return makeDate(a.julian == 0 ? 0 : a.julian - toInt(b.number));
      return makeNumber(a.number - b.number);
    }
    case Op::Mul:
      return makeNumber(arg(0).number * arg(1).number);
    case Op::Div: {
      const ExprNumber d = arg(1).number;
      return makeNumber(d == 0 ? 0.0 : arg(0).number / d);
    }
    case Op::Neg:
      return makeNumber(-arg(0).number);
    default:
      return {};
  }
}

}  // namespace

ExprValue eval(const Node& n, const RecordView& rec) {
  auto arg = [&](size_t i) { return eval(*n.args[i], rec); };
  switch (n.op) {
    case Op::Literal:
      return n.value;
    case Op::Field:
      return readField(n, rec);
    case Op::Concat:
    case Op::ConcatTrim:
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
    case Op::Neg:
      return evalArithmetic(n, rec);
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge:
    case Op::Contains:
      return compare(n, arg(0), arg(1));
    case Op::And:
      return makeLogical(arg(0).logical && arg(1).logical);
    case Op::Or:
      return makeLogical(arg(0).logical || arg(1).logical);
    case Op::Not:
      return makeLogical(!arg(0).logical);
    case Op::Iif:
      return arg(0).logical ? arg(1) : arg(2);
    case Op::Upper:
    case Op::Lower:
    case Op::Trim:
    case Op::LTrim:
    case Op::AllTrim:
    case Op::Substr:
    case Op::Left:
    case Op::Right:
    case Op::Str:
    case Op::Val:
    case Op::Mline:
      return evalText(n, rec);
    case Op::Dtos:
    case Op::Dtoc:
    case Op::Ctod:
    case Op::Year:
    case Op::Month:
    case Op::Day:
      return evalDate(n, rec);
    case Op::Abs:
      return makeNumber(std::fabs(arg(0).number));
    case Op::Int:
      return makeNumber(std::trunc(arg(0).number));
    case Op::Round: {
      const int dec = std::clamp(toInt(arg(1).number), -15, 15);
      const ExprNumber f = std::pow(10.0L, dec);
      const ExprNumber v = arg(0).number;
      return makeNumber(std::copysign(std::floor(std::fabs(v) * f + 0.5), v) / f);
    }
    case Op::Deleted:
      return makeLogical(deletedFlag(rec.record));
  }
  return {};
}

namespace {

bool numericLiteral(const Node& n, int& out) {
  if (n.op != Op::Literal || n.kind != Kind::Numeric) return false;
  out = toInt(n.value.number);
  return true;
}

}  // namespace

QuickText planQuickText(const Node& root) {
  QuickText q;
  const Node* n = &root;
  bool upper = false;
  if (n->op == Op::Deleted) {
    q.form = QuickText::Form::Deleted;
    return q;
  }
  if (n->op == Op::Not && !n->args.empty() && n->args[0]->op == Op::Deleted) {
    q.form = QuickText::Form::NotDeleted;
    return q;
  }
  if (n->op == Op::Str && !n->args.empty()) {
    const Node& f = *n->args[0];
    if (f.op != Op::Field || (f.type != FieldType::Numeric && f.type != FieldType::Float)) return q;
    int len = kDefaultStrLength, dec = 0;
    if (n->args.size() > 1 && !numericLiteral(*n->args[1], len)) return q;
    if (n->args.size() > 2 && !numericLiteral(*n->args[2], dec)) return q;
    q.len = std::clamp(len, 0, kMaxStrLength);
    q.dec = std::clamp(dec, 0, std::max(0, q.len - 2));
    q.offset = f.offset;
    q.width = f.width;
    q.form = QuickText::Form::Str;
    return q;
  }
  if (n->op == Op::Upper && !n->args.empty()) {
    upper = true;
    n = n->args[0].get();
  }
  int start = 1, count = 0;
  bool counted = false;
  if (n->op == Op::Substr && n->args.size() >= 2) {
    if (!numericLiteral(*n->args[1], start)) return q;
    counted = n->args.size() > 2;
    if (counted && !numericLiteral(*n->args[2], count)) return q;
    n = n->args[0].get();
    if (n->op == Op::Upper && !upper && !n->args.empty()) {
      upper = true;
      n = n->args[0].get();
    }
  }
  if (n->op != Op::Field || n->type != FieldType::Character) return q;
  q.offset = n->offset;
  q.width = n->width;
  if (start >= 1 && static_cast<size_t>(start) <= q.width) {
    q.from = static_cast<size_t>(start - 1);
    q.count = q.width - q.from;
    if (counted) q.count = std::min(q.count, static_cast<size_t>(std::max(0, count)));
  }
  q.upper = upper;
  q.form = QuickText::Form::Slice;
  return q;
}

bool runQuickText(const QuickText& q, std::string_view record, std::string& out) {
  std::string_view raw;
  if (q.offset < record.size()) raw = record.substr(q.offset, q.width);
  if (q.form == QuickText::Form::Slice) {
    out.assign(raw.substr(std::min(q.from, raw.size()), q.count));
    out.resize(q.count, ' ');  // a short record reads as blanks
    if (q.upper) upperAscii(out);
    return true;
  }
  // STR of a plain decimal with no more decimals than asked: the digits move
  // over as they are, exactly what rounding the parsed value would give.
  size_t i = 0;
  while (i < raw.size() && raw[i] == ' ') ++i;
  const bool negative = i < raw.size() && raw[i] == '-';
  if (negative) ++i;
  uint64_t scaled = 0;
  int digits = 0, fraction = -1;
  bool any = false;
  for (; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '.' && fraction < 0) {
      fraction = 0;
      continue;
    }
    if (c < '0' || c > '9') return false;
    any = true;
    if (fraction >= 0 && ++fraction > q.dec) return false;
    if (scaled != 0 || c != '0') ++digits;
    scaled = scaled * 10 + static_cast<uint64_t>(c - '0');
  }
  if (!any && (negative || fraction >= 0)) return false;  // "-" or "." alone
  for (int k = std::max(fraction, 0); k < q.dec; ++k) {
    scaled *= 10;
    if (scaled != 0) ++digits;
  }
  if (digits > 17) return false;
  char buf[32];
  const std::string t =
      placePoint(std::string(buf, std::to_chars(buf, buf + sizeof buf, scaled).ptr), q.dec,
                 negative && scaled != 0);
  if (static_cast<int>(t.size()) > q.len) return false;
  out.assign(static_cast<size_t>(q.len) - t.size(), ' ');
  out += t;
  return true;
}

}  // namespace dbase::expr_detail
