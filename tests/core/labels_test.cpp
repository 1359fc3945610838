#include <gtest/gtest.h>

#include <QDir>

#include "core/labels.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"

namespace {

TEST(LabelsFile, OneLabelPerCrLfLine) {
  SettingsSandbox box;
  const QString path = box.file("labels.dat");
  ASSERT_TRUE(writeLabelsFile(path, {"Title", "Autor", "Ünïcode"}));
  EXPECT_EQ(SettingsSandbox::read(path), QByteArray("Title\r\nAutor\r\n\xDCn\xEF"
                                                    "code\r\n"));
  bool ok = false;
  EXPECT_EQ(readLabelsFile(path, &ok), QStringList({"Title", "Autor", "Ünïcode"}));
  EXPECT_TRUE(ok);
}

TEST(LabelsFile, PlainLfAndAMissingLastNewlineAreRead) {
  SettingsSandbox box;
  const QString path = box.file("labels.dat");
  ASSERT_TRUE(SettingsSandbox::write(path, "One\nTwo\r\nThree"));
  EXPECT_EQ(readLabelsFile(path), QStringList({"One", "Two", "Three"}));
}

TEST(LabelsFile, HomeCopyWinsOverTheShippedOne) {
  SettingsSandbox box;
  AppSettings& s = appSettings();
  s.homeDir = box.file("home");
  QDir().mkpath(s.homeDir);
  ASSERT_TRUE(writeLabelsFile(box.file("labels.dat"), {"Shipped"}));
  loadLabels();
  EXPECT_EQ(labels(), QStringList({"Shipped"}));
  ASSERT_TRUE(writeLabelsFile(joinPath(s.homeDir, "labels.dat"), {"Mine"}));
  loadLabels();
  EXPECT_EQ(labels(), QStringList({"Mine"}));
  QFile::remove(box.file("labels.dat"));
  QFile::remove(joinPath(s.homeDir, "labels.dat"));
  loadLabels();
  EXPECT_TRUE(labels().isEmpty());
}

TEST(LabelsFile, ShippedListNamesTheTwentyTwoFields) {
  const QString path = joinPath(qEnvironmentVariable("TOMES_BIN"), "labels.dat");
  const QStringList shipped = readLabelsFile(path);
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
  appSettings().homeDir = box.file("not-a-dir");
  ASSERT_TRUE(SettingsSandbox::write(appSettings().homeDir, "file in the way"));
  labels() = QStringList{"A", "B"};
  EXPECT_FALSE(saveLabels());
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Could not Save Labels to a File!"));
  EXPECT_EQ(labels(), QStringList({"A", "B"}));
}

TEST(LabelRename, Rules) {
  QStringList labels{"Book Title", "Author", "Notes"};
  EXPECT_EQ(renameLabel(labels, 1, ""), RenameResult::EmptyLabel);
  EXPECT_EQ(renameLabel(labels, -1, "Writer"), RenameResult::NoSelection);
  EXPECT_EQ(renameLabel(labels, 3, "Writer"), RenameResult::NoSelection);
  EXPECT_EQ(renameLabel(labels, 1, "notes"), RenameResult::Duplicate);
  EXPECT_EQ(labels, QStringList({"Book Title", "Author", "Notes"}));
  EXPECT_EQ(renameLabel(labels, 1, "Writer"), RenameResult::Renamed);
  EXPECT_EQ(labels[1], QStringLiteral("Writer"));
  // The entry itself is blanked first, so a change of case is allowed.
  EXPECT_EQ(renameLabel(labels, 1, "WRITER"), RenameResult::Renamed);
  EXPECT_EQ(labels[1], QStringLiteral("WRITER"));
}

TEST(LabelRename, MessagesForRefusals) {
  EXPECT_EQ(renameMessage(RenameResult::EmptyLabel),
            QStringLiteral("Empty Labels are not Allowed!"));
  EXPECT_EQ(renameMessage(RenameResult::NoSelection),
            QStringLiteral("Please select the Label first!"));
  EXPECT_EQ(renameMessage(RenameResult::Duplicate),
            QStringLiteral("Duplicate Labels are not Allowed!"));
  EXPECT_TRUE(renameMessage(RenameResult::Renamed).isEmpty());
}

}  // namespace
