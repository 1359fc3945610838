#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "core/labels.h"
#include "core/optionsfile.h"
#include "core/startup.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"

namespace {

class Startup : public ::testing::Test {
 protected:
  SettingsSandbox box;
  ScriptedPrompter prompts;
  void TearDown() override { setLoginGate({}); }
};

TEST_F(Startup, MissingDataDirectoriesAreCreatedWithoutAWord) {
  const StartupOutcome out = runStartupSteps(box.path());
  EXPECT_FALSE(out.programOptionsRead);
  EXPECT_EQ(out.login, LoginResult::Passed);
  EXPECT_TRUE(QDir(box.file("DATA")).exists());
  EXPECT_TRUE(QDir(joinPath(box.file("DATA"), "BACKUP")).exists());
  EXPECT_TRUE(prompts.shown.empty());
  const AppSettings& s = appSettings();
  EXPECT_EQ(s.databaseDir, box.file("DATA"));
  EXPECT_EQ(s.homeDir, box.file("DATA"));
  EXPECT_EQ(QDir::toNativeSeparators(QDir::currentPath()), box.path());
  EXPECT_FALSE(s.appTitle.isEmpty());
}

TEST_F(Startup, BackupFolderThatCannotBeMadeWarnsOnceAndGoesOn) {
  QDir().mkpath(box.file("DATA"));
  ASSERT_TRUE(SettingsSandbox::write(joinPath(box.file("DATA"), "BACKUP"), "a file, not a folder"));
  const StartupOutcome out = runStartupSteps(box.path());
  EXPECT_EQ(out.login, LoginResult::Passed);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Could not Create Data Directory!"));
}

TEST_F(Startup, ProgramDirectoryLosesItsTrailingSeparator) {
  runStartupSteps(box.path() + QDir::separator());
  EXPECT_EQ(appSettings().programDir, box.path());
  EXPECT_EQ(appSettings().dataRootDir, box.path());
}

TEST_F(Startup, DataRootFromTheProgramOptions) {
  const QString root = box.file("elsewhere");
  QDir().mkpath(root);
  ASSERT_TRUE(
      SettingsSandbox::write(box.file("options.dat"),
                             optionsfile::encode(optionsfile::ProgramOptions{1, 0, root, 0, {}})));
  const StartupOutcome out = runStartupSteps(box.path());
  EXPECT_TRUE(out.programOptionsRead);
  EXPECT_EQ(appSettings().databaseDir, joinPath(root, "DATA"));
  EXPECT_TRUE(QDir(joinPath(joinPath(root, "DATA"), "BACKUP")).exists());
}

TEST_F(Startup, LoginGateRunsOnlyWhenThereIsSomethingToAsk) {
  int asked = 0;
  setLoginGate([&] {
    ++asked;
    return LoginResult::Failed;
  });
  // No program options file: no login at all, and the one user of a 1-user
  // system is its supervisor.
  EXPECT_EQ(runStartupSteps(box.path()).login, LoginResult::Passed);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(appSettings().isSupervisor);

  // A multi-user system asks, and a refusal stops the start with its box.
  ASSERT_TRUE(SettingsSandbox::write(
      box.file("options.dat"), optionsfile::encode(optionsfile::ProgramOptions{1, 0, {}, 1, {}})));
  appSettings() = AppSettings{};
  EXPECT_EQ(runStartupSteps(box.path()).login, LoginResult::Failed);
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Incorrect Login!"));
  EXPECT_FALSE(appSettings().isSupervisor);

  // Ended by a signal while asking: no box.
  appSettings() = AppSettings{};
  setShuttingDown(true);
  EXPECT_EQ(runStartupSteps(box.path()).login, LoginResult::Failed);
  setShuttingDown(false);
  EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(Startup, UserOptionsAndLabelsAreLoadedFromTheHome) {
  const QString home = box.file("DATA");
  QDir().mkpath(home);
  ASSERT_TRUE(writeLabelsFile(joinPath(home, "labels.dat"), {"Titel", "Autor"}));
  appSettings().bookModel = 1;
  appSettings().homeDir = home;
  appSettings().databaseDir = home;
  ASSERT_TRUE(saveUserOptions());
  appSettings() = AppSettings{};
  runStartupSteps(box.path());
  EXPECT_EQ(appSettings().bookModel, 1);
  EXPECT_EQ(labels(), QStringList({"Titel", "Autor"}));
}

// An installed program's files cannot be written: the first start copies them
// into the user's directory and says where; later starts keep what is there.
TEST_F(Startup, InstalledProgramRunsFromTheUsersOwnCopy) {
  const QString app = box.file("bin");
  const QString shipped = box.file("share");
  const QString user = box.file("home/tomekeeper");
  for (const QString& d : {app, joinPath(shipped, "sample"), joinPath(shipped, "help")})
    QDir().mkpath(d);
  const std::vector<std::pair<QString, QByteArray>> files = {
      {"data.dbf", "template"}, {"master.dbf", "catalogue"}, {"sample/books.csv", "rows"}};
  for (const auto& [name, bytes] : files) {
    ASSERT_TRUE(SettingsSandbox::write(joinPath(shipped, name), bytes));
    QFile::setPermissions(joinPath(shipped, name), QFile::ReadOwner | QFile::ReadOther);
  }
  ASSERT_TRUE(SettingsSandbox::write(joinPath(shipped, "help/index.html"), "<p>"));
  // A start killed half-way through its copy left this behind.
  const QString abandoned = box.file("home/tomekeeper~setup-2147483647-0");
  QDir().mkpath(abandoned);
  ASSERT_TRUE(SettingsSandbox::write(joinPath(abandoned, "data.dbf"), "half"));

  EXPECT_EQ(chooseProgramDir(app, shipped, user), user);
  EXPECT_EQ(QDir(box.file("home")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{"tomekeeper"});
  for (const auto& [name, bytes] : files) {
    EXPECT_EQ(SettingsSandbox::read(joinPath(user, name)), bytes) << name.toStdString();
    EXPECT_TRUE(QFile::permissions(joinPath(user, name)) & QFile::WriteOwner);
  }
  EXPECT_FALSE(QFileInfo::exists(joinPath(user, "help")));  // read where installed
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Information);
  EXPECT_EQ(prompts.shown[0].text,
            "Your own Tomekeeper folder has been set up in\n" + user +
                "\n\nYour databases, options and backups are kept there. Copy this folder to "
                "keep a spare of everything.");

  // Later starts: the user's files stay as they are, a shipped file the copy
  // lacks is added, nothing is said.
  ASSERT_TRUE(SettingsSandbox::write(joinPath(user, "data.dbf"), "changed"));
  ASSERT_TRUE(QFile::remove(joinPath(user, "master.dbf")));
  EXPECT_EQ(chooseProgramDir(app, shipped, user), user);
  EXPECT_EQ(SettingsSandbox::read(joinPath(user, "data.dbf")), "changed");
  EXPECT_EQ(SettingsSandbox::read(joinPath(user, "master.dbf")), "catalogue");
  EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(Startup, WritableProgramDirectoryIsUsedAsItIs) {
  const QString user = box.file("home");
  ASSERT_TRUE(SettingsSandbox::write(box.file("data.dbf"), "template"));
  EXPECT_EQ(chooseProgramDir(box.path(), box.file("share"), user), box.path());
  // Shipped files nowhere: the program file's directory all the same.
  EXPECT_EQ(chooseProgramDir(box.file("bin"), box.file("share"), user), box.file("bin"));
  EXPECT_FALSE(QFileInfo::exists(user));
  EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
