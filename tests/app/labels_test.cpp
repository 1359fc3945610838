#include <gtest/gtest.h>

#include <QDir>

#include "labels.h"
#include "scriptedprompter.h"
#include "tempdir.h"

namespace {

TEST(LabelsFile, OneLabelPerCrLfLine) {
  SettingsSandbox box;
  const QString path = box.file("labels.dat");
  ASSERT_TRUE(WriteLabelsFile(path, {"Title", "Autor", "Ünïcode"}));
  EXPECT_EQ(SettingsSandbox::read(path), QByteArray("Title\r\nAutor\r\n\xC3\x9Cn\xC3\xAF" "code\r\n"));
  bool ok = false;
  EXPECT_EQ(ReadLabelsFile(path, &ok), QStringList({"Title", "Autor", "Ünïcode"}));
  EXPECT_TRUE(ok);
}

TEST(LabelsFile, PlainLfAndAMissingLastNewlineAreRead) {
  SettingsSandbox box;
  const QString path = box.file("labels.dat");
  ASSERT_TRUE(SettingsSandbox::write(path, "One\nTwo\r\nThree"));
  EXPECT_EQ(ReadLabelsFile(path), QStringList({"One", "Two", "Three"}));
}

TEST(LabelsFile, HomeCopyWinsOverTheShippedOne) {
  SettingsSandbox box;
  TAppSettings& s = AppSettings();
  s.HomeDir = box.file("home");
  QDir().mkpath(s.HomeDir);
  ASSERT_TRUE(WriteLabelsFile(box.file("labels.dat"), {"Shipped"}));
  LoadLabels();
  EXPECT_EQ(Labels(), QStringList({"Shipped"}));
  ASSERT_TRUE(WriteLabelsFile(JoinPath(s.HomeDir, "labels.dat"), {"Mine"}));
  LoadLabels();
  EXPECT_EQ(Labels(), QStringList({"Mine"}));
  QFile::remove(box.file("labels.dat"));
  QFile::remove(JoinPath(s.HomeDir, "labels.dat"));
  LoadLabels();
  EXPECT_TRUE(Labels().isEmpty());
}

TEST(LabelsFile, ShippedListNamesTheTwentyTwoFields) {
  const QString path = JoinPath(qEnvironmentVariable("TOMES_BIN"), "labels.dat");
  const QStringList shipped = ReadLabelsFile(path);
  ASSERT_EQ(shipped.size(), 22);
  EXPECT_EQ(shipped.first(), QStringLiteral("Book Title"));
  EXPECT_EQ(shipped.last(), QStringLiteral("Picture"));
  QStringList folded;
  for (const QString& l : shipped) {
    EXPECT_FALSE(l.isEmpty());
    EXPECT_FALSE(folded.contains(l.toUpper())) << l.toStdString();
    folded << l.toUpper();
  }
}

TEST(LabelsFile, SaveFailureIsReportedAndTheListKept) {
  SettingsSandbox box;
  ScriptedPrompter prompts;
  AppSettings().HomeDir = box.file("not-a-dir");
  ASSERT_TRUE(SettingsSandbox::write(AppSettings().HomeDir, "file in the way"));
  Labels() = QStringList{"A", "B"};
  EXPECT_FALSE(SaveLabels());
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Could not Save Labels to a File!"));
  EXPECT_EQ(Labels(), QStringList({"A", "B"}));
}

TEST(LabelRename, Rules) {
  QStringList labels{"Book Title", "Author", "Notes"};
  EXPECT_EQ(RenameLabel(labels, 1, ""), TRenameResult::EmptyLabel);
  EXPECT_EQ(RenameLabel(labels, -1, "Writer"), TRenameResult::NoSelection);
  EXPECT_EQ(RenameLabel(labels, 3, "Writer"), TRenameResult::NoSelection);
  EXPECT_EQ(RenameLabel(labels, 1, "notes"), TRenameResult::Duplicate);
  EXPECT_EQ(labels, QStringList({"Book Title", "Author", "Notes"}));
  EXPECT_EQ(RenameLabel(labels, 1, "Writer"), TRenameResult::Renamed);
  EXPECT_EQ(labels[1], QStringLiteral("Writer"));
  // The entry itself is blanked first, so a change of case is allowed.
  EXPECT_EQ(RenameLabel(labels, 1, "WRITER"), TRenameResult::Renamed);
  EXPECT_EQ(labels[1], QStringLiteral("WRITER"));
}

TEST(LabelRename, MessagesForRefusals) {
  EXPECT_EQ(RenameMessage(TRenameResult::EmptyLabel), QStringLiteral("Empty Labels are not Allowed!"));
  EXPECT_EQ(RenameMessage(TRenameResult::NoSelection), QStringLiteral("Please select the Label first!"));
  EXPECT_EQ(RenameMessage(TRenameResult::Duplicate), QStringLiteral("Duplicate Labels are not Allowed!"));
  EXPECT_TRUE(RenameMessage(TRenameResult::Renamed).isEmpty());
}

}  // namespace
