#pragma once

#include <QByteArray>
#include <QString>
#include <bitset>
#include <cstdint>

// Field numbers 0..255, as a dBASE-style set.
using TFieldSet = std::bitset<256>;

struct TRgb {
  uint8_t red, green, blue;
};

// The one process-wide record of options, edition texts, directories, login
// identity and run-time flags. Persistent fields live in the two options.dat
// files (program options and user options).
struct TAppSettings {
  static constexpr int kElementCount = 27;
  static constexpr int kPaletteSize = 16;

  // Colours: palette index per colour element.
  uint8_t ElementColors[kElementCount] = {6, 1, 0, 14, 6, 1, 14, 1, 0, 14, 6, 1, 1, 1,
                                          1, 15, 0, 15, 0, 12, 1, 6, 5, 0, 1, 1, 1};

  // Edition values, set at start-up and never saved.
  QString FirstFieldEmptyMsg;  // up to 255 characters
  QString AppTitle;            // up to 43
  QString VersionText;         // up to 43
  TFieldSet RequiredFields;
  TFieldSet TodayDefaultFields;
  QString HomePageUrl;  // up to 127
  uint8_t SummaryValueField = 0;

  // Interface options (user options file).
  uint16_t LetterTabsLocation = 0;
  uint16_t BookModel = 0;
  uint16_t MenusAndSpeedBars = 0;
  uint16_t ComPort = 1;
  uint16_t DialType = 0;
  uint16_t HintMessages = 0;
  uint16_t LetterTabs = 0;
  uint16_t InitialDataFile = 1;
  uint16_t ReservedOption = 0;
  uint16_t DateFormat = 0;
  uint16_t SpeedBarLocation = 1;
  uint16_t DeleteMode = 0;

  // Security options (program options file).
  uint16_t PasswordMode = 1;
  uint16_t PublicAccess = 0;
  uint16_t UsersCount = 0;
  QString DataRootDir;
  QString SupervisorPassword;

  // Run-time state.
  uint16_t AccessRights = 1;
  uint8_t FirstUserField = 2;
  QString TableName = QStringLiteral("data.dbf");
  QString ProgramDir;
  QString UserId;
  QString DatabaseDir;
  QString HomeDir;
  bool IsSupervisor = false;
  TFieldSet StringFields;
  TFieldSet MemoFields;
  TFieldSet BlobFields;
  uint8_t FilterState = 0;
  bool CopyBufferFull = false;
  bool IndexErrorQuiet = true;

  static const TRgb Palette[kPaletteSize];
  static const QString DefaultTableName;  // "data.dbf"
  static const QString SupervisorName;    // "Supervisor"
  static const QString DataSubdir;        // "DATA"

  // The texts and values of this edition.
  void setEditionValues();
};

// The single instance.
TAppSettings& AppSettings();

// Program options file in ProgramDir. Returns true when the file was read
// whole; a missing, short or damaged file leaves every field at its default.
// Either way DataRootDir is tried as a directory and falls back to ProgramDir.
bool LoadProgramOptions();
bool SaveProgramOptions();
// User options file in HomeDir (set to DatabaseDir first). Returns true when read.
bool LoadUserOptions();
bool SaveUserOptions();

bool IsPublicDataDir(const QString& dir);
bool IsReadOnlyDatabase();

// Joins with the native separator, as every path the program builds.
QString JoinPath(const QString& dir, const QString& name);
