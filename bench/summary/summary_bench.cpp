// summary_bench: the summary by author (count and total of the value per
// author, case ignored) over book-like records, against SQLite doing the
// same GROUP BY on the same live rows in the same run.
//
//   summary_bench [SIZE...]   (default 100000 1000000)
//
// Ours: a second, read-only table object opened as the summary opens it, the
// pass over every record in file order (deleted ones skipped by the engine)
// with the progress counter updated after each live record, then the groups put
// in name order with their texts. Also by month of the published date, and
// with the reversed filter state (mark test on every record).
// SQLite: SELECT author, count(*), sum(value) ... GROUP BY author COLLATE
// NOCASE ORDER BY 1 COLLATE NOCASE, stepped to the end. Best of three each.
// For scale, the engine's bare walk over the same records, in shared use (a
// file check and a read per record) and in exclusive use (from memory), and
// its bulk pass in shared use (reads in large blocks), which the summary uses.

#include <sqlite3.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "books.h"
#include "core/progress.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "query/summary/summary.h"
#include "sqlitebooks.h"
#include "store/dbtable.h"

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

struct Run {
  double seconds = 1e9;
  size_t groups = 0;
  int64_t records = 0;
  double total = 0;
};

Run ours(const QString& dir, int field, int filterState) {
  Run best;
  for (int round = 0; round < 3; ++round) {
    const auto t0 = Clock::now();
    DbTable table;
    table.databaseName = dir;
    table.tableName = "data.dbf";
    table.readOnly = true;
    table.open();
    Progress& bar = progress();
    bar.open(QStringLiteral("Summary"));
    Summary s;
    s.groups = countSummary(table.engine(), field, bench::kValueField, filterState,
                            [&bar](int64_t done, int64_t total) {
                              bar.setPosition(done, total);
                              return false;
                            })
                   .groups;
    bar.close();
    table.close();
    s.arrange(SummaryOrder::Name);
    const double secs = seconds(t0);
    if (secs < best.seconds)
      best = {secs, s.groups.size(), s.totalCount,
              static_cast<double>(s.grandTotal) / std::pow(10.0, kAmountDecimals)};
  }
  return best;
}

Run sqlite(Sqlite& sql, const std::string& query) {
  Run best;
  for (int round = 0; round < 3; ++round) {
    const auto t0 = Clock::now();
    sqlite3_stmt* st = sql.prepare(query);
    Run r;
    while (sqlite3_step(st) == SQLITE_ROW) {
      ++r.groups;
      r.records += sqlite3_column_int64(st, 1);
      r.total += sqlite3_column_double(st, 2);
    }
    sqlite3_finalize(st);
    r.seconds = seconds(t0);
    if (r.seconds < best.seconds) best = r;
  }
  return best;
}

// The engine's walk alone in file order, read-only, shared or exclusive;
// or its bulk pass (shared, as the summary reads).
Run walk(const QString& dir, bool exclusive, bool scan = false) {
  Run best;
  for (int round = 0; round < 3; ++round) {
    const auto t0 = Clock::now();
    DbTable table;
    table.databaseName = dir;
    table.tableName = "data.dbf";
    table.readOnly = true;
    table.exclusive = exclusive;
    table.open();
    dbase::Table& t = table.engine();
    Run r;
    if (scan)
      t.scan([&r](const dbase::ScanRecord&) { return ++r.records > 0; });
    else
      for (t.first(); !t.eof(); t.next()) ++r.records;
    table.close();
    r.seconds = seconds(t0);
    if (r.seconds < best.seconds) best = r;
  }
  return best;
}

void line(const char* what, const Run& r) {
  std::printf("  %-44s %8.3f s %12.0f rec/s %8zu groups %9lld records %16.2f\n", what, r.seconds,
              r.records / r.seconds, r.groups, static_cast<long long>(r.records), r.total);
}

void same(const Run& a, const Run& b, const char* what) {
  check(a.groups == b.groups && a.records == b.records && std::fabs(a.total - b.total) < 0.5, what);
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
      dbase::Table::copyTable(native(joinPath(s.programDir, "data.dbf")),
                              native(joinPath(dir.path(), "data.dbf")), true);
      auto t0 = Clock::now();
      int live = 0;
      {
        dbase::Table t;
        t.open(native(joinPath(dir.path(), "data.dbf")), dbase::OpenMode::Exclusive);
        live = n - bench::fillBooks(t, n);
        // Marks for the filter state: every third record passes.
        t.setActiveTag("");
        int i = 0;
        for (t.first(); !t.eof(); t.next())
          if (i++ % 3 == 0) {
            t.edit();
            t.setString(bench::kMarkField, "2");
            t.post();
          }
      }
      std::fprintf(stderr, "filled %d records, %d deleted, in %.1f s\n", n, n - live, seconds(t0));
      Sqlite sql(native(joinPath(dir.path(), "books.sqlite")));
      sql.setSynchronous("OFF");
      bench::fillSqliteBooks(sql, n);
      sql.exec(
          "UPDATE books SET mark = CASE WHEN (rowid_order - 1) % 3 = 0 THEN '2' ELSE '0' END"
          " FROM (SELECT id AS rid, row_number() OVER (ORDER BY id) AS rowid_order FROM books)"
          " WHERE id = rid");
      ::sync();
      std::printf("%d records (%d live)\n", n, live);

      line("walk only, shared", walk(dir.path(), false));
      line("walk only, exclusive", walk(dir.path(), true));
      line("bulk pass only, shared (as the summary reads)", walk(dir.path(), false, true));
      const Run author = ours(dir.path(), bench::kAuthorField, 0);
      line("ours: by author", author);
      const Run sqlAuthor = sqlite(sql,
                                   "SELECT author, count(*), sum(value) FROM books GROUP BY author"
                                   " COLLATE NOCASE ORDER BY author COLLATE NOCASE");
      line("SQLite: GROUP BY author COLLATE NOCASE", sqlAuthor);
      same(author, sqlAuthor, "SQLite's author groups differ");
      std::printf("  %-44s %8.2f\n", "ratio (ours / SQLite)", author.seconds / sqlAuthor.seconds);

      const Run month = ours(dir.path(), bench::kPubDateField, 0);
      line("ours: by month of the published date", month);
      const Run sqlMonth = sqlite(sql,
                                  "SELECT substr(pubdate, 3, 2) || '/' || substr(pubdate, 5, 2),"
                                  " count(*), sum(value) FROM books GROUP BY 1 ORDER BY 1");
      line("SQLite: GROUP BY the month", sqlMonth);
      same(month, sqlMonth, "SQLite's month groups differ");

      const Run filtered = ours(dir.path(), bench::kAuthorField, 2);
      line("ours: by author, reversed filter", filtered);
      const Run sqlFiltered =
          sqlite(sql,
                 "SELECT author, count(*), sum(value) FROM books WHERE mark <= '1'"
                 " GROUP BY author COLLATE NOCASE ORDER BY author COLLATE NOCASE");
      line("SQLite: ... WHERE mark <= '1' GROUP BY author", sqlFiltered);
      same(filtered, sqlFiltered, "SQLite's filtered groups differ");
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "summary_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
