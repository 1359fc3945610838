// report_bench: how long a list report of the whole table takes to print.
//
//   report_bench [SIZE...]   (default 10000)
//
// For each size: a record table from the shipped template filled with
// book-like records (a memo on one in ten), then a report of title, author,
// category, published date, value and notes written to a PDF file, in the
// rows layout and in the columns layout with the grid, both with totals.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "books.h"
#include "core/labels.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "print/reportdef.h"
#include "print/reportjob.h"
#include "print/reportsource.h"
#include "store/dbtable.h"
#include "store/recordtable.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000};
  appSettings().programDir = QString::fromStdString(bench::programDir());
  loadLabels();
  // CPU seconds beside the wall clock: on a shared machine the wall clock
  // mostly measures the other processes.
  std::printf(
      "| records | layout | pages | seconds | CPU seconds | PDF bytes |\n"
      "|---|---|---|---|---|---|\n");
  for (int n : sizes) {
    QTemporaryDir dir;
    appSettings().databaseDir = appSettings().homeDir = dir.path();
    const QString dbf = QDir(dir.path()).filePath(QStringLiteral("data.dbf"));
    bench::copyTemplate(QFile::encodeName(dbf).toStdString());
    {
      dbase::Table t;
      t.open(QFile::encodeName(dbf).toStdString(), dbase::OpenMode::Exclusive);
      bench::fillBooks(t, n);
      t.close();
    }
    DbTable table;
    if (!openTable(table, QStringLiteral("data.dbf"), false)) return 1;
    rebuildFieldSets(table);
    TableReportSource source(table, labels());
    for (int layout : {1, 0}) {
      ReportRec rec;
      rec.columns = {0, 1, 3, 7, 8, 20};
      rec.layout = layout;
      rec.gridOption = layout;
      rec.maxWidth = QStringLiteral("12");
      rec.title = QStringLiteral("Benchmark");
      QString error;
      const auto settings = reportSettings(rec, source, &error);
      if (!settings) return 1;
      const QString pdf = QDir(dir.path()).filePath(QStringLiteral("report.pdf"));
      const auto start = Clock::now();
      const std::clock_t cpuStart = std::clock();
      int pages = 0;
      {
        QPdfWriter writer(pdf);
        PageRenderer r(writer, settings->paper);
        if (!r.begin()) return 1;
        ReportJob job(source, *settings);
        job.run(r);
        pages = job.pages();
      }
      const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
      std::printf("| %d | %s | %d | %.2f | %.2f | %lld |\n", n, layout ? "rows" : "columns", pages,
                  seconds(start), cpu, static_cast<long long>(QFileInfo(pdf).size()));
    }
    table.close();
  }
  return 0;
}
