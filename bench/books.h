#pragma once

// Book-like records made up for the benchmarks, the same for every run, and
// the program's record table they go into.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace dbase {
class Table;
}

namespace bench {

struct Book {
  std::string title;  // 20-80 characters
  std::string author;
  std::string category;
  std::string format;
  std::string publisher;
  std::string isbn;
  int year = 0, month = 0, day = 0;
  double price = 0;
  int pages = 0;
  std::string notes;  // empty on nine in ten
};

class BookMaker {
 public:
  explicit BookMaker(uint32_t seed = 42) : rng_(seed) {}
  Book next();

 private:
  std::mt19937 rng_;
  uint64_t serial_ = 0;
};

// Field numbers of the record table as the template lays it out (24 fields,
// 622-byte records).
inline constexpr int kRecnoField = 0, kMarkField = 1, kTitleField = 2, kAuthorField = 3,
                     kCategoryField = 5, kFormatField = 6, kPublisherField = 8, kPubDateField = 9,
                     kValueField = 10, kIsbnField = 11, kPagesField = 12, kNotesField = 22;

// Sets the fields of the record being appended: record number, a fresh
// filter mark ("0") and the book.
void putBook(dbase::Table& t, uint32_t number, const Book& b);

// The directory of the running benchmark, which is the program directory
// with the shipped template tables.
std::string programDir();
// A copy of the shipped record table (data.dbf with its index and memo file) at dbf.
void copyTemplate(const std::string& dbf);

// The records the benchmarks delete: about 1 in 100, spread over the table
// as a user's deletions between two packs would be.
bool deletedInBench(uint32_t recno);
// Appends n made-up books to the open table, then deletes those records;
// the number deleted.
int fillBooks(dbase::Table& t, int n);

// The sizes given on the command line, else the default ones.
std::vector<int> sizesFrom(int argc, char** argv, std::vector<int> defaults);

}  // namespace bench
