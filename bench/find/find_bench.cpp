// find_bench: the two marking passes, the non-stop search ("Non-Stop Search
// Mode") and the filter, over book-like records against SQLite doing the
// same marking with one UPDATE.
//
//   find_bench [SIZE...]   (default 100000 1000000)
//
// For each size: a record table from the shipped template filled with
// book-like records, about 1 in 100 of them deleted, opened shared as the
// program opens it, and the same live rows in an SQLite file beside it.
// Figures:
//   - the record test itself: a walk over the table with and without testing
//     every record (all fields), the difference is the test;
//   - the whole marking pass (walk, test, write the marks that change), from
//     fresh marks, with the marks already right, and with most marks changing;
//   - SQLite doing the same marking from the same starting marks with
//     UPDATE books SET mark = CASE WHEN instr(upper(title), ?) > 0 THEN '2'
//     ELSE '0' END, as is and with "WHERE mark IS NOT" that new mark (which
//     writes only the rows whose mark changes, as our pass does).
//   - the filter's pass with three conditions (category = "History", value
//     Between 20 and 80, published after 1 January 1990) the same three
//     ways, against UPDATE ... CASE WHEN upper(category) = 'HISTORY' AND
//     value > 20 AND value < 80 AND pubdate > '19900101' ....
// Durability is the same: our pass leaves its writes in the page cache (kill
// -9 loses nothing), SQLite runs with synchronous=OFF (its journal kept).

#include <sqlite3.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "books.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "query/filter/filterlist.h"
#include "query/find/findmatch.h"
#include "query/find/findsearch.h"
#include "sqlitebooks.h"
#include "store/dbtable.h"

namespace {

using Clock = std::chrono::steady_clock;

using bench::Sqlite;
constexpr int kTitle = bench::kTitleField, kAuthor = bench::kAuthorField;
const char* const kNeedle = "xenon";

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

int fillTable(const QString& dbf, int n) {
  dbase::Table t;
  t.open(native(dbf), dbase::OpenMode::Exclusive);
  const int live = n - bench::fillBooks(t, n);
  t.close();
  return live;
}

// The marking as one UPDATE; `changedOnly` writes only the rows whose mark changes.
double sqliteUpdate(Sqlite& s, const char* needle, bool changedOnly, int64_t* found) {
  const std::string mark = "CASE WHEN instr(upper(title), ?1) > 0 THEN '2' ELSE '0' END";
  sqlite3_stmt* st = s.prepare("UPDATE books SET mark = " + mark +
                               (changedOnly ? " WHERE mark IS NOT " + mark : std::string()));
  std::string upper(needle);
  for (char& c : upper) c = static_cast<char>(foldByte(static_cast<unsigned char>(c)));
  sqlite3_bind_text(st, 1, upper.c_str(), -1, SQLITE_TRANSIENT);
  const auto t0 = Clock::now();
  check(sqlite3_step(st) == SQLITE_DONE, "sqlite update");
  const double secs = seconds(t0);
  sqlite3_finalize(st);
  *found = s.scalar("SELECT count(*) FROM books WHERE mark = '2'");
  return secs;
}

// A walk over every record in file order, testing each when `matcher` is given.
double walkTable(dbase::Table& t, RecordMatcher* matcher, int* hits) {
  const auto t0 = Clock::now();
  int n = 0;
  for (t.first(); !t.eof(); t.next())
    if (matcher && matcher->firstMatch(t, 2, 2, true) >= 0) ++n;
  *hits = n;
  return seconds(t0);
}

struct Pass {
  double seconds = 0;
  int found = 0;
};

Pass markAll(DbTable& table, const char* needle, int field) {
  FindSearch search(table);
  search.text = QString::fromLatin1(needle);
  search.field = field;
  const auto t0 = Clock::now();
  const MarkResult r = search.markAll(QStringLiteral("Searching"));
  check(r.error.empty() && !r.stopped, "marking pass");
  return {seconds(t0), r.found};
}

const char* const kFilterMark =
    "CASE WHEN upper(category) = 'HISTORY' AND value > 20 AND value < 80 AND pubdate > '19900101'"
    " THEN '2' ELSE '0' END";

double sqliteFilter(Sqlite& s, bool changedOnly, int64_t* found) {
  const std::string mark = kFilterMark;
  const auto t0 = Clock::now();
  s.exec("UPDATE books SET mark = " + mark +
         (changedOnly ? " WHERE mark IS NOT " + mark : std::string()));
  const double secs = seconds(t0);
  *found = s.scalar("SELECT count(*) FROM books WHERE mark = '2'");
  return secs;
}

Pass applyFilter(DbTable& table) {
  FilterList f;
  f.attach(&table);
  f.addCondition(bench::kCategoryField);
  f.setCondition(0, "history", "", fkText, foEqual);
  f.addCondition(bench::kValueField);
  f.setCondition(1, "20", "80", fkFloat, foBetween);
  f.addCondition(bench::kPubDateField);
  f.setCondition(2, "01/01/1990", "", fkDate, foGreater);
  const auto t0 = Clock::now();
  const MarkResult r = f.apply();
  check(r.error.empty() && !r.stopped, "filter pass");
  return {seconds(t0), r.found};
}

void line(const char* what, int n, double seconds, int found) {
  std::printf("  %-46s %9.3f s %12.0f rec/s %9d found\n", what, seconds, n / seconds, found);
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
      const int live = fillTable(joinPath(dir.path(), "data.dbf"), n);
      std::fprintf(stderr, "filled %d records, %d deleted, in %.1f s\n", n, n - live, seconds(t0));
      Sqlite sql(native(joinPath(dir.path(), "books.sqlite")));
      sql.setSynchronous("OFF");
      bench::fillSqliteBooks(sql, n);
      // Both files on disk before timing: a pass that dirties pages still
      // being written back from the fill waits for that write-back.
      ::sync();

      DbTable table;
      table.databaseName = dir.path();
      table.tableName = "data.dbf";
      table.open();
      dbase::Table& t = table.engine();
      std::printf("%d records (%d live), search text \"%s\"\n", n, live, kNeedle);

      // The record test: walk with and without it, best of three, in exclusive
      // use as the pass runs (records read from memory, no file checks).
      table.close();
      table.exclusive = true;
      table.open();
      RecordMatcher all(t, FindQuery::make(kNeedle, 0, false));
      double walk = 1e9, tested = 1e9;
      int hits = 0;
      for (int round = 0; round < 3; ++round) {
        walk = std::min(walk, walkTable(t, nullptr, &hits));
        tested = std::min(tested, walkTable(t, &all, &hits));
      }
      line("walk only (first/next)", n, walk, 0);
      line("walk + test of all fields", n, tested, hits);
      std::printf("  %-46s %9.3f s %12.0f rec/s\n", "the test itself (difference)", tested - walk,
                  n / std::max(tested - walk, 1e-9));
      table.close();
      table.exclusive = false;
      table.open();

      // The pass takes exclusive use for its duration and gives it back.
      t0 = Clock::now();
      table.close();
      table.exclusive = true;
      table.open();
      t.first();
      table.close();
      table.exclusive = false;
      table.open();
      std::printf("  %-46s %9.3f s\n", "of that: exclusive open and back", seconds(t0));

      Pass p = markAll(table, kNeedle, kTitle);
      line("marking pass, title, fresh marks", live, p.seconds, p.found);
      p = markAll(table, kNeedle, kTitle);
      line("marking pass, title, marks unchanged", live, p.seconds, p.found);
      p = markAll(table, kNeedle, -1);
      line("marking pass, all fields, marks unchanged", live, p.seconds, p.found);
      // Every author has a comma: all records get "2", then most go back to "0".
      markAll(table, ",", kAuthor);
      p = markAll(table, kNeedle, kTitle);
      line("marking pass, title, most marks change", live, p.seconds, p.found);

      // SQLite from the same starting marks, each way of writing the UPDATE.
      int64_t found = 0;
      for (bool changedOnly : {false, true}) {
        const char* how = changedOnly ? "SQLite UPDATE ... WHERE changed," : "SQLite UPDATE,";
        sql.exec("UPDATE books SET mark = '0'");
        double secs = sqliteUpdate(sql, kNeedle, changedOnly, &found);
        line((std::string(how) + " fresh marks").c_str(), live, secs, static_cast<int>(found));
        secs = sqliteUpdate(sql, kNeedle, changedOnly, &found);
        line((std::string(how) + " unchanged").c_str(), live, secs, static_cast<int>(found));
        sql.exec("UPDATE books SET mark = '2'");
        secs = sqliteUpdate(sql, kNeedle, changedOnly, &found);
        line((std::string(how) + " most change").c_str(), live, secs, static_cast<int>(found));
      }

      // The filter's pass: from the search's marks, again, and from all "2".
      p = applyFilter(table);
      line("filter pass, fresh marks", live, p.seconds, p.found);
      p = applyFilter(table);
      line("filter pass, marks unchanged", live, p.seconds, p.found);
      markAll(table, ",", kAuthor);
      p = applyFilter(table);
      line("filter pass, most marks change", live, p.seconds, p.found);
      const int filtered = p.found;
      for (bool changedOnly : {false, true}) {
        const char* how = changedOnly ? "SQLite filter WHERE changed," : "SQLite filter UPDATE,";
        sql.exec("UPDATE books SET mark = '0'");
        sqliteUpdate(sql, kNeedle, false, &found);
        double secs = sqliteFilter(sql, changedOnly, &found);
        check(found == filtered, "SQLite's filter marks other records");
        line((std::string(how) + " fresh marks").c_str(), live, secs, static_cast<int>(found));
        secs = sqliteFilter(sql, changedOnly, &found);
        line((std::string(how) + " unchanged").c_str(), live, secs, static_cast<int>(found));
        sql.exec("UPDATE books SET mark = '2'");
        secs = sqliteFilter(sql, changedOnly, &found);
        line((std::string(how) + " most change").c_str(), live, secs, static_cast<int>(found));
      }
      table.close();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "find_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
