#include "store/recordsession.h"

#include <QDate>
#include <algorithm>

#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/listingrows.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "store/tablerescue.h"

namespace {

constexpr int kPostAttempts = 100;
constexpr int kMemoHelp = 62;

const QString kDiscardQuestion = QStringLiteral(
    "\rDo you want to continue anyway?\r(If you answer Yes changes to the current record will be "
    "discarded.)");
const QString kUpdateFailed = QStringLiteral("Could not Update the record!");
const QString kCopyAnywayQuestion = QStringLiteral(
    "\rDo you want to copy the record anyway?\r(If you answer Yes these values are copied as "
    "the table can hold them.)");

bool editing(const dbase::Table& t) {
  return t.state() == dbase::Table::State::Edit || t.state() == dbase::Table::State::Insert;
}

void cancelQuietly(DbTable& table) {
  try {
    if (table.active() && editing(table.engine())) table.engine().cancel();
  } catch (const std::exception&) {
  }
}

void showError(const std::exception& e) {
  showMessage(MsgKind::Error, QString::fromStdString(e.what()));
}

void showMemoProblem(const DbTable& table) {
  showMessage(MsgKind::Error, corruptMemoText(table.engine()), MsgButtons::OkHelp, kMemoHelp);
}

// The memo and picture contents of the current record's user fields (empty
// strings for the other fields), read before anything is written so that an
// unreadable memo stops a copy or paste before it starts. Reports the memo
// and gives nothing when one cannot be read.
std::vector<std::string> readBlobs(const DbTable& table) {
  const dbase::Table& t = table.engine();
  const int n = static_cast<int>(t.fields().size());
  std::vector<std::string> blobs(static_cast<size_t>(std::max(n, 1)));
  for (int f = appSettings().firstUserField; f < n; ++f) {
    const dbase::FieldType type = t.fields()[static_cast<size_t>(f)].type;
    if (type != dbase::FieldType::Memo && type != dbase::FieldType::Binary) continue;
    try {
      blobs[static_cast<size_t>(f)] = t.readBlob(f);
    } catch (const std::exception&) {
      showMessage(MsgKind::Error, corruptMemoText(t));
      return {};
    }
  }
  return blobs;
}

// Every user field of `from`'s current record into the same field of `to`'s
// record in edit; memo contents from `blobs`. The record number and the
// filter mark stay as they are.
void assignUserFields(dbase::Table& to, const dbase::Table& from,
                      const std::vector<std::string>& blobs) {
  const int n = static_cast<int>(std::min(to.fields().size(), from.fields().size()));
  for (int f = appSettings().firstUserField; f < n; ++f) {
    const dbase::FieldType type = from.fields()[static_cast<size_t>(f)].type;
    if ((type == dbase::FieldType::Memo || type == dbase::FieldType::Binary) &&
        to.fields()[static_cast<size_t>(f)].type == type)
      to.writeBlob(f, blobs[static_cast<size_t>(f)]);
    else
      to.assignFrom(f, from, f);
  }
}

}  // namespace

bool firstSortFieldIsText() {
  const AppSettings& s = appSettings();
  const uint8_t f = sortState().firstField;
  return f >= s.firstUserField && s.stringFields.test(f);
}

RecordSession::RecordSession(StoreTables& tables, DbTable& cursor)
    : tables_(tables), cursor_(&cursor) {}

RecordSession::RecordSession(StoreTables& tables)
    : tables_(tables), ownCursor_(std::make_unique<DbTable>()), cursor_(ownCursor_.get()) {}

RecordSession::~RecordSession() {
  release();
  if (ownCursor_) ownCursor_->close();
}

bool RecordSession::openCursor() {
  if (!ownCursor_) return cursor_->active();
  DbTable& records = tables_.records;
  if (!records.active()) return false;
  if (ownCursor_->active()) return true;
  ownCursor_->databaseName = records.databaseName;
  ownCursor_->tableName = records.tableName;
  ownCursor_->exclusive = false;
  ownCursor_->readOnly = records.readOnly;
  ownCursor_->indexName.clear();
  try {
    ownCursor_->open();
  } catch (const std::exception& e) {
    showError(e);
    return false;
  }
  return true;
}

void RecordSession::closeCursor() {
  release();
  if (ownCursor_) ownCursor_->close();
}

void RecordSession::release() { cancelQuietly(*cursor_); }

int32_t RecordSession::count() {
  DbTable& records = tables_.records;
  if (!records.active()) return 0;
  try {
    return static_cast<int32_t>(recordCount(records));
  } catch (const std::exception& e) {
    reportEngineFailure(e);
    return 0;
  }
}

int32_t RecordSession::listingPosition() {
  int32_t position = 0;
  try {
    dbase::Table& t = tables_.records.engine();
    for (t.first(); !t.eof() && t.asInteger(0) != number_; t.next()) ++position;
  } catch (const std::exception& e) {
    showError(e);
  }
  return position;
}

std::optional<PageValues> RecordSession::loadAt(int32_t position) {
  release();
  isNew_ = inUse_ = false;
  letter_ = 0;
  number_ = -1;
  recNo_ = 0;
  shown_ = PageValues{};
  DbTable& records = tables_.records;
  try {
    const int32_t total = count();
    if (position < total) goToPosition(records, static_cast<uint32_t>(std::max(position, 0)));
    if (position >= total || records.engine().eof()) {
      isNew_ = true;
      return PageValues{};
    }
    recNo_ = records.engine().recNo();
    // A cursor of its own holds the lock, so the listing's cursor may move on.
    bool held = true;
    if (cursor_ != &records) {
      held = openOnLoad_ ? openCursor() : cursor_->active();
      if (held) cursor_->engine().goToRecord(recNo_);
    }
    if (!held) {
      inUse_ = true;  // nothing to hold the lock with
    } else if (!isReadOnlyDatabase()) {
      try {
        cursor_->engine().edit();
      } catch (const dbase::Error&) {
        inUse_ = true;
      }
    }
    DbTable& from = held ? *cursor_ : records;
    bool memoFailed = false;
    PageValues values = readPage(from.engine(), &memoFailed);
    if (memoFailed) showMemoProblem(from);
    number_ = static_cast<int32_t>(from.engine().asInteger(0));
    if (firstSortFieldIsText()) letter_ = firstLetter(from);
    shown_ = values;
    return values;
  } catch (const std::exception& e) {
    showError(e);
    return std::nullopt;
  }
}

QString RecordSession::inputProblems(const PageValues& values, const std::vector<QString>& labels) {
  return pageInputProblems(values, tables_.records.engine(), labels);
}

bool RecordSession::changed(const PageValues& values) {
  if (isNew_) return true;
  try {
    return pageChanged(values, shown_, tables_.records.engine());
  } catch (const std::exception&) {
    return true;
  }
}

PageState RecordSession::state(const PageValues& values, const std::vector<QString>& labels,
                               QString* problems) {
  PageState s;
  s.isNew = isNew_;
  s.inUse = inUse_;
  s.empty = pageIsEmpty(values);
  s.changed = changed(values);
  const QString bad = s.empty || s.inUse || !s.changed ? QString() : inputProblems(values, labels);
  s.passes = pagePassesRequired(values) && bad.isEmpty();
  if (problems) *problems = bad;
  return s;
}

bool RecordSession::askToLeave(const QString& problems) {
  return askYesNo(
      MsgKind::Warning,
      (problems.isEmpty() ? appSettings().firstFieldEmptyMsg : problems) + kDiscardQuestion);
}

bool RecordSession::askAfterFailedUpdate() {
  return askYesNo(MsgKind::Warning, kUpdateFailed + kDiscardQuestion);
}

bool RecordSession::post(DbTable& via, const PageValues& values, DbTable* catalogue, char* letter,
                         bool* memoFailed, const PageWrite& how) {
  return postWith(
      via,
      [&](dbase::Table& t, bool* memo) { writePage(t, values, QDate::currentDate(), memo, how); },
      catalogue, letter, memoFailed);
}

bool RecordSession::postWith(DbTable& via, const RecordWriter& write, DbTable* catalogue,
                             char* letter, bool* memoFailed) {
  dbase::Table& t = via.engine();
  callHook(storeHooks().busyCursor, true);
  bool posted = false;
  bool memo = false;
  char newLetter = 0;
  bool numbering = false;
  for (int attempt = 0; attempt < kPostAttempts && !posted; ++attempt) {
    try {
      numbering = false;
      if (!editing(t)) t.edit();
      if (catalogue && t.state() == dbase::Table::State::Insert && t.isEmpty(0)) {
        numbering = true;
        nextRecordNumber(via, *catalogue);
        numbering = false;
      }
      memo = false;
      write(t, &memo);
      newLetter = firstLetter(via);
      if (&via != &tables_.copy) callHook(storeHooks().beforePost, t);
      t.post();
      posted = true;
    } catch (const dbase::LockError&) {
      // The counter's entry was already waited for: waiting again on every
      // attempt would hold the program (and a quit) for minutes.
      if (numbering) break;
    } catch (const std::exception&) {
    }
  }
  callHook(storeHooks().busyCursor, false);
  // A record that could not be posted must not be posted by the next move.
  if (!posted) cancelQuietly(via);
  if (memoFailed) *memoFailed = memo;
  if (posted && letter && firstSortFieldIsText()) {
    if (*letter != newLetter) adjustLetterCounts(*letter, newLetter);
    *letter = newLetter;
  }
  return posted;
}

RecordSession::Stored RecordSession::store(const PageValues& values, DbTable& via) {
  if (!changed(values)) {
    // Nothing of the user's to write: the record keeps its bytes.
    release();
    return Stored::Yes;
  }
  bool memoFailed = false;
  Stored result = Stored::NotPosted;
  try {
    dbase::Table& t = via.engine();
    if (isNew_) {
      cancelQuietly(via);
      t.append();
    } else if (&via != cursor_) {
      t.goToRecord(recNo_);
      cancelQuietly(*cursor_);
    } else if (t.recNo() != recNo_) {
      // An earlier store moved the cursor and let the lock go.
      cancelQuietly(via);
      t.goToRecord(recNo_);
    }
    char letter = isNew_ ? 0 : letter_;
    const PageWrite how{isNew_ ? nullptr : &shown_, shuttingDown()};
    if (post(via, values, &tables_.catalogue, &letter, &memoFailed, how)) {
      // Stored: staying on the record must not add it twice.
      isNew_ = false;
      letter_ = letter;
      recNo_ = t.recNo();
      number_ = static_cast<int32_t>(t.asInteger(0));
      shown_ = values;
      result = Stored::Yes;
    }
  } catch (const std::exception&) {
    cancelQuietly(via);
    result = Stored::EngineError;
  }
  if (memoFailed) showMemoProblem(via);
  return result;
}

bool RecordSession::leave(const PageValues& values, const std::vector<QString>& labels) {
  if (isReadOnlyDatabase() || inUse_) return true;
  if (pageIsEmpty(values) || !changed(values)) {
    // A new empty page is never stored; a cleared record keeps its values.
    release();
    return true;
  }
  const QString bad = inputProblems(values, labels);
  if ((!bad.isEmpty() || !pagePassesRequired(values)) && !shuttingDown()) {
    // A quit asked while the question is open answers it with No: the
    // close that follows stores the page.
    const bool leaving = askToLeave(bad);
    if (leaving) release();
    return leaving;
  }
  if (!openCursor()) return true;
  // While ending there is nobody left to ask: what could be kept is kept.
  if (store(values) != Stored::Yes) return shuttingDown() || askAfterFailedUpdate();
  return true;
}

std::optional<int32_t> RecordSession::leaveFor(int32_t position, const PageValues& values,
                                               const std::vector<QString>& labels) {
  DbTable& records = tables_.records;
  const int32_t before = count();
  uint32_t wanted = 0;  // the requested record, when it is a stored one
  try {
    if (position < before) {
      goToPosition(records, static_cast<uint32_t>(position));
      if (!records.engine().eof()) wanted = records.engine().recNo();
    }
  } catch (const std::exception&) {
  }
  if (!leave(values, labels)) return std::nullopt;
  if (wanted == 0) {
    if (count() > before) ++position;
    return position;
  }
  // The saved record can only have moved across the requested one.
  try {
    for (const int32_t p : {position, position - 1, position + 1}) {
      if (p < 0) continue;
      goToPosition(records, static_cast<uint32_t>(p));
      if (!records.engine().eof() && records.engine().recNo() == wanted) return p;
    }
  } catch (const std::exception&) {
  }
  return position;
}

std::optional<PageValues> RecordSession::reread() {
  if (isNew_ || !cursor_->active()) return PageValues{};
  bool memoFailed = false;
  std::optional<PageValues> values;
  try {
    dbase::Table& t = cursor_->engine();
    // A store of the other page through a shared cursor may have left it on
    // that page's record.
    if (recNo_ != 0 && t.recNo() != recNo_ && !editing(t)) t.goToRecord(recNo_);
    values = readPage(t, &memoFailed);
  } catch (const std::exception& e) {
    showError(e);
  }
  if (memoFailed) showMemoProblem(*cursor_);
  return values;
}

bool RecordSession::copyToBuffer(const PageValues& values, bool reportMemo) {
  if (pageIsEmpty(values)) {
    showMessage(MsgKind::Warning, QStringLiteral("Empty Record - Not Copied!"));
    return false;
  }
  // The copy buffer has the record table's fields: what they cannot hold is
  // named before anything is copied cut.
  if (tables_.records.active()) {
    const std::vector<QString> names(labels().cbegin(), labels().cend());
    const QString bad = inputProblems(values, names);
    if (!bad.isEmpty() && !askYesNo(MsgKind::Warning, bad + kCopyAnywayQuestion)) return false;
  }
  bool memoFailed = false;
  const bool stored = storeCopy(values, &memoFailed);
  if (reportMemo && memoFailed) showMemoProblem(tables_.copy);
  return stored;
}

bool RecordSession::storeCopy(const PageValues& values, bool* memoFailed) {
  DbTable& copy = tables_.copy;
  if (!copy.active()) return false;
  try {
    copy.engine().first();
    // The buffer's one record is made when it has none.
    if (copy.engine().eof()) copy.engine().append();
  } catch (const std::exception& e) {
    showError(e);
    return false;
  }
  if (!post(copy, values, nullptr, nullptr, memoFailed)) return false;
  appSettings().copyBufferFull = true;
  return true;
}

bool RecordSession::copyRecordAt(int32_t position) {
  DbTable& records = tables_.records;
  DbTable& copy = tables_.copy;
  if (!copy.active()) return false;
  std::vector<std::string> blobs;
  try {
    goToPosition(records, static_cast<uint32_t>(position));
    if (records.engine().eof()) {
      showMessage(MsgKind::Warning, QStringLiteral("Empty Record - Not Copied!"));
      return false;
    }
    blobs = readBlobs(records);
  } catch (const std::exception& e) {
    showError(e);
    return false;
  }
  if (blobs.empty()) return false;
  try {
    copy.engine().first();
    // The buffer's one record is made when it has none.
    if (copy.engine().eof()) copy.engine().append();
  } catch (const std::exception& e) {
    cancelQuietly(copy);
    showError(e);
    return false;
  }
  // A stored record is copied field by field, even when all its fields are empty.
  const dbase::Table& from = records.engine();
  if (!postWith(
          copy, [&](dbase::Table& t, bool*) { assignUserFields(t, from, blobs); }, nullptr, nullptr,
          nullptr)) {
    showMessage(MsgKind::Error, kUpdateFailed);
    return false;
  }
  appSettings().copyBufferFull = true;
  return true;
}

std::optional<PageValues> RecordSession::pasteFromBuffer() {
  DbTable& copy = tables_.copy;
  if (!appSettings().copyBufferFull || !copy.active()) return std::nullopt;
  try {
    dbase::Table& t = copy.engine();
    t.first();
    if (t.eof()) return std::nullopt;
    bool memoFailed = false;
    PageValues values = readPage(t, &memoFailed);
    if (memoFailed) showMemoProblem(copy);
    return values;
  } catch (const std::exception& e) {
    showError(e);
    return std::nullopt;
  }
}

std::vector<QString> RecordSession::copyBufferLines() {
  DbTable& copy = tables_.copy;
  if (!appSettings().copyBufferFull || !copy.active()) return {};
  try {
    copy.engine().first();
    if (copy.engine().eof()) return {};
    return listRecordValues(copy);
  } catch (const std::exception& e) {
    showError(e);
    return {};
  }
}

RecordSession::Pasted RecordSession::pasteInto(int32_t position) {
  DbTable& records = tables_.records;
  DbTable& copy = tables_.copy;
  if (!appSettings().copyBufferFull || !copy.active()) return Pasted::Nothing;
  std::vector<std::string> blobs;
  char letter = 0;
  try {
    copy.engine().first();
    if (copy.engine().eof()) return Pasted::Nothing;
    blobs = readBlobs(copy);
    if (blobs.empty()) return Pasted::Failed;
    goToPosition(records, static_cast<uint32_t>(position));
    dbase::Table& t = records.engine();
    if (t.eof()) {
      t.append();
    } else {
      letter = firstLetter(records);
      t.edit();
    }
  } catch (const dbase::LockError&) {
    // Another program holds the record: it stays as it is.
    cancelQuietly(records);
    showMessage(MsgKind::Error, kUpdateFailed);
    return Pasted::Failed;
  } catch (const std::exception& e) {
    cancelQuietly(records);
    showError(e);
    return Pasted::Failed;
  }
  const dbase::Table& from = copy.engine();
  if (postWith(
          records, [&](dbase::Table& t, bool*) { assignUserFields(t, from, blobs); },
          &tables_.catalogue, &letter, nullptr))
    return Pasted::Yes;
  showMessage(MsgKind::Error, kUpdateFailed);
  return Pasted::Failed;
}

int32_t RecordSession::positionAfterPaste(int32_t position, bool tabs, char listLetter) {
  DbTable& records = tables_.records;
  auto useLetter = [&](char letter) {
    try {
      setLetterRange(records, letter);
    } catch (const std::exception&) {
    }
    return count();
  };
  try {
    dbase::Table& t = records.engine();
    if (tabs && !isNew_) {
      const int32_t total = useLetter(letter_);
      if (position >= total) {
        --position;
      } else {
        goToPosition(records, static_cast<uint32_t>(position));
        if (t.asInteger(0) != number_) {
          t.next();
          if (!t.eof() && t.asInteger(0) == number_)
            ++position;
          else
            --position;
        }
      }
      useLetter(listLetter);
    } else if (!tabs) {
      // A new record stays past the listing's end; a stored one moved by at
      // most one place, either way.
      if (isNew_) return count();
      for (const int32_t p : {position, position + 1, position - 1}) {
        if (p < 0) continue;
        goToPosition(records, static_cast<uint32_t>(p));
        if (!t.eof() && t.asInteger(0) == number_) return p;
      }
    }
  } catch (const std::exception&) {
  }
  return position;
}

bool RecordSession::deleteRecord() {
  DbTable& cursor = *cursor_;
  try {
    dbase::Table& t = cursor.engine();
    if (!editing(t)) t.edit();
    const char letter = firstLetter(cursor);
    t.deleteRecord();
    if (firstSortFieldIsText()) adjustLetterCounts(letter, 0);
  } catch (const std::exception&) {
    cancelQuietly(cursor);
    showMessage(MsgKind::Error, QStringLiteral("Record in use - not Deleted!"));
    return false;
  }
  return true;
}

bool RecordSession::recordAt(int32_t position) {
  DbTable& records = tables_.records;
  try {
    goToPosition(records, static_cast<uint32_t>(position));
  } catch (const std::exception&) {
  }
  return records.active() && !records.engine().eof();
}

bool RecordSession::deleteAt(int32_t position) {
  DbTable& records = tables_.records;
  try {
    goToPosition(records, static_cast<uint32_t>(position));
    dbase::Table& t = records.engine();
    t.edit();  // the lock: fails while another user edits the record
    const char letter = firstLetter(records);
    t.deleteRecord();
    adjustLetterCounts(letter, ' ');
  } catch (const std::exception&) {
    cancelQuietly(records);
    showMessage(MsgKind::Error, QStringLiteral("Record in use - not Deleted!"));
    return false;
  }
  return true;
}

int32_t RecordSession::positionAfterDelete(int32_t position, int32_t deleted, bool sameList,
                                           bool isNew) {
  if ((isNew || (sameList && deleted < position)) && position > 0) return position - 1;
  return position;
}
