#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "store/pagevalues.h"

class DbTable;
namespace dbase {
class Table;
}
struct StoreTables;

// What one record page does with its record, without the page: loading it
// from the listing (the record table's current order and range), holding its
// lock, checking and storing the page's values, the copy buffer, undo and
// delete. Questions and engine errors go through the prompter with the texts
// the pages always showed.
class RecordSession {
 public:
  // Holds its record with `cursor`, which the caller owns (the record table
  // itself when the page shares the listing's cursor).
  RecordSession(StoreTables& tables, DbTable& cursor);
  // Holds its record with a cursor of its own over the record table.
  explicit RecordSession(StoreTables& tables);
  ~RecordSession();
  RecordSession(const RecordSession&) = delete;
  RecordSession& operator=(const RecordSession&) = delete;

  DbTable& cursor() { return *cursor_; }
  // Opens an own cursor over the record table; an engine error is shown.
  bool openCursor();
  // Whether loadAt() opens a closed own cursor; without it a record that
  // finds the cursor closed is shown in use and the error is not repeated.
  void setOpenOnLoad(bool on) { openOnLoad_ = on; }
  void closeCursor();

  bool isNew() const { return isNew_; }
  // Someone else holds the record (or there was no cursor to hold it with).
  bool inUse() const { return inUse_; }
  // The record's letter under a text sort; 0 for a new record.
  char letter() const { return letter_; }
  // The record's entry number; -1 for a new record.
  int32_t number() const { return number_; }

  // Where the record stands in the whole listing, found by its number;
  // the listing's end when it is not there.
  int32_t listingPosition();
  // Records in the listing; 0 when it cannot be counted.
  int32_t count();
  // Loads position p of the listing, or a new record past its end, and locks
  // it unless the database is read-only. An unreadable memo is reported and
  // left empty. Nothing on an engine error (reported).
  std::optional<PageValues> loadAt(int32_t position);
  // Lets the record's lock go.
  void release();

  // The dates and numbers that cannot be stored, by field label.
  QString inputProblems(const PageValues& values, const std::vector<QString>& labels);
  // Whether the page differs from what loadAt() gave it (or from what was
  // stored since): a new page always counts as changed.
  bool changed(const PageValues& values);
  // Where a page stands before it is left; `problems` gets its input problems.
  PageState state(const PageValues& values, const std::vector<QString>& labels,
                  QString* problems = nullptr);
  // "Do you want to continue anyway?" after `problems` (or the required-field
  // message when there are none); true when the user leaves.
  static bool askToLeave(const QString& problems);
  static bool askAfterFailedUpdate();

  enum class Stored { Yes, NotPosted, EngineError };
  // Posts the values into the record through `via` (100 attempts): a new
  // record is appended and numbered, and the letter counts follow its new
  // letter. When `via` is not the session's cursor the lock moves to it.
  // Only the fields that changed are written; a record that did not change
  // is not written at all. While the program is ending, a field that cannot
  // hold what was typed keeps its stored value.
  Stored store(const PageValues& values, DbTable& via);
  Stored store(const PageValues& values) { return store(values, *cursor_); }
  // The whole save on leaving the record: empty or unchanged pages and
  // refused questions release it; false when the user stays. While the
  // program is ending nothing is asked: the page is stored as typed.
  bool leave(const PageValues& values, const std::vector<QString>& labels);
  // leave() on the way to `position`; the position the requested record
  // stands at afterwards, or nothing when the user stays.
  std::optional<int32_t> leaveFor(int32_t position, const PageValues& values,
                                  const std::vector<QString>& labels);

  // The record as stored (undo): empty for a new record; nothing when it
  // cannot be read (reported).
  std::optional<PageValues> reread();
  // Copies the page into the copy buffer; an empty page is refused, and values
  // the fields cannot hold are named and copied only after a yes.
  bool copyToBuffer(const PageValues& values, bool reportMemo = false);
  // Copies the stored record at `position` of the listing field by field,
  // memos and picture included; "Empty Record - Not Copied!" past its end.
  bool copyRecordAt(int32_t position);
  // The copy buffer's values; nothing when it is empty or unreadable.
  std::optional<PageValues> pasteFromBuffer();
  // The copy buffer's user fields as the quick view shows them; what was
  // read before an unreadable memo when there is one (reported).
  std::vector<QString> copyBufferLines();
  // Stores the copy buffer field by field into the record at `position` of
  // the listing (a new, numbered one past its end); the record keeps its
  // number, and the letter counts follow. Nothing before a copy of this run;
  // a record another program holds is left as it was. Reported when it fails.
  enum class Pasted { Nothing, Yes, Failed };
  Pasted pasteInto(int32_t position);
  // Where this session's record (at `position`) stands after a paste into
  // another record. With letter tabs the listing of its letter is searched,
  // then `listLetter`'s range applies again.
  int32_t positionAfterPaste(int32_t position, bool tabs, char listLetter);

  // Deletes the record; "Record in use - not Deleted!" when it is locked.
  bool deleteRecord();
  // Whether position p of the listing holds a record.
  bool recordAt(int32_t position);
  // Deletes the record at position p of the listing.
  bool deleteAt(int32_t position);
  // This session's position after the record at `deleted` went.
  static int32_t positionAfterDelete(int32_t position, int32_t deleted, bool sameList, bool isNew);

 private:
  bool post(DbTable& via, const PageValues& values, DbTable* catalogue, char* letter,
            bool* memoFailed, const PageWrite& how = {});
  // Writes the record's fields (setting the memo flag when a memo fails).
  using RecordWriter = std::function<void(dbase::Table&, bool* memoFailed)>;
  bool postWith(DbTable& via, const RecordWriter& write, DbTable* catalogue, char* letter,
                bool* memoFailed);
  bool storeCopy(const PageValues& values, bool* memoFailed);

  StoreTables& tables_;
  std::unique_ptr<DbTable> ownCursor_;
  DbTable* cursor_;
  bool openOnLoad_ = true;
  bool isNew_ = false;
  bool inUse_ = false;
  char letter_ = 0;
  int32_t number_ = -1;
  uint32_t recNo_ = 0;
  PageValues shown_;  // the record as loaded or last stored
};

// The first sort field is a text field (letters apply to the records).
bool firstSortFieldIsText();
