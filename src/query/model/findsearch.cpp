#include "findsearch.h"

#include "dbase/table.h"
#include "dbtable.h"
#include "labels.h"
#include "progress.h"
#include "settings.h"

namespace {

// The record's filter mark: "2" passes, "0" fails.
constexpr int kFilterMarkField = 1;

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

TFindMemory& FindMemory() {
  static TFindMemory memory;
  return memory;
}

void RememberSearchText(QStringList& history, const QString& text) {
  for (qsizetype i = history.size() - 1; i >= 0; --i)
    if (history[i].compare(text, Qt::CaseInsensitive) == 0) history.removeAt(i);
  history.prepend(text);
}

QStringList FindFieldChoices() {
  QStringList out{kAllFields};
  const TAppSettings& s = AppSettings();
  for (int k = 0; k < Labels().size(); ++k)
    if (!s.BlobFields.test(static_cast<size_t>(s.FirstUserField + k))) out << Labels()[k];
  return out;
}

int FindFieldOfChoice(const QString& choice) {
  if (choice == kAllFields) return -1;
  for (int k = 0; k < Labels().size(); ++k)
    if (Labels()[k].compare(choice, Qt::CaseInsensitive) == 0)
      return AppSettings().FirstUserField + k;
  return -1;
}

TFindSearch::TFindSearch(TDbTable& table) : table_(table) {}

TFindSearch::~TFindSearch() = default;

int TFindSearch::FirstUserField() const { return AppSettings().FirstUserField; }

int TFindSearch::LastField() const { return static_cast<int>(table_.Engine().fields().size()) - 1; }

void TFindSearch::Pump() {
  if (pump) pump();
}

void TFindSearch::Reset() {
  found_ = false;
  lastFound_ = -1;
  bookmark_.reset();
}

bool TFindSearch::GoToStart() {
  dbase::Table& t = table_.Engine();
  if (forward_) {
    t.first();
    currentField_ = FirstUserField();
    counter_ = 0;
  } else {
    t.last();
    currentField_ = LastField();
    counter_ = static_cast<int32_t>(t.recordCount()) - 1;
  }
  return t.recNo() != 0;
}

bool TFindSearch::StepRecord() {
  dbase::Table& t = table_.Engine();
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

bool TFindSearch::MoveOnAfterMatch() {
  if (field >= 0) return StepRecord();
  currentField_ += forward_ ? 1 : -1;
  if (currentField_ < FirstUserField()) {
    currentField_ = LastField();
    return StepRecord();
  }
  if (currentField_ > LastField()) {
    currentField_ = FirstUserField();
    return StepRecord();
  }
  return true;
}

bool TFindSearch::TestRecord(TRecordMatcher& matcher) {
  const dbase::Table& t = table_.Engine();
  if (field >= 0) {
    if (!matcher.FieldMatches(t, field)) return false;
    memo_ = matcher.MemoMatch();
    return true;
  }
  const int hit = matcher.FirstMatch(t, currentField_, FirstUserField(), forward_);
  if (hit < 0) {
    currentField_ = forward_ ? FirstUserField() : LastField();
    return false;
  }
  currentField_ = hit;
  memo_ = matcher.MemoMatch();
  return true;
}

TFindSearch::Outcome TFindSearch::Find(bool forward) {
  forward_ = forward;
  if (hooks.BeforeFind && !hooks.BeforeFind(forward)) return Outcome::Cancelled;
  GoToStart();
  bookmark_ = table_.Engine().bookmark();
  found_ = false;
  lastFound_ = -1;
  return Run(true);
}

TFindSearch::Outcome TFindSearch::FindAgain(bool forward) {
  forward_ = forward;
  return Run(false);
}

TFindSearch::Outcome TFindSearch::Run(bool fresh) {
  stop_ = false;
  error_.clear();
  dbase::Table& t = table_.Engine();
  try {
    BusyScope scope(busy, running_);
    TRecordMatcher matcher(t, TFindQuery::Make(text, AppSettings().DateFormat, searchMemos));
    const bool previous = found_;
    found_ = false;
    if (!fresh && previous && hooks.BeforeFindAgain && !hooks.BeforeFindAgain()) {
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
      if (previous) atEnd = !MoveOnAfterMatch();
    }
    for (;;) {
      Pump();
      if (stop_) break;
      if (!atEnd) {
        if (TestRecord(matcher)) {
          found_ = true;
          break;
        }
        atEnd = !StepRecord();
        if (!atEnd) continue;
      }
      if (hooks.AtRangeEnd && !hooks.AtRangeEnd(forward_)) {
        atEnd = !GoToStart();
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
    if (hooks.OnFound) hooks.OnFound();
    return Outcome::Found;
  }
  if (hooks.OnNotFound) hooks.OnNotFound();
  return Outcome::NotFound;
}

bool TFindSearch::ReopenTable(bool exclusive) {
  // Exclusive use lets the pass read from memory and write without record
  // locks, many times faster; while another program has the table open the
  // pass runs in shared use.
  table_.Close();
  table_.Exclusive = exclusive;
  try {
    table_.Open();
    return true;
  } catch (const dbase::Error& e) {
    reopenError_ = e.reason();
  }
  table_.Exclusive = false;
  if (exclusive) {
    try {
      table_.Open();
    } catch (const dbase::Error& e) {
      reopenError_ = e.reason();
    }
  }
  return false;
}

TMarkResult TFindSearch::MarkAll(const QString& progressCaption) {
  TMarkResult result;
  stop_ = false;
  dbase::Table& t = table_.Engine();
  BusyScope scope(busy, running_);
  forward_ = true;
  counter_ = 0;
  letter_ = 0;
  foundCount_ = 0;
  const std::string previousTag = t.activeTag();
  TProgress& progress = Progress();
  progress.open(progressCaption);
  const bool exclusive = ReopenTable(true);
  try {
    // Every record, in the order of the file: the marks change the keys of a
    // filtered order while the pass walks it.
    t.cancelRange();
    t.setActiveTag("");
    t.first();
    const qint64 total = t.recordCount();
    TRecordMatcher matcher(t, TFindQuery::Make(text, AppSettings().DateFormat, searchMemos));
    const int first = FirstUserField();
    qint64 done = 0;
    while (t.recNo() != 0 && !t.eof()) {
      Pump();
      if (stop_) break;
      currentField_ = first;
      const bool hit = field >= 0 ? matcher.FieldMatches(t, field)
                                  : matcher.FirstMatch(t, first, first, true) >= 0;
      const char mark = hit ? '2' : '0';
      if (hit) ++foundCount_;
      // A record that already carries the mark needs no write.
      const std::string_view old = t.fieldBytes(kFilterMarkField);
      if (old.empty() || old[0] != mark) {
        try {
          t.edit();
          t.setString(kFilterMarkField, std::string_view(&mark, 1));
          t.post();
        } catch (const dbase::LockError&) {
          t.cancel();
          ++result.skipped;
        }
      }
      t.next();
      if (!t.eof()) ++counter_;
      progress.setPosition(++done, total);
    }
  } catch (const dbase::Error& e) {
    result.error = e.what();
    try {
      t.cancel();
    } catch (const dbase::Error&) {
    }
  }
  progress.close();
  try {
    if (exclusive && !ReopenTable(false))
      throw dbase::Error(table_.NativePath(), LastReopenError());
    t.setActiveTag(previousTag);
  } catch (const dbase::Error& e) {
    if (result.error.empty()) result.error = e.what();
  }
  result.stopped = stop_;
  if (result.stopped) {
    foundCount_ = 0;
    counter_ = 0;
  }
  result.found = foundCount_;
  return result;
}
