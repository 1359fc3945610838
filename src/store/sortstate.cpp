#include "store/sortstate.h"

#include <algorithm>

namespace {

enum class Kind { String, Numeric, Date, Memo, Other };

Kind kindOf(const std::vector<dbase::FieldDef>& fields, int field) {
  if (field < 0 || field >= static_cast<int>(fields.size())) return Kind::Other;
  switch (fields[static_cast<size_t>(field)].type) {
    case dbase::FieldType::Character:
      return Kind::String;
    case dbase::FieldType::Numeric:
    case dbase::FieldType::Float:
      return Kind::Numeric;
    case dbase::FieldType::Date:
      return Kind::Date;
    case dbase::FieldType::Memo:
      return Kind::Memo;
    default:
      return Kind::Other;
  }
}

bool isText(Kind k) { return k == Kind::String || k == Kind::Memo; }

// Numbers and dates turn their own order around, so the index stays ascending.
const char* const kNumberReversal = "999999999999999999-";
const char* const kDateReversal = "{12/31/3099}-";

std::string singleKey(Kind kind, const std::string& name, int size, bool descending,
                      uint8_t& options) {
  switch (kind) {
    case Kind::String:
      options = kIndexExpression | (descending ? kIndexDescending : 0);
      if (size <= 99) return "UPPER(" + name + ")";
      return "UPPER(SUBSTR(" + name + ", 1, 99))";
    case Kind::Numeric:
      options = kIndexExpression;
      if (!descending) return "STR(" + name + ", 20, 4)";
      return std::string("STR(") + kNumberReversal + name + ", 20, 4)";
    case Kind::Date:
      options = kIndexExpression;
      if (!descending) return "DTOS(" + name + ")";
      return std::string("STR(") + kDateReversal + name + ", 10, 0)";
    case Kind::Memo:
      options = kIndexExpression | (descending ? kIndexDescending : 0);
      return "UPPER(MLINE(" + name + ", 1))";
    case Kind::Other:
      break;
  }
  return {};
}

// One field's part of a two-field key within a budget of key characters;
// length receives what the part counts against the budget.
std::string keyPart(Kind kind, const std::string& name, int size, bool reversed, int budget,
                    int& length) {
  const std::string b = std::to_string(budget);
  const int width = std::min(budget, 20);
  switch (kind) {
    case Kind::String:
      // Upper-cased like the single-field key, so letters and order agree.
      if (size <= budget) {
        length = size;
        return "UPPER(" + name + ")";
      }
      length = budget;
      return "UPPER(SUBSTR(" + name + ", 1, " + b + "))";
    case Kind::Numeric:
      length = width;
      if (!reversed) return "STR(" + name + ", " + std::to_string(width) + ", 4)";
      return std::string("STR(") + kNumberReversal + name + ", 20, 4)";
    case Kind::Date:
      length = reversed ? 10 : 8;
      if (!reversed) return "DTOS(" + name + ")";
      return std::string("STR(") + kDateReversal + name + ", 10, 0)";
    case Kind::Memo:
      length = budget;
      return "UPPER(SUBSTR(MLINE(" + name + ", 1), 1, " + b + "))";
    case Kind::Other:
      break;
  }
  length = 0;
  return {};
}

}  // namespace

bool listsEveryLiveRecord(const std::string& filter) {
  std::string compact;
  for (char c : filter) {
    if (c == ' ') continue;
    compact.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  return compact.empty() || compact == kLiveRecordsFilter || compact == "!DELETED()";
}

uint8_t tagOptions(const dbase::TagDef& tag) {
  uint8_t o = kIndexExpression;
  if (tag.descending) o |= kIndexDescending;
  if (tag.unique) o |= kIndexUnique;
  return o;
}

void SortState::buildKeys(const std::vector<dbase::FieldDef>& fields, int firstUserField) {
  keyExpression.clear();
  auto name = [&](int f) {
    return f >= 0 && f < static_cast<int>(fields.size()) ? fields[static_cast<size_t>(f)].name
                                                         : std::string();
  };
  auto size = [&](int f) {
    return f >= 0 && f < static_cast<int>(fields.size()) ? fields[static_cast<size_t>(f)].length
                                                         : 0;
  };
  const Kind k1 = kindOf(fields, firstField);
  if (secondField < firstUserField || secondField == firstField) {
    indexOptions = 0;
    keyExpression =
        singleKey(k1, name(firstField), size(firstField), firstDescending, indexOptions);
  } else {
    indexOptions = kIndexExpression;
    const Kind k2 = kindOf(fields, secondField);
    bool d1 = firstDescending;
    bool d2 = secondDescending;
    if (isText(k1) && isText(k2)) {
      d2 = d1;
      if (d1) indexOptions |= kIndexDescending;
    } else if (isText(k1)) {
      if (d1) {
        indexOptions |= kIndexDescending;
        d2 = !d2;
      }
    } else if (isText(k2) && d2) {
      indexOptions |= kIndexDescending;
      d1 = !d1;
    }
    int l1 = 0;
    int l2 = 0;
    const std::string part1 = keyPart(k1, name(firstField), size(firstField), d1, 79, l1);
    const std::string part2 = keyPart(k2, name(secondField), size(secondField), d2, 99 - l1, l2);
    keyExpression = part1 + "+" + part2;
  }
  filteredKeyExpression = name(1) + "+" + keyExpression;
  filteredIndexOptions = indexOptions;
  if (keyExpression.size() > kMaxKeyExpression) keyExpression.resize(kMaxKeyExpression);
  if (filteredKeyExpression.size() > kMaxKeyExpression)
    filteredKeyExpression.resize(kMaxKeyExpression);
}

void SortState::commitSort() {
  prevFirstField = firstField;
  prevFirstDescending = firstDescending;
  prevSecondField = secondField;
  prevSecondDescending = secondDescending;
}

void SortState::revertSort() {
  firstField = prevFirstField;
  firstDescending = prevFirstDescending;
  secondField = prevSecondField;
  secondDescending = prevSecondDescending;
}

bool SortState::sortUnchanged() const {
  return firstField == prevFirstField && firstDescending == prevFirstDescending &&
         secondField == prevSecondField && secondDescending == prevSecondDescending;
}

void SortState::resetSort() {
  firstField = 0;
  firstDescending = false;
  secondField = 0;
  secondDescending = false;
  keyExpression.clear();
  filteredKeyExpression.clear();
  commitSort();
}

SortState& sortState() {
  static SortState instance;
  return instance;
}
