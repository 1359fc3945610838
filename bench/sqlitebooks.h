#pragma once

// The same books in SQLite: one table with a column for each of the record
// table's 24 fields (empty fields NULL), rowid = record number.

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "books.h"

namespace bench {

class Sqlite {
 public:
  explicit Sqlite(const std::string& path);
  ~Sqlite();
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;

  void exec(const std::string& sql);
  sqlite3_stmt* prepare(const std::string& sql);
  int64_t scalar(const std::string& sql);
  // What a process crash or kill -9 cannot undo, as our engine keeps it:
  // "OFF" for record changes (the page cache holds them, nothing forced to
  // disk), "FULL" where we sync too (a new tag, a pack).
  void setSynchronous(const char* mode);

 private:
  sqlite3* db_ = nullptr;
};

// CREATE TABLE books(...) in the record table's layout.
void createBooks(Sqlite& s);

// Inserts books one statement each (inside the caller's transaction).
class BookInserter {
 public:
  explicit BookInserter(Sqlite& s);
  ~BookInserter();
  BookInserter(const BookInserter&) = delete;
  BookInserter& operator=(const BookInserter&) = delete;
  void add(uint32_t number, const Book& b);

 private:
  sqlite3_stmt* st_ = nullptr;
};

// CREATE TABLE books and the same live books that fillBooks() leaves in the
// record table (the deleted ones left out), in one transaction.
void fillSqliteBooks(Sqlite& s, int n);

// The key expressions of our tags in SQLite's words.
inline constexpr const char* kSqlRecnoKey = "recno";
inline constexpr const char* kSqlTitleKey = "upper(substr(title, 1, 99))";

}  // namespace bench
