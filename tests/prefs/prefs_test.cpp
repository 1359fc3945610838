#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "core/labels.h"
#include "prefs/colorscheme.h"
#include "prefs/optionsmodel.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"

namespace {

using colors::Scheme;

QByteArray bytesOf(const Scheme& s) {
  return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size()));
}

Scheme filled(uint8_t v) {
  Scheme s{};
  s.fill(v);
  return s;
}

TEST(ColorFile, DamagedGivesDefaultsAndMissingKeepsTheColours) {
  struct Case {
    const char* what;
    std::optional<QByteArray> file;  // nothing: no file at all
    Scheme expected;
  };
  const Scheme mine = filled(7), defaults = colors::defaultScheme();
  const Case cases[] = {
      {"missing", std::nullopt, mine},
      {"sound", bytesOf(filled(15)), filled(15)},
      {"empty", QByteArray(), defaults},
      {"short", bytesOf(filled(3)).left(26), defaults},
      {"long", bytesOf(filled(3)) + '\x01', defaults},
      {"no palette colour", bytesOf(filled(3)).replace(5, 1, "\x10"), defaults},
  };
  for (const Case& c : cases) {
    SettingsSandbox box;
    const QString path = box.file("color.lst");
    if (c.file) {
      ASSERT_TRUE(SettingsSandbox::write(path, *c.file));
    }
    Scheme into = mine;
    colors::loadColors(path, into);
    EXPECT_EQ(into, c.expected) << c.what;
  }
}

TEST(ColorTemplates, FileRoundTripsByteForByte) {
  SettingsSandbox box;
  const QString path = box.file("color_t.tml");
  colors::ColorList list;
  ASSERT_TRUE(list.add("Sépia", filled(8)));
  ASSERT_TRUE(list.add(QString(255, u'x'), colors::defaultScheme()));
  EXPECT_FALSE(list.add("Sépia", filled(1)));
  EXPECT_FALSE(list.add(QString(256, u'x'), filled(1)));
  EXPECT_FALSE(list.add("", filled(1)));
  ASSERT_TRUE(list.save(path));
  const QByteArray file = SettingsSandbox::read(path);
  EXPECT_EQ(file.left(7), QByteArray("\x01\x05S\xE9pia", 7));
  EXPECT_EQ(file.size(), 1 + (1 + 5 + 27) + (1 + 255 + 27) + 1);
  EXPECT_EQ(file.back(), '\0');
  colors::ColorList back;
  EXPECT_TRUE(back.load(path));
  EXPECT_EQ(back.names(), list.names());
  EXPECT_EQ(back.at(0).colors, filled(8));
  EXPECT_EQ(back.encode(), file);
  back.remove(0);
  back.remove(5);
  EXPECT_EQ(back.names(), QStringList{QString(255, u'x')});
}

TEST(ColorTemplates, DamagedFilesKeepTheWholeTemplatesBeforeTheDamage) {
  colors::ColorList two;
  two.add("One", filled(1));
  two.add("Two", filled(2));
  const QByteArray whole = two.encode();
  struct Case {
    const char* what;
    QByteArray bytes;
    QStringList names;
    bool whole = false;
  };
  const Case cases[] = {
      {"empty", {}, {}},
      {"no list start", whole.mid(1), {}},
      {"cut in the second colours", whole.left(whole.size() - 5), {"One"}},
      {"no list end", whole.chopped(1), {"One", "Two"}},
      {"repeated names", whole.chopped(1) + whole.mid(1), {"One", "Two"}, true},
  };
  for (const Case& c : cases) {
    colors::ColorList list;
    list.add("Old", filled(0));
    EXPECT_EQ(list.decode(c.bytes), c.whole) << c.what;
    EXPECT_EQ(list.names(), c.names) << c.what;
  }
  // A template that names no palette colour loads as the defaults.
  EXPECT_EQ(colors::soundOrDefault(filled(200)), colors::defaultScheme());
}

class OptionsModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppSettings& s = appSettings();
    s.homeDir = s.databaseDir;
    QDir().mkpath(s.databaseDir);
    labels() = {"Book Title", "Author", "Category"};
  }
  void TearDown() override { labels().clear(); }
  static QString home(const char* name) { return joinPath(appSettings().homeDir, name); }

  SettingsSandbox box_;
  ScriptedPrompter prompts_;
};

TEST_F(OptionsModelTest, OnlyTheSupervisorOpensTheLastTwoPages) {
  const bool expected[2][prefs::kPageCount] = {{true, true, true, false, false},
                                               {true, true, true, true, true}};
  for (int sup = 0; sup < 2; ++sup) {
    for (int page = 0; page < prefs::kPageCount; ++page)
      EXPECT_EQ(prefs::pageAllowed(page, sup), expected[sup][page]) << sup << page;
    EXPECT_FALSE(prefs::pageAllowed(prefs::kPageCount, sup));
  }
  EXPECT_EQ(prefs::lastAllowedPage(false), 2);
  EXPECT_EQ(prefs::lastAllowedPage(true), 4);
}

TEST_F(OptionsModelTest, OneUserSystemReadsAndWritesThePublicFiles) {
  AppSettings& s = appSettings();
  s.usersCount = 0;
  s.publicAccess = 2;
  prefs::OptionsModel m(s, labels());
  EXPECT_EQ(m.choice(&AppSettings::publicAccess), 1);
  EXPECT_FALSE(m.accountsEnabled());
  m.setChoice(&AppSettings::usersCount, 1);
  m.setChoice(&AppSettings::publicAccess, 3);
  EXPECT_TRUE(m.accountsEnabled());
  m.setChoice(&AppSettings::usersCount, 0);
  EXPECT_EQ(m.choice(&AppSettings::publicAccess), 1);
}

TEST_F(OptionsModelTest, DamagedSettingsShowAsFirstItemsAndPaletteColours) {
  AppSettings& s = appSettings();
  s.dateFormat = 9;
  s.elementColors[3] = 200;
  prefs::OptionsModel m(s, labels());
  EXPECT_EQ(m.choice(&AppSettings::dateFormat), 0);
  EXPECT_EQ(m.colorOf(3), 200 % 16);
  EXPECT_EQ(m.colorOf(27), -1);
  m.setColor(27, 1);
  m.setColor(0, 16);
  EXPECT_EQ(m.colors()[0], 6);
}

TEST_F(OptionsModelTest, CloseWritesChoicesColoursAndLabelsByteExact) {
  AppSettings& s = appSettings();
  prefs::OptionsModel m(s, labels());
  m.setChoice(&AppSettings::bookModel, 1);
  m.setChoice(&AppSettings::dateFormat, 2);
  m.setColor(24, 9);
  // A click takes effect at once; the file waits for "Close".
  EXPECT_EQ(s.elementColors[24], 9);
  EXPECT_TRUE(m.colorsChanged());
  EXPECT_FALSE(QFile::exists(joinPath(s.databaseDir, "color.lst")));
  EXPECT_EQ(m.renameLabel(1, "Écrivain"), RenameResult::Renamed);
  EXPECT_EQ(m.renameLabel(2, QString(255, u'c')), RenameResult::Renamed);
  EXPECT_EQ(m.renameLabel(0, ""), RenameResult::EmptyLabel);
  EXPECT_EQ(m.renameLabel(0, "écrivain"), RenameResult::Duplicate);
  EXPECT_EQ(s.bookModel, 0);
  m.close();
  EXPECT_EQ(s.bookModel, 1);
  EXPECT_EQ(s.dateFormat, 2);
  Scheme expected = colors::defaultScheme();
  expected[24] = 9;
  EXPECT_EQ(SettingsSandbox::read(joinPath(s.databaseDir, "color.lst")), bytesOf(expected));
  EXPECT_EQ(SettingsSandbox::read(home("labels.dat")),
            "Book Title\r\n\xC9"
            "crivain\r\n" +
                QByteArray(255, 'c') + "\r\n");
  EXPECT_EQ(labels()[1], "Écrivain");
  loadLabels();
  EXPECT_EQ(labels()[1], "Écrivain");
  EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(OptionsModelTest, TemplateUnderATakenNameLeavesTheFile) {
  AppSettings& s = appSettings();
  prefs::OptionsModel m(s, labels());
  const QString path = home("color_t.tml");
  EXPECT_EQ(m.saveTemplate("Mine", path), "");
  const QByteArray saved = SettingsSandbox::read(path);
  m.setColor(0, 5);
  EXPECT_EQ(m.saveTemplate("Mine", path), "Duplicate name - template not saved!");
  EXPECT_EQ(SettingsSandbox::read(path), saved);
  EXPECT_EQ(m.saveTemplate("Mine 2", path), "");
  EXPECT_EQ(m.saveTemplate(QString(300, u'n'), path), "");
  colors::ColorList list;
  list.load(path);
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.at(2).name, QString(255, u'n'));
  EXPECT_EQ(list.at(1).colors[0], 5);
  m.applyScheme(list.at(0).colors);
  EXPECT_EQ(s.elementColors[0], 6);
}

TEST_F(OptionsModelTest, DataRootChangesOnlyToAWritableDirectoryAfterTheQuestion) {
  const QString question =
      "You may have to move all your data files to a new directory.\rAre you sure you want to "
      "change your Data Directory?";
  const QString done =
      "Data Root Directory changed.\rYou have to restart the program for the change to take "
      "effect.";
  const QString kept = "\rThe Data Root Directory is not changed.";
  const QString dir = box_.file("newroot"), file = box_.file("afile"), locked = box_.file("locked"),
                none = box_.file("none");
  QDir().mkpath(dir);
  QDir().mkpath(locked);
  SettingsSandbox::write(file, "x");
  QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const bool canLock = !QFileInfo(locked).isWritable();  // not as root
  struct Case {
    QString typed;
    MsgResult answer;
    QStringList texts;
    bool changed;
  };
  const Case cases[] = {
      {appSettings().dataRootDir, MsgResult::Yes, {}, false},
      {none, MsgResult::Yes, {"The directory \"" + none + "\" does not exist." + kept}, false},
      {"", MsgResult::Yes, {"The directory \"\" does not exist." + kept}, false},
      {file, MsgResult::Yes, {"\"" + file + "\" is a file, not a directory." + kept}, false},
      {dir, MsgResult::No, {question}, false},
      {dir, MsgResult::Yes, {question, done}, true},
  };
  for (const Case& c : cases) {
    const QString before = appSettings().dataRootDir;
    prompts_.shown.clear();
    prompts_.answers = {c.answer};
    prefs::OptionsModel m(appSettings(), labels());
    m.dataRoot = c.typed;
    m.close();
    EXPECT_EQ(prompts_.texts(), c.texts) << c.typed.toStdString();
    EXPECT_EQ(appSettings().dataRootDir, c.changed ? c.typed : before) << c.typed.toStdString();
  }
  if (canLock) {
    prompts_.shown.clear();
    prefs::OptionsModel m(appSettings(), labels());
    m.dataRoot = locked;
    m.close();
    EXPECT_EQ(prompts_.texts(),
              QStringList{"The directory \"" + locked + "\" cannot be written to." + kept});
  }
  QFile::setPermissions(locked,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace
