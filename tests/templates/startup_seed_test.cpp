// The first start of a program directory finds its sample books in DATA.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "dbase/table.h"
#include "sampledata.h"
#include "prompt.h"
#include "settings.h"
#include "startup.h"
#include "templates.h"

namespace {

std::string Native(const QString& p) { return QFile::encodeName(p).toStdString(); }

// Records boxes; start-up here should show none.
class RecordingPrompter : public TPrompter {
 public:
  RecordingPrompter() { SetPrompter(this); }
  ~RecordingPrompter() override { SetPrompter(nullptr); }
  MsgResult message(MsgKind, MsgButtons, const QString& text, int) override {
    shown << text;
    return MsgResult::Ok;
  }
  std::optional<QString> input(const QString&, const QString& prompt, const QString&,
                               bool) override {
    shown << prompt;
    return std::nullopt;
  }
  QString openFile(const TFileFilter&) override { return {}; }
  QString saveFile(const TFileFilter&) override { return {}; }
  QString directory(const QString&, const QString&) override { return {}; }
  QStringList shown;
};

class StartupSeed : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.isValid());
    InstallSampleSeeder();
    templates::WriteTemplates(Native(program_.path()));
    QDir(program_.path()).mkpath("sample");
    QFile csv(QDir(program_.path()).filePath(QString::fromLatin1(kSampleCsvPath)));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(
        "title,author,published\r\n"
        "Kim,Rudyard Kipling,1901-01-01\r\n"
        "Emma,Jane Austen,1815-12-23\r\n");
  }
  void TearDown() override { QDir::setCurrent(startDir_); }

  uint32_t RecordsIn(const QString& dir) {
    dbase::Table t;
    t.open(Native(QDir(dir).filePath("data.dbf")), dbase::OpenMode::Shared, true);
    return t.recordCount();
  }

  QString startDir_ = QDir::currentPath();
  QTemporaryDir program_;
  RecordingPrompter prompter_;
};

TEST_F(StartupSeed, FirstStartFillsThePublicDirectory) {
  RunStartupSteps(program_.path());
  const QString data = QDir(program_.path()).filePath("DATA");
  ASSERT_TRUE(dbase::Table::resolve(Native(QDir(data).filePath("data.dbf"))));
  EXPECT_EQ(RecordsIn(data), 2u);
  EXPECT_TRUE(QFile::exists(QDir(data).filePath("master.dbf")));
  EXPECT_TRUE(prompter_.shown.isEmpty()) << prompter_.shown.join('|').toStdString();
  // The seeded directory starts with readable title and author columns.
  QFile header(QDir(data).filePath("header.dat"));
  ASSERT_TRUE(header.open(QIODevice::ReadOnly));
  EXPECT_EQ(header.readAll(), QByteArray("\x01\x06\x0A" "Book Title" "\x03\x96\x00"
                                         "\x06\x06" "Author" "\x02\x6E" "\x00",
                                         27));
}

TEST_F(StartupSeed, LaterStartsKeepTheUsersTable) {
  RunStartupSteps(program_.path());
  const QString data = QDir(program_.path()).filePath("DATA");
  {
    dbase::Table t;
    t.open(Native(QDir(data).filePath("data.dbf")), dbase::OpenMode::Exclusive);
    t.first();
    t.deleteRecord();
  }
  RunStartupSteps(program_.path());
  EXPECT_EQ(RecordsIn(data), 1u);
}

}  // namespace
