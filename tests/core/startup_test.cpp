#include <gtest/gtest.h>

#include <QDir>

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

}  // namespace
