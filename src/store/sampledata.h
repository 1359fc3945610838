#pragma once

#include <QString>

// Fills a database directory that has no record table yet with the sample
// collection shipped as programDir/sample/books.csv: the record table is a copy
// of the template data.dbf holding one record per CSV row (record numbers 1..N),
// and master.dbf gets the catalogue entry for it with its counter at N.
//
// Does nothing (false) when databaseDir already has a data.dbf or the program
// directory has no sample. On any failure nothing is left behind (false): the
// tables are built under temporary names and renamed only at the end.
bool loadSampleCollection(const QString& programDir, const QString& databaseDir);

// Where the sample lies below the program directory.
inline constexpr const char* kSampleCsvPath = "sample/books.csv";

// A header.dat for a freshly seeded directory: title and author columns
// wide enough to read. Leaves an existing file alone.
void writeSampleHeader(const QString& dir);

// The first start of a program directory: when dataDir does not exist yet,
// builds it whole beside itself (the sample collection with its catalogue,
// header.dat, the copy buffer and BACKUP) and moves it into place in one
// step, so a program starting at the same time finds it complete or not at
// all, and two starts never both seed. True when this call made it; once the
// directory exists nothing is seeded again, whatever is missing from it.
bool seedDataDirectory(const QString& programDir, const QString& dataDir);

// Hooks seedDataDirectory() into start-up for the public data directory
// (DataRootDir/DATA), once.
void installSampleSeeder();
