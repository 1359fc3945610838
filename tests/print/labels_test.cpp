#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "memorysource.h"
#include "print/labeldef.h"
#include "print/labeldialog.h"
#include "print/labelsheet.h"
#include "print/radiogroup.h"
#include "print/reportrun.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

// The default label definition named "A" with the columns 0 and 3.
const char* kDefaultA =
    "0141"                  // name "A"
    "01140000001700000000"  // columns 0, 3
    "0000000000000000"      // stock sheet, round rect
    "0941562031325f323934"  // "AV 12_294"
    "0000000000000000"      // sizes, gaps, margins, counts: empty
    "0131"                  // first label "1"
    "03302e35"
    "03302e35"                // body margins
    "05417269616c010a000000"  // Arial, bold, 10
    "0100"                    // no header lines
    "03302e32"
    "03302e32"
    "05417269616c0008000000"  // header margins, Arial, regular, 8
    "00"
    "03322e30"
    "03302e32";  // no logo, at 2.0, 0.2

LabelRec defaultA() {
  LabelRec rec;
  rec.name = QStringLiteral("A");
  rec.columns = {0, 3};
  return rec;
}

TEST(LabelFile, TemplatesAreWrittenByteForByteAndReadBack) {
  LabelList list;
  EXPECT_EQ(list.encode().toHex(), "0100");
  list.append(defaultA());
  EXPECT_EQ(list.encode().toHex(), "01" + hex(kDefaultA).toHex() + "00");

  LabelRec custom = defaultA();
  custom.name = QStringLiteral("Caf\u00e9");  // one byte in Windows-1252
  custom.labelType = 1;
  custom.shape = 2;
  // Empty lines would end the list: inner ones become a space, trailing ones go.
  custom.headerLines = {QStringLiteral("From the library of"), QString(), QStringLiteral("J"),
                        QString()};
  custom.labelWidth = QStringLiteral("2.5");
  custom.logoFile = QString(300, u'x');  // cut to 255
  list.append(custom);
  const QByteArray bytes = list.encode();
  EXPECT_TRUE(bytes.contains(hex("04436166e9")));
  EXPECT_TRUE(bytes.contains(hex("0113") + "From the library of" + hex("0120014a00")));
  LabelList back;
  back.decode(bytes);
  ASSERT_EQ(back.count(), 2);
  EXPECT_EQ(back.at(0), defaultA());
  custom.logoFile.truncate(255);
  custom.headerLines = {QStringLiteral("From the library of"), QStringLiteral(" "),
                        QStringLiteral("J")};
  EXPECT_EQ(back.at(1), custom);
  EXPECT_EQ(back.encode(), bytes);
  EXPECT_EQ(back.findName(QStringLiteral("caf\u00e9")), -1);
  EXPECT_EQ(back.findName(QStringLiteral("Caf\u00e9")), 1);
}

// Every cut of a sound file gives an empty list and a message, never a crash.
TEST(LabelFile, DamagedFilesGiveAnEmptyListAndAMessage) {
  SettingsSandbox box;
  const QByteArray sound = hex("01") + hex(kDefaultA) + hex("00");
  const QString path = box.file(QStringLiteral("label.dat"));
  QString error;
  LabelList list;
  for (qsizetype cut = 0; cut < sound.size(); ++cut) {
    ASSERT_TRUE(SettingsSandbox::write(path, sound.left(cut)));
    EXPECT_FALSE(list.load(path, &error)) << cut;
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(error.isEmpty());
  }
  ASSERT_TRUE(SettingsSandbox::write(path, hex("4141")));
  EXPECT_FALSE(list.load(path, &error));
  EXPECT_EQ(error, QStringLiteral("Invalid property value"));
  ASSERT_TRUE(SettingsSandbox::write(path, sound));
  EXPECT_TRUE(list.load(path, &error));
  EXPECT_EQ(list.at(0), defaultA());
}

TEST(LabelSheet, EveryStockFitsLetterPaperAndTheListIsSorted) {
  const QStringList& names = labelStockNames();
  ASSERT_EQ(names.size(), kCustomStock);
  EXPECT_EQ(labelStockNumber(QStringLiteral("AV 12_294")), 0);
  EXPECT_EQ(labelStockNumber(QStringLiteral("AV 5160")), 17);
  EXPECT_EQ(labelStockNumber(QStringLiteral("AV 9999")), -1);
  for (int i = 0; i < names.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(names[i - 1], names[i]);
    }
    const auto g = stockGeometry(i);
    ASSERT_TRUE(g);
    EXPECT_EQ(sheetProblem(*g), QString()) << names[i].toStdString();
  }
  EXPECT_FALSE(stockGeometry(kCustomStock));
  // Spot checks against the makers' templates, one per kind of entry: a die
  // of its own, a round one, a part sold as another's equivalent, a card.
  struct Published {
    const char* name;
    double width, height, pitchX, pitchY, left, top;
    int across, down, shape;
  };
  const Published published[] = {
      {"AV 5160", 2.625, 1, 2.75, 1, 0.1875, 0.5, 3, 10, 0},
      {"AV 5294", 2.5, 2.5, 2.75, 2.515, 0.21, 0.425, 3, 4, 2},
      {"AV 8927", 1.75, 0.5, 2.0625, 0.5, 0.28125, 0.5, 4, 20, 0},
      {"AV 5389", 6, 4, 6, 4.5, 1.25, 1.25, 1, 2, 1},
  };
  for (const Published& p : published) {
    const auto g = stockGeometry(labelStockNumber(QString::fromLatin1(p.name)));
    ASSERT_TRUE(g) << p.name;
    const double got[] = {g->width, g->height, g->pitchX, g->pitchY, g->left, g->top};
    const double want[] = {p.width, p.height, p.pitchX, p.pitchY, p.left, p.top};
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(got[i], want[i]) << p.name << " figure " << i;
    EXPECT_EQ(g->across, p.across) << p.name;
    EXPECT_EQ(g->down, p.down) << p.name;
    EXPECT_EQ(g->shape, p.shape) << p.name;
  }
}

TEST(LabelSheet, CustomGridsReadTheirNumbersOrSayWhyNot) {
  struct Row {
    const char *width, *height, *gapAcross, *gapDown, *left, *top, *across, *down;
    const char* error;  // empty when the grid prints
    int perSheet;
  };
  const Row rows[] = {
      {"2", "1", "0.25", "0", "0.5", "0.5", "3", "10", "", 30},
      {"2", "1", "0.25", "0", "0.5", "0.5", "4", "10",
       "The labels do not fit on the paper (8.5 x 11 inches). Please check the sizes, gaps, "
       "margins and numbers of labels.",
       0},
      {"2", "1", "0", "0", "0.5", "0.5", "0", "10",
       "There must be at least one label across and one label down.", 0},
      {"2", "0", "0", "0", "0.5", "0.5", "1", "1",
       "Label sizes must be above zero, and gaps and margins not below zero.", 0},
      {"2,5x", "1", "0", "0", "0", "0", "1", "1", "'2,5x' is not a valid floating point value", 0},
      {"2", "1", "0", "0", "0", "0", "1.5", "1", "'1.5' is not a valid integer value", 0},
  };
  for (const Row& row : rows) {
    LabelRec rec;
    rec.labelType = 1;
    rec.labelWidth = row.width, rec.labelHeight = row.height;
    rec.gapAcross = row.gapAcross, rec.gapDown = row.gapDown;
    rec.leftMargin = row.left, rec.topMargin = row.top;
    rec.across = row.across, rec.down = row.down;
    QString error;
    const auto g = labelSheet(rec, &error);
    EXPECT_EQ(error, QString::fromLatin1(row.error)) << row.width << " " << row.across;
    if (g) {
      EXPECT_EQ(g->perSheet(), row.perSheet);
    }
  }
}

// Label numbers fill across first; the corner of each is margin plus pitch.
TEST(LabelSheet, LabelNumbersFillRowsFirst) {
  SheetGeometry g;
  g.width = 2, g.height = 1, g.pitchX = 2.25, g.pitchY = 1.5, g.left = 0.5, g.top = 0.75;
  g.across = 3, g.down = 4;
  const std::pair<int, QPointF> cases[] = {
      {1, {0.5, 0.75}}, {3, {5.0, 0.75}}, {5, {2.75, 2.25}}, {12, {5.0, 5.25}}, {13, {0.5, 0.75}}};
  for (const auto& [n, at] : cases) {
    EXPECT_NEAR(g.corner(n).x(), at.x(), 1e-9) << n;
    EXPECT_NEAR(g.corner(n).y(), at.y(), 1e-9) << n;
  }
}

// Words of a PDF with their top left corner, inches.
struct Word {
  QString text;
  double x, y;
};

std::vector<std::vector<Word>> pdfWords(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  EXPECT_TRUE(p.waitForFinished(30000));
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  std::vector<std::vector<Word>> pages;
  static const QRegularExpression re(
      QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
  for (auto it = re.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(0).startsWith(QStringLiteral("<page"))) {
      pages.emplace_back();
    } else if (!pages.empty()) {
      pages.back().push_back(
          {m.captured(3), m.captured(1).toDouble() / 72, m.captured(2).toDouble() / 72});
    }
  }
  return pages;
}

struct Sheet {
  std::vector<std::vector<Word>> pages;
  int printed = 0;
};

Sheet printSheet(MemorySource& source, const LabelRec& rec, bool single = false) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("labels.pdf"));
  QString error;
  const auto settings = labelSettings(rec, source, &error);
  EXPECT_TRUE(settings) << error.toStdString();
  Sheet out;
  if (!settings) return out;
  {
    QPdfWriter writer(pdf);
    PaperSetup paper;
    paper.left = paper.right = paper.top = paper.bottom = 0;
    PageRenderer r(writer, paper);
    EXPECT_TRUE(r.begin());
    LabelJob job(source, *settings, single);
    EXPECT_TRUE(job.run(r));
    out.printed = job.labelsPrinted();
  }
  out.pages = pdfWords(pdf);
  return out;
}

const Word* find(const std::vector<Word>& words, const QString& text) {
  for (const Word& w : words)
    if (w.text == text) return &w;
  return nullptr;
}

constexpr double kHalfMm = 0.5 / 25.4;

// Each record's first word lies where the geometry puts its label's body;
// the header line sits at its own margin on every label.
TEST(LabelSheet, TextsLieWhereTheGeometryPutsThem) {
  struct Case {
    const char* name;
    LabelRec rec;
    int records, first;
    std::vector<int> perPage;
  };
  LabelRec stock;
  stock.stock = QStringLiteral("AV 5160");
  LabelRec custom;
  custom.labelType = 1;
  custom.labelWidth = QStringLiteral("3.5"), custom.labelHeight = QStringLiteral("2");
  custom.gapAcross = QStringLiteral("0.5"), custom.gapDown = QStringLiteral("0.25");
  custom.leftMargin = QStringLiteral("0.5"), custom.topMargin = QStringLiteral("0.75");
  custom.across = QStringLiteral("2"), custom.down = QStringLiteral("4");
  std::vector<Case> cases = {{"stock", stock, 33, 5, {26, 7}}, {"custom", custom, 10, 1, {8, 2}}};
  for (Case& c : cases) {
    c.rec.columns = {1, 0};
    c.rec.bodyLeft = QStringLiteral("0.25"), c.rec.bodyTop = QStringLiteral("0.4");
    c.rec.headerLines = {QStringLiteral("Lib")};
    c.rec.headerLeft = QStringLiteral("0.1"), c.rec.headerTop = QStringLiteral("0.05");
    c.rec.firstLabel = QString::number(c.first);
    MemorySource source = books(c.records);
    const Sheet sheet = printSheet(source, c.rec);
    QString error;
    const SheetGeometry g = *labelSheet(c.rec, &error);
    ASSERT_EQ(sheet.pages.size(), c.perPage.size()) << c.name;
    EXPECT_EQ(sheet.printed, c.records);
    int record = 1;
    for (size_t page = 0; page < sheet.pages.size(); ++page) {
      const auto& words = sheet.pages[page];
      int onPage = 0;
      for (const Word& w : words) onPage += w.text == QStringLiteral("Lib");
      EXPECT_EQ(onPage, c.perPage[page]) << c.name << " page " << page;
      const int firstN = page == 0 ? c.first : 1;
      for (int n = firstN; n < firstN + c.perPage[page]; ++n, ++record) {
        const QPointF at = g.corner(n);
        const Word* author = find(words, QStringLiteral("%1").arg(record));
        ASSERT_TRUE(author) << c.name << " record " << record;
        // "Author 7": the number is the second word; check the first one's x.
        const Word* header = nullptr;
        for (const Word& w : words)
          if (w.text == QStringLiteral("Lib") && std::abs(w.x - (at.x() + 0.1)) < kHalfMm &&
              std::abs(w.y - (at.y() + 0.05)) < kHalfMm)
            header = &w;
        EXPECT_TRUE(header) << c.name << " label " << n;
        bool body = false;
        for (const Word& w : words)
          if (w.text == QStringLiteral("Author") && std::abs(w.x - (at.x() + 0.25)) < kHalfMm &&
              std::abs(w.y - (at.y() + 0.4)) < kHalfMm)
            body = true;
        EXPECT_TRUE(body) << c.name << " label " << n;
      }
    }
  }
}

// One label for the current record alone; a text too long for the label
// loses its end; a body placed below the label prints nothing.
TEST(LabelSheet, SingleRecordLongTextAndBodyOutsideTheLabel) {
  LabelRec rec;
  rec.stock = QStringLiteral("AV 5167");  // 1.75 x 0.5 inches
  rec.columns = {0};
  rec.bodyLeft = QStringLiteral("0.05"), rec.bodyTop = QStringLiteral("0.05");
  MemorySource source = books(3);
  source.at = 1;
  Sheet sheet = printSheet(source, rec, true);
  ASSERT_EQ(sheet.pages.size(), 1u);
  EXPECT_EQ(sheet.printed, 1);
  QStringList texts;
  for (const Word& w : sheet.pages[0]) texts << w.text;
  EXPECT_EQ(texts.first(), QStringLiteral("Book"));
  EXPECT_FALSE(texts.contains(QStringLiteral("books"))) << texts.join(u' ').toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("2")));
  EXPECT_EQ(source.at, 1u);  // not moved

  rec.bodyTop = QStringLiteral("0.5");
  sheet = printSheet(source, rec, true);
  ASSERT_EQ(sheet.pages.size(), 1u);
  EXPECT_TRUE(sheet.pages[0].empty());
}

// The preview outlines each label in its shape; printed sheets get none. A
// 2 x 2 inch label at (1, 1): ink on the middle of its top edge for every
// shape, in its top left corner for the rectangle alone.
TEST(LabelSheet, PreviewOutlinesFollowTheShape) {
  struct Case {
    int shape;
    bool outlines, edge, corner;
  };
  const Case cases[] = {{0, true, true, false},
                        {1, true, true, true},
                        {2, true, true, false},
                        {1, false, false, false}};
  for (const Case& c : cases) {
    LabelRec rec;
    rec.labelType = 1;
    rec.shape = c.shape;
    rec.labelWidth = rec.labelHeight = QStringLiteral("2");
    rec.gapAcross = rec.gapDown = QStringLiteral("0");
    rec.leftMargin = rec.topMargin = QStringLiteral("1");
    rec.across = rec.down = QStringLiteral("1");
    MemorySource source = books(1);
    QString error;
    const auto settings = labelSettings(rec, source, &error);
    ASSERT_TRUE(settings) << error.toStdString();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
    {
      QPdfWriter writer(pdf);
      PaperSetup paper;
      paper.left = paper.right = paper.top = paper.bottom = 0;
      PageRenderer r(writer, paper);
      ASSERT_TRUE(r.begin());
      LabelJob job(source, *settings, false);
      job.outlines = c.outlines;
      job.run(r);
    }
    // The square from 0.9 to 3.1 inches at 300 dots per inch.
    const QString png = dir.filePath(QStringLiteral("sheet"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-x"),
                                 QStringLiteral("270"), QStringLiteral("-y"), QStringLiteral("270"),
                                 QStringLiteral("-W"), QStringLiteral("660"), QStringLiteral("-H"),
                                 QStringLiteral("660"), QStringLiteral("-png"),
                                 QStringLiteral("-singlefile"), pdf, png}),
              0);
    const QImage image(png + QStringLiteral(".png"));
    ASSERT_FALSE(image.isNull());
    auto ink = [&](double x, double y) {
      const int cx = int((x - 0.9) * 300), cy = int((y - 0.9) * 300);
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
          if (qGray(image.pixel(cx + dx, cy + dy)) < 220) return true;
      return false;
    };
    EXPECT_EQ(ink(2, 1), c.edge) << c.shape << c.outlines;
    EXPECT_EQ(ink(1, 1), c.corner) << c.shape << c.outlines;
  }
}

TEST(LabelSheet, MissingOrOversizedLogosEndTheJobWithAMessage) {
  QTemporaryDir dir;
  const QString missing = dir.filePath(QStringLiteral("none.bmp"));
  const QString big = dir.filePath(QStringLiteral("big.bmp"));
  QFile f(big);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_TRUE(f.resize(50LL * 1024 * 1024));
  f.close();
  const QString junk = dir.filePath(QStringLiteral("junk.bmp"));
  ASSERT_TRUE(SettingsSandbox::write(junk, "BM not a picture"));
  const std::pair<QString, QString> cases[] = {
      {missing, QStringLiteral("Logo file %1 not found.").arg(missing)},
      {big, QStringLiteral("Logo file %1 cannot be used: it must be a BMP picture of at most 8 MB.")
                .arg(big)},
      {junk,
       QStringLiteral("Logo file %1 cannot be used: it must be a BMP picture of at most 8 MB.")
           .arg(junk)}};
  MemorySource source = books(1);
  for (const auto& [file, message] : cases) {
    LabelRec rec;
    rec.logoFile = file;
    QString error;
    EXPECT_FALSE(labelSettings(rec, source, &error));
    EXPECT_EQ(error, message);
  }
  const QString good = dir.filePath(QStringLiteral("logo.bmp"));
  QImage logo(48, 24, QImage::Format_RGB32);
  logo.fill(Qt::red);
  ASSERT_TRUE(logo.save(good, "BMP"));
  LabelRec rec;
  rec.logoFile = good;
  QString error;
  const auto s = labelSettings(rec, source, &error);
  ASSERT_TRUE(s) << error.toStdString();
  EXPECT_EQ(s->logo.size(), QSize(48, 24));
}

}  // namespace

namespace {

// Stock sheets fill and lock the geometry; a custom grid keeps what was
// typed, is saved with it and comes back with it from the load dialog.
TEST(LabelDialogWiring, GeometryRuleSaveAndLoad) {
  SettingsSandbox box;
  appSettings().homeDir = box.path();
  currentLabel() = LabelRec{};
  ScriptedPrompter prompter;
  MemorySource source = books(3);
  {
    LabelDialog d(source, false);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Print Labels"));
    EXPECT_EQ(d.stockCombo->count(), kCustomStock);
    EXPECT_EQ(d.widthEdit->text(), QStringLiteral("4"));  // the first stock's size
    EXPECT_TRUE(d.widthEdit->isReadOnly());
    d.stockCombo->setCurrentText(QStringLiteral("AV 5160"));
    EXPECT_EQ(d.widthEdit->text(), QStringLiteral("2.625"));
    EXPECT_EQ(d.gapAcrossEdit->text(), QStringLiteral("0.125"));
    EXPECT_EQ(d.acrossEdit->text(), QStringLiteral("3"));
    d.stockCombo->setCurrentText(QStringLiteral("AV 5294"));  // pitch 2.515, size 2.5
    EXPECT_EQ(d.gapDownEdit->text(), QStringLiteral("0.015"));
    EXPECT_EQ(d.shapeGroup->itemIndex(), 2);
    d.stockCombo->setCurrentText(QStringLiteral("AV 5160"));
    d.labelTypeGroup->item(1)->click();
    EXPECT_FALSE(d.widthEdit->isReadOnly());
    EXPECT_EQ(d.widthEdit->text(), QStringLiteral("2.625"));
    d.widthEdit->setText(QStringLiteral("3"));
    d.labelTypeGroup->item(0)->click();
    EXPECT_EQ(d.widthEdit->text(), QStringLiteral("2.625"));
    d.labelTypeGroup->item(1)->click();
    d.widthEdit->setText(QStringLiteral("3.25"));
    d.allFieldsList->setCurrentRow(1);
    QTest::mouseClick(d.includeButton, Qt::LeftButton);
    prompter.inputs = {QStringLiteral("Mine")};
    QTest::mouseClick(d.saveButton, Qt::LeftButton);
    EXPECT_EQ(prompter.asked.at(0).caption, QStringLiteral("Save Report Template"));
  }
  LabelList saved;
  QString error;
  ASSERT_TRUE(saved.load(labelFilePath(), &error));
  ASSERT_EQ(saved.count(), 1);
  EXPECT_EQ(saved.at(0).labelType, 1);
  EXPECT_EQ(saved.at(0).labelWidth, QStringLiteral("3.25"));
  EXPECT_EQ(saved.at(0).columns, (std::vector<int32_t>{1}));
  currentLabel() = LabelRec{};
  auto load = LabelLoadDialog::create(nullptr);
  ASSERT_TRUE(load);
  EXPECT_EQ(load->templateList->currentRow(), 0);  // the first is selected
  load->accept();
  LabelDialog d(source, true);
  EXPECT_EQ(d.widthEdit->text(), QStringLiteral("3.25"));
  EXPECT_FALSE(d.widthEdit->isReadOnly());

  // The print button prints the current record alone on the chosen printer.
  const QString pdf = box.file(QStringLiteral("out.pdf"));
  const PrinterChooser dialogChooser = printerChooser();
  printerChooser() = [&](QPrinter& printer, QWidget*) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  };
  source.at = 2;
  QTest::mouseClick(d.printButton, Qt::LeftButton);  // 3 labels of 3.25 inches across
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("The labels do not fit")));
  d.labelTypeGroup->item(0)->click();
  QTest::mouseClick(d.printButton, Qt::LeftButton);
  printerChooser() = dialogChooser;
  const auto pages = pdfWords(pdf);
  ASSERT_EQ(pages.size(), 1u);
  QStringList words;
  for (const Word& w : pages[0]) words << w.text;
  EXPECT_EQ(words, (QStringList{QStringLiteral("Author"), QStringLiteral("3")}));
  currentLabel() = LabelRec{};
}

}  // namespace
