#pragma once

#include <QByteArray>
#include <QString>
#include <bitset>
#include <cstdint>

// Field numbers 0..255, as a dBASE-style set.
using FieldSet = std::bitset<256>;

struct Rgb {
  uint8_t red, green, blue;
};

// The one process-wide record of options, edition texts, directories, login
// identity and run-time flags. Persistent fields live in the two options.dat
// files (program options and user options).
struct AppSettings {
  static constexpr int kElementCount = 27;
  static constexpr int kPaletteSize = 16;

  // Colours: palette index per colour element.
  uint8_t elementColors[kElementCount] = {6, 1,  0, 14, 6, 1,  14, 1, 0, 14, 6, 1, 1, 1,
                                          1, 15, 0, 15, 0, 12, 1,  6, 5, 0,  1, 1, 1};

  // Edition values, set at start-up and never saved.
  QString firstFieldEmptyMsg;  // up to 255 characters
  QString appTitle;            // up to 43
  QString versionText;         // up to 43
  FieldSet requiredFields;
  FieldSet todayDefaultFields;
  QString homePageUrl;  // up to 127
  uint8_t summaryValueField = 0;

  // Interface options (user options file).
  uint16_t letterTabsLocation = 0;
  uint16_t bookModel = 0;
  uint16_t menusAndSpeedBars = 0;
  uint16_t comPort = 1;
  uint16_t dialType = 0;
  uint16_t hintMessages = 0;
  uint16_t letterTabs = 0;
  uint16_t initialDataFile = 1;
  uint16_t reservedOption = 0;
  uint16_t dateFormat = 0;
  uint16_t speedBarLocation = 1;
  uint16_t deleteMode = 0;

  // Security options (program options file).
  uint16_t passwordMode = 1;
  uint16_t publicAccess = 0;
  uint16_t usersCount = 0;
  QString dataRootDir;
  QString supervisorPassword;

  // Run-time state.
  uint16_t accessRights = 1;
  uint8_t firstUserField = 2;
  QString tableName = QStringLiteral("data.dbf");
  QString programDir;
  QString userId;
  QString databaseDir;
  QString homeDir;
  bool isSupervisor = false;
  FieldSet stringFields;
  FieldSet memoFields;
  FieldSet blobFields;
  uint8_t filterState = 0;
  // A filter was applied since the last search marked the records: saving a
  // record then marks it by the filter.
  bool filterActive = false;
  bool copyBufferFull = false;
  bool indexErrorQuiet = true;
  bool tablesReadOnly = false;  // the database's tables could only be opened read-only

  static const Rgb Palette[kPaletteSize];
  static const QString defaultTableName;  // "data.dbf"
  static const QString supervisorName;    // "Supervisor"
  static const QString dataSubdir;        // "DATA"
  // The longest table file name the catalogue holds.
  static constexpr int maxTableNameLength = 12;

  // The texts and values of this edition.
  void setEditionValues();
};

// The single instance.
AppSettings& appSettings();

// Program options file in ProgramDir. Returns true when the file was read
// whole; a missing, short or damaged file leaves every field at its default.
// Either way DataRootDir is tried as a directory and falls back to ProgramDir.
bool loadProgramOptions();
bool saveProgramOptions();
// User options file in HomeDir (set to DatabaseDir first). Returns true when read.
bool loadUserOptions();
bool saveUserOptions();

bool isPublicDataDir(const QString& dir);
// The user's rights on a public database, or tables opened read-only.
bool isReadOnlyDatabase();

// Writes a file whole beside its place and renames it over, so a failed save
// keeps the old file; readable and writable by its owner only (the scrambled
// passwords are no protection of their own).
bool writePrivateFile(const QString& path, const QByteArray& bytes);

// Joins with the native separator, as every path the program builds.
QString joinPath(const QString& dir, const QString& name);
// A file name alone, as names read from files must be before they are joined
// to a folder: not empty, no folder separator or drive colon, not "." or "..",
// no control characters.
bool isPlainFileName(const QString& name);
