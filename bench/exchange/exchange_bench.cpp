// exchange_bench: the text export and import of the record table, against
// SQLite doing the same on the same rows.
//
//   exchange_bench [SIZE...]   (default 100000 1000000)
//
// For each size: a record table from the shipped template filled with
// book-like records (about 1 in 100 deleted) and the same live rows in
// SQLite. Figures:
//   - export of the 21 exchangeable user fields (tab separated, memos
//     marked) from the record table as the view shows it, and from SQLite
//     with SELECT. The export takes exclusive use when no one else has the
//     table open; "shared use" has a second handle open on it meanwhile;
//   - import of that file into an empty record table (numbered from the
//     catalogue, filter mark hook unset), the same two ways; SQLite
//     reads the same file with the same reader and INSERTs in one
//     transaction (synchronous=OFF, as our writes stay in the page cache)
//     into a table with an index on the title, as the record table has a
//     title tag (record number order is its rowid).

#include <sqlite3.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include "books.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "exchange/exchange.h"
#include "sqlitebooks.h"
#include "store/database.h"
#include "store/dbtable.h"
#include "store/recordtable.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::Sqlite;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU seconds of this process (user and system): on a machine shared with
// other work it moves far less than the wall clock.
double cpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
double cpuMark = 0;

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

void check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what);
}

// The 22 user columns of the SQLite table, in field order.
const char* const kColumns =
    "title, author, coauthors, category, format, rating, publisher, pubdate, value, isbn, pages, "
    "keywords, type, status, custom1, custom2, custom3, custom4, custom5, custom6, notes";

double sqliteExport(Sqlite& s, const QString& path) {
  const auto t0 = Clock::now();
  cpuMark = cpuSeconds();
  sqlite3_stmt* st = s.prepare(std::string("SELECT ") + kColumns + " FROM books ORDER BY id");
  QFile out(path);
  check(out.open(QIODevice::WriteOnly), "sqlite export file");
  std::string buf;
  while (sqlite3_step(st) == SQLITE_ROW) {
    exchange::TextLineWriter w(buf, {'\t', 0});
    for (int c = 0; c < 21; ++c) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
      const std::string_view v = text ? text : "";
      c == 20 ? w.memo(v) : w.value(v);
    }
    w.endLine();
    if (buf.size() > (1u << 20)) {
      out.write(buf.data(), static_cast<qint64>(buf.size()));
      buf.clear();
    }
  }
  out.write(buf.data(), static_cast<qint64>(buf.size()));
  sqlite3_finalize(st);
  return seconds(t0);
}

double sqliteImport(Sqlite& s, const QString& path, int64_t* rows) {
  const auto t0 = Clock::now();
  cpuMark = cpuSeconds();
  s.exec("CREATE TABLE imported(id INTEGER PRIMARY KEY, " + std::string(kColumns) + ")");
  // The record table's two tags: record number order (the rowid) and title order.
  // Its page cache as large as our index's nodes grow (with the default 2 MB
  // it reads the index back from the system at every insert).
  s.exec("CREATE INDEX imported_title ON imported(upper(substr(title, 1, 99)))");
  s.exec("PRAGMA cache_size=-262144");
  s.exec("BEGIN");
  std::string sql = std::string("INSERT INTO imported(") + kColumns + ") VALUES(?";
  for (int c = 1; c < 21; ++c) sql += ",?";
  sqlite3_stmt* st = s.prepare(sql + ")");
  QFile in(path);
  check(in.open(QIODevice::ReadOnly), "sqlite import file");
  struct Source : exchange::ByteSource {
    QFile* f;
    size_t read(char* d, size_t n) override {
      return static_cast<size_t>(std::max<qint64>(f->read(d, static_cast<qint64>(n)), 0));
    }
  } source;
  source.f = &in;
  std::vector<bool> memo(21, false);
  memo[20] = true;
  exchange::TextRecordReader reader(source, {'\t', 0}, memo);
  std::vector<exchange::FieldText> fields;
  std::string notes;
  *rows = 0;
  while (reader.next(fields)) {
    for (int c = 0; c < 20; ++c)
      sqlite3_bind_text(st, c + 1, fields[c].text.data(), static_cast<int>(fields[c].text.size()),
                        SQLITE_STATIC);
    notes.clear();
    for (size_t i = 0; i < fields[20].lines.size(); ++i)
      notes += (i ? "\r\n" : "") + fields[20].lines[i];
    sqlite3_bind_text(st, 21, notes.data(), static_cast<int>(notes.size()), SQLITE_STATIC);
    check(sqlite3_step(st) == SQLITE_DONE, "sqlite insert");
    sqlite3_reset(st);
    ++*rows;
  }
  sqlite3_finalize(st);
  s.exec("COMMIT");
  return seconds(t0);
}

// An empty database directory with the template record table and catalogue, opened
// as the program opens it.
void openEmptyDatabase(const QString& dir, StoreTables& tables) {
  const AppSettings& s = appSettings();
  for (const char* name : {"data.dbf", "master.dbf"})
    dbase::Table::copyTable(native(joinPath(s.programDir, name)), native(joinPath(dir, name)),
                            true);
  appSettings().databaseDir = dir;
  check(openDatabase(tables), "open the empty database");
}

void line(const char* what, int64_t n, double ours, double oursCpu, double sqlite,
          double sqliteCpu) {
  std::printf(
      "  %-24s %8.3f s %8.0f rec/s (CPU %6.3f s)   SQLite %7.3f s %8.0f rec/s (CPU %6.3f s)"
      "   ratio %5.2f\n",
      what, ours, n / ours, oursCpu, sqlite, n / sqlite, sqliteCpu, ours / sqlite);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::vector<int> sizes = bench::sizesFrom(argc, argv, {100000, 1000000});
  try {
    for (int n : sizes) {
      QTemporaryDir dir;
      AppSettings& s = appSettings();
      s = AppSettings{};
      s.programDir = QCoreApplication::applicationDirPath();
      s.databaseDir = dir.path();
      s.homeDir = dir.path();
      s.tableName = QStringLiteral("data.dbf");
      const QString source = joinPath(dir.path(), "source");
      QDir().mkpath(source);
      dbase::Table::copyTable(native(joinPath(s.programDir, "data.dbf")),
                              native(joinPath(source, "data.dbf")), true);
      int live = 0;
      {
        dbase::Table t;
        t.open(native(joinPath(source, "data.dbf")), dbase::OpenMode::Exclusive);
        live = n - bench::fillBooks(t, n);
      }
      Sqlite sql(native(joinPath(dir.path(), "books.sqlite")));
      sql.setSynchronous("OFF");
      bench::fillSqliteBooks(sql, n);
      ::sync();
      std::printf("%d records (%d live)\n", n, live);

      exchangeSettings() = ExchangeSettings{};
      for (int f = 2; f < 23; ++f) exchangeSettings().fields.push_back(f);
      const QString ourFile = joinPath(dir.path(), "ours.txt");
      const QString sqlFile = joinPath(dir.path(), "sqlite.txt");

      DbTable records;
      records.databaseName = source;
      records.tableName = "data.dbf";
      records.open();
      const double sqlExport = sqliteExport(sql, sqlFile);
      const double sqlExportCpu = cpuSeconds() - cpuMark;
      auto t0 = Clock::now();
      for (bool shared : {true, false}) {
        // Another program with the table open keeps the export in shared use.
        dbase::Table other;
        if (shared) other.open(native(joinPath(source, "data.dbf")));
        t0 = Clock::now();
        const double cpu0 = cpuSeconds();
        check(exportText(records, ourFile), "export");
        const double ours = seconds(t0);
        line(shared ? "export (shared use)" : "export (exclusive use)", live, ours,
             cpuSeconds() - cpu0, sqlExport, sqlExportCpu);
      }
      records.close();

      int64_t sqlRows = 0;
      const double sqlImport = sqliteImport(sql, ourFile, &sqlRows);
      const double sqlImportCpu = cpuSeconds() - cpuMark;
      check(sqlRows == live, "sqlite imported every row");
      for (bool exclusive : {false, true}) {
        const QString target = joinPath(dir.path(), exclusive ? "exclusive" : "shared");
        QDir().mkpath(target);
        StoreTables tables;
        openEmptyDatabase(target, tables);
        dbase::Table other;
        if (!exclusive) other.open(native(joinPath(target, "data.dbf")));
        t0 = Clock::now();
        const double cpu0 = cpuSeconds();
        const ImportCount count = importText(tables, ourFile);
        tables.records.close();
        const double ours = seconds(t0);
        const double oursCpu = cpuSeconds() - cpu0;
        check(count.added == live && count.notPosted == 0 && count.stopped.isEmpty(),
              "import added every record");
        line(exclusive ? "import (exclusive use)" : "import (shared use)", live, ours, oursCpu,
             sqlImport, sqlImportCpu);
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "exchange_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
