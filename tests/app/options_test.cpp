#include <gtest/gtest.h>

#include <QDir>

#include "optionsfile.h"
#include "runtime.h"
#include "settings.h"
#include "tempdir.h"

namespace {

using optionsfile::kScrambleKey;

QByteArray Word(uint16_t v) {
  QByteArray b;
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
  return b;
}

// The on-disk form of a string, built by hand from the key rather than by
// the code under test.
QByteArray ScrambledString(const QByteArray& plain) {
  QByteArray b;
  b.append(char(plain.size()));
  for (int i = 0; i < plain.size(); ++i) b.append(char(plain[i] ^ kScrambleKey[i % 10]));
  return b;
}

QByteArray UserFile(uint16_t initialDataFile, const QByteArray& table, const QByteArray& dir,
                    uint16_t bookModel = 0) {
  QByteArray b;
  for (uint16_t w : {2, 3, 1, 1, 1}) b += Word(w);  // menus, port, dial, hints, tabs
  b += Word(initialDataFile);
  for (uint16_t w : {0, 2, 0, 1}) b += Word(w);  // reserved, date, speed bar, delete
  b += ScrambledString(table);
  b += ScrambledString(dir);
  b += Word(bookModel);
  b += Word(1);
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
  EXPECT_EQ(w.bytes(), ScrambledString("ABCDEFGHIJKL"));
  EXPECT_EQ(uint8_t(w.bytes()[1]), uint8_t('A' ^ 0x03));
  EXPECT_EQ(uint8_t(w.bytes()[11]), uint8_t('K' ^ 0x03));
  EXPECT_EQ(optionsfile::Scramble(optionsfile::Scramble("secret")), QByteArray("secret"));
}

TEST(OptionsFileBytes, LongStringsAreCutTo255BytesOnACharacterBoundary) {
  optionsfile::Writer w;
  w.string(QString(300, QLatin1Char('x')));
  EXPECT_EQ(w.bytes().size(), 256);
  EXPECT_EQ(uint8_t(w.bytes()[0]), 255);

  optionsfile::Writer u;
  u.string(QString(128, QLatin1Char('a')) + QString(100, QChar(0x00E9)));  // é is 2 bytes
  ASSERT_EQ(uint8_t(u.bytes()[0]), 254);  // 128 + 63*2: the 64th é would cross 255
  optionsfile::Reader r(u.bytes());
  auto back = r.string();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->size(), 128 + 63);
}

TEST(OptionsFileBytes, ProgramOptionsLayout) {
  const optionsfile::ProgramOptions o{1, 2, QStringLiteral("/srv/books"), 1,
                                      QStringLiteral("pw")};
  QByteArray expected = Word(1) + Word(2) + ScrambledString("/srv/books") + Word(1) +
                        ScrambledString("pw");
  EXPECT_EQ(optionsfile::Encode(o), expected);
  auto back = optionsfile::DecodeProgram(expected);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->DataRootDir, QStringLiteral("/srv/books"));
  EXPECT_EQ(back->SupervisorPassword, QStringLiteral("pw"));
  EXPECT_EQ(back->UsersCount, 1);
}

TEST(OptionsFileBytes, UserOptionsLayout) {
  const optionsfile::UserOptions o{2, 3, 1, 1, 1, 1, 0, 2, 0, 1,
                                   QStringLiteral("data_3.dbf"), QStringLiteral("/d/DATA"), 0,
                                   1};
  EXPECT_EQ(optionsfile::Encode(o), UserFile(1, "data_3.dbf", "/d/DATA"));
}

TEST(OptionsFileBytes, EveryTruncationIsRejectedWhole) {
  const QByteArray whole = UserFile(1, "data.dbf", "/x/DATA");
  for (int n = 0; n < whole.size(); ++n)
    EXPECT_FALSE(optionsfile::DecodeUser(whole.left(n))) << n;
  EXPECT_TRUE(optionsfile::DecodeUser(whole));
  const QByteArray prog = Word(0) + Word(0) + ScrambledString("/r") + Word(0) + ScrambledString("");
  for (int n = 0; n < prog.size(); ++n)
    EXPECT_FALSE(optionsfile::DecodeProgram(prog.left(n))) << n;
}

class OptionsFiles : public ::testing::Test {
 protected:
  SettingsSandbox box;
  TAppSettings& s = AppSettings();
};

TEST_F(OptionsFiles, ProgramOptionsRoundTripWithLongestStrings) {
  QDir().mkpath(box.file("root"));
  // The data root is only kept when it can be entered; make one 255 bytes long.
  QString root = box.file("root");
  root += QDir::separator();
  root += QString(255 - root.size(), QLatin1Char('r'));
  ASSERT_TRUE(QDir().mkpath(root));
  s.PasswordMode = 0;
  s.PublicAccess = 3;
  s.DataRootDir = root;
  s.UsersCount = 1;
  s.SupervisorPassword = QString(255, QLatin1Char('p'));
  ASSERT_TRUE(SaveProgramOptions());
  const QByteArray bytes = SettingsSandbox::read(box.file("options.dat"));
  EXPECT_EQ(bytes.size(), 2 + 2 + 256 + 2 + 256);

  s = TAppSettings{};
  s.ProgramDir = box.path();
  ASSERT_TRUE(LoadProgramOptions());
  EXPECT_EQ(s.PasswordMode, 0);
  EXPECT_EQ(s.PublicAccess, 3);
  EXPECT_EQ(s.DataRootDir, root);
  EXPECT_EQ(s.UsersCount, 1);
  EXPECT_EQ(s.SupervisorPassword, QString(255, QLatin1Char('p')));
  ASSERT_TRUE(SaveProgramOptions());
  EXPECT_EQ(SettingsSandbox::read(box.file("options.dat")), bytes);
}

TEST_F(OptionsFiles, MissingProgramOptionsKeepDefaultsAndSkipTheLogin) {
  EXPECT_FALSE(LoadProgramOptions());
  EXPECT_EQ(s.PasswordMode, 1);
  EXPECT_EQ(s.UsersCount, 0);
  EXPECT_EQ(s.DataRootDir, box.path());
}

TEST_F(OptionsFiles, DataRootThatCannotBeEnteredFallsBackToTheProgramDirectory) {
  s.DataRootDir = box.file("gone");
  ASSERT_TRUE(SaveProgramOptions());
  s = TAppSettings{};
  s.ProgramDir = box.path();
  EXPECT_TRUE(LoadProgramOptions());
  EXPECT_EQ(s.DataRootDir, box.path());
  EXPECT_EQ(QDir::toNativeSeparators(QDir::currentPath()), box.path());
}

TEST_F(OptionsFiles, TruncatedOrGarbageProgramOptionsChangeNothing) {
  // A length byte promising more than the file holds: nothing of it is taken.
  QByteArray bytes = Word(0) + Word(2) + QByteArray(1, char(200)) + QByteArray(50, char(0x9C));
  ASSERT_TRUE(SettingsSandbox::write(box.file("options.dat"), bytes));
  EXPECT_FALSE(LoadProgramOptions());
  EXPECT_EQ(s.PasswordMode, 1);
  EXPECT_EQ(s.PublicAccess, 0);
  EXPECT_EQ(s.DataRootDir, box.path());

  // Whole but with choices no dialog offers: those fall back to defaults.
  bytes = Word(77) + Word(9) + ScrambledString("") + Word(40000) + ScrambledString("x");
  ASSERT_TRUE(SettingsSandbox::write(box.file("options.dat"), bytes));
  EXPECT_TRUE(LoadProgramOptions());
  EXPECT_EQ(s.PasswordMode, 1);
  EXPECT_EQ(s.PublicAccess, 0);
  EXPECT_EQ(s.UsersCount, 0);
  EXPECT_EQ(s.SupervisorPassword, QStringLiteral("x"));
}

TEST_F(OptionsFiles, UserOptionsRoundTripAndTheLastFile) {
  const QString other = box.file("data0003");
  QDir().mkpath(other);
  s.HomeDir = s.DatabaseDir;
  QDir().mkpath(s.HomeDir);
  s.MenusAndSpeedBars = 2;
  s.ComPort = 3;
  s.DateFormat = 2;
  s.BookModel = 1;
  s.LetterTabsLocation = 1;
  s.TableName = QStringLiteral("data_7.dbf");
  s.DatabaseDir = other;
  ASSERT_TRUE(SaveUserOptions());
  const QByteArray bytes = SettingsSandbox::read(JoinPath(s.HomeDir, "options.dat"));
  EXPECT_EQ(bytes.size(), 20 + 1 + 10 + 1 + other.toUtf8().size() + 4);

  const QString home = s.HomeDir;
  s = TAppSettings{};
  s.ProgramDir = s.DataRootDir = box.path();
  s.DatabaseDir = home;
  ASSERT_TRUE(LoadUserOptions());
  EXPECT_EQ(s.HomeDir, home);
  EXPECT_EQ(s.MenusAndSpeedBars, 2);
  EXPECT_EQ(s.ComPort, 3);
  EXPECT_EQ(s.DateFormat, 2);
  EXPECT_EQ(s.BookModel, 1);
  EXPECT_EQ(s.LetterTabsLocation, 1);
  EXPECT_EQ(s.TableName, QStringLiteral("data_7.dbf"));
  EXPECT_EQ(s.DatabaseDir, other);
  ASSERT_TRUE(SaveUserOptions());
  EXPECT_EQ(SettingsSandbox::read(JoinPath(home, "options.dat")), bytes);
}

class LastFileRule : public OptionsFiles {
 protected:
  QString publicDir() const { return JoinPath(box.path(), "DATA"); }
  void load(uint16_t initialDataFile, const QByteArray& table, const QString& dir) {
    const QString home = box.file("home");
    QDir().mkpath(home);
    ASSERT_TRUE(SettingsSandbox::write(JoinPath(home, "options.dat"),
                                       UserFile(initialDataFile, table, dir.toUtf8(), 1)));
    s.DatabaseDir = home;
    ASSERT_TRUE(LoadUserOptions());
  }
};

TEST_F(LastFileRule, TakenWhenAllowed) {
  load(1, "data_2.dbf", publicDir());
  EXPECT_EQ(s.TableName, QStringLiteral("data_2.dbf"));
  EXPECT_EQ(s.DatabaseDir, publicDir());
}

TEST_F(LastFileRule, InitialDataFileZeroStillReadsThePastStrings) {
  load(0, "data_2.dbf", publicDir());
  EXPECT_EQ(s.TableName, QStringLiteral("data.dbf"));
  EXPECT_EQ(s.DatabaseDir, box.file("home"));
  EXPECT_EQ(s.BookModel, 1);  // the fields after the strings are still aligned
  EXPECT_EQ(s.LetterTabsLocation, 1);
}

TEST_F(LastFileRule, EmptyStringsKeepTheLoginValues) {
  load(1, "", publicDir());
  EXPECT_EQ(s.TableName, QStringLiteral("data.dbf"));
  load(1, "data_2.dbf", QString());
  EXPECT_EQ(s.TableName, QStringLiteral("data.dbf"));
}

TEST_F(LastFileRule, NoPublicAccessKeepsTheLoginDirectory) {
  s.AccessRights = 3;
  load(1, "data_2.dbf", publicDir().toLower().replace("data", "DATA"));
  EXPECT_EQ(s.TableName, QStringLiteral("data.dbf"));
  EXPECT_EQ(s.DatabaseDir, box.file("home"));
}

TEST_F(LastFileRule, NoPublicAccessStillReturnsToAPrivateDirectory) {
  s.AccessRights = 3;
  load(1, "data_2.dbf", box.file("data0002"));
  EXPECT_EQ(s.TableName, QStringLiteral("data_2.dbf"));
  EXPECT_EQ(s.DatabaseDir, box.file("data0002"));
}

TEST_F(LastFileRule, SupervisorMayReturnToThePublicDirectory) {
  s.AccessRights = 3;
  s.IsSupervisor = true;
  load(1, "data_2.dbf", publicDir());
  EXPECT_EQ(s.DatabaseDir, publicDir());
}

TEST_F(OptionsFiles, TruncatedUserOptionsKeepEveryDefaultButStillLoadTemplates) {
  int hooks = 0;
  RunObjects().afterUserOptions.push_back([&] { ++hooks; });
  QDir().mkpath(s.DatabaseDir);
  const QByteArray whole = UserFile(1, "data_9.dbf", "/elsewhere", 1);
  ASSERT_TRUE(SettingsSandbox::write(JoinPath(s.DatabaseDir, "options.dat"), whole.left(25)));
  EXPECT_FALSE(LoadUserOptions());
  EXPECT_EQ(s.MenusAndSpeedBars, 0);  // not the 2 the file starts with
  EXPECT_EQ(s.ComPort, 1);
  EXPECT_EQ(s.TableName, QStringLiteral("data.dbf"));
  EXPECT_EQ(hooks, 1);
  RunObjects().afterUserOptions.clear();
}

TEST_F(OptionsFiles, UnwritableHomeFailsTheSaveAndKeepsTheOtherFile) {
  ASSERT_TRUE(SettingsSandbox::write(box.file("options.dat"), "keep"));
  s.HomeDir = box.file("nothere") + QDir::separator() + "deeper";
  EXPECT_FALSE(SaveUserOptions());
  EXPECT_EQ(SettingsSandbox::read(box.file("options.dat")), QByteArray("keep"));
}

TEST_F(OptionsFiles, PublicDirectoryAndReadOnlyMode) {
  s.DataRootDir = QStringLiteral("/srv/Tomes");
  EXPECT_TRUE(IsPublicDataDir(QStringLiteral("/SRV/tomes/data")));
  EXPECT_FALSE(IsPublicDataDir(QStringLiteral("/srv/Tomes/data0001")));
  // Only ASCII letters fold: an accented letter must match exactly.
  s.DataRootDir = QStringLiteral("/srv/Bücher");
  EXPECT_TRUE(IsPublicDataDir(QStringLiteral("/SRV/BüCHER/DATA")));
  EXPECT_FALSE(IsPublicDataDir(QStringLiteral("/SRV/BÜCHER/DATA")));

  s.DatabaseDir = QStringLiteral("/srv/Bücher/DATA");
  s.AccessRights = 1;
  EXPECT_FALSE(IsReadOnlyDatabase());
  s.AccessRights = 2;
  EXPECT_TRUE(IsReadOnlyDatabase());
  s.DatabaseDir = QStringLiteral("/srv/Bücher/data0004");
  EXPECT_FALSE(IsReadOnlyDatabase());
}

}  // namespace
