#include "print/labelsheet.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <algorithm>

#include "core/prompt.h"
#include "print/labeldef.h"
#include "print/reportjob.h"
#include "print/reportrun.h"
#include "print/reportsource.h"

namespace {

// One die-cut layout on US Letter paper, inches.
struct Die {
  double width, height, pitchX, pitchY, left, top;
  int across, down, shape;
};

// Layouts after the label makers' published template dimensions (label
// size, pitch, top and side margins, count per sheet) of the stock named in
// each comment. The figures were set from those templates as remembered and
// are still to be measured against real sheets; the less common dies (file
// folder, diskette, cassette, video, badge, tab, mini sheet) most of all.
constexpr Die kAddress30{2.625, 1, 2.75, 1, 0.1875, 0.5, 3, 10, 0};  // 5160: 30 per sheet
constexpr Die kAddress20{4, 1, 4.1875, 1, 0.15625, 0.5, 2, 10, 0};   // 5161: 20 per sheet
constexpr Die kAddress14{4, 4.0 / 3, 4.1875, 4.0 / 3, 0.15625, 0.8333, 2, 7, 0};  // 5162
constexpr Die kShipping10{4, 2, 4.1875, 2, 0.15625, 0.5, 2, 5, 0};  // 5163: 10 per sheet
constexpr Die kShipping6{4, 10.0 / 3, 4.1875, 10.0 / 3, 0.15625, 0.5, 2, 3, 0};  // 5164
constexpr Die kFullSheet{8.5, 11, 8.5, 11, 0, 0, 1, 1, 1};                       // 5165: one sheet
constexpr Die kReturn80{1.75, 0.5, 2.0625, 0.5, 0.28125, 0.5, 4, 20, 0};  // 5167: 80 per sheet
constexpr Die kFileFolder30{3.4375, 2.0 / 3, 4.0, 2.0 / 3, 0.53125, 0.5, 2, 15, 0};  // 5266
constexpr Die kDiskette9{2.75, 2.75, 2.75, 3.0, 0.125, 0.5, 3, 3, 0};    // 5196: 9 per sheet
constexpr Die kDiskette12{4, 1.5, 4.1875, 1.5, 0.15625, 1.0, 2, 6, 0};   // 5197: 12 per sheet
constexpr Die kCassette12{3.5, 1.6667, 4.0, 1.6667, 0.5, 0.5, 2, 6, 0};  // 5198: 12 per sheet
constexpr Die kVideoFace10{3.0625, 1.8333, 3.6875, 2.0, 0.5625, 0.5833, 2, 5, 0};     // 5199 face
constexpr Die kVideoSpine15{5.8125, 0.6667, 5.8125, 0.6667, 1.34375, 0.5, 1, 15, 0};  // spine
constexpr Die kBadge8{3.375, 2.3333, 3.75, 2.5, 0.6875, 0.59375, 2, 4, 0};  // 5395: 8 badges
constexpr Die kBadge6{4, 3, 4, 3, 0.25, 1.0, 2, 3, 0};                      // 5384: 6 badges
constexpr Die kCard10{3.5, 2, 3.5, 2, 0.75, 0.5, 2, 5, 1};                  // 5371: 10 cards
constexpr Die kRound24{1.6667, 1.6667, 2.0, 1.75, 0.5, 0.5, 4, 6, 2};       // 5293: 24 round
constexpr Die kRound12{2.5, 2.5, 2.75, 2.5, 0.25, 0.5, 3, 4, 2};            // 5294: 12 round
constexpr Die kRound6{3.3333, 3.3333, 3.8125, 3.4167, 0.5, 0.5, 2, 3, 2};   // 5295: 6 round
constexpr Die kIndexCard3{5, 3, 5, 3.5, 1.75, 0.5, 1, 3, 1};                // 5388: 3 cards
constexpr Die kPostcard2{6, 4, 6, 5, 1.25, 0.75, 1, 2, 1};                  // 5389: 2 cards
constexpr Die kNoteCard4{4.25, 5.5, 4.25, 5.5, 0, 0, 2, 2, 1};              // 5315: 4 cards
constexpr Die kTent2{8.5, 5.5, 8.5, 5.5, 0, 0, 1, 2, 1};                    // 5305: 2 tent cards
constexpr Die kTab5{2, 0.5, 2, 0.5, 0.25, 0.5, 4, 5, 1};                    // 5836 tab strips
constexpr Die kMini4x6{2.625, 1, 2.75, 1, 0.1875, 0.5, 1, 4, 0};            // 2160 mini sheet

struct Stock {
  const char* name;
  const Die* die;
};

// Sorted as the stock list shows them; the place in this table is the
// stock's key. Stocks without a die of their own above are given the die of
// the sheet they are sold as the equivalent of (laser/inkjet/clear versions
// of one size); for the specialty stocks that choice is a best guess.
constexpr Stock kStocks[] = {
    {"AV 12_294", &kAddress20},
    {"AV 12_295", &kAddress30},
    {"AV 12_296", &kAddress14},
    {"AV 12_297", &kShipping10},
    {"AV 2160", &kMini4x6},
    {"AV 2162", &kMini4x6},
    {"AV 2163", &kMini4x6},
    {"AV 2180", &kFileFolder30},
    {"AV 2181", &kFileFolder30},
    {"AV 2186", &kDiskette9},
    {"AV 2660", &kMini4x6},
    {"AV 2662", &kMini4x6},
    {"AV 2663", &kMini4x6},
    {"AV 5066", &kFileFolder30},
    {"AV 5095", &kBadge8},
    {"AV 5096", &kDiskette9},
    {"AV 5097", &kDiskette12},
    {"AV 5160", &kAddress30},
    {"AV 5161", &kAddress20},
    {"AV 5162", &kAddress14},
    {"AV 5163", &kShipping10},
    {"AV 5164", &kShipping6},
    {"AV 5165", &kFullSheet},
    {"AV 5167", &kReturn80},
    {"AV 5196", &kDiskette9},
    {"AV 5197", &kDiskette12},
    {"AV 5198", &kCassette12},
    {"AV 5199 FACE", &kVideoFace10},
    {"AV 5199 SPINE", &kVideoSpine15},
    {"AV 5260", &kAddress30},
    {"AV 5261", &kAddress20},
    {"AV 5262", &kAddress14},
    {"AV 5263", &kShipping10},
    {"AV 5264", &kShipping6},
    {"AV 5265", &kFullSheet},
    {"AV 5266", &kFileFolder30},
    {"AV 5267", &kReturn80},
    {"AV 5293", &kRound24},
    {"AV 5294", &kRound12},
    {"AV 5295", &kRound6},
    {"AV 5305", &kTent2},
    {"AV 5309", &kTent2},
    {"AV 5315", &kNoteCard4},
    {"AV 5361", &kAddress20},
    {"AV 5361 SINGLE", &kAddress20},
    {"AV 5362", &kAddress14},
    {"AV 5362 SINGLE", &kAddress14},
    {"AV 5364", &kShipping6},
    {"AV 5364S", &kShipping6},
    {"AV 5366", &kFileFolder30},
    {"AV 5371", &kCard10},
    {"AV 5372", &kCard10},
    {"AV 5376", &kCard10},
    {"AV 5377", &kCard10},
    {"AV 5383", &kBadge8},
    {"AV 5384", &kBadge6},
    {"AV 5385", &kBadge8},
    {"AV 5386", &kBadge8},
    {"AV 5388", &kIndexCard3},
    {"AV 5389", &kPostcard2},
    {"AV 5390", &kBadge8},
    {"AV 5392", &kBadge6},
    {"AV 5395", &kBadge8},
    {"AV 5660", &kAddress30},
    {"AV 5661", &kAddress20},
    {"AV 5662", &kAddress14},
    {"AV 5663", &kShipping10},
    {"AV 5664", &kShipping6},
    {"AV 5667", &kReturn80},
    {"AV 5766", &kFileFolder30},
    {"AV 5824", &kDiskette9},
    {"AV 5836 LABEL", &kAddress30},
    {"AV 5836 TAB", &kTab5},
    {"AV 5837 LABEL", &kAddress30},
    {"AV 5837 TAB", &kTab5},
    {"AV 5838 LABEL", &kAddress30},
    {"AV 5838 TAB", &kTab5},
    {"AV 5839", &kTab5},
    {"AV 5840", &kTab5},
    {"AV 5841", &kTab5},
    {"AV 5842", &kTab5},
    {"AV 5843", &kTab5},
    {"AV 5844", &kTab5},
    {"AV 5845", &kTab5},
    {"AV 5848 LABEL", &kAddress30},
    {"AV 5848 TAB", &kTab5},
    {"AV 5849 LABEL", &kAddress30},
    {"AV 5849 TAB", &kTab5},
    {"AV 5855 LABEL", &kAddress30},
    {"AV 5855 TAB", &kTab5},
    {"AV 5866", &kFileFolder30},
    {"AV 5883", &kBadge8},
    {"AV 5895 BADGE", &kBadge8},
    {"AV 5895 SPINE", &kVideoSpine15},
    {"AV 5896", &kVideoFace10},
    {"AV 5897", &kVideoSpine15},
    {"AV 5911", &kCard10},
    {"AV 5920", &kAddress30},
    {"AV 5922", &kAddress20},
    {"AV 5923", &kShipping10},
    {"AV 5927", &kShipping6},
    {"AV 5930", &kAddress30},
    {"AV 5932", &kAddress14},
    {"AV 5963", &kAddress30},
    {"AV 5966", &kFileFolder30},
    {"AV 6460", &kAddress30},
    {"AV 6464", &kShipping6},
    {"AV 6466", &kFileFolder30},
    {"AV 6490", &kDiskette9},
    {"AV 8160", &kAddress30},
    {"AV 8161", &kAddress20},
    {"AV 8162", &kAddress14},
    {"AV 8163", &kShipping10},
    {"AV 8164", &kShipping6},
    {"AV 8165", &kFullSheet},
    {"AV 8166", &kFileFolder30},
    {"AV 8167", &kReturn80},
    {"AV 8196", &kDiskette9},
    {"AV 8315", &kNoteCard4},
    {"AV 8316 LANDSCAPE", &kNoteCard4},
    {"AV 8316 PORTRAIT", &kNoteCard4},
    {"AV 8371", &kCard10},
    {"AV 8372", &kCard10},
    {"AV 8376", &kCard10},
    {"AV 8377", &kCard10},
    {"AV 8460", &kAddress30},
    {"AV 8462", &kAddress14},
    {"AV 8463", &kShipping10},
    {"AV 8660", &kAddress30},
    {"AV 8662", &kAddress14},
    {"AV 8663", &kShipping10},
    {"AV 8920", &kAddress30},
    {"AV 8922", &kAddress20},
    {"AV 8923", &kShipping10},
    {"AV 8927", &kShipping6},
    {"AV 8930", &kAddress30},
    {"AV 8932", &kAddress14},
};
static_assert(std::size(kStocks) == kCustomStock);

// Typed numbers: the C form first, then the user's locale.
std::optional<double> readNumber(const QString& text) {
  bool ok = false;
  double v = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok) v = QLocale().toDouble(text.trimmed(), &ok);
  return ok ? std::optional<double>(v) : std::nullopt;
}

double numberOrZero(const QString& text) { return readNumber(text).value_or(0); }

}  // namespace

QPointF SheetGeometry::corner(int n) const {
  const int i = std::max(n, 1) - 1;
  const int a = std::max(across, 1);
  return {left + (i % a) * pitchX, top + (i / a % std::max(down, 1)) * pitchY};
}

const QStringList& labelStockNames() {
  static const QStringList names = [] {
    QStringList l;
    for (const Stock& s : kStocks) l << QString::fromLatin1(s.name);
    return l;
  }();
  return names;
}

int labelStockNumber(const QString& name) {
  return static_cast<int>(labelStockNames().indexOf(name));
}

std::optional<SheetGeometry> stockGeometry(int number) {
  if (number < 0 || number >= kCustomStock) return std::nullopt;
  const Die& d = *kStocks[number].die;
  SheetGeometry g;
  g.width = d.width, g.height = d.height, g.pitchX = d.pitchX, g.pitchY = d.pitchY;
  g.left = d.left, g.top = d.top, g.across = d.across, g.down = d.down, g.shape = d.shape;
  return g;
}

QString sheetProblem(const SheetGeometry& g) {
  if (g.across < 1 || g.down < 1)
    return QStringLiteral("There must be at least one label across and one label down.");
  if (g.width <= 0 || g.height <= 0 || g.pitchX < g.width || g.pitchY < g.height || g.left < 0 ||
      g.top < 0)
    return QStringLiteral("Label sizes must be above zero, and gaps and margins not below zero.");
  const double right = g.left + (g.across - 1) * g.pitchX + g.width;
  const double bottom = g.top + (g.down - 1) * g.pitchY + g.height;
  if (right > g.paperWidth + 1e-6 || bottom > g.paperHeight + 1e-6)
    return QStringLiteral(
               "The labels do not fit on the paper (%1 x %2 inches). "
               "Please check the sizes, gaps, margins and numbers of labels.")
        .arg(g.paperWidth)
        .arg(g.paperHeight);
  return {};
}

std::optional<SheetGeometry> labelSheet(const LabelRec& rec, QString* error) {
  SheetGeometry g;
  if (rec.labelType == 0) {
    const int number = labelStockNumber(rec.stock);
    g = *stockGeometry(number < 0 ? 0 : number);
  } else {
    double* inches[] = {&g.width, &g.height, &g.pitchX, &g.pitchY, &g.left, &g.top};
    const QString* all[] = {&rec.labelWidth, &rec.labelHeight, &rec.gapAcross,
                            &rec.gapDown,    &rec.leftMargin,  &rec.topMargin};
    for (int i = 0; i < 6; ++i) {
      const auto v = readNumber(*all[i]);
      if (!v) {
        if (error) *error = QStringLiteral("'%1' is not a valid floating point value").arg(*all[i]);
        return std::nullopt;
      }
      *inches[i] = *v;
    }
    g.pitchX += g.width;  // read as gaps
    g.pitchY += g.height;
    int* counts[] = {&g.across, &g.down};
    const QString* countTexts[] = {&rec.across, &rec.down};
    for (int i = 0; i < 2; ++i) {
      bool ok = false;
      *counts[i] = countTexts[i]->trimmed().toInt(&ok);
      if (!ok) {
        if (error) *error = QStringLiteral("'%1' is not a valid integer value").arg(*countTexts[i]);
        return std::nullopt;
      }
    }
    g.shape = std::clamp(rec.shape, 0, 2);
  }
  const QString problem = sheetProblem(g);
  if (!problem.isEmpty()) {
    if (error) *error = problem;
    return std::nullopt;
  }
  return g;
}

std::optional<LabelSettings> labelSettings(const LabelRec& rec, const ReportSource& source,
                                           QString* error) {
  const auto sheet = labelSheet(rec, error);
  if (!sheet) return std::nullopt;
  LabelSettings s;
  s.sheet = *sheet;
  for (int32_t k : rec.columns)
    if (source.exists(k)) s.columns.push_back(k);
  s.bodyFont = {rec.bodyFontName, rec.bodyFontSize, rec.bodyFontStyle};
  s.headerFont = {rec.headerFontName, rec.headerFontSize, rec.headerFontStyle};
  s.bodyLeft = numberOrZero(rec.bodyLeft);
  s.bodyTop = numberOrZero(rec.bodyTop);
  s.headerLeft = numberOrZero(rec.headerLeft);
  s.headerTop = numberOrZero(rec.headerTop);
  s.logoLeft = numberOrZero(rec.logoLeft);
  s.logoTop = numberOrZero(rec.logoTop);
  s.headerLines = rec.headerLines;
  s.firstLabel = std::max(1, rec.firstLabel.trimmed().toInt());
  if (!rec.logoFile.trimmed().isEmpty()) {
    const QFileInfo info(rec.logoFile.trimmed());
    if (!info.isFile()) {
      if (error) *error = QStringLiteral("Logo file %1 not found.").arg(rec.logoFile.trimmed());
      return std::nullopt;
    }
    // Read only when small enough: a huge file would stall the program.
    if (info.size() > kMaxLogoBytes || !s.logo.load(info.filePath())) {
      if (error)
        *error = QStringLiteral(
                     "Logo file %1 cannot be used: it must be a BMP picture of at "
                     "most %2 MB.")
                     .arg(rec.logoFile.trimmed())
                     .arg(kMaxLogoBytes / (1024 * 1024));
      return std::nullopt;
    }
  }
  return s;
}

LabelJob::LabelJob(ReportSource& source, LabelSettings settings, bool single)
    : src_(source), s_(std::move(settings)), single_(single) {}

namespace {

// Pictures print at their size on the screen.
double screenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96;
}

}  // namespace

bool LabelJob::run(PageRenderer& r) {
  if (!single_) {
    if (printHooks().beforePrint) printHooks().beforePrint();
    src_.first();
  }
  bool finished = true;
  int first = s_.firstLabel;
  bool more = !src_.atEnd();
  while (more) {
    ++pages_;
    if (status) status(QStringLiteral("Printing page %1\r").arg(r.pageNumber()));
    // A first label beyond the sheet leaves the whole first sheet empty.
    for (int n = 1; n <= s_.sheet.perSheet() && more; ++n) {
      if (n < first) continue;
      printLabel(r, s_.sheet.corner(n));
      ++printed_;
      if (single_) {
        more = false;
      } else {
        src_.next();
        more = !src_.atEnd();
      }
    }
    first = 1;
    if (!more) break;
    if (keepGoing && !keepGoing()) {
      finished = false;
      break;
    }
    r.newPage();
  }
  if (!single_ && printHooks().afterPrint) printHooks().afterPrint();
  return finished;
}

void LabelJob::printLabel(PageRenderer& r, QPointF at) {
  const SheetGeometry& g = s_.sheet;
  const double x = at.x(), y = at.y();
  if (!s_.headerLines.isEmpty()) {
    r.setFont(s_.headerFont);
    r.setYPos(y + s_.headerTop);
    for (const QString& line : s_.headerLines) {
      if (r.yPos() - y >= g.height || s_.headerLeft >= g.width) break;
      r.printLeft(line, x + s_.headerLeft);
      r.setYPos(r.yPos() + r.lineHeight());
    }
  }
  if (s_.bodyLeft < g.width && s_.bodyTop < g.height) {
    r.setFont(s_.bodyFont);
    r.setYPos(y + s_.bodyTop);
    const double room = g.width - s_.bodyLeft;
    for (int k : s_.columns) {
      if (r.yPos() - y >= g.height) break;
      switch (src_.kind(k)) {
        case FieldKind::Memo: {
          MemoBuffer memo;
          memo.setText(src_.memo(k));
          memo.setBounds(x + s_.bodyLeft, x + g.width - 0.1);
          // Whole, but not onto the label below.
          while (!memo.finished() && r.yPos() - y + r.lineHeight() <= g.height + 1e-6)
            memo.printLines(r, 1);
          break;
        }
        case FieldKind::Picture: {
          QImage image;
          image.loadFromData(src_.picture(k));
          if (image.isNull()) break;
          const double dpi = screenDpi();
          const double w = image.width() / dpi, h = image.height() / dpi;
          r.drawImage(image, QRectF(x + s_.bodyLeft, r.yPos(), w, h));
          r.setYPos(r.yPos() + h);
          break;
        }
        default: {
          QString text = src_.text(k);
          while (!text.isEmpty() && r.textWidth(text) > room) text.chop(1);
          r.printLeft(text, x + s_.bodyLeft);
          r.setYPos(r.yPos() + r.lineHeight());
        }
      }
    }
  }
  if (!s_.logo.isNull() && s_.logoLeft < g.width && s_.logoTop < g.height) {
    const double dpi = screenDpi();
    r.drawImage(s_.logo, QRectF(x + s_.logoLeft, y + s_.logoTop, s_.logo.width() / dpi,
                                s_.logo.height() / dpi));
  }
}

void printLabels(const LabelSettings& settings, ReportSource& source, QWidget* parent, bool preview,
                 bool single) {
  PaperSetup paper;
  paper.width = settings.sheet.paperWidth, paper.height = settings.sheet.paperHeight;
  paper.left = paper.right = paper.top = paper.bottom = 0;
  paper.standard = QPageSize::Letter;
  QPrinter printer(QPrinter::HighResolution);
  printer.setFullPage(true);
  { PageRenderer layout(printer, paper); }
  if (preview) {
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Label Preview Window"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
      PageRenderer r(*target, paper);
      if (!r.begin()) return;
      LabelJob job(source, settings, single);
      job.keepGoing = [] { return !shuttingDown(); };
      job.run(r);
    });
    dialog.resize(900, 700);
    if (!shuttingDown()) dialog.exec();
  } else {
    if (!printerChooser()(printer, parent)) return;
    PageRenderer r(printer, paper);
    if (!r.begin()) {
      showMessage(MsgKind::Error,
                  QStringLiteral("Unable to print on %1")
                      .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                              : printer.outputFileName()));
      return;
    }
    LabelJob job(source, settings, single);
    ReportStatusDialog status([&job](PageRenderer& on) { return job.run(on); }, job.status,
                              job.keepGoing, r, parent);
    status.exec();
  }
  if (!source.error().isEmpty()) showMessage(MsgKind::Error, source.error());
}
