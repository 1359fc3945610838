// find_bench: the non-stop search ("Non-Stop Search Mode") over book-like
// records against SQLite doing the same marking with one UPDATE.
//
//   find_bench [SIZE...]   (default 100000 1000000)
//
// For each size: a record table from the shipped template filled with
// book-like records, opened shared as the program opens it, and the same rows
// in an SQLite file beside it. Figures:
//   - the record test itself: a walk over the table with and without testing
//     every record (all fields), the difference is the test;
//   - the whole marking pass (walk, test, write the marks that change), in
//     title-only and all-fields mode, from fresh marks and with most marks
//     changing;
//   - SQLite: UPDATE books SET mark = CASE WHEN instr(upper(title), ?) > 0
//     THEN '2' ELSE '0' END over the same rows.

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
#include "query/find/findmatch.h"
#include "query/find/findsearch.h"
#include "store/dbtable.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTitle = 2, kAuthor = 3, kPubDate = 9, kValue = 10, kPages = 12, kNotes = 22;
const char* const kNeedle = "xenon";

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

class Sqlite {
 public:
  explicit Sqlite(const std::string& path) {
    check(sqlite3_open(path.c_str(), &db_) == SQLITE_OK, "sqlite open");
  }
  ~Sqlite() { sqlite3_close(db_); }
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;

  void exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
      const std::string msg = err ? err : "?";
      sqlite3_free(err);
      throw std::runtime_error("sqlite: " + msg);
    }
  }
  sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) == SQLITE_OK, sqlite3_errmsg(db_));
    return st;
  }
  int64_t scalar(const char* sql) {
    sqlite3_stmt* st = prepare(sql);
    const int64_t v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return v;
  }

 private:
  sqlite3* db_ = nullptr;
};

void fillTable(const QString& dbf, int n) {
  dbase::Table t;
  t.open(native(dbf), dbase::OpenMode::Exclusive);
  bench::BookMaker maker;
  for (int i = 1; i <= n; ++i) {
    const bench::Book b = maker.next();
    t.append();
    t.setNumber(0, i);
    t.setString(1, "0");
    t.setString(kTitle, b.title);
    t.setString(kAuthor, b.author);
    t.setDate(kPubDate, dbase::Date{b.year, b.month, b.day});
    t.setNumber(kValue, b.price);
    t.setString(kPages, std::to_string(b.pages));
    if (!b.notes.empty()) t.writeBlob(kNotes, b.notes);
    t.post();
  }
  t.close();
}

void fillSqlite(Sqlite& s, int n) {
  s.exec(
      "CREATE TABLE books(id INTEGER PRIMARY KEY, mark TEXT, title TEXT, author TEXT,"
      " published TEXT, price REAL, pages INTEGER, notes TEXT)");
  s.exec("BEGIN");
  sqlite3_stmt* st = s.prepare("INSERT INTO books VALUES(?,'0',?,?,?,?,?,?)");
  bench::BookMaker maker;
  for (int i = 1; i <= n; ++i) {
    const bench::Book b = maker.next();
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", b.year, b.month, b.day);
    sqlite3_bind_int64(st, 1, i);
    sqlite3_bind_text(st, 2, b.title.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, b.author.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 4, date, -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 5, b.price);
    sqlite3_bind_int(st, 6, b.pages);
    if (b.notes.empty())
      sqlite3_bind_null(st, 7);
    else
      sqlite3_bind_text(st, 7, b.notes.c_str(), -1, SQLITE_TRANSIENT);
    check(sqlite3_step(st) == SQLITE_DONE, "sqlite insert");
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  s.exec("COMMIT");
}

double sqliteUpdate(Sqlite& s, const char* needle, int64_t* found) {
  sqlite3_stmt* st = s.prepare(
      "UPDATE books SET mark = CASE WHEN instr(upper(title), ?) > 0 THEN '2' ELSE '0' END");
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

void line(const char* what, int n, double seconds, int found) {
  std::printf("  %-46s %9.3f s %12.0f rec/s %9d found\n", what, seconds, n / seconds, found);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000};
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
      fillTable(joinPath(dir.path(), "data.dbf"), n);
      std::fprintf(stderr, "filled %d records in %.1f s\n", n, seconds(t0));
      Sqlite sql(native(joinPath(dir.path(), "books.sqlite")));
      fillSqlite(sql, n);
      // Both files on disk before timing: a pass that dirties pages still
      // being written back from the fill waits for that write-back.
      ::sync();

      DbTable table;
      table.databaseName = dir.path();
      table.tableName = "data.dbf";
      table.open();
      dbase::Table& t = table.engine();
      std::printf("%d records, search text \"%s\"\n", n, kNeedle);

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
      line("marking pass, title, fresh marks", n, p.seconds, p.found);
      p = markAll(table, kNeedle, -1);
      line("marking pass, all fields, marks unchanged", n, p.seconds, p.found);
      // Every author has a comma: all records get "2", then most go back to "0".
      markAll(table, ",", kAuthor);
      p = markAll(table, kNeedle, kTitle);
      line("marking pass, title, most marks change", n, p.seconds, p.found);

      int64_t found = 0;
      double best = 1e9;
      for (int round = 0; round < 2; ++round)
        best = std::min(best, sqliteUpdate(sql, kNeedle, &found));
      line("SQLite UPDATE ... instr(upper(title), ?)", n, best, static_cast<int>(found));
      table.close();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "find_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
