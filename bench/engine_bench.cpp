// Our engine against SQLite on the same book-like records: bulk append,
// building a tag on UPPER(title), ordered walk, positioning, range count, key
// search, pack. Prints one table per size.
//   engine_bench [--dir DIR] [SIZE...]      (default sizes 100000 1000000)

#include <sqlite3.h>

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

namespace {

namespace fs = std::filesystem;

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

struct Row {
  std::string operation;
  double ours = -1;
  double sqlite = -1;
};

class Sqlite {
 public:
  explicit Sqlite(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite open");
  }
  ~Sqlite() { sqlite3_close(db_); }
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;

  void exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      const std::string msg = err ? err : "?";
      sqlite3_free(err);
      throw std::runtime_error("sqlite: " + msg + " in " + sql);
    }
  }
  sqlite3_stmt* prepare(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db_));
    }
    return st;
  }
  int64_t scalar(const std::string& sql) {
    sqlite3_stmt* st = prepare(sql);
    int64_t v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return v;
  }

 private:
  sqlite3* db_ = nullptr;
};

const std::vector<dbase::FieldDef> kFields = {
    {"TITLE", dbase::FieldType::Character, 80, 0}, {"AUTHOR", dbase::FieldType::Character, 30, 0},
    {"PUBLISHED", dbase::FieldType::Date, 8, 0},   {"PRICE", dbase::FieldType::Numeric, 8, 2},
    {"PAGES", dbase::FieldType::Numeric, 5, 0},    {"NOTES", dbase::FieldType::Memo, 10, 0},
};

constexpr int kPositions = 200;
constexpr int kSearches = 1000;
constexpr int kFirstRecords = 24;

// One size's files and the search keys picked while appending.
struct Bench {
  uint32_t n = 0;
  std::string dbf;
  std::string db;
  std::vector<std::string> keys;  // upper-case titles of records picked at random
};

double appendOurs(Bench& b, const std::vector<uint32_t>& picked) {
  bench::BookMaker maker;
  dbase::Table::create(b.dbf, kFields);
  dbase::Table t;
  t.open(b.dbf, dbase::OpenMode::Exclusive);
  size_t next = 0;
  const double ms = millis([&] {
    for (uint32_t i = 0; i < b.n; ++i) {
      const auto book = maker.next();
      for (; next < picked.size() && picked[next] == i; ++next) b.keys.push_back(upper(book.title));
      t.append();
      t.setString(0, book.title);
      t.setString(1, book.author);
      t.setDate(2, dbase::Date{book.year, book.month, book.day});
      t.setNumber(3, book.price);
      t.setNumber(4, book.pages);
      if (!book.notes.empty()) t.writeBlob(5, book.notes);
      t.post();
    }
  });
  require(t.physicalCount() == b.n, "appended count");
  return ms;
}

double appendSqlite(const Bench& b) {
  bench::BookMaker maker;
  Sqlite s(b.db);
  s.exec(
      "CREATE TABLE books(id INTEGER PRIMARY KEY, title TEXT, author TEXT, published TEXT,"
      " price REAL, pages INTEGER, notes TEXT)");
  return millis([&] {
    s.exec("BEGIN");
    sqlite3_stmt* st = s.prepare("INSERT INTO books VALUES(?,?,?,?,?,?,?)");
    char date[16];
    for (uint32_t i = 0; i < b.n; ++i) {
      const auto book = maker.next();
      std::snprintf(date, sizeof date, "%04d-%02d-%02d", book.year, book.month, book.day);
      sqlite3_bind_int64(st, 1, i + 1);
      sqlite3_bind_text(st, 2, book.title.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 3, book.author.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 4, date, -1, SQLITE_TRANSIENT);
      sqlite3_bind_double(st, 5, book.price);
      sqlite3_bind_int(st, 6, book.pages);
      if (book.notes.empty()) {
        sqlite3_bind_null(st, 7);
      } else {
        sqlite3_bind_text(st, 7, book.notes.c_str(), -1, SQLITE_TRANSIENT);
      }
      if (sqlite3_step(st) != SQLITE_DONE) throw std::runtime_error("sqlite insert");
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    s.exec("COMMIT");
  });
}

Row buildTag(dbase::Table& t, Sqlite& s) {
  Row tag{"build tag UPPER(TITLE)"};
  tag.ours = millis([&] {
    dbase::TagDef def;
    def.name = "TITLE";
    def.expression = "UPPER(TITLE)";
    t.addTag(def);
  });
  tag.sqlite = millis([&] { s.exec("CREATE INDEX books_title ON books(upper(title))"); });
  return tag;
}

Row walkTag(const Bench& b, dbase::Table& t, Sqlite& s) {
  Row walk{"walk tag in order"};
  uint64_t oursBytes = 0, liteBytes = 0;
  walk.ours = millis([&] {
    t.setActiveTag("TITLE");
    uint32_t seen = 0;
    for (t.first(); !t.eof(); t.next(), ++seen) oursBytes += t.asString(0).size();
    require(seen == b.n, "walk count");
  });
  walk.sqlite = millis([&] {
    sqlite3_stmt* st = s.prepare("SELECT title FROM books ORDER BY upper(title)");
    while (sqlite3_step(st) == SQLITE_ROW)
      liteBytes += static_cast<uint64_t>(sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
  });
  require(oursBytes == liteBytes, "walked titles");
  return walk;
}

Row positions(const Bench& b, dbase::Table& t, Sqlite& s) {
  const uint32_t n = b.n;
  Row position{"goToPosition middle (x" + std::to_string(kPositions) + ")"};
  std::vector<std::string> oursAt, liteAt;
  position.ours = millis([&] {
    for (int i = 0; i < kPositions; ++i) {
      t.goToPosition(n / 2 + static_cast<uint32_t>(i) % std::max<uint32_t>(1, n / 2));
      oursAt.push_back(t.asString(0));
    }
  });
  position.sqlite = millis([&] {
    sqlite3_stmt* st = s.prepare("SELECT title FROM books ORDER BY upper(title) LIMIT 1 OFFSET ?");
    for (int i = 0; i < kPositions; ++i) {
      sqlite3_bind_int64(st, 1, n / 2 + static_cast<uint32_t>(i) % std::max<uint32_t>(1, n / 2));
      if (sqlite3_step(st) == SQLITE_ROW) {
        liteAt.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
      }
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
  });
  // Titles equal in upper case may sit in either order; compare them so.
  for (size_t i = 0; i < oursAt.size() && i < liteAt.size(); ++i) {
    require(upper(oursAt[i]) == upper(liteAt[i]), "title at position");
  }
  return position;
}

Row rangeCount(dbase::Table& t, Sqlite& s) {
  Row range{"range count, titles on M"};
  uint32_t oursCount = 0;
  range.ours = millis([&] {
    t.setRangeStart(std::string("M"));
    t.setRangeEnd(std::string("M"));
    t.applyRange();
    oursCount = t.recordCount();
    t.cancelRange();
  });
  int64_t liteCount = 0;
  range.sqlite = millis([&] {
    liteCount =
        s.scalar("SELECT count(*) FROM books WHERE upper(title) >= 'M' AND upper(title) < 'N'");
  });
  require(oursCount == liteCount,
          "range count " + std::to_string(oursCount) + " vs " + std::to_string(liteCount));
  return range;
}

Row keySearch(const Bench& b, dbase::Table& t, Sqlite& s) {
  Row search{"key search (x" + std::to_string(kSearches) + ")"};
  search.ours = millis([&] {
    for (const auto& k : b.keys) require(t.findKey(k), "findKey");
  });
  search.sqlite = millis([&] {
    sqlite3_stmt* st = s.prepare("SELECT id FROM books WHERE upper(title) = ? LIMIT 1");
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
  Row open{"open, first " + std::to_string(kFirstRecords) + " in tag order"};
  open.ours = millis([&] {
    dbase::Table fresh;
    fresh.open(b.dbf);
    fresh.setActiveTag("TITLE");
    int seen = 0;
    for (fresh.first(); !fresh.eof() && seen < kFirstRecords; fresh.next(), ++seen) {
      for (int f = 0; f < static_cast<int>(kFields.size()); ++f) (void)fresh.asString(f);
    }
    require(seen == std::min<int>(kFirstRecords, static_cast<int>(b.n)), "first records");
  });
  open.sqlite = millis([&] {
    Sqlite fresh(b.db);
    sqlite3_stmt* st = fresh.prepare("SELECT * FROM books ORDER BY upper(title) LIMIT 24");
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < 7; ++c) (void)sqlite3_column_text(st, c);
    }
    sqlite3_finalize(st);
  });
  return open;
}

Row deleteTenth(const Bench& b, dbase::Table& t, Sqlite& s) {
  Row del{"delete 1 in 10"};
  del.ours = millis([&] {
    for (uint32_t r = 10; r <= b.n; r += 10) {
      t.goToRecord(r);
      t.deleteRecord();
    }
  });
  del.sqlite = millis([&] { s.exec("DELETE FROM books WHERE id % 10 = 0"); });
  return del;
}

Row packBoth(const Bench& b, dbase::Table& t, Sqlite& s) {
  Row pack{"pack (VACUUM)"};
  pack.ours = millis([&] { t.pack(); });
  pack.sqlite = millis([&] { s.exec("VACUUM"); });
  require(t.physicalCount() == b.n - b.n / 10, "packed count");
  if (b.n >= 3) {
    t.goToRecord(3);  // the first record with a memo survives the pack
    require(t.readBlob(5).find("copy 3.") != std::string::npos, "memo after pack");
  }
  return pack;
}

std::vector<Row> runSize(uint32_t n, const fs::path& dir) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  Bench b;
  b.n = n;
  b.dbf = (dir / "BOOKS.DBF").string();
  b.db = (dir / "books.sqlite").string();
  std::vector<Row> rows;

  // Search keys: titles of records picked at random.
  std::mt19937 rng(99);
  std::vector<uint32_t> picks(kSearches);
  for (auto& p : picks) p = rng() % n;
  std::sort(picks.begin(), picks.end());

  Row append{"bulk append"};
  append.ours = appendOurs(b, picks);
  append.sqlite = appendSqlite(b);
  rows.push_back(append);

  dbase::Table t;
  t.open(b.dbf, dbase::OpenMode::Exclusive);
  Sqlite s(b.db);
  rows.push_back(buildTag(t, s));
  rows.push_back(walkTag(b, t, s));
  rows.push_back(positions(b, t, s));
  rows.push_back(rangeCount(t, s));
  rows.push_back(keySearch(b, t, s));
  t.close();
  rows.push_back(openFirst(b));
  t.open(b.dbf, dbase::OpenMode::Exclusive);
  rows.push_back(deleteTenth(b, t, s));
  rows.push_back(packBoth(b, t, s));
  return rows;
}

void print(uint32_t n, const std::vector<Row>& rows) {
  std::printf("\n%u records\n", n);
  std::printf("%-34s %12s %12s %8s\n", "operation", "ours ms", "SQLite ms", "ratio");
  for (const auto& r : rows) {
    std::printf("%-34s %12.1f %12.1f %8.2f\n", r.operation.c_str(), r.ours, r.sqlite,
                r.sqlite > 0 ? r.ours / r.sqlite : 0.0);
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
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
