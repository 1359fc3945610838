// The program's own files keep every byte of 8-bit text, and text they cannot
// hold is refused with a message naming the characters.

#include "core/filetext.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/headerlayout.h"
#include "core/labels.h"
#include "core/optionsfile.h"
#include "core/settings.h"
#include "core/templatelist.h"
#include "support/tempdir.h"

namespace {

// Every byte 01..FF but CR and LF (which end a labels.dat line): 253 bytes,
// a text the short string forms hold whole.
QByteArray everyByte() {
  QByteArray b;
  for (int c = 1; c < 256; ++c)
    if (c != '\r' && c != '\n') b.append(static_cast<char>(c));
  return b;
}

QByteArray scrambledString(const QByteArray& plain) {
  return QByteArray(1, static_cast<char>(plain.size())) + optionsfile::scramble(plain);
}

QByteArray shortString(const QByteArray& text) {
  return QByteArray(1, 0x06) + QByteArray(1, static_cast<char>(text.size())) + text;
}

// One own file: the bytes that hold `text`, and loading then saving it again.
struct OwnFile {
  const char* name;
  std::function<QByteArray(const QByteArray& text, const SettingsSandbox& box)> bytes;
  std::function<void(const SettingsSandbox& box)> loadAndSave;
};

void PrintTo(const OwnFile& f, std::ostream* os) { *os << f.name; }

const OwnFile kOwnFiles[] = {
    {"options.dat",
     [](const QByteArray& text, const SettingsSandbox& box) {
       return QByteArray("\x01\x00\x00\x00", 4) + scrambledString(box.path().toLatin1()) +
              QByteArray(2, '\0') + scrambledString(text);
     },
     [](const SettingsSandbox&) {
       ASSERT_TRUE(loadProgramOptions());
       ASSERT_TRUE(saveProgramOptions());
     }},
    {"labels.dat",
     [](const QByteArray& text, const SettingsSandbox&) { return "Title\r\n" + text + "\r\n"; },
     [](const SettingsSandbox& box) {
       bool ok = false;
       const QStringList read = readLabelsFile(box.file("labels.dat"), &ok);
       ASSERT_TRUE(ok);
       ASSERT_TRUE(writeLabelsFile(box.file("labels.dat"), read));
     }},
    {"header.dat",
     [](const QByteArray& text, const SettingsSandbox&) {
       return QByteArray(1, 0x01) + shortString(text) + QByteArray("\x02\x50\x00", 3);
     },
     [](const SettingsSandbox& box) {
       HeaderLayout l;
       l.setClientWidth(0x50);
       ASSERT_TRUE(l.loadFromFile(box.file("header.dat"), {}));
       l.saveToFile(box.file("header.dat"));
     }},
    {"headers.tml",
     [](const QByteArray& text, const SettingsSandbox&) {
       return QByteArray(1, 0x01) + shortString(text) + shortString("tml1.hdr") +
              QByteArray(1, 0x00);
     },
     [](const SettingsSandbox& box) {
       HeaderTemplateList list;
       list.loadList(box.file("headers.tml"));
       ASSERT_EQ(list.count(), 1);
       list.saveList(box.file("headers.tml"));
     }},
};

class OwnFiles : public ::testing::TestWithParam<OwnFile> {};

TEST_P(OwnFiles, EveryByteOfTextIsWrittenBackUnchanged) {
  SettingsSandbox box;
  const OwnFile& f = GetParam();
  const QString path = box.file(f.name);
  for (const QByteArray& text : {everyByte(), QByteArray("caf\xE9\x80")}) {
    const QByteArray before = f.bytes(text, box);
    ASSERT_TRUE(SettingsSandbox::write(path, before));
    f.loadAndSave(box);
    EXPECT_EQ(SettingsSandbox::read(path).toHex(' '), before.toHex(' '));
  }
}

INSTANTIATE_TEST_SUITE_P(All, OwnFiles, ::testing::ValuesIn(kOwnFiles), [](const auto& param) {
  QString n = QString::fromLatin1(param.param.name);
  return n.replace(u'.', u'_').toStdString();
});

TEST(OptionsText, PasswordIsOneBytePerCharacterAnd255Long) {
  SettingsSandbox box;
  AppSettings& s = appSettings();
  s.supervisorPassword = QStringLiteral("caf\u00E9\u20AC");
  ASSERT_TRUE(saveProgramOptions());
  const QByteArray file = SettingsSandbox::read(box.file("options.dat"));
  EXPECT_EQ(file.mid(7 + box.path().size()).toHex(' '), scrambledString("caf\xE9\x80").toHex(' '));

  s.supervisorPassword = fromFileText(everyByte()) + QStringLiteral("\u00FF\u00FF");  // 255
  ASSERT_TRUE(saveProgramOptions());
  s.supervisorPassword.clear();
  ASSERT_TRUE(loadProgramOptions());
  EXPECT_EQ(s.supervisorPassword.size(), 255);
  EXPECT_EQ(toFileText(s.supervisorPassword), everyByte() + "\xFF\xFF");
}

TEST(OptionsText, LocationsTheFileCannotHoldAreNotRemembered) {
  const QString fits = QStringLiteral("/srv/b\u00FCcher");
  for (const QString& dir : {QStringLiteral("/srv/\u010Cten\u00ED"), QString(256, u'd')}) {
    optionsfile::UserOptions o{0, 1, 0, 0, 0, 1, 0, 0, 1, 0, QStringLiteral("data.dbf"), dir, 0, 0};
    auto back = optionsfile::decodeUser(optionsfile::encode(o));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->databaseDir, QString()) << dir.size();
    EXPECT_EQ(back->tableName, QStringLiteral("data.dbf"));
    o.databaseDir = fits;
    back = optionsfile::decodeUser(optionsfile::encode(o));
    EXPECT_EQ(back->databaseDir, fits);
  }
}

TEST(TypedText, CharactersWithoutACodeAreRefusedByName) {
  EXPECT_EQ(unstorableTextMessage(QStringLiteral("caf\u00E9 \u20AC \u201Cquoted\u201D")), "");
  EXPECT_EQ(unstorableTextMessage(QStringLiteral("\u010Cten\u00E1\u0159sk\u00FD titul")),
            QStringLiteral("The characters \u010C \u0159 cannot be stored - please type others."));
  EXPECT_EQ(unstorableTextMessage(QStringLiteral("\u03A9\u03A9")),
            QStringLiteral("The character \u03A9 cannot be stored - please type others."));
  EXPECT_EQ(unstorableCharsPhrase(QStringLiteral("\U0001F600 \u65E5\u672C\u8A9E\u3067\u3059\u3088"
                                                 "\u306D\u3001\u3082\u3046\u5C11\u3057")),
            QStringLiteral("the characters \U0001F600 \u65E5 \u672C \u8A9E \u3067 \u3059 \u3088 "
                           "\u306D \u3001 \u3082 ..."));

  QStringList list{"Book Title", "Author"};
  EXPECT_EQ(renameLabel(list, 0, QStringLiteral("\u010Cten\u00E1\u0159sk\u00FD titul")),
            RenameResult::Unstorable);
  EXPECT_EQ(list[0], QStringLiteral("Book Title"));
  EXPECT_EQ(renameMessage(RenameResult::Unstorable, QStringLiteral("\u0158ada")),
            QStringLiteral("The character \u0158 cannot be stored - please type others."));
  EXPECT_EQ(renameLabel(list, 0, QStringLiteral("Titre \u00E0 lire")), RenameResult::Renamed);

  SettingsSandbox box;
  appSettings().homeDir = box.path();
  HeaderLayout header;
  HeaderTemplateList templates;
  templates.attach(&header, &list);
  EXPECT_FALSE(templates.addTemplate(QStringLiteral("\u03A9mega")));
  EXPECT_TRUE(templates.addTemplate(QStringLiteral("Omega")));
}

}  // namespace
