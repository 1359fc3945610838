#include "core/reminders.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

#include "core/prompt.h"
#include "core/settings.h"

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
bool plausible(double d) { return d == 0 || (std::isfinite(d) && d >= 1 && d < 2958466); }

double day(double d) { return std::round(d); }

QString remindPath() { return joinPath(appSettings().homeDir, kRemindFileName); }

}  // namespace

ReminderDates& reminders() {
  static ReminderDates dates;
  return dates;
}

double toDays(const QDateTime& t) {
  return static_cast<double>(kEpoch.daysTo(t.date())) +
         t.time().msecsSinceStartOfDay() / 86400000.0;
}

QDateTime fromDays(double days) {
  const double whole = std::floor(days);
  const auto ms = static_cast<int>(std::llround((days - whole) * 86400000.0));
  return QDateTime(kEpoch.addDays(static_cast<qint64>(whole)), QTime(0, 0).addMSecs(ms));
}

double nowDays() { return toDays(QDateTime::currentDateTime()); }

ReminderDates readRemindFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = f.read(kRemindFileSize);
  if (bytes.size() < kRemindFileSize) return {};
  double v[4];
  for (int i = 0; i < 4; ++i) {
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData() + 8 * i);
    std::memcpy(&v[i], &bits, sizeof bits);
    if (!plausible(v[i])) return {};
  }
  return {v[0], v[1], v[2], v[3]};
}

bool writeRemindFile(const QString& path, const ReminderDates& d) {
  QByteArray bytes(kRemindFileSize, '\0');
  const double v[4] = {d.lastBackup, d.backupReminded, d.lastMaintenance, d.maintenanceReminded};
  for (int i = 0; i < 4; ++i) {
    quint64 bits;
    std::memcpy(&bits, &v[i], sizeof bits);
    qToLittleEndian(bits, bytes.data() + 8 * i);
  }
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(bytes) == bytes.size() && f.commit();
}

DueReminders dueReminders(const ReminderDates& d, double now) {
  const double today = day(now);
  DueReminders due;
  due.backup = today - day(d.lastBackup) >= 14 && today - day(d.backupReminded) >= 7;
  due.maintenance = today - day(d.lastMaintenance) >= 30 && today - day(d.maintenanceReminded) >= 7;
  return due;
}

void showStartupReminders(double now) {
  ReminderDates& d = reminders();
  d = readRemindFile(remindPath());
  const DueReminders due = dueReminders(d, now);
  // A run that is ending shows no reminder and counts none as shown.
  if (due.backup && !shuttingDown()) {
    showMessage(MsgKind::Information, kBackupReminderText);
    d.backupReminded = now;
  }
  if (due.maintenance && !shuttingDown()) {
    showMessage(MsgKind::Information, kMaintenanceReminderText);
    d.maintenanceReminded = now;
  }
}

void saveReminders(double now) {
  ReminderDates& d = reminders();
  if (d.lastBackup == 0) d.lastBackup = now;
  if (d.lastMaintenance == 0) d.lastMaintenance = now;
  writeRemindFile(remindPath(), d);
}

void markBackupDone() {
  const double now = nowDays();
  reminders().lastBackup = now;
  reminders().backupReminded = now;
}

void markMaintenanceDone() {
  const double now = nowDays();
  reminders().lastMaintenance = now;
  reminders().maintenanceReminded = now;
}
