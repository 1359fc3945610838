#pragma once

#include <QString>
#include <cstdint>

#include "dbtable.h"

// The three table objects of the main view.
struct TStoreTables {
  TDbTable Records;    // TableName in DatabaseDir
  TDbTable Copy;       // copy.dbf, the copy buffer
  TDbTable Catalogue;  // master.dbf
};

inline const QString kCatalogueFile = QStringLiteral("master.dbf");
inline const QString kCopyFile = QStringLiteral("copy.dbf");
inline const QString kCatalogueTag = QStringLiteral("IDX0");

// Opens catalogue, copy buffer and record table of DatabaseDir / TableName.
// An existing file that cannot be opened is reported and left alone; only a
// missing one is made from the template.
bool OpenDatabase(TStoreTables& tables);

// Positions the catalogue on the entry of fileName, adding it when missing.
void EnsureCatalogEntry(TDbTable& catalogue, const QString& fileName);
// Positions the catalogue on the entry of fileName; false when there is none.
bool FindCatalogEntry(TDbTable& catalogue, const QString& fileName);

// Gives the current record of `records` the next number from the catalogue
// entry's counter, which is locked around reading and writing it so two
// programs never hand out the same number. Returns the number; throws
// dbase::Error when the entry stays locked or cannot be written.
int64_t NextRecordNumber(TDbTable& records, TDbTable& catalogue);
