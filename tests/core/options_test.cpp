#include <gtest/gtest.h>

#include <QDir>

#include "core/optionsfile.h"
#include "core/runobjects.h"
#include "core/settings.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"

namespace {

using optionsfile::kScrambleKey;

QByteArray word(uint16_t v) {
  QByteArray b;
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
  return b;
}

// The on-disk form of a string, built by hand from the key rather than by
// the code under test.
QByteArray scrambledString(const QByteArray& plain) {
  QByteArray b;
  b.append(char(plain.size()));
  for (int i = 0; i < plain.size(); ++i) b.append(char(plain[i] ^ kScrambleKey[i % 10]));
  return b;
}

QByteArray userFile(uint16_t initialDataFile, const QByteArray& table, const QByteArray& dir,
                    uint16_t bookModel = 0) {
  QByteArray b;
  for (uint16_t w : {2, 3, 1, 1, 1}) b += word(w);  // menus, port, dial, hints, tabs
  b += word(initialDataFile);
  for (uint16_t w : {0, 2, 0, 1}) b += word(w);  // reserved, date, speed bar, delete
  b += scrambledString(table);
  b += scrambledString(dir);
  b += word(bookModel);
  b += word(1);
  return b;
}

TEST(OptionsFileBytes, EmptyStringIsOneZeroByte) {
  optionsfile::Writer w;
  w.string(QString());
  EXPECT_EQ(w.bytes(), QByteArray(1, '\0'));
}

TEST(OptionsFileBytes, StringsAreXoredWithTheRepeatingKey) {
  optionsfile::Writer w;
  w.string(QStringLiteral("ABCDEFGHIJKL"));  // 12 bytes: the key wraps
  EXPECT_EQ(w.bytes(), scrambledString("ABCDEFGHIJKL"));
  EXPECT_EQ(uint8_t(w.bytes()[1]), uint8_t('A' ^ 0x03));
  EXPECT_EQ(uint8_t(w.bytes()[11]), uint8_t('K' ^ 0x03));
  EXPECT_EQ(optionsfile::scramble(optionsfile::scramble("secret")), QByteArray("secret"));
}

TEST(OptionsFileBytes, StringsAreOneBytePerCharacterCutTo255) {
  for (const QChar c : {QChar(u'x'), QChar(0x00E9), QChar(0x20AC)}) {
    optionsfile::Writer w;
    w.string(QString(300, c));
    ASSERT_EQ(w.bytes().size(), 256);
    EXPECT_EQ(uint8_t(w.bytes()[0]), 255);
    optionsfile::Reader r(w.bytes());
    EXPECT_EQ(r.string(), QString(255, c));
  }
}

TEST(OptionsFileBytes, ProgramOptionsLayout) {
  const optionsfile::ProgramOptions o{1, 2, QStringLiteral("/srv/books"), 1, QStringLiteral("pw")};
  QByteArray expected =
      word(1) + word(2) + scrambledString("/srv/books") + word(1) + scrambledString("pw");
  EXPECT_EQ(optionsfile::encode(o), expected);
  auto back = optionsfile::decodeProgram(expected);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->dataRootDir, QStringLiteral("/srv/books"));
  EXPECT_EQ(back->supervisorPassword, QStringLiteral("pw"));
  EXPECT_EQ(back->usersCount, 1);
}

TEST(OptionsFileBytes, UserOptionsLayout) {
  const optionsfile::UserOptions o{
      2, 3, 1, 1, 1, 1, 0, 2, 0, 1, QStringLiteral("data_3.dbf"), QStringLiteral("/d/DATA"), 0, 1};
  EXPECT_EQ(optionsfile::encode(o), userFile(1, "data_3.dbf", "/d/DATA"));
}

TEST(OptionsFileBytes, EveryTruncationIsRejectedWhole) {
  const QByteArray whole = userFile(1, "data.dbf", "/x/DATA");
  for (int n = 0; n < whole.size(); ++n) EXPECT_FALSE(optionsfile::decodeUser(whole.left(n))) << n;
  EXPECT_TRUE(optionsfile::decodeUser(whole));
  const QByteArray prog = word(0) + word(0) + scrambledString("/r") + word(0) + scrambledString("");
  for (int n = 0; n < prog.size(); ++n) EXPECT_FALSE(optionsfile::decodeProgram(prog.left(n))) << n;
}

class OptionsFiles : public ::testing::Test {
 protected:
  SettingsSandbox box;
  AppSettings& s = appSettings();
};

TEST_F(OptionsFiles, ProgramOptionsRoundTripWithLongestStrings) {
  QDir().mkpath(box.file("root"));
  // The data root is only kept when it can be entered; make one 255 bytes long.
  QString root = box.file("root");
  root += QDir::separator();
  root += QString(255 - root.size(), QLatin1Char('r'));
  ASSERT_TRUE(QDir().mkpath(root));
  s.passwordMode = 0;
  s.publicAccess = 3;
  s.dataRootDir = root;
  s.usersCount = 1;
  s.supervisorPassword = QString(255, QLatin1Char('p'));
  ASSERT_TRUE(saveProgramOptions());
  const QByteArray bytes = SettingsSandbox::read(box.file("options.dat"));
  EXPECT_EQ(bytes.size(), 2 + 2 + 256 + 2 + 256);

  s = AppSettings{};
  s.programDir = box.path();
  ASSERT_TRUE(loadProgramOptions());
  EXPECT_EQ(s.passwordMode, 0);
  EXPECT_EQ(s.publicAccess, 3);
  EXPECT_EQ(s.dataRootDir, root);
  EXPECT_EQ(s.usersCount, 1);
  EXPECT_EQ(s.supervisorPassword, QString(255, QLatin1Char('p')));
  ASSERT_TRUE(saveProgramOptions());
  EXPECT_EQ(SettingsSandbox::read(box.file("options.dat")), bytes);
}

TEST_F(OptionsFiles, MissingProgramOptionsKeepDefaultsAndSkipTheLogin) {
  EXPECT_FALSE(loadProgramOptions());
  EXPECT_EQ(s.passwordMode, 1);
  EXPECT_EQ(s.usersCount, 0);
  EXPECT_EQ(s.dataRootDir, box.path());
}

TEST_F(OptionsFiles, DataRootThatCannotBeEnteredFallsBackToTheProgramDirectory) {
  s.dataRootDir = box.file("gone");
  ASSERT_TRUE(saveProgramOptions());
  s = AppSettings{};
  s.programDir = box.path();
  EXPECT_TRUE(loadProgramOptions());
  EXPECT_EQ(s.dataRootDir, box.path());
  EXPECT_EQ(QDir::toNativeSeparators(QDir::currentPath()), box.path());
}

TEST_F(OptionsFiles, TruncatedOrGarbageProgramOptionsChangeNothing) {
  // A length byte promising more than the file holds: nothing of it is taken.
  QByteArray bytes = word(0) + word(2) + QByteArray(1, char(200)) + QByteArray(50, char(0x9C));
  ASSERT_TRUE(SettingsSandbox::write(box.file("options.dat"), bytes));
  EXPECT_FALSE(loadProgramOptions());
  EXPECT_EQ(s.passwordMode, 1);
  EXPECT_EQ(s.publicAccess, 0);
  EXPECT_EQ(s.dataRootDir, box.path());

  // Whole but with choices no dialog offers: those fall back to defaults.
  bytes = word(77) + word(9) + scrambledString("") + word(40000) + scrambledString("x");
  ASSERT_TRUE(SettingsSandbox::write(box.file("options.dat"), bytes));
  EXPECT_TRUE(loadProgramOptions());
  EXPECT_EQ(s.passwordMode, 1);
  EXPECT_EQ(s.publicAccess, 0);
  EXPECT_EQ(s.usersCount, 0);
  EXPECT_EQ(s.supervisorPassword, QStringLiteral("x"));
}

TEST_F(OptionsFiles, UserOptionsRoundTripAndTheLastFile) {
  const QString other = box.file("data0003");
  QDir().mkpath(other);
  s.homeDir = s.databaseDir;
  QDir().mkpath(s.homeDir);
  s.menusAndSpeedBars = 2;
  s.comPort = 3;
  s.dateFormat = 2;
  s.bookModel = 1;
  s.letterTabsLocation = 1;
  s.tableName = QStringLiteral("data_7.dbf");
  s.databaseDir = other;
  ASSERT_TRUE(saveUserOptions());
  const QByteArray bytes = SettingsSandbox::read(joinPath(s.homeDir, "options.dat"));
  EXPECT_EQ(bytes.size(), 20 + 1 + 10 + 1 + other.toUtf8().size() + 4);

  const QString home = s.homeDir;
  s = AppSettings{};
  s.programDir = s.dataRootDir = box.path();
  s.databaseDir = home;
  ASSERT_TRUE(loadUserOptions());
  EXPECT_EQ(s.homeDir, home);
  EXPECT_EQ(s.menusAndSpeedBars, 2);
  EXPECT_EQ(s.comPort, 3);
  EXPECT_EQ(s.dateFormat, 2);
  EXPECT_EQ(s.bookModel, 1);
  EXPECT_EQ(s.letterTabsLocation, 1);
  EXPECT_EQ(s.tableName, QStringLiteral("data_7.dbf"));
  EXPECT_EQ(s.databaseDir, other);
  ASSERT_TRUE(saveUserOptions());
  EXPECT_EQ(SettingsSandbox::read(joinPath(home, "options.dat")), bytes);
}

class LastFileRule : public OptionsFiles {
 protected:
  QString publicDir() const { return joinPath(box.path(), "DATA"); }
  // The last file's directory exists unless the test says otherwise.
  void load(uint16_t initialDataFile, const QByteArray& table, const QString& dir,
            bool dirExists = true) {
    const QString home = box.file("home");
    QDir().mkpath(home);
    if (dirExists && !dir.isEmpty()) QDir().mkpath(dir);
    ASSERT_TRUE(SettingsSandbox::write(joinPath(home, "options.dat"),
                                       userFile(initialDataFile, table, dir.toUtf8(), 1)));
    s.databaseDir = home;
    ASSERT_TRUE(loadUserOptions());
  }
};

TEST_F(LastFileRule, TakenWhenAllowed) {
  load(1, "data_2.dbf", publicDir());
  EXPECT_EQ(s.tableName, QStringLiteral("data_2.dbf"));
  EXPECT_EQ(s.databaseDir, publicDir());
}

TEST_F(LastFileRule, InitialDataFileZeroStillReadsThePastStrings) {
  load(0, "data_2.dbf", publicDir());
  EXPECT_EQ(s.tableName, QStringLiteral("data.dbf"));
  EXPECT_EQ(s.databaseDir, box.file("home"));
  EXPECT_EQ(s.bookModel, 1);  // the fields after the strings are still aligned
  EXPECT_EQ(s.letterTabsLocation, 1);
}

TEST_F(LastFileRule, EmptyStringsKeepTheLoginValues) {
  load(1, "", publicDir());
  EXPECT_EQ(s.tableName, QStringLiteral("data.dbf"));
  load(1, "data_2.dbf", QString());
  EXPECT_EQ(s.tableName, QStringLiteral("data.dbf"));
}

TEST_F(LastFileRule, NoPublicAccessKeepsTheLoginDirectory) {
  s.accessRights = 3;
  load(1, "data_2.dbf", publicDir().toLower().replace("data", "DATA"));
  EXPECT_EQ(s.tableName, QStringLiteral("data.dbf"));
  EXPECT_EQ(s.databaseDir, box.file("home"));
}

TEST_F(LastFileRule, NoPublicAccessStillReturnsToAPrivateDirectory) {
  s.accessRights = 3;
  load(1, "data_2.dbf", box.file("data0002"));
  EXPECT_EQ(s.tableName, QStringLiteral("data_2.dbf"));
  EXPECT_EQ(s.databaseDir, box.file("data0002"));
}

// A last file that cannot be opened any more is not taken, with a word why,
// so the next start does not end the same way.
TEST_F(LastFileRule, GoneDirectoryOrUnusableNameGivesTheLoginDatabase) {
  struct Case {
    QByteArray table;
    QString dir;
    bool dirExists;
    QString message;
  };
  const QString home = box.file("home");
  const QString gone = box.file("gone/DATA");
  for (const Case& c : {
           Case{"data.dbf", gone, false,
                "The last used database directory\r" + gone +
                    "\rno longer exists. "
                    "The database in\r" +
                    home + "\ris opened instead."},
           Case{"longtablename.dbf", publicDir(), true,
                "The file name of the last used database \"longtablename.dbf\" is longer than "
                "12 characters.\rThe database \"data.dbf\" is opened instead."},
           Case{"../../x.dbf", publicDir(), true,
                "The file name of the last used database \"../../x.dbf\" is not a plain file "
                "name.\rThe database \"data.dbf\" is opened instead."},
           Case{"/tmp/x.dbf", publicDir(), true,
                "The file name of the last used database \"/tmp/x.dbf\" is not a plain file "
                "name.\rThe database \"data.dbf\" is opened instead."},
           Case{"..\\x.dbf", publicDir(), true,
                "The file name of the last used database \"..\\x.dbf\" is not a plain file "
                "name.\rThe database \"data.dbf\" is opened instead."},
           Case{"..", publicDir(), true,
                "The file name of the last used database \"..\" is not a plain file "
                "name.\rThe database \"data.dbf\" is opened instead."},
       }) {
    ScriptedPrompter prompts;
    s.databaseDir = home;
    s.tableName = AppSettings::defaultTableName;
    load(1, c.table, c.dir, c.dirExists);
    EXPECT_EQ(s.tableName, QStringLiteral("data.dbf"));
    EXPECT_EQ(s.databaseDir, home);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(prompts.shown[0].text, c.message);
  }
  // Twelve characters still fit the catalogue.
  load(1, "data_123.dbf", publicDir());
  EXPECT_EQ(s.tableName, QStringLiteral("data_123.dbf"));
}

TEST_F(LastFileRule, SupervisorMayReturnToThePublicDirectory) {
  s.accessRights = 3;
  s.isSupervisor = true;
  load(1, "data_2.dbf", publicDir());
  EXPECT_EQ(s.databaseDir, publicDir());
}

TEST_F(OptionsFiles, TruncatedUserOptionsKeepEveryDefaultButStillLoadTemplates) {
  int hooks = 0;
  runObjects().afterUserOptions.push_back([&] { ++hooks; });
  QDir().mkpath(s.databaseDir);
  const QByteArray whole = userFile(1, "data_9.dbf", "/elsewhere", 1);
  ASSERT_TRUE(SettingsSandbox::write(joinPath(s.databaseDir, "options.dat"), whole.left(25)));
  EXPECT_FALSE(loadUserOptions());
  EXPECT_EQ(s.menusAndSpeedBars, 0);  // not the 2 the file starts with
  EXPECT_EQ(s.comPort, 1);
  EXPECT_EQ(s.tableName, QStringLiteral("data.dbf"));
  EXPECT_EQ(hooks, 1);
  runObjects().afterUserOptions.clear();
}

TEST_F(OptionsFiles, UnwritableHomeFailsTheSaveAndKeepsTheOtherFile) {
  ASSERT_TRUE(SettingsSandbox::write(box.file("options.dat"), "keep"));
  s.homeDir = box.file("nothere") + QDir::separator() + "deeper";
  EXPECT_FALSE(saveUserOptions());
  EXPECT_EQ(SettingsSandbox::read(box.file("options.dat")), QByteArray("keep"));
}

TEST_F(OptionsFiles, PublicDirectoryAndReadOnlyMode) {
  s.dataRootDir = QStringLiteral("/srv/Tomes");
  EXPECT_TRUE(isPublicDataDir(QStringLiteral("/SRV/tomes/data")));
  EXPECT_FALSE(isPublicDataDir(QStringLiteral("/srv/Tomes/data0001")));
  // Only ASCII letters fold: an accented letter must match exactly.
  s.dataRootDir = QStringLiteral("/srv/Bücher");
  EXPECT_TRUE(isPublicDataDir(QStringLiteral("/SRV/BüCHER/DATA")));
  EXPECT_FALSE(isPublicDataDir(QStringLiteral("/SRV/BÜCHER/DATA")));

  s.databaseDir = QStringLiteral("/srv/Bücher/DATA");
  s.accessRights = 1;
  EXPECT_FALSE(isReadOnlyDatabase());
  s.accessRights = 2;
  EXPECT_TRUE(isReadOnlyDatabase());
  s.databaseDir = QStringLiteral("/srv/Bücher/data0004");
  EXPECT_FALSE(isReadOnlyDatabase());
}

}  // namespace
