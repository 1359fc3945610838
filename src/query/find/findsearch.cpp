#include "query/find/findsearch.h"

#include "core/labels.h"
#include "core/progress.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "query/markingpass.h"
#include "store/dbtable.h"

namespace {

// Ends the busy state however a search is left.
class BusyScope {
 public:
  BusyScope(const std::function<void(bool)>& busy, bool& running) : busy_(busy), running_(running) {
    running_ = true;
    if (busy_) busy_(true);
  }
  ~BusyScope() {
    running_ = false;
    if (busy_) busy_(false);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  const std::function<void(bool)>& busy_;
  bool& running_;
};

}  // namespace

FindMemory& findMemory() {
  static FindMemory memory;
  return memory;
}

void rememberSearchText(QStringList& history, const QString& text) {
  for (qsizetype i = history.size() - 1; i >= 0; --i)
    if (history[i].compare(text, Qt::CaseInsensitive) == 0) history.removeAt(i);
  history.prepend(text);
}

QStringList findFieldChoices() {
  QStringList out{kAllFields};
  const AppSettings& s = appSettings();
  for (int k = 0; k < labels().size(); ++k)
    if (!s.blobFields.test(static_cast<size_t>(s.firstUserField + k))) out << labels()[k];
  return out;
}

int findFieldOfChoice(const QString& choice) {
  if (choice == kAllFields) return -1;
  for (int k = 0; k < labels().size(); ++k)
    if (labels()[k].compare(choice, Qt::CaseInsensitive) == 0)
      return appSettings().firstUserField + k;
  return -1;
}

FindSearch::FindSearch(DbTable& table) : table_(table) {}

FindSearch::~FindSearch() = default;

int FindSearch::firstUserField() const { return appSettings().firstUserField; }

int FindSearch::lastField() const { return static_cast<int>(table_.engine().fields().size()) - 1; }

void FindSearch::pumpEvents() {
  if (pump) pump();
}

void FindSearch::reset() {
  found_ = false;
  lastFound_ = -1;
  bookmark_.reset();
}

bool FindSearch::goToStart() {
  dbase::Table& t = table_.engine();
  if (forward_) {
    t.first();
    currentField_ = firstUserField();
    counter_ = 0;
  } else {
    t.last();
    currentField_ = lastField();
    counter_ = static_cast<int32_t>(t.recordCount()) - 1;
  }
  return t.recNo() != 0;
}

bool FindSearch::stepRecord() {
  dbase::Table& t = table_.engine();
  if (forward_) {
    t.next();
    if (t.eof()) return false;
    ++counter_;
  } else {
    t.prior();
    if (t.bof()) return false;
    --counter_;
  }
  return true;
}

bool FindSearch::moveOnAfterMatch() {
  if (field >= 0) return stepRecord();
  currentField_ += forward_ ? 1 : -1;
  if (currentField_ < firstUserField()) {
    currentField_ = lastField();
    return stepRecord();
  }
  if (currentField_ > lastField()) {
    currentField_ = firstUserField();
    return stepRecord();
  }
  return true;
}

bool FindSearch::testRecord(RecordMatcher& matcher) {
  const dbase::Table& t = table_.engine();
  if (field >= 0) {
    if (!matcher.fieldMatches(t, field)) return false;
    memo_ = matcher.memoMatch();
    return true;
  }
  const int hit = matcher.firstMatch(t, currentField_, firstUserField(), forward_);
  if (hit < 0) {
    currentField_ = forward_ ? firstUserField() : lastField();
    return false;
  }
  currentField_ = hit;
  memo_ = matcher.memoMatch();
  return true;
}

FindSearch::Outcome FindSearch::find(bool forward) {
  forward_ = forward;
  if (hooks.beforeFind && !hooks.beforeFind(forward)) return Outcome::Cancelled;
  goToStart();
  bookmark_ = table_.engine().bookmark();
  found_ = false;
  lastFound_ = -1;
  return run(true);
}

FindSearch::Outcome FindSearch::findAgain(bool forward) {
  forward_ = forward;
  return run(false);
}

FindSearch::Outcome FindSearch::run(bool fresh) {
  stop_ = false;
  error_.clear();
  dbase::Table& t = table_.engine();
  try {
    BusyScope scope(busy, running_);
    RecordMatcher matcher(t, FindQuery::make(text, appSettings().dateFormat, searchMemos));
    const bool previous = found_;
    found_ = false;
    if (!fresh && previous && hooks.beforeFindAgain && !hooks.beforeFindAgain()) {
      found_ = previous;
      return Outcome::Cancelled;
    }
    if (lastFound_ >= 0) counter_ = lastFound_;
    bool atEnd = true;
    if (bookmark_ && bookmark_->recno != 0) {
      t.goToBookmark(*bookmark_);
      atEnd = false;
      // Moving on from the last match may already run off the listing: then
      // nothing is tested before the range end is handled.
      if (previous) atEnd = !moveOnAfterMatch();
    }
    for (;;) {
      pumpEvents();
      if (stop_) break;
      if (!atEnd) {
        if (testRecord(matcher)) {
          found_ = true;
          break;
        }
        atEnd = !stepRecord();
        if (!atEnd) continue;
      }
      if (hooks.atRangeEnd && !hooks.atRangeEnd(forward_)) {
        atEnd = !goToStart();
        continue;
      }
      break;
    }
  } catch (const dbase::Error& e) {
    // The view still gets its OnNotFound, so it is enabled again.
    error_ = e.what();
    found_ = false;
  }
  if (found_) {
    bookmark_ = t.bookmark();
    lastFound_ = counter_;
    if (hooks.onFound) hooks.onFound();
    return Outcome::Found;
  }
  if (hooks.onNotFound) hooks.onNotFound();
  return Outcome::NotFound;
}

MarkResult FindSearch::markAll(const QString& progressCaption) {
  stop_ = false;
  BusyScope scope(busy, running_);
  forward_ = true;
  counter_ = 0;
  letter_ = 0;
  foundCount_ = 0;
  // The marks are the search's now: saving a record leaves its mark alone.
  appSettings().filterActive = false;
  std::optional<RecordMatcher> matcher;
  const int first = firstUserField();
  MarkingPass pass(table_);
  pass.start = [&](dbase::Table& t) {
    matcher.emplace(t, FindQuery::make(text, appSettings().dateFormat, searchMemos));
  };
  pass.between = [&] {
    pumpEvents();
    return stop_;
  };
  pass.markOf = [&](dbase::Table& t, int64_t index) {
    counter_ = static_cast<int32_t>(index);
    currentField_ = first;
    const bool hit = field >= 0 ? matcher->fieldMatches(t, field)
                                : matcher->firstMatch(t, first, first, true) >= 0;
    return hit ? '2' : '0';
  };
  MarkResult result = pass.run(progressCaption);
  foundCount_ = result.found;
  result.stopped = stop_;
  if (result.stopped) {
    foundCount_ = 0;
    counter_ = 0;
  }
  result.found = foundCount_;
  return result;
}
