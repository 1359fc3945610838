#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/optionsfile.h"
#include "core/prompt.h"
#include "core/runobjects.h"

const Rgb AppSettings::Palette[kPaletteSize] = {
    {255, 255, 255}, {192, 192, 192}, {0, 255, 255},   {255, 255, 0}, {0, 255, 0}, {255, 0, 0},
    {0, 0, 255},     {255, 0, 255},   {128, 0, 0},     {128, 128, 0}, {0, 128, 0}, {0, 128, 128},
    {0, 0, 128},     {128, 0, 128},   {128, 128, 128}, {0, 0, 0}};
const QString AppSettings::defaultTableName = QStringLiteral("data.dbf");
const QString AppSettings::supervisorName = QStringLiteral("Supervisor");
const QString AppSettings::dataSubdir = QStringLiteral("DATA");

namespace {

QString cut(const QString& s, int capacity) { return s.left(capacity); }

// A stored choice outside its radio group falls back to the default, so a
// damaged file cannot select an option that does not exist.
uint16_t choice(uint16_t stored, int count, uint16_t fallback) {
  return stored < count ? stored : fallback;
}

std::optional<QByteArray> readWhole(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  // Our options files are a few hundred bytes; a huge one is not ours.
  if (f.size() > 64 * 1024) return std::nullopt;
  return f.readAll();
}

bool writeWhole(const QString& path, const QByteArray& bytes, bool ownerOnly = false) {
  // Write beside and rename, so a failed save never leaves a truncated file.
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  // Set on the file being written, before a byte is in it.
  if (ownerOnly && !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
    return false;
  if (f.write(bytes) != bytes.size()) return false;
  return f.commit();
}

QString upperAscii(QString s) {
  for (QChar& c : s)
    if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
  return s;
}

}  // namespace

void AppSettings::setEditionValues() {
  appTitle = QStringLiteral("Orvanta Tomekeeper");
  versionText = QStringLiteral("Version 1.0 (32-bit)");
  firstFieldEmptyMsg = QStringLiteral("First Field cannot be empty!");
  requiredFields.reset();
  requiredFields.set(0);
  todayDefaultFields.reset();
  homePageUrl = QStringLiteral("https://orvanta.example/tomekeeper");
  summaryValueField = 8;
}

AppSettings& appSettings() {
  static AppSettings instance;
  return instance;
}

QString joinPath(const QString& dir, const QString& name) {
  if (dir.isEmpty()) return name;
  if (dir.endsWith(QDir::separator()) || dir.endsWith(u'/')) return dir + name;
  return dir + QDir::separator() + name;
}

bool isPlainFileName(const QString& name) {
  if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..")) return false;
  for (const QChar c : name) {
    if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20 || c.unicode() == 0x7F)
      return false;
  }
  return true;
}

bool loadProgramOptions() {
  AppSettings& s = appSettings();
  bool read = false;
  if (auto bytes = readWhole(joinPath(s.programDir, optionsfile::kFileName))) {
    if (auto o = optionsfile::decodeProgram(*bytes)) {
      s.passwordMode = choice(o->passwordMode, 2, 1);
      s.publicAccess = choice(o->publicAccess, 4, 0);
      s.dataRootDir = cut(o->dataRootDir, 255);
      s.usersCount = choice(o->usersCount, 2, 0);
      s.supervisorPassword = cut(o->supervisorPassword, 255);
      read = true;
    }
  }
  if (s.dataRootDir.isEmpty() || !QDir::setCurrent(s.dataRootDir)) s.dataRootDir = s.programDir;
  QDir::setCurrent(s.programDir);
  return read;
}

bool saveProgramOptions() {
  const AppSettings& s = appSettings();
  const optionsfile::ProgramOptions o{s.passwordMode, s.publicAccess, s.dataRootDir, s.usersCount,
                                      s.supervisorPassword};
  return writePrivateFile(joinPath(s.programDir, optionsfile::kFileName), optionsfile::encode(o));
}

bool writePrivateFile(const QString& path, const QByteArray& bytes) {
  return writeWhole(path, bytes, true);
}

namespace {

bool readUserOptionsFile() {
  AppSettings& s = appSettings();
  auto bytes = readWhole(joinPath(s.homeDir, optionsfile::kFileName));
  if (!bytes) return false;
  auto o = optionsfile::decodeUser(*bytes);
  if (!o) return false;
  s.menusAndSpeedBars = choice(o->menusAndSpeedBars, 3, 0);
  s.comPort = choice(o->comPort, 4, 1);
  s.dialType = choice(o->dialType, 2, 0);
  s.hintMessages = choice(o->hintMessages, 2, 0);
  s.letterTabs = choice(o->letterTabs, 2, 0);
  s.initialDataFile = choice(o->initialDataFile, 2, 1);
  s.reservedOption = o->reservedOption;
  s.dateFormat = choice(o->dateFormat, 3, 0);
  s.speedBarLocation = choice(o->speedBarLocation, 2, 1);
  s.deleteMode = choice(o->deleteMode, 2, 0);
  s.bookModel = choice(o->bookModel, 2, 0);
  s.letterTabsLocation = choice(o->letterTabsLocation, 2, 0);
  const bool lastFileAllowed =
      s.initialDataFile == 1 && !o->tableName.isEmpty() && !o->databaseDir.isEmpty() &&
      (s.isSupervisor || s.accessRights != 3 || !isPublicDataDir(o->databaseDir));
  if (!lastFileAllowed) return true;
  // A last file that cannot be opened any more would end every start the
  // same way: the login's directory and the default table instead.
  if (o->tableName.size() > AppSettings::maxTableNameLength) {
    showMessage(MsgKind::Warning,
                QStringLiteral("The file name of the last used database \"%1\" is longer than %2 "
                               "characters.\rThe database \"%3\" is opened instead.")
                    .arg(o->tableName)
                    .arg(AppSettings::maxTableNameLength)
                    .arg(s.tableName));
    return true;
  }
  if (!isPlainFileName(o->tableName)) {
    showMessage(MsgKind::Warning,
                QStringLiteral("The file name of the last used database \"%1\" is not a plain "
                               "file name.\rThe database \"%2\" is opened instead.")
                    .arg(o->tableName, s.tableName));
    return true;
  }
  if (!QFileInfo(o->databaseDir).isDir()) {
    showMessage(MsgKind::Warning, QStringLiteral("The last used database directory\r%1\rno "
                                                 "longer exists. The database in\r%2\ris opened "
                                                 "instead.")
                                      .arg(o->databaseDir, s.databaseDir));
    return true;
  }
  s.tableName = o->tableName;
  s.databaseDir = o->databaseDir;
  return true;
}

}  // namespace

bool loadUserOptions() {
  AppSettings& s = appSettings();
  s.homeDir = s.databaseDir;
  const bool read = readUserOptionsFile();
  for (const auto& load : runObjects().afterUserOptions) load();
  return read;
}

bool saveUserOptions() {
  const AppSettings& s = appSettings();
  const optionsfile::UserOptions o{
      s.menusAndSpeedBars, s.comPort,        s.dialType,   s.hintMessages,      s.letterTabs,
      s.initialDataFile,   s.reservedOption, s.dateFormat, s.speedBarLocation,  s.deleteMode,
      s.tableName,         s.databaseDir,    s.bookModel,  s.letterTabsLocation};
  return writeWhole(joinPath(s.homeDir, optionsfile::kFileName), optionsfile::encode(o));
}

bool isPublicDataDir(const QString& dir) {
  const AppSettings& s = appSettings();
  return upperAscii(dir) == upperAscii(joinPath(s.dataRootDir, AppSettings::dataSubdir));
}

bool isReadOnlyDatabase() {
  const AppSettings& s = appSettings();
  return s.tablesReadOnly || (s.accessRights == 2 && isPublicDataDir(s.databaseDir));
}
