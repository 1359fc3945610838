#include "query/markingpass.h"

#include "core/progress.h"
#include "core/settings.h"
#include "dbase/error.h"
#include "dbase/table.h"
#include "store/dbtable.h"

bool MarkingPass::reopen(bool exclusive) {
  // Exclusive use lets the pass read from memory and write without record
  // locks, many times faster; while another program has the table open the
  // pass runs in shared use.
  table_.close();
  table_.exclusive = exclusive;
  try {
    table_.open();
    return true;
  } catch (const dbase::Error& e) {
    reopenError_ = e.reason();
  }
  table_.exclusive = false;
  if (exclusive) {
    try {
      table_.open();
    } catch (const dbase::Error& e) {
      reopenError_ = e.reason();
    }
  }
  return false;
}

MarkResult MarkingPass::run(const QString& progressCaption) {
  MarkResult result;
  if (isReadOnlyDatabase()) {
    result.error = kReadOnlyMarksMessage.toStdString();
    return result;
  }
  dbase::Table& t = table_.engine();
  const std::string previousTag = t.activeTag();
  Progress& bar = progress();
  bar.open(progressCaption);
  const bool exclusive = reopen(true);
  try {
    // Every record, in the order of the file: the marks change the keys of a
    // filtered order while the pass walks it.
    t.cancelRange();
    t.setActiveTag("");
    t.first();
    if (start) start(t);
    const int64_t total = t.recordCount();
    int64_t done = 0;
    while (t.recNo() != 0 && !t.eof()) {
      if (between && between()) {
        result.stopped = true;
        break;
      }
      const char mark = markOf(t, done);
      if (mark == '2') ++result.found;
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
      bar.setPosition(++done, total);
    }
  } catch (const dbase::Error& e) {
    result.error = e.what();
    try {
      t.cancel();
    } catch (const dbase::Error&) {
    }
  }
  bar.close();
  try {
    if (exclusive && !reopen(false)) throw dbase::Error(table_.nativePath(), reopenError_);
    t.setActiveTag(previousTag);
  } catch (const dbase::Error& e) {
    if (result.error.empty()) result.error = e.what();
  }
  return result;
}
