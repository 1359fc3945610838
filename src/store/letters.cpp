#include "letters.h"

#include "settings.h"
#include "sortstate.h"
#include "storehooks.h"

namespace {

constexpr char kLowest = '\x01';
constexpr char kHighest = '\xFF';

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

bool FirstFieldIsString() {
  const TAppSettings& s = AppSettings();
  const uint8_t f = SortState().FirstField;
  return f >= s.FirstUserField && s.StringFields.test(f);
}

// The mark that the filter gives the records it lets through, if a filter is on.
std::string FilterMark(uint8_t filterState) {
  if (filterState == 1) return "2";
  if (filterState == 2) return "0";
  return {};
}

}  // namespace

std::array<int, kLetterCount>& LetterCounts() {
  static std::array<int, kLetterCount> counts{};
  return counts;
}

bool LetterTabsActive() {
  const TAppSettings& s = AppSettings();
  return s.LetterTabs == 0 && s.StringFields.test(SortState().FirstField);
}

bool SetLetterRange(TDbTable& table, char letter) {
  const TAppSettings& s = AppSettings();
  const TIndex& sort = SortState();
  dbase::Table& t = table.Engine();
  const bool hasTag = t.isOpen() && !t.activeTag().empty();
  if (hasTag && FirstFieldIsString() && s.LetterTabs != 1 && IsLetter(letter)) {
    const std::string one(1, letter);
    std::string low = letter == 'A' ? std::string(1, kLowest) : one;
    std::string high = letter == 'Z' ? std::string(1, kHighest) : one + kHighest;
    if (sort.FirstDescending) std::swap(low, high);
    const std::string mark = FilterMark(s.FilterState);
    t.setRangeStart(mark + low);
    t.setRangeEnd(mark + high);
    t.applyRange();
    t.first();
    return true;
  }
  if (hasTag && (s.FilterState == 1 || s.FilterState == 2)) {
    t.setRangeStart(std::string(s.FilterState == 1 ? "2" : "0"));
    t.setRangeEnd(std::string(s.FilterState == 1 ? "3" : "1"));
    t.applyRange();
  } else if (t.isOpen()) {
    t.cancelRange();
  }
  if (t.isOpen()) t.first();
  return false;
}

void CountLetters(TDbTable& table) {
  if (!LetterTabsActive()) return;
  CallHook(StoreHooks().BusyCursor, true);
  auto& counts = LetterCounts();
  for (char c = 'Z'; c >= 'A'; --c) {
    int& n = counts[static_cast<size_t>(c - 'A')];
    n = 0;
    if (SetLetterRange(table, c)) n = static_cast<int>(RecordCount(table));
  }
  CallHook(StoreHooks().BusyCursor, false);
}

void CountLetter(TDbTable& table, char letter) {
  if (!LetterTabsActive() || !IsLetter(letter)) return;
  LetterCounts()[static_cast<size_t>(letter - 'A')] = static_cast<int>(RecordCount(table));
  CallHook(StoreHooks().RecolourTab, letter - 'A');
}

void AdjustLetterCounts(char oldLetter, char newLetter) {
  auto& counts = LetterCounts();
  if (IsLetter(oldLetter)) {
    --counts[static_cast<size_t>(oldLetter - 'A')];
    CallHook(StoreHooks().RecolourTab, oldLetter - 'A');
  }
  if (IsLetter(newLetter)) {
    ++counts[static_cast<size_t>(newLetter - 'A')];
    CallHook(StoreHooks().RecolourTab, newLetter - 'A');
  }
}

char FirstLetter(TDbTable& table) {
  const dbase::Table& t = table.Engine();
  if (!t.isOpen() || !FirstFieldIsString() || t.recNo() == 0) return 'A';
  const std::string value = t.asString(SortState().FirstField);
  if (value.empty()) return 'A';
  auto c = static_cast<unsigned char>(value[0]);
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c < 'A') return 'A';
  if (c > 'Z') return 'Z';
  return static_cast<char>(c);
}

uint32_t RecordCount(TDbTable& table) { return table.Engine().recordCount(); }

void GoToPosition(TDbTable& table, uint32_t n) { table.Engine().goToPosition(n); }
