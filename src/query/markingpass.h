#pragma once

// The one write pass over every record that the search and the filter share:
// each record gets the mark ("2" or "0") that the caller computes, in the
// order of the file, with the progress window.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

class DbTable;
namespace dbase {
class Table;
}

struct MarkResult {
  bool stopped = false;
  int found = 0;      // records marked "2"
  int skipped = 0;    // records another user held: their marks stay
  std::string error;  // the engine's message when the pass broke off
};

class MarkingPass {
 public:
  explicit MarkingPass(DbTable& table) : table_(table) {}

  // Called once the table is open for the pass, before the first record.
  std::function<void(dbase::Table&)> start;
  // The mark of the current record ('2' or '0'); `index` counts from 0.
  std::function<char(dbase::Table&, int64_t index)> markOf;
  // Runs before each record (pending events); true stops the pass there.
  std::function<bool()> between;

  // Walks the whole table without range, in file order, and writes the
  // marks that change. Uses the table exclusively when no one else has it
  // open, shared otherwise; afterwards the table is open shared again in its
  // earlier order, without a range. In read-only mode nothing is written:
  // the result carries kReadOnlyMarksMessage.
  MarkResult run(const QString& progressCaption);

 private:
  bool reopen(bool exclusive);

  DbTable& table_;
  std::string reopenError_;
};

// Why a pass wrote nothing: the user may only read this database.
inline const QString kReadOnlyMarksMessage =
    QStringLiteral("The database is open in Read Only Mode: its records cannot be marked.");

// The record's filter mark field.
inline constexpr int kFilterMarkField = 1;
