// toc_bench: what a user waits for when paging the table of contents.
//
//   toc_bench [SIZE...]   (default 100000 1000000)
//
// For each size: a record table from the shipped template filled with
// book-like records, about 1 in 100 of them deleted, then the view opened in
// entry order (no letter tabs) and sorted by title (letter tabs on); PgDn,
// Last, First and a jump to a letter timed through the view's own handlers,
// which read and show the 24 records of the spread, painting included.
// Start-up (the view built and its first spread painted) is timed in a fresh
// process, as a user starts the program: "cold" with no index counts kept
// from an earlier start (the first start after the index changed), "start"
// with them.

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "book/contents/contentsview.h"
#include "books.h"
#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "dbase/countcache.h"
#include "dbase/table.h"
#include "store/sortstate.h"
#include "support/scriptedprompter.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

int fill(const QString& dbf, int n) {
  dbase::Table t;
  t.open(native(dbf), dbase::OpenMode::Exclusive);
  const int deleted = bench::fillBooks(t, n);
  t.close();
  return deleted;
}

void writeSortFile(const QString& dir, char first) {
  QFile f(joinPath(dir, "data.idx"));
  const char bytes[4] = {first, 0, 0, 0};
  if (f.open(QIODevice::WriteOnly)) f.write(bytes, 4);
}

struct Figures {
  double open = 0, pgdn = 0, last = 0, first = 0, letter = 0, sort = 0;
};

Figures measure(bool letters, bool sort) {
  Figures out;
  auto t0 = Clock::now();
  ContentsView form;
  form.show();
  QApplication::processEvents();
  out.open = ms(t0);
  constexpr int kPages = 40;
  t0 = Clock::now();
  for (int i = 0; i < kPages; ++i) {
    form.onPageDownClicked();
    QApplication::processEvents();  // the spread painted
  }
  out.pgdn = ms(t0) / kPages;
  constexpr int kRounds = 10;
  for (int i = 0; i < kRounds; ++i) {
    if (letters) {
      t0 = Clock::now();
      form.selectLetter(static_cast<char>('B' + i));
      QApplication::processEvents();
      out.letter += ms(t0) / kRounds;
    }
    form.onFirstClicked();
    t0 = Clock::now();
    form.onLastClicked();
    QApplication::processEvents();
    out.last += ms(t0) / kRounds;
    t0 = Clock::now();
    form.onFirstClicked();
    QApplication::processEvents();
    out.first += ms(t0) / kRounds;
  }
  if (!sort) return out;
  // A sort that needs a new tag, from the choice to the repainted spread.
  SortState& s = sortState();
  s.commitSort();
  s.firstField = 3;                 // author
  s.secondField = letters ? 9 : 0;  // and the date, a key no run made before
  t0 = Clock::now();
  form.applyViewSort();
  QApplication::processEvents();
  out.sort = ms(t0);
  s.commitSort();
  return out;
}

void setUp(const QString& dir) {
  AppSettings& s = appSettings();
  s = AppSettings{};
  s.setEditionValues();
  s.programDir = QCoreApplication::applicationDirPath();
  s.dataRootDir = dir;
  s.databaseDir = dir;
  s.homeDir = dir;
  loadLabels();
}

// Where a start-up keeps index counts for the next (the program keeps them
// in its cache directory).
std::string countDirectory(const QString& dir) { return native(dir) + "/counts"; }

// Start-up in this fresh process: the view built over the table in dir, its
// first spread painted. Prints the milliseconds.
int startUp(const QString& dir) {
  ScriptedPrompter prompts;
  setUp(dir);
  dbase::setIndexCountDirectory(countDirectory(dir));
  const auto t0 = Clock::now();
  ContentsView form;
  form.show();
  QApplication::processEvents();
  std::printf("%.3f\n", ms(t0));
  return prompts.shown.empty() ? 0 : 1;
}

// With `kept` false, no earlier start left counts (the first start after
// the index changed).
double startUpInFreshProcess(const QString& dir, bool kept) {
  if (!kept) std::filesystem::remove_all(countDirectory(dir));
  const std::string cmd = "'" + std::filesystem::read_symlink("/proc/self/exe").string() +
                          "' --start-up '" + native(dir) + "'";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) throw std::runtime_error("cannot run " + cmd);
  double t = -1;
  const int got = std::fscanf(p, "%lf", &t);
  if (::pclose(p) != 0 || got != 1) throw std::runtime_error("the fresh start-up failed");
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  if (argc == 3 && std::string(argv[1]) == "--start-up")
    return startUp(QString::fromLocal8Bit(argv[2]));
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  ScriptedPrompter prompts;  // any box would otherwise wait for a click

  std::printf("%-10s %-8s %10s %10s %10s %10s %10s %10s %10s %12s\n", "records", "tabs", "cold ms",
              "start ms", "open ms", "PgDn ms", "Last ms", "First ms", "letter ms", "new sort ms");
  for (int n : sizes) {
    QTemporaryDir dir;
    setUp(dir.path());
    const AppSettings& s = appSettings();
    dbase::Table::copyTable(native(joinPath(s.programDir, "data.dbf")),
                            native(joinPath(dir.path(), "data.dbf")), true);
    const auto t0 = Clock::now();
    const int deleted = fill(joinPath(dir.path(), "data.dbf"), n);
    std::fprintf(stderr, "filled %d records, %d deleted, in %.0f ms\n", n, deleted, ms(t0));
    for (bool letters : {false, true}) {
      sortState() = SortState{};
      writeSortFile(dir.path(), letters ? 2 : 0);
      // The first open under the title sort builds its tag; time the next.
      if (letters) {
        measure(true, false);
        sortState() = SortState{};
      }
      // Start-up in a fresh process, the best of three: with no counts kept
      // from an earlier start, then with them.
      double cold = 1e9, start = 1e9;
      for (int i = 0; i < 3; ++i) cold = std::min(cold, startUpInFreshProcess(dir.path(), false));
      for (int i = 0; i < 3; ++i) start = std::min(start, startUpInFreshProcess(dir.path(), true));
      sortState() = SortState{};
      const Figures f = measure(letters, true);
      std::printf("%-10d %-8s %10.1f %10.1f %10.1f %10.2f %10.2f %10.2f %10.2f %12.1f\n", n,
                  letters ? "on" : "off", cold, start, f.open, f.pgdn, f.last, f.first, f.letter,
                  f.sort);
      std::fflush(stdout);
    }
    if (!prompts.shown.empty())
      std::fprintf(stderr, "unexpected box: %s\n", qPrintable(prompts.shown.front().text));
  }
  return prompts.shown.empty() ? 0 : 1;
}
