#include "reminders.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

#include "prompt.h"
#include "settings.h"

const QString kBackupReminderText = QStringLiteral(
    "Reminder! You should BACKUP your database at least twice a month and every time after you "
    "have entered new data. For more information on Backup procedure see Help.");
const QString kMaintenanceReminderText = QStringLiteral(
    "Reminder! You should REINDEX and PACK your data at least once a month. This will improve the "
    "performance and keep the size of the database as small as possible. For more information on "
    "database Maintenance see Help.");

namespace {

const QDate kEpoch(1899, 12, 30);

// 1 Jan 1900 .. 31 Dec 9999 and never: anything else is a damaged file.
bool Plausible(double d) { return d == 0 || (std::isfinite(d) && d >= 1 && d < 2958466); }

double Day(double d) { return std::round(d); }

QString RemindPath() { return JoinPath(AppSettings().HomeDir, kRemindFileName); }

}  // namespace

TReminderDates& Reminders() {
  static TReminderDates dates;
  return dates;
}

double ToDays(const QDateTime& t) {
  return static_cast<double>(kEpoch.daysTo(t.date())) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

QDateTime FromDays(double days) {
  const double whole = std::floor(days);
  const auto ms = static_cast<int>(std::llround((days - whole) * 86400000.0));
  return QDateTime(kEpoch.addDays(static_cast<qint64>(whole)), QTime(0, 0).addMSecs(ms));
}

double NowDays() { return ToDays(QDateTime::currentDateTime()); }

TReminderDates ReadRemindFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = f.read(kRemindFileSize);
  if (bytes.size() < kRemindFileSize) return {};
  double v[4];
  for (int i = 0; i < 4; ++i) {
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData() + 8 * i);
    std::memcpy(&v[i], &bits, sizeof bits);
    if (!Plausible(v[i])) return {};
  }
  return {v[0], v[1], v[2], v[3]};
}

bool WriteRemindFile(const QString& path, const TReminderDates& d) {
  QByteArray bytes(kRemindFileSize, '\0');
  const double v[4] = {d.LastBackup, d.BackupReminded, d.LastMaintenance, d.MaintenanceReminded};
  for (int i = 0; i < 4; ++i) {
    quint64 bits;
    std::memcpy(&bits, &v[i], sizeof bits);
    qToLittleEndian(bits, bytes.data() + 8 * i);
  }
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(bytes) == bytes.size() && f.commit();
}

TDueReminders DueReminders(const TReminderDates& d, double now) {
  const double today = Day(now);
  TDueReminders due;
  due.backup = today - Day(d.LastBackup) >= 14 && today - Day(d.BackupReminded) >= 7;
  due.maintenance =
      today - Day(d.LastMaintenance) >= 30 && today - Day(d.MaintenanceReminded) >= 7;
  return due;
}

void ShowStartupReminders(double now) {
  TReminderDates& d = Reminders();
  d = ReadRemindFile(RemindPath());
  const TDueReminders due = DueReminders(d, now);
  if (due.backup) {
    ShowMessage(MsgKind::Information, kBackupReminderText);
    d.BackupReminded = now;
  }
  if (due.maintenance) {
    ShowMessage(MsgKind::Information, kMaintenanceReminderText);
    d.MaintenanceReminded = now;
  }
}

void SaveReminders(double now) {
  TReminderDates& d = Reminders();
  if (d.LastBackup == 0) d.LastBackup = now;
  if (d.LastMaintenance == 0) d.LastMaintenance = now;
  WriteRemindFile(RemindPath(), d);
}

void MarkBackupDone() {
  const double now = NowDays();
  Reminders().LastBackup = now;
  Reminders().BackupReminded = now;
}

void MarkMaintenanceDone() {
  const double now = NowDays();
  Reminders().LastMaintenance = now;
  Reminders().MaintenanceReminded = now;
}
