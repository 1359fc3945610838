#pragma once

#include <QString>
#include <QtGlobal>

#include "store/dbtable.h"

// Housekeeping of a database's tables: reindex, pack, empty, repair, backup
// and restore. Each function lets every table object of the program on the
// file go for the time it works (so the program never blocks its own
// exclusive open) and leaves them as documented below. Tables that are
// rewritten get their new files beside the old ones, swapped in as a family
// at the end; a failure at any step leaves the old files in place.
//
// Long passes report through progress() (setPosition/step); the caller opens
// and closes the window with its caption. The engine's message of a failure
// is in lastEngineError() (store/recordtable.h) and in CopyOutcome::error.

inline const QString kMsgFunctionFailed = QStringLiteral(
    "Function Failed!\rDatabase may be used by someone else - this function requires "
    "Exclusive Database Use.");
inline const QString kBackupSubdir = QStringLiteral("BACKUP");
inline const QString kRepairWorkFile = QStringLiteral("TEMP$00.DBF");  // work table of a repair
inline const QString kReplacedFile = QStringLiteral("TEMP$$$.DBF");    // one generation kept

enum class MaintenanceStatus {
  Done,
  InUse,   // exclusive use refused (another program has the table): show kMsgFunctionFailed
  Failed,  // anything else; lastEngineError() says why; nothing was changed
};

struct CopyOutcome {
  MaintenanceStatus status = MaintenanceStatus::Failed;
  int lost = 0;   // records read with a field that could not be copied (kept when they posted)
  QString error;  // engine message when status is not Done

  bool succeeded() const { return status == MaintenanceStatus::Done && lost == 0; }
};

// Rebuilds every tag. The open state comes back (no active tag). InUse /
// Failed: nothing changed, the open state comes back.
MaintenanceStatus reindexTable(DbTable& table);

// Deletes every tag but "IDX0" and "IDX1". Leaves the table closed with no
// active tag (the caller reopens). InUse / Failed: nothing deleted, closed.
MaintenanceStatus deleteIndexes(DbTable& table);

// Drops deleted records, compacts the memo file and rebuilds the tags (the
// record table and master.dbf alike). The open state and active tag come
// back. InUse / Failed: the files are as before.
MaintenanceStatus packTable(DbTable& table);

// Deletes every record. Leaves the table closed with no active tag.
// InUse: another program has it open, nothing deleted; lastEngineError()
// holds the engine's message.
MaintenanceStatus emptyRecords(DbTable& table);

// Deletes the records the table shows now (its tag, range and filter as set
// by the caller). Returns how many were deleted; throws dbase::Error.
int deleteShownRecords(DbTable& table);

// Reads the table record by record, however damaged (header, records, memo
// blocks, index), into a new table made from the template with its tags
// (work file TEMP$00.DBF), renumbering field 0 from 1, and swaps it in; the
// old family is kept as TEMP$$$.DBF (replacing the one before). The
// catalogue's counter of the table is set. Leaves the table closed.
// InUse / Failed: the table's files are as before (closed).
CopyOutcome repairTable(DbTable& table, DbTable& catalogue);

// Copies the records into DatabaseDir/BACKUP/<table name> (the template's
// fields, no tags; BACKUP is made when missing) and the lookup list files
// beside it. A sound table is copied byte for byte (numbers and deleted
// records as they are: a restore renumbers and drops them); a damaged one is
// read record by record as a repair reads it. The copy is complete or the
// old backup stays. The open state of the table comes back.
// InUse (another program has the backup open) / Failed: the old backup is
// as before (a list file that failed to copy is named in lastEngineError()).
CopyOutcome backupTable(DbTable& table);

// Replaces the table by the records of its backup (made from the template
// with its tags, renumbered from 1); the old family is kept as TEMP$$$.DBF.
// withLists: the list files of BACKUP replace the database's. Sets the
// catalogue's counter. Leaves the table closed.
// Failed with no backup ("Backup Data File not found!"), InUse or Failed:
// the table's files are as before (closed).
CopyOutcome restoreTable(DbTable& table, DbTable& catalogue, bool withLists);

// Deletes to's "listN.dbf"/"listN.mdx" (N = 1, 2, ... up to the first N with
// either missing), then copies from's the same way, byte for byte (each
// copy written whole, then renamed into place). False when a copy failed.
bool copyListFiles(const QString& from, const QString& to);

// Points the catalogue at fileName's entry (added when missing) and sets its
// record counter to count. Throws dbase::Error.
void setCatalogCounter(DbTable& catalogue, qint64 count, const QString& fileName);

// Appends every record of source (its current order) to target, field by
// field by position, field 0 := 1, 2, 3 ... A field that fails is skipped
// and the record counted lost; a record that does not post is cancelled and
// counted lost. Closes the target; returns the next number (one more than
// the records posted).
qint64 copyAllRecords(DbTable& source, DbTable& target, int& lost);
