#include "print/reportdef.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>

#include "core/valuestream.h"
#include "support/tempdir.h"

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

// The default definition named "A" with the columns 0 and 3.
const char* kDefaultA =
    "01"  // name
    "41"  // "A"
    "00000000"
    "00000000"
    "00000000"
    "00000000"  // names, layout, grid, totals
    "02"
    "3230"  // "20"
    "05"
    "417269616c"  // "Arial"
    "00"          // style
    "0a000000"    // size 10
    "0131"
    "0131"
    "0131"
    "0131"
    "023131"
    "03382e35"  // margins, height 11, width 8.5
    "00000000"
    "00000000"  // Letter, portrait
    "00"        // title
    "00000000"
    "02000000"  // first page, bottom
    "01"
    "14000000"
    "17000000"
    "00";  // columns 0, 3

ReportRec defaultA() {
  ReportRec rec;
  rec.name = QStringLiteral("A");
  rec.columns = {0, 3};
  return rec;
}

TEST(ReportFile, TemplatesAreWrittenByteForByte) {
  ReportList list;
  EXPECT_EQ(list.encode().toHex(), "0100");
  list.append(defaultA());
  EXPECT_EQ(list.encode().toHex(), "01" + hex(kDefaultA).toHex() + "00");

  ReportRec other;
  other.name = QString(300, u'n');  // cut to 255
  other.fontStyle = 3;
  list.append(other);
  const QByteArray bytes = list.encode();
  ReportList back;
  back.decode(bytes);
  ASSERT_EQ(back.count(), 2);
  EXPECT_EQ(back.at(0), defaultA());
  EXPECT_EQ(back.at(1).name, QString(255, u'n'));
  EXPECT_EQ(back.at(1).fontStyle, 3);
  EXPECT_TRUE(back.at(1).columns.empty());
  EXPECT_EQ(back.encode(), bytes);
}

TEST(ReportFile, FindNameIsExactAndRemoveIgnoresBadIndices) {
  ReportList list;
  list.append(defaultA());
  EXPECT_EQ(list.findName(QStringLiteral("A")), 0);
  EXPECT_EQ(list.findName(QStringLiteral("a")), -1);
  list.remove(5);
  list.remove(-1);
  EXPECT_EQ(list.count(), 1);
  list.remove(0);
  EXPECT_EQ(list.count(), 0);
}

// Every cut of a sound file, and bytes that are no list, give an empty list
// and the stream's message; nothing is read past the bytes.
TEST(ReportFile, DamagedFilesGiveAnEmptyListAndTheStreamMessage) {
  SettingsSandbox box;
  const QByteArray sound = hex("01") + hex(kDefaultA) + hex("00");
  const QString path = box.file(QStringLiteral("report.dat"));
  QString error;
  ReportList list;
  for (qsizetype cut = 1; cut < sound.size(); ++cut) {
    ASSERT_TRUE(SettingsSandbox::write(path, sound.left(cut)));
    EXPECT_FALSE(list.load(path, &error)) << cut;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(error, QStringLiteral("Stream read error")) << cut;
  }
  const std::pair<const char*, const char*> bad[] = {{"00", "Invalid property value"},
                                                     {"4141", "Invalid property value"},
                                                     {"", "Stream read error"}};
  for (const auto& [bytes, message] : bad) {
    ASSERT_TRUE(SettingsSandbox::write(path, hex(bytes)));
    EXPECT_FALSE(list.load(path, &error));
    EXPECT_EQ(error, QString::fromLatin1(message)) << bytes;
  }
  ASSERT_TRUE(SettingsSandbox::write(path, sound));
  EXPECT_TRUE(list.load(path, &error));
  EXPECT_EQ(list.count(), 1);
}

TEST(ReportFile, MissingAndUnwritableFilesNameThePath) {
  SettingsSandbox box;
  ReportList list;
  QString error;
  const QString missing = box.file(QStringLiteral("none.dat"));
  EXPECT_FALSE(list.load(missing, &error));
  EXPECT_EQ(error, QStringLiteral("Cannot open file ") + missing);
  const QString bad = box.file(QStringLiteral("no/such/report.dat"));
  EXPECT_FALSE(list.save(bad, &error));
  EXPECT_EQ(error, QStringLiteral("Cannot create file ") + bad);
}

TEST(ReportFile, TheHomeFileIsReadWhenThereAndTheShippedOneOtherwise) {
  SettingsSandbox box;
  appSettings().homeDir = box.file(QStringLiteral("home"));
  EXPECT_EQ(reportReadPath(), reportFilePath());
  ASSERT_TRUE(SettingsSandbox::write(box.file(QStringLiteral("report.dat")), hex("0100")));
  EXPECT_EQ(reportReadPath(), box.file(QStringLiteral("report.dat")));
  ASSERT_TRUE(QDir().mkpath(appSettings().homeDir));
  ASSERT_TRUE(SettingsSandbox::write(reportFilePath(), hex("0100")));
  EXPECT_EQ(reportReadPath(), reportFilePath());
}

}  // namespace
