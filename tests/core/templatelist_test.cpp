#include "core/templatelist.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/headerlayout.h"
#include "core/runobjects.h"
#include "core/settings.h"
#include "core/valuestream.h"

namespace {

QByteArray bytes(std::initializer_list<int> list) {
  QByteArray out;
  for (int b : list) out.append(static_cast<char>(b));
  return out;
}

const QStringList kLabels = {"Book Title", "Author", "Category", "Publisher", "Notes"};

// "Mine" in tml1.hdr, "Wide" in tml7.hdr.
const QByteArray kTwoTemplates = bytes(
    {0x01, 0x06, 0x04, 'M', 'i', 'n', 'e',  0x06, 0x08, 't', 'm', 'l', '1', '.', 'h', 'd', 'r',
     0x06, 0x04, 'W',  'i', 'd', 'e', 0x06, 0x08, 't',  'm', 'l', '7', '.', 'h', 'd', 'r', 0x00});

QByteArray listOf(const QString& ext, int from, int to, int skip = 0) {
  valuestream::ValueWriter w;
  w.listStart();
  for (int n = from; n <= to; ++n) {
    if (n == skip) continue;
    w.string(QStringLiteral("t%1").arg(n));
    w.string(QStringLiteral("tml%1%2").arg(n).arg(ext));
  }
  w.listEnd();
  return w.data();
}

class Templates : public ::testing::Test {
 protected:
  void SetUp() override {
    savedHome_ = appSettings().homeDir;
    appSettings().homeDir = home_.path();
    header_.setOuterWidth(260);
    header_.setClientWidth(258);
    header_.loadFromFile(path("none.dat"), kLabels);
    list_.attach(&header_, &kLabels);
  }
  void TearDown() override { appSettings().homeDir = savedHome_; }

  QString path(const QString& name) const { return home_.filePath(name); }
  void write(const QString& name, const QByteArray& bytes) const {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray read(const QString& name) const {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
  }

  QTemporaryDir home_;
  QString savedHome_;
  HeaderLayout header_;
  HeaderTemplateList list_;
};

TEST_F(Templates, HandWrittenListLoadsAndSavesByteForByte) {
  write("headers.tml", kTwoTemplates);
  list_.loadList(path("headers.tml"));
  ASSERT_EQ(list_.count(), 2);
  EXPECT_EQ(list_.at(1).name, QStringLiteral("Wide"));
  EXPECT_EQ(list_.at(1).fileName, QStringLiteral("tml7.hdr"));
  list_.saveList(path("copy.tml"));
  EXPECT_EQ(read("copy.tml").toHex(' '), kTwoTemplates.toHex(' '));
}

TEST_F(Templates, AddSavesTheHeaderUnderTheSmallestFreeName) {
  write("headers.tml", kTwoTemplates);
  list_.loadList(path("headers.tml"));
  ASSERT_TRUE(list_.addTemplate(QStringLiteral("Third")));
  EXPECT_EQ(list_.at(2).fileName, QStringLiteral("tml2.hdr"));
  EXPECT_EQ(read("tml2.hdr"), header_.encode());

  list_.deleteTemplate(0);
  ASSERT_TRUE(list_.addTemplate(QStringLiteral("Fourth")));
  EXPECT_EQ(list_.at(2).fileName, QStringLiteral("tml1.hdr"));
  EXPECT_EQ(list_.names(), (QStringList{"Wide", "Third", "Fourth"}));
}

TEST_F(Templates, ExactNameIsRefusedButOtherCaseIsAccepted) {
  ASSERT_TRUE(list_.addTemplate(QStringLiteral("Mine")));
  EXPECT_FALSE(list_.addTemplate(QStringLiteral("Mine")));
  EXPECT_EQ(list_.count(), 1);
  EXPECT_FALSE(QFile::exists(path("tml2.hdr")));
  EXPECT_TRUE(list_.addTemplate(QStringLiteral("MINE")));
  EXPECT_EQ(list_.indexOfName(QStringLiteral("MINE")), 1);
  EXPECT_EQ(list_.indexOfName(QStringLiteral("mine")), std::nullopt);
}

TEST_F(Templates, The32001stTemplateIsRefused) {
  // The list file names all 32000 template files; none of them need exist.
  write("headers.tml", listOf(QStringLiteral(".hdr"), 1, 32000));
  list_.loadList(path("headers.tml"));
  ASSERT_EQ(list_.count(), 32000);
  EXPECT_TRUE(list_.freeFileName().isEmpty());
  EXPECT_FALSE(list_.addTemplate(QStringLiteral("one more")));
  EXPECT_EQ(list_.count(), 32000);
  EXPECT_EQ(QDir(home_.path()).entryList(QDir::Files), QStringList{"headers.tml"});
}

TEST_F(Templates, AGapInTheNumbersIsReused) {
  write("headers.tml", listOf(QStringLiteral(".hdr"), 1, 32000, 31999));
  list_.loadList(path("headers.tml"));
  ASSERT_TRUE(list_.addTemplate(QStringLiteral("one more")));
  EXPECT_EQ(list_.at(31999).fileName, QStringLiteral("tml31999.hdr"));
}

TEST_F(Templates, FileNamesAreCutToTwelveCharacters) {
  class LongList : public TemplateList {
   public:
    QString extension() const override { return QStringLiteral(".abcdefgh"); }
    QString listFileName() const override { return QStringLiteral("long.tml"); }
    bool saveCurrent(const QString&) override { return true; }
    bool loadCurrent(const QString&) override { return true; }
  } longList;
  ASSERT_TRUE(longList.addTemplate(QStringLiteral("a")));
  EXPECT_EQ(longList.at(0).fileName, QStringLiteral("tml1.abcdefg"));

  FilterTemplateList filters;
  filters.decode(listOf(QStringLiteral(".flt"), 1, 31999));
  EXPECT_EQ(filters.freeFileName(), QStringLiteral("tml32000.flt"));
}

TEST_F(Templates, ApplyLoadsTheTemplateIntoTheAttachedHeader) {
  HeaderLayout other;
  other.setClientWidth(258);
  other.loadFromFile(path("none.dat"), kLabels);
  other.insertField(QStringLiteral("Notes"), 4);
  list_.attach(&other, &kLabels);
  ASSERT_TRUE(list_.addTemplate(QStringLiteral("Three")));

  list_.attach(&header_, &kLabels);
  EXPECT_FALSE(list_.applyTemplate(QStringLiteral("three")));
  EXPECT_EQ(header_.count(), 2);
  EXPECT_TRUE(list_.applyTemplate(QStringLiteral("Three")));
  ASSERT_EQ(header_.count(), 3);
  EXPECT_EQ(header_.caption(2), QStringLiteral("Notes"));
  EXPECT_EQ(header_.columnField(2), 4);
}

TEST_F(Templates, ApplyWithItsFileGoneFailsAndLeavesTheDefaultColumns) {
  header_.insertField(QStringLiteral("Notes"), 4);
  ASSERT_TRUE(list_.addTemplate(QStringLiteral("Gone")));
  QFile::remove(path("tml1.hdr"));
  EXPECT_FALSE(list_.applyTemplate(QStringLiteral("Gone")));
  EXPECT_EQ(header_.count(), 2);
  EXPECT_EQ(header_.width(0), 50);
}

TEST_F(Templates, DeleteRemovesEntryAndFileEvenWhenTheFileIsGone) {
  ASSERT_TRUE(list_.addTemplate(QStringLiteral("One")));
  ASSERT_TRUE(list_.addTemplate(QStringLiteral("Two")));
  ASSERT_TRUE(QFile::exists(path("tml1.hdr")));
  list_.deleteTemplate(0);
  EXPECT_FALSE(QFile::exists(path("tml1.hdr")));
  QFile::remove(path("tml2.hdr"));
  list_.deleteTemplate(0);
  EXPECT_EQ(list_.count(), 0);
  list_.deleteTemplate(5);
  list_.deleteTemplate(-1);
}

TEST_F(Templates, DamagedListKeepsTheEntriesReadSoFar) {
  write("headers.tml", kTwoTemplates.first(kTwoTemplates.size() - 3));
  list_.loadList(path("headers.tml"));
  EXPECT_EQ(list_.names(), QStringList{"Mine"});

  write("headers.tml", QByteArray("\x07garbage"));
  list_.loadList(path("headers.tml"));
  EXPECT_EQ(list_.count(), 0);

  list_.loadList(path("missing.tml"));
  EXPECT_EQ(list_.count(), 0);
}

TEST_F(Templates, FileNamesThatLeaveTheHomeDirectoryEndReading) {
  for (const char* bad : {"../tml1.hdr", "sub\\x.hdr", "tml12345.hdrx", ".."}) {
    valuestream::ValueWriter w;
    w.listStart();
    w.string(QStringLiteral("Good"));
    w.string(QStringLiteral("tml1.hdr"));
    w.string(QStringLiteral("Bad"));
    w.string(QString::fromUtf8(bad));
    w.listEnd();
    EXPECT_FALSE(list_.decode(w.data())) << bad;
    EXPECT_EQ(list_.names(), QStringList{"Good"}) << bad;
  }
}

TEST_F(Templates, UnwritableListFileThrowsButTheHomeSaveIsQuiet) {
  appSettings().homeDir = path("missing");
  EXPECT_THROW(list_.saveList(path("missing/headers.tml")), dbase::Error);
  EXPECT_FALSE(list_.saveToHome());
}

TEST(filterTemplates, SaveAndLoadGoThroughTheFilterSlots) {
  QTemporaryDir home;
  const QString saved = appSettings().homeDir;
  appSettings().homeDir = home.path();
  FilterTemplateList filters;
  EXPECT_FALSE(filters.addTemplate(QStringLiteral("Unread")));  // no filter code yet

  QStringList calls;
  filters.saveFilter = [&](const QString& p) {
    calls << "save " + QFileInfo(p).fileName();
    return true;
  };
  filters.loadFilter = [&](const QString& p) {
    calls << "load " + QFileInfo(p).fileName();
    return false;
  };
  EXPECT_TRUE(filters.addTemplate(QStringLiteral("Unread")));
  EXPECT_FALSE(filters.applyTemplate(QStringLiteral("Unread")));
  EXPECT_EQ(calls, (QStringList{"save tml1.flt", "load tml1.flt"}));
  EXPECT_EQ(filters.listFileName(), QStringLiteral("filters.tml"));
  appSettings().homeDir = saved;
}

TEST(TemplateLists, LoadedWithTheUserOptionsAndSavedAtExit) {
  QTemporaryDir home;
  AppSettings& s = appSettings();
  const AppSettings saved = s;
  s.databaseDir = home.path();
  {
    QFile f(home.filePath("headers.tml"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kTwoTemplates);
  }
  installTemplateLists();
  installTemplateLists();  // once is enough
  loadUserOptions();
  EXPECT_EQ(headerTemplates().names(), (QStringList{"Mine", "Wide"}));
  EXPECT_EQ(filterTemplates().count(), 0);

  filterTemplates().decode(listOf(QStringLiteral(".flt"), 1, 2));
  for (const auto& save : runObjects().atExit) save();
  QFile f(home.filePath("filters.tml"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), listOf(QStringLiteral(".flt"), 1, 2));
  QFile h(home.filePath("headers.tml"));
  ASSERT_TRUE(h.open(QIODevice::ReadOnly));
  EXPECT_EQ(h.readAll(), kTwoTemplates);
  s = saved;
}

TEST(TemplateListDamage, EveryDamagedByteKeepsASoundPrefix) {
  HeaderTemplateList list;
  for (qsizetype at = 0; at < kTwoTemplates.size(); ++at) {
    for (int value : {0x00, 0x01, 0x06, 0x0C, 0x2F, 0xFF}) {
      QByteArray bytes = kTwoTemplates;
      bytes[at] = static_cast<char>(value);
      list.decode(bytes);
      ASSERT_LE(list.count(), 2);
      for (int i = 0; i < list.count(); ++i) {
        EXPECT_LE(list.at(i).fileName.size(), 12);
        EXPECT_FALSE(list.at(i).fileName.contains(u'/'));
      }
    }
  }
}

TEST(TemplateListDamage, RandomBytesNeverCrash) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<char>(seed >> 24);
  };
  HeaderTemplateList list;
  HeaderLayout header;
  for (int round = 0; round < 3000; ++round) {
    QByteArray bytes(1 + round % 64, '\0');
    for (auto& b : bytes) b = next();
    bytes[0] = 0x01;  // get past the list start most of the time
    list.decode(bytes);
    header.decode(bytes);
    EXPECT_LE(list.count(), 32);
    EXPECT_LE(header.count(), 32);
  }
}

}  // namespace
