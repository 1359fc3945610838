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

// Packs the catalogue (tags rebuilt) when no other program has it open, and
// opens it shared again; a catalogue in use is left as it is.
void packCatalogue(DbTable& catalogue);

enum class DatabaseDeletion { Deleted, InUse, NotPlainName, NoEntry };
// Deletes a database of `directory`: its catalogue entry first, then the
// table's files there and in its BACKUP folder (files that are not there, or
// cannot be removed, are passed over). Only a plain file name is touched, and
// nothing while another program has the table open.
DatabaseDeletion deleteDatabase(DbTable& catalogue, const QString& directory,
                                const QString& fileName);

// What the Load Database window does with the catalogue of the main view,
// without the window. Choosing a kind moves DatabaseDir (and the catalogue
// object) to that directory; cancel() moves both back; finish() leaves the
// catalogue on the entry of the current table.
class CatalogueBrowser {
 public:
  enum class Kind { Private, Public };

  explicit CatalogueBrowser(DbTable& catalogue);

  // Opens the chosen directory's master.dbf and lists it. False when the
  // catalogue cannot be opened (the list is then empty).
  bool choose(Kind kind);
  Kind kind() const { return kind_; }
  // Whether this user may create, describe and delete databases here.
  bool mayChange() const;

  const std::vector<CatalogEntry>& entries() const { return entries_; }
  std::optional<CatalogEntry> entry(const QString& fileName);
  // Replaces the name and description; false when the entry is gone.
  bool describe(const CatalogEntry& entry);

  // A new database under the first free data_N name, its table made from
  // the template when missing. Nothing when all 999 names are taken.
  enum class Creation { Created, LimitReached, Failed };
  Creation create(const QString& name, const QString& description, QString* fileName);

  // The table to load: the entry's file name, its table made when missing.
  // Nothing when the entry is gone or names a file outside the directory;
  // `problem` then says why (empty: nothing to say).
  std::optional<QString> load(const QString& fileName, QString* problem);

  // The entry first, then the files, then the catalogue packed when it can be.
  DatabaseDeletion remove(const QString& fileName);

  // Back to the directory and catalogue the browser started on.
  void cancel();
  // Leaves the catalogue on the entry of TableName.
  void finish();

 private:
  bool reread();

  DbTable& catalogue_;
  QString startDir_;
  Kind kind_ = Kind::Private;
  std::vector<CatalogEntry> entries_;
};
