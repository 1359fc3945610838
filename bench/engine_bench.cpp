// Our engine against SQLite on the same books, in the program's record table
// (the shipped template: 24 fields, 622-byte records, its two tags), with
// about 1 in 100 records deleted as a table is between two packs. Prints one
// table per size.
//   engine_bench [--dir DIR] [SIZE...]      (default sizes 100000 1000000)
//
// Durability is the same on both sides: record changes are left in the page
// cache (a killed process loses nothing; SQLite with synchronous=OFF keeps its
// journal), a new tag/index and the pack are synced to disk (synchronous=FULL).

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "books.h"
#include "dbase/table.h"
#include "sqlitebooks.h"

namespace {

namespace fs = std::filesystem;
using bench::Sqlite;

double millis(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void require(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error("benchmark self-check failed: " + what);
}

std::string upper(std::string s) {
  for (auto& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

struct Row {
  std::string operation;
  double ours = -1;
  double sqlite = -1;
};

constexpr int kPositions = 200;
constexpr int kSearches = 1000;
constexpr int kFirstRecords = 24;
const char* const kTitleTag = "IDX1";

// One size's files and what the checks need.
struct Bench {
  uint32_t n = 0;
  uint32_t live = 0;
  std::string dbf;
  std::string db;                 // SQLite, filled then indexed
  std::string dbWith;             // SQLite, indexes made before the inserts
  std::vector<std::string> keys;  // upper-case titles of live records picked at random
  std::string filter;             // the FOR clause the template gives its tags
};

// ---- the parts a fresh process measures (engine_bench --child ...) ----

// The letter tabs of the table of contents: 26 ranges on the title tag, as
// the program sets them, each counted.
uint64_t countLetters(dbase::Table& t) {
  uint64_t sum = 0;
  for (char c = 'Z'; c >= 'A'; --c) {
    const std::string one(1, c);
    t.setRangeStart(c == 'A' ? std::string(1, '\x01') : one);
    t.setRangeEnd(c == 'Z' ? std::string(1, '\xFF') : one + '\xFF');
    t.applyRange();
    sum += t.recordCount();
  }
  t.cancelRange();
  return sum;
}

// Prints "<ms> <check value>" for one measured step in this fresh process.
int child(const std::string& what, const std::string& dbf) {
  uint64_t check = 0;
  const double ms = millis([&] {
    dbase::Table t;
    t.open(dbf);
    t.setActiveTag(kTitleTag);
    if (what == "letters") {
      check = countLetters(t);
    } else if (what == "open") {
      for (t.first(); !t.eof() && check < kFirstRecords; t.next(), ++check)
        for (int f = 0; f < static_cast<int>(t.fields().size()); ++f) (void)t.asString(f);
    } else {
      throw std::runtime_error("unknown child step " + what);
    }
  });
  std::printf("%.3f %llu\n", ms, static_cast<unsigned long long>(check));
  return 0;
}

// Runs this program again for one step; returns its time, checks its value.
double inFreshProcess(const std::string& what, const Bench& b, uint64_t expected) {
  const std::string cmd = quoted(fs::read_symlink("/proc/self/exe").string()) + " --child " + what +
                          " " + quoted(b.dbf);
  FILE* p = ::popen(cmd.c_str(), "r");
  require(p != nullptr, "start " + cmd);
  double ms = -1;
  unsigned long long value = 0;
  const int got = std::fscanf(p, "%lf %llu", &ms, &value);
  const int status = ::pclose(p);
  require(got == 2 && status == 0, "child step " + what);
  require(value == expected, what + " in a fresh process gave " + std::to_string(value) +
                                 ", expected " + std::to_string(expected));
  return ms;
}

// ---- appending ----

double appendOurs(Bench& b, const std::vector<uint32_t>& picked) {
  bench::BookMaker maker;
  bench::copyTemplate(b.dbf);
  {
    dbase::Table t;
    t.open(b.dbf, dbase::OpenMode::Shared, true);
    b.filter = t.tags().at(1).filter;
  }
  size_t next = 0;
  dbase::Table t;
  const double ms = millis([&] {
    t.open(b.dbf, dbase::OpenMode::Exclusive);
    for (uint32_t i = 1; i <= b.n; ++i) {
      const auto book = maker.next();
      for (; next < picked.size() && picked[next] == i; ++next)
        if (!bench::deletedInBench(i)) b.keys.push_back(upper(book.title));
      t.append();
      bench::putBook(t, i, book);
      t.post();
    }
    t.close();  // the keys kept back go into the tags here
  });
  t.open(b.dbf, dbase::OpenMode::Shared, true);
  require(t.physicalCount() == b.n, "appended count");
  t.setActiveTag(kTitleTag);
  require(t.recordCount() == b.n, "title tag count after the append");
  return ms;
}

void createIndexes(Sqlite& s) {
  s.exec(std::string("CREATE INDEX books_recno ON books(") + bench::kSqlRecnoKey + ")");
  s.exec(std::string("CREATE INDEX books_title ON books(") + bench::kSqlTitleKey + ")");
}

double appendSqlite(const Bench& b, const std::string& path, bool indexFirst) {
  bench::BookMaker maker;
  fs::remove(path);
  Sqlite s(path);
  return millis([&] {
    s.setSynchronous("OFF");
    bench::createBooks(s);
    if (indexFirst) createIndexes(s);
    s.exec("BEGIN");
    {
      bench::BookInserter insert(s);
      for (uint32_t i = 1; i <= b.n; ++i) insert.add(i, maker.next());
    }
    s.exec("COMMIT");
    if (!indexFirst) createIndexes(s);
  });
}

// ---- deleting, one record at a time as a user does ----

Row deleteSome(const Bench& b) {
  Row del{"delete 1 in 100, one at a time"};
  del.ours = millis([&] {
    dbase::Table t;
    t.open(b.dbf);
    for (uint32_t r = 1; r <= b.n; ++r) {
      if (!bench::deletedInBench(r)) continue;
      t.goToRecord(r);
      t.deleteRecord();
    }
  });
  Sqlite s(b.db);
  s.setSynchronous("OFF");
  sqlite3_stmt* st = s.prepare("DELETE FROM books WHERE id = ?");
  del.sqlite = millis([&] {
    for (uint32_t r = 1; r <= b.n; ++r) {
      if (!bench::deletedInBench(r)) continue;
      sqlite3_bind_int64(st, 1, r);
      require(sqlite3_step(st) == SQLITE_DONE, "sqlite delete");
      sqlite3_reset(st);
    }
  });
  sqlite3_finalize(st);
  require(s.scalar("SELECT count(*) FROM books") == b.live, "sqlite count after deleting");
  return del;
}

// ---- a new sort: a tag on a key no tag has ----

Row newSort(const Bench& b, const char* label, const char* name, const char* expression,
            const std::string& sqlKey) {
  Row sort{label};
  sort.ours = millis([&] {
    dbase::Table t;
    t.open(b.dbf, dbase::OpenMode::Exclusive);
    t.addTag(dbase::TagDef{name, expression, false, false, b.filter});
    t.close();
  });
  Sqlite s(b.db);
  s.setSynchronous("FULL");
  sort.sqlite = millis(
      [&] { s.exec(std::string("CREATE INDEX books_") + name + " ON books(" + sqlKey + ")"); });
  dbase::Table t;
  t.open(b.dbf, dbase::OpenMode::Shared, true);
  t.setActiveTag(name);
  require(t.recordCount() == b.live, std::string("count in the new tag ") + name);
  return sort;
}

// ---- reading in shared use, as the program does ----

int64_t sqliteLetters(Sqlite& s) {
  int64_t sum = 0;
  sqlite3_stmt* st = s.prepare(std::string("SELECT count(*) FROM books WHERE ") +
                               bench::kSqlTitleKey + " >= ? AND " + bench::kSqlTitleKey + " < ?");
  for (char c = 'Z'; c >= 'A'; --c) {
    const std::string low(1, c), high(1, static_cast<char>(c + 1));
    sqlite3_bind_text(st, 1, low.c_str(), -1, SQLITE_TRANSIENT);
    if (c == 'Z')
      sqlite3_bind_blob(st, 2, "\xFF", 1, SQLITE_STATIC);  // above any text
    else
      sqlite3_bind_text(st, 2, high.c_str(), -1, SQLITE_TRANSIENT);
    require(sqlite3_step(st) == SQLITE_ROW, "sqlite count");
    sum += sqlite3_column_int64(st, 0);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  return sum;
}

std::vector<Row> letters(const Bench& b) {
  Row fresh{"26 letter counts, fresh process"};
  fresh.ours = inFreshProcess("letters", b, b.live);
  fresh.sqlite = millis([&] {
    Sqlite s(b.db);
    require(sqliteLetters(s) == b.live, "sqlite letter counts");
  });
  Row again{"26 letter counts, again"};
  dbase::Table t;
  t.open(b.dbf);
  t.setActiveTag(kTitleTag);
  countLetters(t);
  again.ours = millis([&] { require(countLetters(t) == b.live, "letter counts"); });
  Sqlite s(b.db);
  sqliteLetters(s);
  again.sqlite = millis([&] { sqliteLetters(s); });
  return {fresh, again};
}

Row walkTag(const Bench& b, Sqlite& s) {
  Row walk{"walk title tag in order"};
  uint64_t oursBytes = 0, liteBytes = 0;
  walk.ours = millis([&] {
    dbase::Table t;
    t.open(b.dbf);
    t.setActiveTag(kTitleTag);
    uint32_t seen = 0;
    for (t.first(); !t.eof(); t.next(), ++seen) oursBytes += t.asString(bench::kTitleField).size();
    require(seen == b.live, "walk count");
  });
  walk.sqlite = millis([&] {
    sqlite3_stmt* st =
        s.prepare(std::string("SELECT title FROM books ORDER BY ") + bench::kSqlTitleKey);
    while (sqlite3_step(st) == SQLITE_ROW)
      liteBytes += static_cast<uint64_t>(sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
  });
  require(oursBytes == liteBytes, "walked titles");
  return walk;
}

Row positions(const Bench& b, dbase::Table& t, Sqlite& s) {
  const uint32_t n = b.live;
  Row position{"goToPosition middle (x" + std::to_string(kPositions) + ")"};
  std::vector<std::string> oursAt, liteAt;
  auto at = [&](int i) { return n / 2 + static_cast<uint32_t>(i) * 37 % std::max(1u, n / 2); };
  position.ours = millis([&] {
    for (int i = 0; i < kPositions; ++i) {
      t.goToPosition(at(i));
      oursAt.push_back(t.asString(bench::kTitleField));
    }
  });
  position.sqlite = millis([&] {
    sqlite3_stmt* st = s.prepare(std::string("SELECT title FROM books ORDER BY ") +
                                 bench::kSqlTitleKey + " LIMIT 1 OFFSET ?");
    for (int i = 0; i < kPositions; ++i) {
      sqlite3_bind_int64(st, 1, at(i));
      if (sqlite3_step(st) == SQLITE_ROW)
        liteAt.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
  });
  // Titles equal in upper case may sit in either order; compare them so.
  require(oursAt.size() == liteAt.size(), "positions found");
  for (size_t i = 0; i < oursAt.size(); ++i)
    require(upper(oursAt[i]) == upper(liteAt[i]), "title at position");
  return position;
}

Row keySearch(const Bench& b, dbase::Table& t, Sqlite& s) {
  Row search{"key search (x" + std::to_string(b.keys.size()) + ")"};
  search.ours = millis([&] {
    for (const auto& k : b.keys) require(t.findKey(k), "findKey");
  });
  search.sqlite = millis([&] {
    sqlite3_stmt* st = s.prepare(std::string("SELECT id FROM books WHERE ") + bench::kSqlTitleKey +
                                 " = ? LIMIT 1");
    for (const auto& k : b.keys) {
      sqlite3_bind_text(st, 1, k.c_str(), -1, SQLITE_TRANSIENT);
      require(sqlite3_step(st) == SQLITE_ROW, "sqlite lookup");
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
  });
  return search;
}

// Opening a big table and showing its first screen is what the program does at start.
Row openFirst(const Bench& b) {
  Row open{"open, first " + std::to_string(kFirstRecords) + ", fresh process"};
  open.ours = inFreshProcess("open", b, std::min<uint64_t>(kFirstRecords, b.live));
  open.sqlite = millis([&] {
    Sqlite fresh(b.db);
    sqlite3_stmt* st = fresh.prepare(std::string("SELECT * FROM books ORDER BY ") +
                                     bench::kSqlTitleKey + " LIMIT 24");
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < 25; ++c) (void)sqlite3_column_text(st, c);
    }
    sqlite3_finalize(st);
  });
  return open;
}

Row packBoth(const Bench& b) {
  Row pack{"pack (VACUUM)"};
  dbase::Table t;
  t.open(b.dbf, dbase::OpenMode::Exclusive);
  pack.ours = millis([&] { t.pack(); });
  Sqlite s(b.db);
  s.setSynchronous("FULL");
  pack.sqlite = millis([&] { s.exec("VACUUM"); });
  require(t.physicalCount() == b.live, "packed count");
  // A memo that survived the pack still reads.
  uint32_t withNotes = 3;
  while (withNotes <= b.n && bench::deletedInBench(withNotes)) withNotes += 10;
  if (withNotes <= b.n) {
    uint32_t before = 0;
    for (uint32_t r = 1; r < withNotes; ++r) before += bench::deletedInBench(r) ? 0 : 1;
    t.goToRecord(before + 1);
    require(t.readBlob(bench::kNotesField).find("copy " + std::to_string(withNotes) + ".") !=
                std::string::npos,
            "memo after pack");
  }
  return pack;
}

std::vector<Row> runSize(uint32_t n, const fs::path& dir) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  Bench b;
  b.n = n;
  for (uint32_t r = 1; r <= n; ++r) b.live += bench::deletedInBench(r) ? 0 : 1;
  b.dbf = (dir / "data.dbf").string();
  b.db = (dir / "books.sqlite").string();
  b.dbWith = (dir / "books-indexed-first.sqlite").string();
  std::vector<Row> rows;

  // Search keys: titles of records picked at random.
  std::mt19937 rng(99);
  std::vector<uint32_t> picks(kSearches);
  for (auto& p : picks) p = 1 + rng() % n;
  std::sort(picks.begin(), picks.end());

  const double ours = appendOurs(b, picks);
  rows.push_back({"append, 2 tags / indexes made first", ours, appendSqlite(b, b.dbWith, true)});
  fs::remove(b.dbWith);
  rows.push_back({"append, 2 tags / indexes made after", ours, appendSqlite(b, b.db, false)});

  rows.push_back(deleteSome(b));
  rows.push_back(newSort(b, "new sort UPPER(AUTHOR)", "IDX2", "UPPER(AUTHOR)", "upper(author)"));
  rows.push_back(newSort(b, "new sort value desc + title", "IDX3",
                         "STR(999999999999999999-VALUE, 20, 4)+UPPER(SUBSTR(TITLE, 1, 79))",
                         "999999999999999999-value, upper(substr(title, 1, 79))"));
  for (const Row& r : letters(b)) rows.push_back(r);
  {
    Sqlite s(b.db);
    rows.push_back(walkTag(b, s));
    dbase::Table t;
    t.open(b.dbf);
    t.setActiveTag(kTitleTag);
    rows.push_back(positions(b, t, s));
    rows.push_back(keySearch(b, t, s));
  }
  rows.push_back(openFirst(b));
  rows.push_back(packBoth(b));
  return rows;
}

void print(uint32_t n, const std::vector<Row>& rows) {
  std::printf(
      "\n%u records, %u deleted\n", n, n - [n] {
        uint32_t live = 0;
        for (uint32_t r = 1; r <= n; ++r) live += bench::deletedInBench(r) ? 0 : 1;
        return live;
      }());
  std::printf("%-38s %12s %12s %8s\n", "operation", "ours ms", "SQLite ms", "ratio");
  for (const auto& r : rows) {
    std::printf("%-38s %12.1f %12.1f %8.2f\n", r.operation.c_str(), r.ours, r.sqlite,
                r.sqlite > 0 ? r.ours / r.sqlite : 0.0);
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && !std::strcmp(argv[1], "--child")) {
    try {
      return child(argv[2], argv[3]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "engine_bench: %s\n", e.what());
      return 1;
    }
  }
  std::vector<uint32_t> sizes;
  fs::path base = fs::temp_directory_path() / ("tomes_bench_" + std::to_string(getpid()));
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--dir") && i + 1 < argc) {
      base = argv[++i];
      keep = true;
    } else {
      const long v = std::strtol(argv[i], nullptr, 10);
      if (v <= 0) {
        std::fprintf(stderr, "usage: engine_bench [--dir DIR] [SIZE...]\n");
        return 2;
      }
      sizes.push_back(static_cast<uint32_t>(v));
    }
  }
  if (sizes.empty()) sizes = {100000, 1000000};
  int status = 0;
  try {
    for (uint32_t n : sizes) print(n, runSize(n, base / ("n" + std::to_string(n))));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "engine_bench: %s\n", e.what());
    status = 1;
  }
  if (!keep) fs::remove_all(base);
  return status;
}
