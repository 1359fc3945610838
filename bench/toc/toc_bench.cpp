// toc_bench: what a user waits for when paging the table of contents.
//
//   toc_bench [SIZE...]   (default 100000 1000000)
//
// For each size: a record table from the shipped template filled with
// book-like records, then the view opened in entry order (no letter tabs)
// and sorted by title (letter tabs on); PgDn and Last timed through the
// view's own handlers, which read and show the 24 records of the spread,
// painting included.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "book/contents/contentsview.h"
#include "books.h"
#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "store/sortstate.h"
#include "support/scriptedprompter.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

void fill(const QString& dbf, int n) {
  dbase::Table t;
  t.open(native(dbf), dbase::OpenMode::Exclusive);
  bench::BookMaker maker;
  for (int i = 1; i <= n; ++i) {
    const bench::Book b = maker.next();
    t.append();
    t.setNumber(0, i);
    t.setString(1, "0");
    t.setString(2, b.title);
    t.setString(3, b.author);
    t.setDate(9, dbase::Date{b.year, b.month, b.day});
    t.setNumber(10, b.price);
    t.post();
  }
  t.close();
}

void writeSortFile(const QString& dir, char first) {
  QFile f(joinPath(dir, "data.idx"));
  const char bytes[4] = {first, 0, 0, 0};
  if (f.open(QIODevice::WriteOnly)) f.write(bytes, 4);
}

struct Figures {
  double open = 0, pgdn = 0, last = 0, first = 0, sort = 0;
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
    if (letters) form.selectLetter(static_cast<char>('B' + i));
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

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000};
  ScriptedPrompter prompts;  // any box would otherwise wait for a click

  std::printf("%-10s %-8s %10s %10s %10s %10s %12s\n", "records", "tabs", "open ms", "PgDn ms",
              "Last ms", "First ms", "new sort ms");
  for (int n : sizes) {
    QTemporaryDir dir;
    AppSettings& s = appSettings();
    s = AppSettings{};
    s.setEditionValues();
    s.programDir = QCoreApplication::applicationDirPath();
    s.dataRootDir = dir.path();
    s.databaseDir = dir.path();
    s.homeDir = dir.path();
    loadLabels();
    dbase::Table::copyTable(native(joinPath(s.programDir, "data.dbf")),
                            native(joinPath(dir.path(), "data.dbf")), true);
    const auto t0 = Clock::now();
    fill(joinPath(dir.path(), "data.dbf"), n);
    std::fprintf(stderr, "filled %d records in %.0f ms\n", n, ms(t0));
    for (bool letters : {false, true}) {
      sortState() = SortState{};
      writeSortFile(dir.path(), letters ? 2 : 0);
      // The first open under the title sort builds its tag; time the next.
      if (letters) {
        measure(true, false);
        sortState() = SortState{};
      }
      const Figures f = measure(letters, true);
      std::printf("%-10d %-8s %10.1f %10.2f %10.2f %10.2f %12.1f\n", n, letters ? "on" : "off",
                  f.open, f.pgdn, f.last, f.first, f.sort);
    }
    if (!prompts.shown.empty())
      std::fprintf(stderr, "unexpected box: %s\n", qPrintable(prompts.shown.front().text));
  }
  return prompts.shown.empty() ? 0 : 1;
}
