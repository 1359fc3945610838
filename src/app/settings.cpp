#include "settings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "optionsfile.h"
#include "runtime.h"

const TRgb TAppSettings::Palette[kPaletteSize] = {
    {255, 255, 255}, {192, 192, 192}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},  {255, 0, 0},
    {0, 0, 255},     {255, 0, 255},   {128, 0, 0},   {128, 128, 0}, {0, 128, 0},  {0, 128, 128},
    {0, 0, 128},     {128, 0, 128},   {128, 128, 128}, {0, 0, 0}};
const QString TAppSettings::DefaultTableName = QStringLiteral("data.dbf");
const QString TAppSettings::SupervisorName = QStringLiteral("Supervisor");
const QString TAppSettings::DataSubdir = QStringLiteral("DATA");

namespace {

QString Cut(const QString& s, int capacity) { return s.left(capacity); }

// A stored choice outside its radio group falls back to the default, so a
// damaged file cannot select an option that does not exist.
uint16_t Choice(uint16_t stored, int count, uint16_t fallback) {
  return stored < count ? stored : fallback;
}

std::optional<QByteArray> ReadWhole(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  // Our options files are a few hundred bytes; a huge one is not ours.
  if (f.size() > 64 * 1024) return std::nullopt;
  return f.readAll();
}

bool WriteWhole(const QString& path, const QByteArray& bytes) {
  // Write beside and rename, so a failed save never leaves a truncated file.
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  if (f.write(bytes) != bytes.size()) return false;
  return f.commit();
}

QString UpperAscii(QString s) {
  for (QChar& c : s)
    if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
  return s;
}

}  // namespace

void TAppSettings::setEditionValues() {
  AppTitle = QStringLiteral("Orvanta Tomekeeper");
  VersionText = QStringLiteral("Version 1.0 (32-bit)");
  FirstFieldEmptyMsg = QStringLiteral("First Field cannot be empty!");
  RequiredFields.reset();
  RequiredFields.set(0);
  TodayDefaultFields.reset();
  HomePageUrl = QStringLiteral("https://orvanta.example/tomekeeper");
  SummaryValueField = 8;
}

TAppSettings& AppSettings() {
  static TAppSettings instance;
  return instance;
}

QString JoinPath(const QString& dir, const QString& name) {
  if (dir.isEmpty()) return name;
  if (dir.endsWith(QDir::separator()) || dir.endsWith(u'/')) return dir + name;
  return dir + QDir::separator() + name;
}

bool LoadProgramOptions() {
  TAppSettings& s = AppSettings();
  bool read = false;
  if (auto bytes = ReadWhole(JoinPath(s.ProgramDir, optionsfile::kFileName))) {
    if (auto o = optionsfile::DecodeProgram(*bytes)) {
      s.PasswordMode = Choice(o->PasswordMode, 2, 1);
      s.PublicAccess = Choice(o->PublicAccess, 4, 0);
      s.DataRootDir = Cut(o->DataRootDir, 255);
      s.UsersCount = Choice(o->UsersCount, 2, 0);
      s.SupervisorPassword = Cut(o->SupervisorPassword, 255);
      read = true;
    }
  }
  if (s.DataRootDir.isEmpty() || !QDir::setCurrent(s.DataRootDir)) s.DataRootDir = s.ProgramDir;
  QDir::setCurrent(s.ProgramDir);
  return read;
}

bool SaveProgramOptions() {
  const TAppSettings& s = AppSettings();
  const optionsfile::ProgramOptions o{s.PasswordMode, s.PublicAccess, s.DataRootDir, s.UsersCount,
                                      s.SupervisorPassword};
  return WriteWhole(JoinPath(s.ProgramDir, optionsfile::kFileName), optionsfile::Encode(o));
}

namespace {

bool ReadUserOptionsFile() {
  TAppSettings& s = AppSettings();
  auto bytes = ReadWhole(JoinPath(s.HomeDir, optionsfile::kFileName));
  if (!bytes) return false;
  auto o = optionsfile::DecodeUser(*bytes);
  if (!o) return false;
  s.MenusAndSpeedBars = Choice(o->MenusAndSpeedBars, 3, 0);
  s.ComPort = Choice(o->ComPort, 4, 1);
  s.DialType = Choice(o->DialType, 2, 0);
  s.HintMessages = Choice(o->HintMessages, 2, 0);
  s.LetterTabs = Choice(o->LetterTabs, 2, 0);
  s.InitialDataFile = Choice(o->InitialDataFile, 2, 1);
  s.ReservedOption = o->ReservedOption;
  s.DateFormat = Choice(o->DateFormat, 3, 0);
  s.SpeedBarLocation = Choice(o->SpeedBarLocation, 2, 1);
  s.DeleteMode = Choice(o->DeleteMode, 2, 0);
  s.BookModel = Choice(o->BookModel, 2, 0);
  s.LetterTabsLocation = Choice(o->LetterTabsLocation, 2, 0);
  const bool lastFileAllowed = s.InitialDataFile == 1 && !o->TableName.isEmpty() &&
                               !o->DatabaseDir.isEmpty() &&
                               (s.IsSupervisor || s.AccessRights != 3 || !IsPublicDataDir(o->DatabaseDir));
  if (lastFileAllowed) {
    s.TableName = o->TableName;
    s.DatabaseDir = o->DatabaseDir;
  }
  return true;
}

}  // namespace

bool LoadUserOptions() {
  TAppSettings& s = AppSettings();
  s.HomeDir = s.DatabaseDir;
  const bool read = ReadUserOptionsFile();
  for (const auto& load : RunObjects().afterUserOptions) load();
  return read;
}

bool SaveUserOptions() {
  const TAppSettings& s = AppSettings();
  const optionsfile::UserOptions o{s.MenusAndSpeedBars, s.ComPort,       s.DialType,
                                   s.HintMessages,      s.LetterTabs,    s.InitialDataFile,
                                   s.ReservedOption,    s.DateFormat,    s.SpeedBarLocation,
                                   s.DeleteMode,        s.TableName,     s.DatabaseDir,
                                   s.BookModel,         s.LetterTabsLocation};
  return WriteWhole(JoinPath(s.HomeDir, optionsfile::kFileName), optionsfile::Encode(o));
}

bool IsPublicDataDir(const QString& dir) {
  const TAppSettings& s = AppSettings();
  return UpperAscii(dir) == UpperAscii(JoinPath(s.DataRootDir, TAppSettings::DataSubdir));
}

bool IsReadOnlyDatabase() {
  const TAppSettings& s = AppSettings();
  return s.AccessRights == 2 && IsPublicDataDir(s.DatabaseDir);
}
