#pragma once

#include <QString>
#include <optional>
#include <vector>

class DbTable;

// The databases a catalogue (master.dbf) lists, and the work on them that
// the Load Database window does, without the window.

struct CatalogEntry {
  QString fileName;  // the record table's disk file name, e.g. data_3.dbf
  QString name;
  QString description;
};

// The entries in the order of the catalogue's tag. Throws on an engine error.
std::vector<CatalogEntry> catalogEntries(DbTable& catalogue);

// "data_" + n + ".dbf" for the first n of 1..999 the catalogue does not hold;
// nothing when all are taken. Throws on an engine error.
std::optional<QString> firstFreeTableName(DbTable& catalogue);

// Appends an entry with the counter at 1. Throws on an engine error.
void addCatalogEntry(DbTable& catalogue, const CatalogEntry& entry);
// Replaces the name and description of the entry of entry.fileName; false
// when there is none. Throws on an engine error.
bool updateCatalogEntry(DbTable& catalogue, const CatalogEntry& entry);

// Whether no program has the table open: it can be had exclusively for a
// moment. A table that does not exist is free.
bool tableIsFree(const QString& directory, const QString& fileName);

enum class DatabaseDeletion { Deleted, InUse, NotPlainName, NoEntry };
// Deletes a database of `directory`: its catalogue entry first, then the
// table's files there and in its BACKUP folder (files that are not there, or
// cannot be removed, are passed over). Only a plain file name is touched, and
// nothing while another program has the table open.
DatabaseDeletion deleteDatabase(DbTable& catalogue, const QString& directory,
                                const QString& fileName);
