#pragma once

#include <QDateTime>
#include <QString>

// remind.dat: four little-endian doubles of days since 30 December 1899
// (fraction = time of day); 0 means never.
struct TReminderDates {
  double LastBackup = 0;
  double BackupReminded = 0;
  double LastMaintenance = 0;
  double MaintenanceReminded = 0;
  friend bool operator==(const TReminderDates&, const TReminderDates&) = default;
};

inline constexpr char kRemindFileName[] = "remind.dat";
inline constexpr int kRemindFileSize = 32;

TReminderDates& Reminders();

double ToDays(const QDateTime& t);
QDateTime FromDays(double days);
double NowDays();

// All zeros when the file is missing, short or holds values that are no dates.
TReminderDates ReadRemindFile(const QString& path);
bool WriteRemindFile(const QString& path, const TReminderDates& dates);

struct TDueReminders {
  bool backup = false;
  bool maintenance = false;
};
// Which reminders are due at `now`, every value rounded to the nearest day.
TDueReminders DueReminders(const TReminderDates& dates, double now);

extern const QString kBackupReminderText;
extern const QString kMaintenanceReminderText;

// Loads HomeDir/remind.dat, shows what is due and notes when it was shown.
void ShowStartupReminders(double now);
// A never-set LastBackup/LastMaintenance becomes `now`; writes HomeDir/remind.dat.
void SaveReminders(double now);
void MarkBackupDone();
void MarkMaintenanceDone();
