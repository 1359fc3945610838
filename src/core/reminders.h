#pragma once

#include <QDateTime>
#include <QString>

// remind.dat: four little-endian doubles of days since 30 December 1899
// (fraction = time of day); 0 means never.
struct ReminderDates {
  double lastBackup = 0;
  double backupReminded = 0;
  double lastMaintenance = 0;
  double maintenanceReminded = 0;
  friend bool operator==(const ReminderDates&, const ReminderDates&) = default;
};

inline constexpr char kRemindFileName[] = "remind.dat";
inline constexpr int kRemindFileSize = 32;

ReminderDates& reminders();

double toDays(const QDateTime& t);
QDateTime fromDays(double days);
double nowDays();

// All zeros when the file is missing, short or holds values that are no dates.
ReminderDates readRemindFile(const QString& path);
bool writeRemindFile(const QString& path, const ReminderDates& dates);

struct DueReminders {
  bool backup = false;
  bool maintenance = false;
};
// Which reminders are due at `now`, every value rounded to the nearest day.
DueReminders dueReminders(const ReminderDates& dates, double now);

extern const QString kBackupReminderText;
extern const QString kMaintenanceReminderText;

// Loads HomeDir/remind.dat, shows what is due and notes when it was shown.
void showStartupReminders(double now);
// A never-set LastBackup/LastMaintenance becomes `now`; writes HomeDir/remind.dat.
void saveReminders(double now);
void markBackupDone();
void markMaintenanceDone();
