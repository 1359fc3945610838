// lookup_bench: the lookup lists against SQLite.
//
//   lookup_bench [SIZE...]   (default 100000 1000000)
//
// For each size: a record table from the shipped template filled with
// book-like records, about 1 in 100 of them deleted, and the same live rows
// in SQLite. Figures:
//   - "Update Lists" over four list fields (author, category, format,
//     publisher) from empty lists, and again when every value is there;
//     SQLite: INSERT OR IGNORE INTO listN SELECT field FROM books WHERE
//     field <> '' for each list, in one transaction, each list with a
//     unique index on its value;
//   - reading a list of 10,000 values in index order as a lookup box does,
//     and adding one value (into its place among the items, append, post);
//     SQLite: SELECT item FROM list ORDER BY item, and one INSERT.
// Durability is the same: our appends stay in the page cache (kill -9 loses
// nothing), SQLite runs with synchronous=OFF (its journal kept).

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "books.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "query/lookup/listeditor.h"
#include "query/lookup/lookuplist.h"
#include "sqlitebooks.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::Sqlite;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

// The lists of the four fields the made-up books fill, by label position.
const std::vector<ListChoice>& lists() {
  static const std::vector<ListChoice> l{{"Author", "list1.dbf", bench::kAuthorField - 2},
                                         {"Category", "list2.dbf", bench::kCategoryField - 2},
                                         {"Format", "list3.dbf", bench::kFormatField - 2},
                                         {"Publisher", "list5.dbf", bench::kPublisherField - 2}};
  return l;
}
const char* const kColumns[] = {"author", "category", "format", "publisher"};

void freshLists(const QString& dir) {
  for (const ListChoice& c : lists())
    dbase::Table::copyTable(native(joinPath(appSettings().programDir, "list.dbf")),
                            native(joinPath(dir, c.source)), true);
}

int64_t listed(const QString& dir) {
  int64_t n = 0;
  for (const ListChoice& c : lists()) {
    dbase::Table t;
    t.open(native(joinPath(dir, c.source)), dbase::OpenMode::Shared, true);
    n += t.recordCount();
  }
  return n;
}

void line(const char* what, double secs, int64_t values) {
  std::printf("  %-52s %9.4f s %9lld values\n", what, secs, static_cast<long long>(values));
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
      s.tableName = QStringLiteral("data.dbf");
      const QString dbf = joinPath(dir.path(), "data.dbf");
      dbase::Table::copyTable(native(joinPath(s.programDir, "data.dbf")), native(dbf), true);
      int live = n;
      {
        dbase::Table t;
        t.open(native(dbf), dbase::OpenMode::Exclusive);
        live -= bench::fillBooks(t, n);
      }
      Sqlite sql(native(joinPath(dir.path(), "books.sqlite")));
      sql.setSynchronous("OFF");
      bench::fillSqliteBooks(sql, n);
      for (const char* c : kColumns)
        sql.exec(std::string("CREATE TABLE list_") + c + "(item TEXT PRIMARY KEY)");
      ::sync();
      std::printf("%d records (%d live), four lists\n", n, live);

      freshLists(dir.path());
      ListEditor editor(lists());
      auto t0 = Clock::now();
      check(editor.updateLists(dir.path(), "data.dbf"), "update lists");
      line("Update Lists, empty lists", seconds(t0), listed(dir.path()));
      t0 = Clock::now();
      check(editor.updateLists(dir.path(), "data.dbf"), "update lists again");
      line("Update Lists, every value already listed", seconds(t0), listed(dir.path()));

      auto sqliteUpdate = [&] {
        const auto start = Clock::now();
        sql.exec("BEGIN");
        for (const char* c : kColumns)
          sql.exec(std::string("INSERT OR IGNORE INTO list_") + c + " SELECT " + c +
                   " FROM books WHERE " + c + " <> ''");
        sql.exec("COMMIT");
        return seconds(start);
      };
      auto sqliteListed = [&] {
        int64_t total = 0;
        for (const char* c : kColumns)
          total += sql.scalar(std::string("SELECT count(*) FROM list_") + c);
        return total;
      };
      double secs = sqliteUpdate();
      line("SQLite INSERT OR IGNORE ... SELECT, empty lists", secs, sqliteListed());
      secs = sqliteUpdate();
      line("SQLite INSERT OR IGNORE ... SELECT, all listed", secs, sqliteListed());
    }

    // A long list: 10,000 values read as a lookup box reads them.
    QTemporaryDir dir;
    appSettings().databaseDir = dir.path();
    const QString path = joinPath(dir.path(), "list9.dbf");
    dbase::Table::copyTable(native(joinPath(appSettings().programDir, "list.dbf")), native(path),
                            true);
    Sqlite sql(native(joinPath(dir.path(), "list.sqlite")));
    sql.setSynchronous("OFF");
    sql.exec("CREATE TABLE list(item TEXT PRIMARY KEY)");
    {
      dbase::Table t;
      t.open(native(path), dbase::OpenMode::Exclusive);
      sql.exec("BEGIN");
      for (int i = 9999; i >= 0; --i) {
        const std::string v = "Value " + std::to_string(100000 + i * 7 % 10000);
        t.append();
        t.setString(0, v);
        t.post();
        sql.exec("INSERT INTO list VALUES('" + v + "')");
      }
      sql.exec("COMMIT");
    }
    std::printf("a list of 10000 values\n");
    LookupList list(QStringLiteral("list9.dbf"));
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
      const auto t0 = Clock::now();
      check(list.open(), "open list");
      best = std::min(best, seconds(t0));
    }
    line("read the list in index order (best of 5)", best, list.items().size());
    auto t0 = Clock::now();
    check(list.addValue(QStringLiteral("Value 0 new")), "add value");
    line("add a value: into its place, append, post", seconds(t0), list.items().size());

    sqlite3_stmt* st = sql.prepare("SELECT item FROM list ORDER BY item");
    auto readAll = [&] {
      int64_t rows = 0;
      while (sqlite3_step(st) == SQLITE_ROW) {
        std::string item(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        ++rows;
      }
      sqlite3_reset(st);
      return rows;
    };
    best = 1e9;
    int64_t rows = 0;
    for (int round = 0; round < 5; ++round) {
      t0 = Clock::now();
      rows = readAll();
      best = std::min(best, seconds(t0));
    }
    line("SQLite SELECT ... ORDER BY item (best of 5)", best, rows);
    t0 = Clock::now();
    sql.exec("INSERT INTO list VALUES('Value 0 new')");
    line("SQLite INSERT", seconds(t0), sql.scalar("SELECT count(*) FROM list"));
    sqlite3_finalize(st);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lookup_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
