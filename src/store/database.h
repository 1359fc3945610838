#pragma once

#include <QString>
#include <cstdint>

#include "store/dbtable.h"

// The three table objects of the main view.
struct StoreTables {
  DbTable records;    // TableName in DatabaseDir
  DbTable copy;       // copy.dbf, the copy buffer
  DbTable catalogue;  // master.dbf
};

inline const QString kCatalogueFile = QStringLiteral("master.dbf");
inline const QString kCopyFile = QStringLiteral("copy.dbf");
inline const QString kCatalogueTag = QStringLiteral("IDX0");

// Opens catalogue, copy buffer and record table of DatabaseDir / TableName.
// An existing file that cannot be opened is reported and left alone; only a
// missing one is made from the template.
bool openDatabase(StoreTables& tables);

// Opens master.dbf of DatabaseDir on its tag, made from the template only
// when missing; read-only, nothing is made.
bool openCatalogue(DbTable& catalogue, bool readOnly);

// Positions the catalogue on the entry of fileName, adding it when missing.
void ensureCatalogEntry(DbTable& catalogue, const QString& fileName);
// Positions the catalogue on the entry of fileName; false when there is none.
bool findCatalogEntry(DbTable& catalogue, const QString& fileName);

// Gives the current record of `records` the next number from the catalogue
// entry's counter, which is locked around reading and writing it so two
// programs never hand out the same number. Returns the number; throws
// dbase::Error when the entry stays locked or cannot be written.
int64_t nextRecordNumber(DbTable& records, DbTable& catalogue);
// Takes `count` numbers at once for a long run of new records (one lock for
// all of them); the first one. Throws dbase::Error as nextRecordNumber does.
int64_t reserveRecordNumbers(DbTable& catalogue, int64_t count);
// Gives back the numbers from `first` to `end` - 1 of a reservation when no
// one took a number since; otherwise they stay unused.
void returnRecordNumbers(DbTable& catalogue, int64_t first, int64_t end);
