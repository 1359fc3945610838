// The first start of a program directory finds its sample books in DATA.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/settings.h"
#include "core/startup.h"
#include "dbase/table.h"
#include "store/sampledata.h"
#include "support/scriptedprompter.h"
#include "templates.h"

namespace {

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

class StartupSeed : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.isValid());
    installSampleSeeder();
    templates::WriteTemplates(native(program_.path()));
    QDir(program_.path()).mkpath("sample");
    QFile csv(QDir(program_.path()).filePath(QString::fromLatin1(kSampleCsvPath)));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(
        "title,author,published\r\n"
        "Kim,Rudyard Kipling,1901-01-01\r\n"
        "Emma,Jane Austen,1815-12-23\r\n");
  }
  void TearDown() override { QDir::setCurrent(startDir_); }

  uint32_t recordsIn(const QString& dir, const char* table = "data.dbf") {
    dbase::Table t;
    t.open(native(QDir(dir).filePath(table)), dbase::OpenMode::Shared, true);
    return t.recordCount();
  }

  QString startDir_ = QDir::currentPath();
  QTemporaryDir program_;
  ScriptedPrompter prompter_;  // start-up here shows no box
};

TEST_F(StartupSeed, FirstStartFillsThePublicDirectory) {
  runStartupSteps(program_.path());
  const QString data = QDir(program_.path()).filePath("DATA");
  ASSERT_TRUE(dbase::Table::resolve(native(QDir(data).filePath("data.dbf"))));
  EXPECT_EQ(recordsIn(data), 2u);
  EXPECT_TRUE(QFile::exists(QDir(data).filePath("master.dbf")));
  EXPECT_EQ(recordsIn(data, "copy.dbf"), 1u);
  EXPECT_TRUE(QDir(data).exists("BACKUP"));
  // Built beside DATA and moved into place: nothing of the work is left.
  EXPECT_EQ(QDir(program_.path()).entryList({"DATA*"}, QDir::Dirs), QStringList{"DATA"});
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.texts().join('|').toStdString();
  // The seeded directory starts with readable title and author columns.
  QFile header(QDir(data).filePath("header.dat"));
  ASSERT_TRUE(header.open(QIODevice::ReadOnly));
  EXPECT_EQ(header.readAll(), QByteArray("\x01\x06\x0A"
                                         "Book Title"
                                         "\x03\x96\x00"
                                         "\x06\x06"
                                         "Author"
                                         "\x02\x6E"
                                         "\x00",
                                         27));
}

TEST_F(StartupSeed, LaterStartsKeepTheUsersTable) {
  runStartupSteps(program_.path());
  const QString data = QDir(program_.path()).filePath("DATA");
  {
    dbase::Table t;
    t.open(native(QDir(data).filePath("data.dbf")), dbase::OpenMode::Exclusive);
    t.first();
    t.deleteRecord();
  }
  runStartupSteps(program_.path());
  EXPECT_EQ(recordsIn(data), 1u);
  // Only the first start seeds: a table deleted later is not put back here.
  dbase::Table::deleteTable(native(QDir(data).filePath("data.dbf")));
  runStartupSteps(program_.path());
  EXPECT_FALSE(dbase::Table::resolve(native(QDir(data).filePath("data.dbf"))));
}

}  // namespace
