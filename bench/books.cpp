#include "books.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "dbase/table.h"

namespace bench {
namespace {

const char* const kWords[] = {
    "Night",  "garden", "river",   "Stone",   "house",  "shadow",  "Winter",   "light",  "city",
    "Sea",    "of",     "the",     "and",     "Secret", "History", "journey",  "Empire", "silver",
    "War",    "peace",  "Kingdom", "letters", "glass",  "Fire",    "mountain", "ghost",  "Quiet",
    "yellow", "island", "Memory",  "orchard", "Voyage", "under",   "zero",     "Last",   "first",
    "time",   "blue",   "iron",    "Tale",    "young",  "old",     "Xenon",    "Umbra",  "harbor",
    "Dream",  "north",  "lost",    "Paper"};
const char* const kFirst[] = {"Anna", "Boris", "Clara", "David", "Elena", "Frank", "Greta",
                              "Hugo", "Irene", "Jonas", "Karin", "Lars",  "Maria", "Nils"};
const char* const kLast[] = {"Adler", "Berg",   "Castell", "Dorn",   "Eklund",   "Falk",  "Gruber",
                             "Holm",  "Ivers",  "Jansen",  "Krause", "Lind",     "Moser", "Nyberg",
                             "Olsen", "Petrov", "Quist",   "Roth",   "Svensson", "Tamm"};
const char* const kCategories[] = {"Fiction", "History", "Poetry",  "Travel",
                                   "Science", "Art",     "Children"};
const char* const kFormats[] = {"Hardcover", "Paperback", "Pocket"};
const char* const kPublishers[] = {"Northwind Press", "Harbor Books",  "Blue Quill",
                                   "Stone & Sons",    "Orchard House", "Paper Lantern",
                                   "Iron Gate",       "Silver Birch",  "Old Mill Editions"};

template <size_t N>
const char* pick(std::mt19937& rng, const char* const (&list)[N]) {
  return list[rng() % N];
}

}  // namespace

Book BookMaker::next() {
  Book b;
  const size_t target = 20 + rng_() % 61;
  // A leading letter spread over the alphabet keeps range counts meaningful.
  b.title = std::string(1, static_cast<char>('A' + rng_() % 26));
  b.title += pick(rng_, kWords);
  while (b.title.size() < target) {
    b.title += ' ';
    b.title += pick(rng_, kWords);
  }
  b.title.resize(target);
  if (b.title.back() == ' ') b.title.back() = 's';
  b.author = std::string(pick(rng_, kLast)) + ", " + pick(rng_, kFirst);
  b.year = 1900 + static_cast<int>(rng_() % 126);
  b.month = 1 + static_cast<int>(rng_() % 12);
  b.day = 1 + static_cast<int>(rng_() % 28);
  b.price = static_cast<double>(100 + rng_() % 19900) / 100.0;
  b.pages = 40 + static_cast<int>(rng_() % 1200);
  ++serial_;
  // From the serial number, so the titles stay what they were before these fields.
  b.category = kCategories[serial_ % std::size(kCategories)];
  b.format = kFormats[(serial_ / 7) % std::size(kFormats)];
  b.publisher = kPublishers[(serial_ * 5) % std::size(kPublishers)];
  char isbn[24];
  std::snprintf(isbn, sizeof isbn, "978-%010llu", static_cast<unsigned long long>(serial_ * 7919));
  b.isbn = isbn;
  if (serial_ % 10 == 3) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Bought at the fair, copy %llu.\r\nSigned by the author.",
                  static_cast<unsigned long long>(serial_));
    b.notes = buf;
  }
  return b;
}

void putBook(dbase::Table& t, uint32_t number, const Book& b) {
  t.setNumber(kRecnoField, number);
  t.setString(kMarkField, "0");
  t.setString(kTitleField, b.title);
  t.setString(kAuthorField, b.author);
  t.setString(kCategoryField, b.category);
  t.setString(kFormatField, b.format);
  t.setString(kPublisherField, b.publisher);
  t.setDate(kPubDateField, dbase::Date{b.year, b.month, b.day});
  t.setNumber(kValueField, b.price);
  t.setString(kIsbnField, b.isbn);
  t.setString(kPagesField, std::to_string(b.pages));
  if (!b.notes.empty()) t.writeBlob(kNotesField, b.notes);
}

std::string programDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) throw std::runtime_error("cannot find the benchmark's own directory");
  return exe.parent_path().string();
}

void copyTemplate(const std::string& dbf) {
  const std::string source = (std::filesystem::path(programDir()) / "data.dbf").string();
  if (!dbase::Table::resolve(source))
    throw std::runtime_error("no template table " + source + " (build the templates target)");
  dbase::Table::copyTable(source, dbf, true);
}

bool deletedInBench(uint32_t recno) {
  // A multiplicative hash: the same records every run, no pattern a tree could follow.
  return (static_cast<uint64_t>(recno) * 2654435761u >> 7) % 100 == 0;
}

int fillBooks(dbase::Table& t, int n) {
  BookMaker maker;
  for (int i = 1; i <= n; ++i) {
    t.append();
    putBook(t, static_cast<uint32_t>(i), maker.next());
    t.post();
  }
  int deleted = 0;
  for (uint32_t r = 1; r <= static_cast<uint32_t>(n); ++r) {
    if (!deletedInBench(r)) continue;
    t.goToRecord(r);
    t.deleteRecord();
    ++deleted;
  }
  return deleted;
}

std::vector<int> sizesFrom(int argc, char** argv, std::vector<int> defaults) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  return sizes.empty() ? defaults : sizes;
}

}  // namespace bench
