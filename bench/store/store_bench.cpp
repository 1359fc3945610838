// store_bench: how long the views wait for a sort and for the letter tabs.
//
//   store_bench [--dir DIR] [SIZE...]   (default 100000 1000000)
//
// For each size: a record table in the template's layout filled with
// book-like records, then ApplySort on a key that needs a new tag, ApplySort
// on keys whose tags exist, and CountLetters under the title sort.

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "books.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "store/letters.h"
#include "store/recordtable.h"
#include "store/sortstate.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::vector<dbase::FieldDef> recordFields() {
  using T = dbase::FieldType;
  return {{"RECNO", T::Numeric, 10, 0},       {"MARK", T::Character, 1, 0},
          {"TITLE", T::Character, 120, 0},    {"AUTHOR", T::Character, 40, 0},
          {"COAUTHORS", T::Character, 60, 0}, {"CATEGORY", T::Character, 30, 0},
          {"FORMAT", T::Character, 20, 0},    {"RATING", T::Character, 10, 0},
          {"PUBLISHER", T::Character, 40, 0}, {"PUBDATE", T::Date, 8, 0},
          {"VALUE", T::Numeric, 12, 2},       {"ISBN", T::Character, 20, 0},
          {"PAGES", T::Character, 10, 0},     {"KEYWORDS", T::Character, 60, 0},
          {"TYPE", T::Character, 20, 0},      {"STATUS", T::Character, 20, 0},
          {"CUSTOM1", T::Character, 40, 0},   {"CUSTOM2", T::Character, 40, 0},
          {"CUSTOM3", T::Date, 8, 0},         {"CUSTOM4", T::Date, 8, 0},
          {"CUSTOM5", T::Numeric, 12, 2},     {"CUSTOM6", T::Numeric, 12, 2},
          {"NOTES", T::Memo, 10, 0},          {"PICTURE", T::Binary, 10, 0}};
}

constexpr int kTitle = 2, kAuthor = 3, kPublished = 9, kValue = 10, kPages = 12, kNotes = 22;

void makeTemplate(const fs::path& dir) {
  fs::create_directories(dir);
  dbase::Table::create((dir / "data.dbf").string(), recordFields(),
                       {{"IDX0", "STR(RECNO, 20, 4)", false, false, ""},
                        {"IDX1", "UPPER(SUBSTR(TITLE, 1, 99))", false, false, ""}});
}

void fill(const fs::path& dbf, int n) {
  dbase::Table t;
  t.open(dbf.string(), dbase::OpenMode::Exclusive);
  bench::BookMaker maker;
  for (int i = 0; i < n; ++i) {
    const bench::Book b = maker.next();
    t.append();
    t.setNumber(0, i + 2);
    t.setString(1, "0");
    t.setString(kTitle, b.title);
    t.setString(kAuthor, b.author);
    t.setDate(kPublished, dbase::Date{b.year, b.month, b.day});
    t.setNumber(kValue, b.price);
    t.setString(kPages, std::to_string(b.pages));
    if (!b.notes.empty()) t.setString(kNotes, b.notes);
    t.post();
  }
}

void checkCounts(int n) {
  long sum = 0;
  for (int c : letterCounts()) sum += c;
  if (sum != n) throw std::runtime_error("letter counts add up to " + std::to_string(sum));
}

bool sort(int first, bool descending, int second = 0) {
  SortState& s = sortState();
  s.firstField = static_cast<uint8_t>(first);
  s.firstDescending = descending;
  s.secondField = static_cast<uint8_t>(second);
  s.secondDescending = false;
  return applySort();
}

// Opens the table Run left in root (--dir) and counts letters `times` times:
// for profiling the count alone.
void countOnly(const fs::path& root, int times) {
  AppSettings& s = appSettings();
  s.programDir = QString::fromStdString((root / "program").string());
  s.databaseDir = QString::fromStdString((root / "data").string());
  s.tableName = QStringLiteral("data.dbf");
  DbTable table;
  sortState().table = &table;
  if (!openTable(table, s.tableName, false)) throw std::runtime_error(lastEngineError());
  table.refreshDefinitions();
  rebuildFieldSets(table);
  if (!sort(kTitle, false)) throw std::runtime_error("title sort failed");
  for (int i = 0; i < times; ++i) {
    if (i > 0 && (!sort(kAuthor, false) || !sort(kTitle, false)))
      throw std::runtime_error("sort failed");
    const auto t0 = Clock::now();
    countLetters(table);
    std::printf("CountLetters %.1f ms\n", seconds(t0) * 1000);
  }
  table.close();
}

void run(const fs::path& root, int n) {
  fs::remove_all(root);
  const fs::path program = root / "program", data = root / "data";
  makeTemplate(program);
  fs::create_directories(data);
  dbase::Table::copyTable((program / "data.dbf").string(), (data / "data.dbf").string(), false);
  auto t0 = Clock::now();
  fill(data / "data.dbf", n);
  std::printf("%9d records filled in %.2f s\n", n, seconds(t0));

  AppSettings& s = appSettings();
  s.programDir = QString::fromStdString(program.string());
  s.databaseDir = QString::fromStdString(data.string());
  s.tableName = QStringLiteral("data.dbf");
  s.indexErrorQuiet = true;
  DbTable table;
  sortState().table = &table;
  if (!openTable(table, s.tableName, false)) throw std::runtime_error(lastEngineError());
  table.refreshDefinitions();
  rebuildFieldSets(table);

  t0 = Clock::now();
  if (!sort(kAuthor, false)) throw std::runtime_error("author sort failed: " + lastEngineError());
  const double newKey = seconds(t0);
  t0 = Clock::now();
  if (!sort(kValue, true, kTitle))
    throw std::runtime_error("value sort failed: " + lastEngineError());
  const double newTwoKey = seconds(t0);

  // Existing keys: switch between the three tags, a few rounds.
  constexpr int kRounds = 5;
  double worst = 0, total = 0;
  for (int r = 0; r < kRounds; ++r) {
    for (auto [f, d, f2] : {std::tuple{kTitle, false, 0}, std::tuple{kAuthor, false, 0},
                            std::tuple{kValue, true, kTitle}}) {
      t0 = Clock::now();
      if (!sort(f, d, f2)) throw std::runtime_error("existing sort failed");
      const double e = seconds(t0);
      worst = std::max(worst, e);
      total += e;
    }
  }
  if (table.indexDefs().size() != 4) throw std::runtime_error("an existing key made a tag");

  // The first count reads every record's deletion flag; later ones, also
  // after the sort changed, find them kept.
  if (!sort(kTitle, false)) throw std::runtime_error("title sort failed");
  t0 = Clock::now();
  countLetters(table);
  const double countFirst = seconds(t0);
  checkCounts(n);
  double countWorst = 0;
  for (int r = 0; r < 3; ++r) {
    if (!sort(kAuthor, false) || !sort(kTitle, false)) throw std::runtime_error("sort failed");
    t0 = Clock::now();
    countLetters(table);
    countWorst = std::max(countWorst, seconds(t0));
    checkCounts(n);
  }

  std::printf("  ApplySort new key UPPER(AUTHOR)            %8.1f ms\n", newKey * 1000);
  std::printf("  ApplySort new two-field key                %8.1f ms\n", newTwoKey * 1000);
  std::printf("  ApplySort existing key (mean / worst of %d) %8.2f / %.2f ms\n", 3 * kRounds,
              total / (3 * kRounds) * 1000, worst * 1000);
  std::printf("  CountLetters, first after open             %8.1f ms\n", countFirst * 1000);
  std::printf("  CountLetters, after a sort (worst of 3)    %8.1f ms\n", countWorst * 1000);
  table.close();
  sortState().table = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path dir;
  bool keep = false;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--count-only" && i + 2 < argc) {
      // store_bench --count-only DIR TIMES (DIR as left by --dir DIR SIZE, plus /SIZE)
      countOnly(argv[i + 1], std::atoi(argv[i + 2]));
      return 0;
    }
    if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
      keep = true;
    } else {
      sizes.push_back(std::atoi(a.c_str()));
    }
  }
  if (sizes.empty()) sizes = {100000, 1000000};
  if (dir.empty()) dir = fs::temp_directory_path() / ("store_bench_" + std::to_string(::getpid()));
  try {
    for (int n : sizes) run(dir / std::to_string(n), n);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "store_bench: %s\n", e.what());
    if (!keep) fs::remove_all(dir);
    return 1;
  }
  if (!keep) fs::remove_all(dir);
  return 0;
}
