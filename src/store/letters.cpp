#include "store/letters.h"

#include "core/settings.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "store/tablerescue.h"

namespace {

constexpr char kLowest = '\x01';
constexpr char kHighest = '\xFF';

bool isLetter(char c) { return c >= 'A' && c <= 'Z'; }

bool firstFieldIsString() {
  const AppSettings& s = appSettings();
  const uint8_t f = sortState().firstField;
  return f >= s.firstUserField && s.stringFields.test(f);
}

// The mark that the filter gives the records it lets through, if a filter is on.
std::string filterMark(uint8_t filterState) {
  if (filterState == 1) return "2";
  if (filterState == 2) return "0";
  return {};
}

}  // namespace

std::array<int, kLetterCount>& letterCounts() {
  static std::array<int, kLetterCount> counts{};
  return counts;
}

bool letterTabsActive() {
  const AppSettings& s = appSettings();
  return s.letterTabs == 0 && s.stringFields.test(sortState().firstField);
}

bool setLetterRange(DbTable& table, char letter) {
  const AppSettings& s = appSettings();
  const SortState& sort = sortState();
  dbase::Table& t = table.engine();
  const bool hasTag = t.isOpen() && !t.activeTag().empty();
  if (hasTag && firstFieldIsString() && s.letterTabs != 1 && isLetter(letter)) {
    const std::string one(1, letter);
    std::string low = letter == 'A' ? std::string(1, kLowest) : one;
    std::string high = letter == 'Z' ? std::string(1, kHighest) : one + kHighest;
    if (sort.firstDescending) std::swap(low, high);
    const std::string mark = filterMark(s.filterState);
    t.setRangeStart(mark + low);
    t.setRangeEnd(mark + high);
    t.applyRange();
    t.first();
    return true;
  }
  if (hasTag && (s.filterState == 1 || s.filterState == 2)) {
    t.setRangeStart(std::string(s.filterState == 1 ? "2" : "0"));
    t.setRangeEnd(std::string(s.filterState == 1 ? "3" : "1"));
    t.applyRange();
  } else if (t.isOpen()) {
    t.cancelRange();
  }
  if (t.isOpen()) t.first();
  return false;
}

void countLetters(DbTable& table) {
  if (!letterTabsActive()) return;
  callHook(storeHooks().busyCursor, true);
  auto& counts = letterCounts();
  counts.fill(0);
  try {
    for (char c = 'Z'; c >= 'A'; --c)
      if (setLetterRange(table, c))
        counts[static_cast<size_t>(c - 'A')] = static_cast<int>(recordCount(table));
  } catch (const std::exception& e) {
    reportEngineFailure(e);  // the letters count none until the table is sound
  }
  callHook(storeHooks().busyCursor, false);
}

void countLetter(DbTable& table, char letter) {
  if (!letterTabsActive() || !isLetter(letter)) return;
  letterCounts()[static_cast<size_t>(letter - 'A')] = static_cast<int>(recordCount(table));
  callHook(storeHooks().recolourTab, letter - 'A');
}

void adjustLetterCounts(char oldLetter, char newLetter) {
  auto& counts = letterCounts();
  if (isLetter(oldLetter)) {
    --counts[static_cast<size_t>(oldLetter - 'A')];
    callHook(storeHooks().recolourTab, oldLetter - 'A');
  }
  if (isLetter(newLetter)) {
    ++counts[static_cast<size_t>(newLetter - 'A')];
    callHook(storeHooks().recolourTab, newLetter - 'A');
  }
}

char firstLetter(DbTable& table) {
  const dbase::Table& t = table.engine();
  // A record being appended has its values though it has no number yet.
  if (!t.isOpen() || !firstFieldIsString() ||
      (t.recNo() == 0 && t.state() != dbase::Table::State::Insert))
    return 'A';
  const std::string value = t.asString(sortState().firstField);
  if (value.empty()) return 'A';
  auto c = static_cast<unsigned char>(value[0]);
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c < 'A') return 'A';
  if (c > 'Z') return 'Z';
  return static_cast<char>(c);
}

uint32_t recordCount(DbTable& table) { return table.engine().recordCount(); }

void goToPosition(DbTable& table, uint32_t n) { table.engine().goToPosition(n); }
