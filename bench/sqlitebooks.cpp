#include "sqlitebooks.h"

#include <cstdio>
#include <stdexcept>

namespace bench {

Sqlite::Sqlite(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite open");
}

Sqlite::~Sqlite() { sqlite3_close(db_); }

void Sqlite::exec(const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    const std::string msg = err ? err : "?";
    sqlite3_free(err);
    throw std::runtime_error("sqlite: " + msg + " in " + sql);
  }
}

sqlite3_stmt* Sqlite::prepare(const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
    throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db_) + " in " + sql);
  return st;
}

int64_t Sqlite::scalar(const std::string& sql) {
  sqlite3_stmt* st = prepare(sql);
  const int64_t v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
  sqlite3_finalize(st);
  return v;
}

void Sqlite::setSynchronous(const char* mode) { exec(std::string("PRAGMA synchronous=") + mode); }

void createBooks(Sqlite& s) {
  s.exec(
      "CREATE TABLE books(id INTEGER PRIMARY KEY, recno INTEGER, mark TEXT, title TEXT,"
      " author TEXT, coauthors TEXT, category TEXT, format TEXT, rating TEXT, publisher TEXT,"
      " pubdate TEXT, value REAL, isbn TEXT, pages TEXT, keywords TEXT, type TEXT, status TEXT,"
      " custom1 TEXT, custom2 TEXT, custom3 TEXT, custom4 TEXT, custom5 REAL, custom6 REAL,"
      " notes TEXT, picture BLOB)");
}

BookInserter::BookInserter(Sqlite& s)
    : st_(s.prepare("INSERT INTO books(id, recno, mark, title, author, category, format, publisher,"
                    " pubdate, value, isbn, pages, notes) VALUES(?,?,'0',?,?,?,?,?,?,?,?,?,?)")) {}

BookInserter::~BookInserter() { sqlite3_finalize(st_); }

void BookInserter::add(uint32_t number, const Book& b) {
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", b.year, b.month, b.day);
  const std::string pages = std::to_string(b.pages);
  sqlite3_bind_int64(st_, 1, number);
  sqlite3_bind_int64(st_, 2, number);
  sqlite3_bind_text(st_, 3, b.title.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st_, 4, b.author.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st_, 5, b.category.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st_, 6, b.format.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st_, 7, b.publisher.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st_, 8, date, -1, SQLITE_TRANSIENT);
  sqlite3_bind_double(st_, 9, b.price);
  sqlite3_bind_text(st_, 10, b.isbn.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st_, 11, pages.c_str(), -1, SQLITE_TRANSIENT);
  if (b.notes.empty())
    sqlite3_bind_null(st_, 12);
  else
    sqlite3_bind_text(st_, 12, b.notes.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(st_) != SQLITE_DONE) throw std::runtime_error("sqlite insert");
  sqlite3_reset(st_);
}

void fillSqliteBooks(Sqlite& s, int n) {
  createBooks(s);
  s.exec("BEGIN");
  {
    BookInserter insert(s);
    BookMaker maker;
    for (int i = 1; i <= n; ++i) {
      const Book b = maker.next();
      if (!deletedInBench(static_cast<uint32_t>(i))) insert.add(static_cast<uint32_t>(i), b);
    }
  }
  s.exec("COMMIT");
}

}  // namespace bench
