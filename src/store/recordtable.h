#pragma once

#include <QString>
#include <optional>
#include <string>

#include "store/dbtable.h"

// Opening, creating and sorting the record table.

// Texts shown to the user.
inline const QString kMsgIndexFailed = QStringLiteral(
    "Unable to create Index!\rDatabase may be used by someone else - this function requires "
    "Exclusive Database Use.");

// The engine's message of the last failure the store caught (for tools and logs).
const std::string& lastEngineError();
void setLastEngineError(const std::string& message);

// Opens DatabaseDir\name: false without touching the object when the file
// does not exist. Ten failures are retried silently, then exclusive use gives
// up and shared use asks the user whether to retry.
bool openTable(DbTable& table, const QString& name, bool exclusive);
// Opens a closed record table, restoring a lost production index first.
bool ensureOpen(DbTable& table);
// When the table's .MDX is missing: the template's index, rebuilt from this
// table's data. True when the index is there afterwards.
bool restoreMissingIndex(DbTable& table);
// Copies the template table over the object's file; false when the copy fails.
bool createFromTemplate(DbTable& table, bool keepIndexes);
// Throws dbase::Error when exclusive use cannot be had.
void deleteAllIndexes(DbTable& table);
// StringFields, MemoFields, BlobFields from the table's user fields.
void rebuildFieldSets(const DbTable& table);

// The sort file: TableName with the extension "idx" in DatabaseDir.
QString sortFilePath();
void loadSortState();
// ResetSort for a table made new: its sort file is saved from now on.
void resetSortState();
// Writes the sort file of the table whose sort was loaded or reset last;
// nothing for any other (a table that could not be opened).
void saveSortState();

// The tag for the current sort, made when missing; nothing when there is no
// key or exclusive use cannot be had. Throws dbase::Error from the engine.
std::optional<std::string> findOrCreateTag();
// Makes the record table follow SortState(); on failure the previous sort and
// tag come back and the index message is shown unless IndexErrorQuiet.
bool applySort();
