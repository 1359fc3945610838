#include "query/summary/summary.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "dbase/table.h"
#include "query/find/findmatch.h"
#include "store/recordtext.h"

namespace {

constexpr SummaryAmount kUnit = 10000;  // 10^kAmountDecimals

SummaryAmount pow10(int n) {
  SummaryAmount p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

std::string_view trimmed(std::string_view s, bool left) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  while (left && !s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// Text the digit scan does not take (an exponent, say) read as a double.
SummaryAmount amountOfDouble(std::string_view text) {
  const std::string copy(text);
  char* end = nullptr;
  const long double v = std::strtold(copy.c_str(), &end);
  if (end == copy.c_str() || !std::isfinite(v) || std::fabs(v) > 1e30L) return 0;
  for (const char* p = end; *p; ++p)
    if (*p != ' ') return 0;
  return static_cast<SummaryAmount>(std::roundl(v * kUnit));
}

}  // namespace

SummaryAmount parseAmount(std::string_view text) {
  std::string_view s = trimmed(text, true);
  if (s.empty()) return 0;
  bool negative = false;
  size_t i = 0;
  if (s[0] == '-' || s[0] == '+') negative = s[i++] == '-';
  SummaryAmount whole = 0, frac = 0;
  int wholeDigits = 0, fracDigits = 0;
  bool roundUp = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++wholeDigits) {
    if (wholeDigits >= 30) return 0;
    whole = whole * 10 + (s[i] - '0');
  }
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++fracDigits) {
      if (fracDigits < kAmountDecimals)
        frac = frac * 10 + (s[i] - '0');
      else if (fracDigits == kAmountDecimals)
        roundUp = s[i] >= '5';
    }
  }
  if (i < s.size()) return amountOfDouble(s);
  if (wholeDigits == 0 && fracDigits == 0) return 0;
  frac *= pow10(kAmountDecimals - std::min(fracDigits, kAmountDecimals));
  const SummaryAmount v = whole * kUnit + frac + (roundUp ? 1 : 0);
  return negative ? -v : v;
}

QString amountText(SummaryAmount amount, int decimals) {
  decimals = std::clamp(decimals, 0, kAmountDecimals);
  const bool negative = amount < 0;
  SummaryAmount a = negative ? -amount : amount;
  const SummaryAmount div = pow10(kAmountDecimals - decimals);
  SummaryAmount q = a / div;
  if ((a % div) * 2 >= div) ++q;
  const SummaryAmount scale = pow10(decimals);
  SummaryAmount whole = q / scale, frac = q % scale;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(whole % 10)));
    whole /= 10;
  } while (whole > 0);
  if (negative && q != 0) digits.insert(digits.begin(), '-');
  if (decimals > 0) {
    std::string f(static_cast<size_t>(decimals), '0');
    for (int i = decimals - 1; i >= 0; --i, frac /= 10)
      f[static_cast<size_t>(i)] = static_cast<char>('0' + static_cast<int>(frac % 10));
    digits += '.' + f;
  }
  return QString::fromLatin1(digits);
}

QString percentText(SummaryAmount part, SummaryAmount whole) {
  if (whole == 0) return QStringLiteral("0.0");
  const long double p = static_cast<long double>(part) * 100 / static_cast<long double>(whole);
  // No "-0.0" for a share that rounds to nothing.
  if (std::fabs(p) < 0.05L) return QStringLiteral("0.0");
  return QString::number(static_cast<double>(p), 'f', 1);
}

void Summary::arrange(SummaryOrder order) {
  if (order == SummaryOrder::Name) {
    std::stable_sort(groups.begin(), groups.end(),
                     [](const SummaryGroup& a, const SummaryGroup& b) {
                       return a.key.compare(b.key, Qt::CaseInsensitive) < 0;
                     });
  } else {
    // Each group goes before the first one whose total is smaller or equal:
    // equal totals end up reversed.
    std::reverse(groups.begin(), groups.end());
    std::stable_sort(
        groups.begin(), groups.end(),
        [](const SummaryGroup& a, const SummaryGroup& b) { return a.total > b.total; });
  }
  counts.clear();
  amounts.clear();
  percents.clear();
  totalCount = 0;
  grandTotal = 0;
  for (const SummaryGroup& g : groups) {
    counts << QString::number(g.count);
    amounts << amountText(g.total);
    grandTotal += g.total;
    totalCount += g.count;
  }
  for (const SummaryGroup& g : groups) percents << percentText(g.total, grandTotal);
}

QStringList Summary::keys() const {
  QStringList out;
  out.reserve(static_cast<qsizetype>(groups.size()));
  for (const SummaryGroup& g : groups) out << g.key;
  return out;
}

std::vector<std::pair<int, QString>> summaryFieldChoices(const std::vector<dbase::FieldDef>& fields,
                                                         const QStringList& labels,
                                                         int firstUserField) {
  std::vector<std::pair<int, QString>> out;
  for (int k = 0; k < labels.size(); ++k) {
    const size_t f = static_cast<size_t>(firstUserField + k);
    if (f >= fields.size()) break;
    if (fields[f].type == dbase::FieldType::Memo || fields[f].type == dbase::FieldType::Binary)
      continue;
    out.emplace_back(k, labels[k]);
  }
  return out;
}

SummaryPassResult countSummary(dbase::Table& table, int groupField, int valueField, int filterState,
                               const std::function<bool(int64_t, int64_t)>& step) {
  SummaryPassResult result;
  const std::vector<dbase::FieldDef>& defs = table.fields();
  const auto typeOf = [&defs](int f) {
    return f >= 0 && static_cast<size_t>(f) < defs.size() ? defs[static_cast<size_t>(f)].type
                                                          : dbase::FieldType::Memo;
  };
  const dbase::FieldType groupType = typeOf(groupField);
  const dbase::FieldType valueType = typeOf(valueField);
  const bool hasValue =
      valueType != dbase::FieldType::Memo && valueType != dbase::FieldType::Binary;
  const bool hasMark = defs.size() > 1;
  std::array<unsigned char, 256> fold{};
  for (int c = 0; c < 256; ++c) fold[c] = foldByte(static_cast<unsigned char>(c));

  std::unordered_map<std::string, size_t> index;
  std::string key, raw;
  // One bulk pass in file order: a walk in shared use costs a file check and
  // a read per record. Progress goes by records of the file, deleted ones included.
  const int64_t total = table.physicalCount();
  table.scan([&](const dbase::ScanRecord& rec) {
    bool take = true;
    if (filterState != 0 && hasMark) {
      // The mark read as a number: blank or no digit is 0.
      const std::string_view m = trimmed(rec.fieldBytes(1), true);
      int mark = 0;
      for (char c : m) {
        if (c < '0' || c > '9') break;
        mark = mark * 10 + (c - '0');
        if (mark > 1) break;
      }
      take = filterState == 1 ? mark > 1 : mark <= 1;
    }
    if (take) {
      switch (groupType) {
        case dbase::FieldType::Date: {
          const std::string_view d = rec.fieldBytes(groupField);
          raw.clear();
          if (d.size() >= 6 && d[0] != ' ') {
            raw.append(d.substr(2, 2));
            raw += '/';
            raw.append(d.substr(4, 2));
          }
          break;
        }
        case dbase::FieldType::Logical:
          raw = rec.isEmpty(groupField) ? "" : rec.asBool(groupField) ? "True" : "False";
          break;
        case dbase::FieldType::Memo:
        case dbase::FieldType::Binary:
          raw.clear();
          break;
        default:
          raw.assign(trimmed(rec.fieldBytes(groupField), groupType == dbase::FieldType::Numeric ||
                                                             groupType == dbase::FieldType::Float));
      }
      key.resize(raw.size());
      for (size_t i = 0; i < raw.size(); ++i)
        key[i] = static_cast<char>(fold[static_cast<unsigned char>(raw[i])]);
      auto it = index.find(key);
      if (it == index.end()) {
        it = index.emplace(key, result.groups.size()).first;
        result.groups.push_back({fromTableText(raw), 0, 0});
      }
      SummaryGroup& g = result.groups[it->second];
      ++g.count;
      if (hasValue) g.total += parseAmount(rec.fieldBytes(valueField));
    }
    if (step && step(std::min<int64_t>(rec.recNo(), total), total)) {
      result.stopped = true;
      return false;
    }
    return true;
  });
  return result;
}
