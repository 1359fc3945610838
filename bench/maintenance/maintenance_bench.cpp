// maintenance_bench: how long Pack, Repair and Backup take on a big record table.
//
//   maintenance_bench [--dir DIR] [SIZE...]   (default 100000 1000000)
//
// For each size: a copy of the shipped record table filled with book-like
// records, about 1 in 100 of them deleted; then Backup, Pack and Repair as
// the maintenance window runs them (each from the same filled files), `cp`
// of the same three files (and `cp` followed by `sync` of the copies, as our
// functions sync what they write), and SQLite's VACUUM of the same live
// rows with the record table's two indexes (synchronous=FULL).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "books.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "sqlitebooks.h"
#include "store/database.h"
#include "store/maintenance.h"
#include "store/recordtable.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double timed(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

void shell(const std::string& cmd) {
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("failed: " + cmd);
}

uint32_t liveCount(const fs::path& dbf) {
  dbase::Table t;
  t.open(dbf.string(), dbase::OpenMode::Shared, true);
  return t.recordCount();
}

void line(const char* what, double s, double against = 0) {
  if (against > 0)
    std::printf("  %-40s %9.3f s   %5.2fx\n", what, s, s / against);
  else
    std::printf("  %-40s %9.3f s\n", what, s);
}

void run(const fs::path& root, int n) {
  fs::remove_all(root);
  const fs::path program = root / "program", data = root / "data", kept = root / "kept",
                 copies = root / "copies";
  for (const auto& d : {program, data, kept, copies}) fs::create_directories(d);
  bench::copyTemplate((program / "data.dbf").string());
  dbase::Table::copyTable((fs::path(bench::programDir()) / "master.dbf").string(),
                          (data / "master.dbf").string(), true);
  int live = 0;
  const double fill = timed([&] {
    bench::copyTemplate((data / "data.dbf").string());
    dbase::Table t;
    t.open((data / "data.dbf").string(), dbase::OpenMode::Exclusive);
    live = n - bench::fillBooks(t, n);
  });
  std::printf("%d records (%d live), filled in %.1f s\n", n, live, fill);
  const std::string files = "'" + data.string() + "'/[dD][aA][tT][aA].*";
  shell("cp " + files + " '" + kept.string() + "'");
  auto refill = [&] { shell("cp '" + kept.string() + "'/* '" + data.string() + "'"); };

  AppSettings& s = appSettings();
  s.programDir = QString::fromStdString(program.string());
  s.databaseDir = QString::fromStdString(data.string());
  s.tableName = QStringLiteral("data.dbf");
  StoreTables tables;
  tables.records.databaseName = s.databaseDir;
  tables.records.tableName = s.tableName;
  tables.catalogue.databaseName = s.databaseDir;
  tables.catalogue.tableName = kCatalogueFile;
  tables.catalogue.indexName = "IDX0";
  tables.catalogue.open();
  tables.records.open();
  auto expectLive = [&](const fs::path& dbf, const char* what) {
    if (liveCount(dbf) != static_cast<uint32_t>(live))
      throw std::runtime_error(std::string(what) + " lost records");
  };

  const double cp = timed([&] { shell("cp " + files + " '" + copies.string() + "'"); });
  const double sync = timed([&] { shell("sync '" + copies.string() + "'/*"); });
  CopyOutcome out;
  const double backup = timed([&] { out = backupTable(tables.records); });
  if (!out.succeeded()) throw std::runtime_error("backup: " + out.error.toStdString());
  expectLive(data / "BACKUP" / "data.dbf", "backup");

  MaintenanceStatus st = MaintenanceStatus::Failed;
  const double pack = timed([&] { st = packTable(tables.records); });
  if (st != MaintenanceStatus::Done) throw std::runtime_error("pack: " + lastEngineError());
  expectLive(data / "data.dbf", "pack");

  tables.records.close();
  refill();
  const double repair = timed([&] { out = repairTable(tables.records, tables.catalogue); });
  if (!out.succeeded()) throw std::runtime_error("repair: " + out.error.toStdString());
  expectLive(data / "data.dbf", "repair");

  const std::string db = (root / "books.sqlite").string();
  double vacuum = 0;
  {
    bench::Sqlite sq(db);
    bench::fillSqliteBooks(sq, n);
    sq.exec(std::string("CREATE INDEX by_recno ON books(") + bench::kSqlRecnoKey + ")");
    sq.exec(std::string("CREATE INDEX by_title ON books(") + bench::kSqlTitleKey + ")");
    sq.setSynchronous("FULL");
    vacuum = timed([&] { sq.exec("VACUUM"); });
  }
  line("cp of the table's .dbf, .mdx and .dbt", cp);
  line("cp, then sync of the copies", cp + sync);
  line("Backup (against cp)", backup, cp);
  line("Backup (against cp + sync)", backup, cp + sync);
  line("SQLite VACUUM, synchronous=FULL", vacuum);
  line("Pack (against VACUUM)", pack, vacuum);
  line("Repair (against VACUUM)", repair, vacuum);
  tables.records.close();
  tables.catalogue.close();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path root = fs::temp_directory_path() / "maintenance_bench";
  std::vector<char*> rest{argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--dir" && i + 1 < argc)
      root = argv[++i];
    else
      rest.push_back(argv[i]);
  }
  try {
    for (int n : bench::sizesFrom(static_cast<int>(rest.size()), rest.data(), {100000, 1000000}))
      run(root, n);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "maintenance_bench: %s\n", e.what());
    return 1;
  }
  fs::remove_all(root);
  return 0;
}
