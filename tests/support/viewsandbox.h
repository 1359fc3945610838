#pragma once

#include <QDir>
#include <QFile>
#include <string>

#include "core/labels.h"
#include "store/sortstate.h"
#include "support/tempdir.h"

// The settings of a running program whose program directory holds copies of
// what the build ships (templates, labels) and whose database and home lie in
// `box`: whatever a view saves on closing stays in the sandbox.
inline void useBuildProgramDir(SettingsSandbox& box) {
  AppSettings& s = appSettings();
  s.setEditionValues();
  const QDir shipped(qEnvironmentVariable("TOMES_BIN"));
  const QString program = box.file(QStringLiteral("program"));
  QDir().mkpath(program);
  for (const QString& name :
       shipped.entryList({"*.dbf", "*.mdx", "*.dbt", "*.MDX", "labels.dat"}, QDir::Files))
    QFile::copy(shipped.filePath(name), joinPath(program, name));
  if (shipped.exists(QStringLiteral("sample/books.csv"))) {
    QDir(program).mkpath(QStringLiteral("sample"));
    QFile::copy(shipped.filePath(QStringLiteral("sample/books.csv")),
                joinPath(joinPath(program, QStringLiteral("sample")), QStringLiteral("books.csv")));
  }
  s.programDir = program;
  s.dataRootDir = box.path();
  s.databaseDir = box.file("home");
  s.homeDir = s.databaseDir;
  QDir().mkpath(s.databaseDir);
  loadLabels();
  sortState() = SortState{};
}

inline std::string nativePath(const QString& p) { return QFile::encodeName(p).toStdString(); }

#include <vector>

#include "dbase/table.h"
#include "store/recordtext.h"

struct BookRow {
  QString title;
  QString author;
  double value = 0;
};

// Titles with the authors "Author 1", "Author 2", ...
inline std::vector<BookRow> titledRows(const QStringList& titles) {
  std::vector<BookRow> rows;
  for (int i = 0; i < titles.size(); ++i)
    rows.push_back({titles[i], QStringLiteral("Author %1").arg(i + 1), 0});
  return rows;
}

// The record table of DatabaseDir: a copy of the shipped template holding
// `rows` numbered from 1; with sortByTitle the sort file selects the title.
inline void makeBookTable(const std::vector<BookRow>& rows, bool sortByTitle) {
  const AppSettings& s = appSettings();
  const QString table = joinPath(s.databaseDir, QStringLiteral("data.dbf"));
  dbase::Table::copyTable(nativePath(joinPath(s.programDir, QStringLiteral("data.dbf"))),
                          nativePath(table), true);
  dbase::Table t;
  t.open(nativePath(table), dbase::OpenMode::Exclusive);
  int n = 0;
  for (const BookRow& r : rows) {
    t.append();
    t.setNumber(0, ++n);
    t.setString(1, "0");
    t.setString(2, toTableText(r.title));
    t.setString(3, toTableText(r.author));
    if (r.value != 0) t.setNumber(10, r.value);
    t.post();
  }
  t.close();
  if (sortByTitle) {
    QFile f(joinPath(s.databaseDir, QStringLiteral("data.idx")));
    if (f.open(QIODevice::WriteOnly)) f.write(QByteArray("\x02\x00\x00\x00", 4));
  }
}

// master.dbf of DatabaseDir with the entry of data.dbf, its counter at `last`
// so new records are numbered from last + 1.
inline void makeCatalogue(int last) {
  const AppSettings& s = appSettings();
  const QString master = joinPath(s.databaseDir, QStringLiteral("master.dbf"));
  dbase::Table::copyTable(nativePath(joinPath(s.programDir, QStringLiteral("master.dbf"))),
                          nativePath(master), true);
  dbase::Table cat;
  cat.open(nativePath(master), dbase::OpenMode::Exclusive);
  cat.append();
  cat.setString(0, "data.dbf");
  cat.setString(1, "Test Books");
  cat.setNumber(3, last);
  cat.post();
}
