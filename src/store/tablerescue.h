#pragma once

#include <QString>
#include <exception>

class DbTable;

// What the program does when the engine cannot use a table as it is: an
// index that cannot be used is rebuilt from the records once the user agrees;
// a table that cannot be written (damaged, write-protected, or its index not
// rebuilt) is opened read-only, and the database is then in read-only mode.

inline const QString kRebuildCaption = QStringLiteral("Rebuilding Index - Please Wait...");

QString indexDamagedQuestion(const QString& tableName, const QString& reason);
QString readOnlyNotice(const QString& tableName, const QString& reason);

// Opens DatabaseDir\name shared, like openTable(). When the engine refuses
// for anything but another user's lock, an index that cannot be used is
// rebuilt after asking, and a table that still cannot be written is opened
// read-only, with a notice unless its files are just write-protected. False
// when it cannot even be read; lastEngineError() says why.
bool openTableOrRescue(DbTable& table, const QString& name);

// Asks, then builds the index of the table's file anew from its records under
// the progress window; every table object on the file lets go of it
// meanwhile and takes it again afterwards. True when it was rebuilt.
bool offerIndexRebuild(DbTable& table, const QString& reason);

// An engine error caught around a call on an open table where no message of
// its own is owed. Handled once the current event is done (at once when no
// event loop runs): an index that cannot be used is offered for a rebuild or
// left for natural order, a damaged table goes read-only, anything else is
// shown; the same text is shown only once.
void reportEngineFailure(const std::exception& error);
// An engine error about an index that cannot be used (not another user's lock).
bool isIndexFailure(const std::exception& error);
void handleEngineFailure(const std::exception& error);
