#include <gtest/gtest.h>

#include <QDir>

#include "labels.h"
#include "optionsfile.h"
#include "scriptedprompter.h"
#include "startup.h"
#include "tempdir.h"

namespace {

class Startup : public ::testing::Test {
 protected:
  SettingsSandbox box;
  ScriptedPrompter prompts;
  void TearDown() override { SetLoginGate({}); }
};

TEST_F(Startup, MissingDataDirectoriesAreCreatedWithoutAWord) {
  const TStartupOutcome out = RunStartupSteps(box.path());
  EXPECT_FALSE(out.programOptionsRead);
  EXPECT_EQ(out.login, TLoginResult::Passed);
  EXPECT_TRUE(QDir(box.file("DATA")).exists());
  EXPECT_TRUE(QDir(JoinPath(box.file("DATA"), "BACKUP")).exists());
  EXPECT_TRUE(prompts.shown.empty());
  const TAppSettings& s = AppSettings();
  EXPECT_EQ(s.DatabaseDir, box.file("DATA"));
  EXPECT_EQ(s.HomeDir, box.file("DATA"));
  EXPECT_EQ(QDir::toNativeSeparators(QDir::currentPath()), box.path());
  EXPECT_FALSE(s.AppTitle.isEmpty());
}

TEST_F(Startup, BackupFolderThatCannotBeMadeWarnsOnceAndGoesOn) {
  QDir().mkpath(box.file("DATA"));
  ASSERT_TRUE(SettingsSandbox::write(JoinPath(box.file("DATA"), "BACKUP"), "a file, not a folder"));
  const TStartupOutcome out = RunStartupSteps(box.path());
  EXPECT_EQ(out.login, TLoginResult::Passed);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Could not Create Data Directory!"));
}

TEST_F(Startup, ProgramDirectoryLosesItsTrailingSeparator) {
  RunStartupSteps(box.path() + QDir::separator());
  EXPECT_EQ(AppSettings().ProgramDir, box.path());
  EXPECT_EQ(AppSettings().DataRootDir, box.path());
}

TEST_F(Startup, DataRootFromTheProgramOptions) {
  const QString root = box.file("elsewhere");
  QDir().mkpath(root);
  ASSERT_TRUE(SettingsSandbox::write(
      box.file("options.dat"), optionsfile::Encode(optionsfile::ProgramOptions{1, 0, root, 0, {}})));
  const TStartupOutcome out = RunStartupSteps(box.path());
  EXPECT_TRUE(out.programOptionsRead);
  EXPECT_EQ(AppSettings().DatabaseDir, JoinPath(root, "DATA"));
  EXPECT_TRUE(QDir(JoinPath(JoinPath(root, "DATA"), "BACKUP")).exists());
}

TEST_F(Startup, LoginGateRunsOnlyWhenThereIsSomethingToAsk) {
  int asked = 0;
  SetLoginGate([&] {
    ++asked;
    return TLoginResult::Failed;
  });
  // No program options file: no login at all.
  EXPECT_EQ(RunStartupSteps(box.path()).login, TLoginResult::Passed);
  EXPECT_EQ(asked, 0);

  // A multi-user system asks, and a refusal stops the start with its box.
  ASSERT_TRUE(SettingsSandbox::write(
      box.file("options.dat"), optionsfile::Encode(optionsfile::ProgramOptions{1, 0, {}, 1, {}})));
  AppSettings() = TAppSettings{};
  EXPECT_EQ(RunStartupSteps(box.path()).login, TLoginResult::Failed);
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Incorrect Login!"));
}

TEST_F(Startup, UserOptionsAndLabelsAreLoadedFromTheHome) {
  const QString home = box.file("DATA");
  QDir().mkpath(home);
  ASSERT_TRUE(WriteLabelsFile(JoinPath(home, "labels.dat"), {"Titel", "Autor"}));
  AppSettings().BookModel = 1;
  AppSettings().HomeDir = home;
  AppSettings().DatabaseDir = home;
  ASSERT_TRUE(SaveUserOptions());
  AppSettings() = TAppSettings{};
  RunStartupSteps(box.path());
  EXPECT_EQ(AppSettings().BookModel, 1);
  EXPECT_EQ(Labels(), QStringList({"Titel", "Autor"}));
}

}  // namespace
