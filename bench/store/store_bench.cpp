// store_bench: how long the views wait for a sort and for the letter tabs.
//
//   store_bench [--dir DIR] [SIZE...]   (default 100000 1000000)
//
// For each size: a copy of the shipped record table filled with book-like
// records, about 1 in 100 of them deleted, then ApplySort on a key that needs
// a new tag, ApplySort on keys whose tags exist, and CountLetters under the
// title sort (also in a fresh process, as at start-up).

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

constexpr int kTitle = bench::kTitleField, kAuthor = bench::kAuthorField,
              kValue = bench::kValueField;

// The shipped record table, filled, then about 1 in 100 records deleted.
int fill(const fs::path& dbf, int n) {
  bench::copyTemplate(dbf.string());
  dbase::Table t;
  t.open(dbf.string(), dbase::OpenMode::Exclusive);
  const int live = n - bench::fillBooks(t, n);
  return live;
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

// The first count in a fresh process: this program again with --count-only.
double countInFreshProcess(const fs::path& root) {
  const std::string cmd = "'" + fs::read_symlink("/proc/self/exe").string() + "' --count-only '" +
                          root.string() + "' 1";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) throw std::runtime_error("cannot run " + cmd);
  double ms = -1;
  const int got = std::fscanf(p, "CountLetters %lf ms", &ms);
  if (::pclose(p) != 0 || got != 1) throw std::runtime_error("the fresh count failed");
  return ms / 1000;
}

void run(const fs::path& root, int n) {
  fs::remove_all(root);
  const fs::path program = root / "program", data = root / "data";
  fs::create_directories(program);
  fs::create_directories(data);
  bench::copyTemplate((program / "data.dbf").string());
  auto t0 = Clock::now();
  const int live = fill(data / "data.dbf", n);
  std::printf("%9d records filled in %.2f s, %d deleted\n", n, seconds(t0), n - live);

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

  // The first count reads the title tag's entry counts; later ones, also
  // after the sort changed, find them kept (a fresh process does not).
  if (!sort(kTitle, false)) throw std::runtime_error("title sort failed");
  t0 = Clock::now();
  countLetters(table);
  const double countFirst = seconds(t0);
  checkCounts(live);
  double countWorst = 0;
  for (int r = 0; r < 3; ++r) {
    if (!sort(kAuthor, false) || !sort(kTitle, false)) throw std::runtime_error("sort failed");
    t0 = Clock::now();
    countLetters(table);
    countWorst = std::max(countWorst, seconds(t0));
    checkCounts(live);
  }

  table.close();
  sortState().table = nullptr;
  const double countFresh = countInFreshProcess(root);

  std::printf("  ApplySort new key UPPER(AUTHOR)            %8.1f ms\n", newKey * 1000);
  std::printf("  ApplySort new two-field key                %8.1f ms\n", newTwoKey * 1000);
  std::printf("  ApplySort existing key (mean / worst of %d) %8.2f / %.2f ms\n", 3 * kRounds,
              total / (3 * kRounds) * 1000, worst * 1000);
  std::printf("  CountLetters, first after open             %8.1f ms\n", countFirst * 1000);
  std::printf("  CountLetters, after a sort (worst of 3)    %8.1f ms\n", countWorst * 1000);
  std::printf("  CountLetters, first in a fresh process     %8.1f ms\n", countFresh * 1000);
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
