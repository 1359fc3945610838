#pragma once

#include <QString>
#include <optional>
#include <string>

#include "dbtable.h"

// Opening, creating and sorting the record table.

// Texts shown to the user.
inline const QString kMsgIndexFailed = QStringLiteral(
    "Unable to create Index!\rDatabase may be used by someone else - this function requires "
    "Exclusive Database Use.");

// The engine's message of the last failure the store caught (for tools and logs).
const std::string& LastEngineError();
void SetLastEngineError(const std::string& message);

// Opens DatabaseDir\name: false without touching the object when the file
// does not exist. Ten failures are retried silently, then exclusive use gives
// up and shared use asks the user whether to retry.
bool OpenTable(TDbTable& table, const QString& name, bool exclusive);
// Opens a closed record table, restoring a lost production index first.
bool EnsureOpen(TDbTable& table);
// When the table's .MDX is missing: the template's index, rebuilt from this
// table's data. True when the index is there afterwards.
bool RestoreMissingIndex(TDbTable& table);
// Copies the template table over the object's file; false when the copy fails.
bool CreateFromTemplate(TDbTable& table, bool keepIndexes);
// Throws dbase::Error when exclusive use cannot be had.
void DeleteAllIndexes(TDbTable& table);
// StringFields, MemoFields, BlobFields from the table's user fields.
void RebuildFieldSets(const TDbTable& table);

// The sort file: TableName with the extension "idx" in DatabaseDir.
QString SortFilePath();
void LoadSortState();
void SaveSortState();

// The tag for the current sort, made when missing; nothing when there is no
// key or exclusive use cannot be had. Throws dbase::Error from the engine.
std::optional<std::string> FindOrCreateTag();
// Makes the record table follow SortState(); on failure the previous sort and
// tag come back and the index message is shown unless IndexErrorQuiet.
bool ApplySort();
