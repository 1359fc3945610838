#pragma once

#include <QDir>
#include <QFile>
#include <string>

#include "labels.h"
#include "sortstate.h"
#include "tempdir.h"

// The settings of a running program whose program directory holds copies of
// what the build ships (templates, labels) and whose database and home lie in
// `box`: whatever a view saves on closing stays in the sandbox.
inline void UseBuildProgramDir(SettingsSandbox& box) {
  TAppSettings& s = AppSettings();
  s.setEditionValues();
  const QDir shipped(qEnvironmentVariable("TOMES_BIN"));
  const QString program = box.file(QStringLiteral("program"));
  QDir().mkpath(program);
  for (const QString& name : shipped.entryList(
           {"*.dbf", "*.mdx", "*.dbt", "*.MDX", "labels.dat"}, QDir::Files))
    QFile::copy(shipped.filePath(name), JoinPath(program, name));
  if (shipped.exists(QStringLiteral("sample/books.csv"))) {
    QDir(program).mkpath(QStringLiteral("sample"));
    QFile::copy(shipped.filePath(QStringLiteral("sample/books.csv")),
                JoinPath(JoinPath(program, QStringLiteral("sample")), QStringLiteral("books.csv")));
  }
  s.ProgramDir = program;
  s.DataRootDir = box.path();
  s.DatabaseDir = box.file("home");
  s.HomeDir = s.DatabaseDir;
  QDir().mkpath(s.DatabaseDir);
  LoadLabels();
  SortState() = TIndex{};
}

inline std::string NativePath(const QString& p) { return QFile::encodeName(p).toStdString(); }

#include <vector>

#include "dbase/table.h"
#include "recordtext.h"

struct TBookRow {
  QString title;
  QString author;
  double value = 0;
};

// Titles with the authors "Author 1", "Author 2", ...
inline std::vector<TBookRow> TitledRows(const QStringList& titles) {
  std::vector<TBookRow> rows;
  for (int i = 0; i < titles.size(); ++i)
    rows.push_back({titles[i], QStringLiteral("Author %1").arg(i + 1), 0});
  return rows;
}

// The record table of DatabaseDir: a copy of the shipped template holding
// `rows` numbered from 1; with sortByTitle the sort file selects the title.
inline void MakeBookTable(const std::vector<TBookRow>& rows, bool sortByTitle) {
  const TAppSettings& s = AppSettings();
  const QString table = JoinPath(s.DatabaseDir, QStringLiteral("data.dbf"));
  dbase::Table::copyTable(NativePath(JoinPath(s.ProgramDir, QStringLiteral("data.dbf"))),
                          NativePath(table), true);
  dbase::Table t;
  t.open(NativePath(table), dbase::OpenMode::Exclusive);
  int n = 0;
  for (const TBookRow& r : rows) {
    t.append();
    t.setNumber(0, ++n);
    t.setString(1, "0");
    t.setString(2, ToTableText(r.title));
    t.setString(3, ToTableText(r.author));
    if (r.value != 0) t.setNumber(10, r.value);
    t.post();
  }
  t.close();
  if (sortByTitle) {
    QFile f(JoinPath(s.DatabaseDir, QStringLiteral("data.idx")));
    if (f.open(QIODevice::WriteOnly)) f.write(QByteArray("\x02\x00\x00\x00", 4));
  }
}

// master.dbf of DatabaseDir with the entry of data.dbf, its counter at `last`
// so new records are numbered from last + 1.
inline void MakeCatalogue(int last) {
  const TAppSettings& s = AppSettings();
  const QString master = JoinPath(s.DatabaseDir, QStringLiteral("master.dbf"));
  dbase::Table::copyTable(NativePath(JoinPath(s.ProgramDir, QStringLiteral("master.dbf"))),
                          NativePath(master), true);
  dbase::Table cat;
  cat.open(NativePath(master), dbase::OpenMode::Exclusive);
  cat.append();
  cat.setString(0, "data.dbf");
  cat.setString(1, "Test Books");
  cat.setNumber(3, last);
  cat.post();
}
