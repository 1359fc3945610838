#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dbase/types.h"
#include "query/find/findmatch.h"
#include "query/markingpass.h"

class DbTable;

// What the view that opened the search window does around a search. Every
// hook may be left empty; a missing hook that answers counts as true.
struct FindHooks {
  // A stepping search starts (forward = from the beginning); false cancels.
  std::function<bool(bool forward)> beforeFind;
  // The listing ran out without a match: false when the view moved to the
  // next (or previous) letter with records and the search goes on there.
  std::function<bool(bool forward)> atRangeEnd;
  std::function<void()> onFound;
  std::function<void()> onNotFound;
  // "Find Next" / "Find Previous" continue a successful search; false cancels.
  std::function<bool()> beforeFindAgain;
  // A non-stop search starts; false cancels.
  std::function<bool()> beforeMarkAll;
  // After a non-stop search, also a stopped or failed one.
  std::function<void()> afterMarkAll;
};

// Memory of the search window between openings (not saved to a file); the
// recent texts are RunObjects().FindHistory.
struct FindMemory {
  QString lastText;
  int fieldIndex = 0;  // entry of the field list, 0 = "ALL FIELDS"
  int startFrom = 0;   // 0 = "Beginning", 1 = "End"
};
FindMemory& findMemory();
// Puts `text` at the top of the recent texts, dropping an equal entry (case ignored).
void rememberSearchText(QStringList& history, const QString& text);

// The entries of the field list: "ALL FIELDS", then the labels of every user
// field that is not a picture field, in label order.
inline const QString kAllFields = QStringLiteral("ALL FIELDS");
QStringList findFieldChoices();
// The table field of a field list entry (its label looked up in the field
// labels, case ignored); -1 for "ALL FIELDS" or an unknown label.
int findFieldOfChoice(const QString& choice);

// The search over the records of the listing a view shows (its table in
// its current order and range): stepping from match to match, or one
// marking pass over the whole table. No widgets: the window feeds it the
// text and choices and shows its counter.
class FindSearch {
 public:
  explicit FindSearch(DbTable& table);
  ~FindSearch();

  // Choices for the next search.
  QString text;
  int field = -1;  // table field, -1 = all fields
  bool searchMemos = false;

  FindHooks hooks;
  // Called between records: let pending events run, show the counter.
  std::function<void()> pump;
  // The window's controls off (true) or back (false) around a search.
  std::function<void(bool busy)> busy;

  enum class Outcome { Found, NotFound, Cancelled };
  // "Find": BeforeFind, the start position of the direction, then a search.
  Outcome find(bool forward);
  // "Find Next" / "Find Previous": continues after the last match.
  Outcome findAgain(bool forward);
  // "Non-Stop Search Mode": marks every record of the table "2" (contains
  // the text) or "0". Leaves the table in entry order without a range.
  MarkResult markAll(const QString& progressCaption);

  // Stops a running search between two records.
  void requestStop() { stop_ = true; }
  bool stopRequested() const { return stop_; }
  // Forgets the last match (a new sort makes its position meaningless).
  void reset();

  bool forward() const { return forward_; }
  bool Found() const { return found_; }
  bool running() const { return running_; }
  // Position of the current record within the listing, from 0.
  int32_t counter() const { return counter_; }
  int32_t lastFoundPosition() const { return lastFound_; }
  int currentField() const { return currentField_; }
  char currentLetter() const { return letter_; }
  void setCurrentLetter(char letter) { letter_ = letter; }
  int foundCount() const { return foundCount_; }
  const MemoMatch& memoMatch() const { return memo_; }
  // The engine's message when the last stepping search broke off, else empty.
  const std::string& lastError() const { return error_; }

 private:
  Outcome run(bool fresh);
  bool goToStart();
  bool stepRecord();
  bool moveOnAfterMatch();
  bool testRecord(RecordMatcher& matcher);
  int firstUserField() const;
  int lastField() const;
  void pumpEvents();

  DbTable& table_;
  bool forward_ = true;
  bool stop_ = false;
  bool found_ = false;
  bool running_ = false;
  int32_t lastFound_ = -1;
  std::optional<dbase::Bookmark> bookmark_;
  int32_t counter_ = 0;
  int currentField_ = 0;
  char letter_ = 0;
  int foundCount_ = 0;
  MemoMatch memo_;
  std::string error_;
};
