#include <gtest/gtest.h>

#include <QDir>
#include <QtEndian>
#include <cstring>

#include "core/reminders.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"

namespace {

constexpr double kToday = 46000.0;  // 8 December 2025, noon below

TEST(ReminderDays, EpochIsTheThirtiethOfDecember1899) {
  EXPECT_DOUBLE_EQ(toDays(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
  EXPECT_DOUBLE_EQ(toDays(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
  const QDateTime t(QDate(2026, 12, 8), QTime(14, 30));
  EXPECT_EQ(fromDays(toDays(t)), t);
}

TEST(ReminderRule, FirstRunShowsBoth) {
  const DueReminders due = dueReminders({}, kToday + 0.5);
  EXPECT_TRUE(due.backup);
  EXPECT_TRUE(due.maintenance);
}

TEST(ReminderRule, BackupNeedsFourteenDaysSinceBackupAndSevenSinceReminder) {
  ReminderDates d{kToday - 14, kToday - 7, kToday, kToday};
  EXPECT_TRUE(dueReminders(d, kToday).backup);
  d.lastBackup = kToday - 13;
  EXPECT_FALSE(dueReminders(d, kToday).backup);
  d.lastBackup = kToday - 100;
  d.backupReminded = kToday - 6;
  EXPECT_FALSE(dueReminders(d, kToday).backup);  // reminded this week already
}

TEST(ReminderRule, MaintenanceNeedsThirtyDays) {
  ReminderDates d{kToday, kToday, kToday - 30, 0};
  EXPECT_TRUE(dueReminders(d, kToday).maintenance);
  d.lastMaintenance = kToday - 29;
  EXPECT_FALSE(dueReminders(d, kToday).maintenance);
}

TEST(ReminderRule, EveryValueIsRoundedToTheNearestWholeDay) {
  // 13.6 days apart by the clock; rounded, today (46000.6 → 46001) minus
  // 45987.0 is 14: due.
  ReminderDates d{kToday - 13.0, 0, kToday, kToday};
  EXPECT_TRUE(dueReminders(d, kToday + 0.6).backup);
  // 45987.6 rounds up to 45988 and 46000.4 down to 46000: 12 days, not due,
  // although 12.8 days passed.
  d.lastBackup = kToday - 12.4;
  EXPECT_FALSE(dueReminders(d, kToday + 0.4).backup);
  d.lastBackup = kToday - 13.6;  // 45986.4 → 45986; 46000.4 → 46000: 14
  EXPECT_TRUE(dueReminders(d, kToday + 0.4).backup);
}

class RemindFile : public ::testing::Test {
 protected:
  SettingsSandbox box;
  QString path() const { return box.file("remind.dat"); }
};

TEST_F(RemindFile, FourLittleEndianDoublesInFieldOrder) {
  const ReminderDates d{45000.25, 45001.5, 45002.75, 45003.0};
  ASSERT_TRUE(writeRemindFile(path(), d));
  const QByteArray bytes = SettingsSandbox::read(path());
  ASSERT_EQ(bytes.size(), 32);
  const double expected[4] = {45000.25, 45001.5, 45002.75, 45003.0};
  for (int i = 0; i < 4; ++i) {
    double v;
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData() + 8 * i);
    std::memcpy(&v, &bits, 8);
    EXPECT_EQ(v, expected[i]) << i;
  }
  EXPECT_EQ(readRemindFile(path()), d);
}

TEST_F(RemindFile, MissingShortOrNonsenseFilesReadAsNever) {
  EXPECT_EQ(readRemindFile(path()), ReminderDates{});
  ASSERT_TRUE(SettingsSandbox::write(path(), QByteArray(31, '\x40')));
  EXPECT_EQ(readRemindFile(path()), ReminderDates{});
  QByteArray nan(32, '\xFF');  // NaNs
  ASSERT_TRUE(SettingsSandbox::write(path(), nan));
  EXPECT_EQ(readRemindFile(path()), ReminderDates{});
  ASSERT_TRUE(writeRemindFile(path(), {-5, 1, 1, 1}));
  EXPECT_EQ(readRemindFile(path()), ReminderDates{});
}

TEST_F(RemindFile, StartupShowsBothThenNotAgainForSevenDays) {
  ScriptedPrompter prompts;
  appSettings().homeDir = box.path();
  showStartupReminders(kToday);
  ASSERT_EQ(prompts.shown.size(), 2u);
  EXPECT_EQ(prompts.shown[0].kind, MsgKind::Information);
  EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(prompts.shown[0].text,
            QStringLiteral("Reminder! You should BACKUP your database at least twice a month and "
                           "every time after you have entered new data. For more information on "
                           "Backup procedure see Help."));
  EXPECT_EQ(prompts.shown[1].text,
            QStringLiteral("Reminder! You should REINDEX and PACK your data at least once a month. "
                           "This will improve the performance and keep the size of the database "
                           "as small as possible. For more information on database Maintenance "
                           "see Help."));
  saveReminders(kToday + 0.1);
  const ReminderDates saved = readRemindFile(path());
  EXPECT_EQ(saved.lastBackup, kToday + 0.1);  // never-set dates become the exit time
  EXPECT_EQ(saved.backupReminded, kToday);
  EXPECT_EQ(saved.lastMaintenance, kToday + 0.1);

  // Twenty days on, no backup made: both due again, shown once each.
  prompts.shown.clear();
  showStartupReminders(kToday + 6);
  EXPECT_TRUE(prompts.shown.empty());
  showStartupReminders(kToday + 14);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_TRUE(prompts.shown[0].text.contains("BACKUP"));
}

TEST_F(RemindFile, UnwritableHomeWritesNothingAndDoesNotFail) {
  appSettings().homeDir = box.file("missing");
  reminders() = {};
  saveReminders(kToday);
  EXPECT_FALSE(QFile::exists(joinPath(box.file("missing"), "remind.dat")));
}

}  // namespace
