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

// One die-cut layout on US Letter paper (8.5 x 11 inches), inches.
struct Die {
  double width, height, pitchX, pitchY, left, top;
  int across, down, shape;  // shape: 0 round rect, 1 rectangle, 2 round
};

// The figures come from two public transcriptions of the makers' published
// templates, cited per die:
//   gL  gLabels' Avery US-Letter templates, templates/avery-us-templates.xml
//       (github.com/jimevins/glabels-qt): label size, x0/y0 (left and top
//       margins), dx/dy (pitches), nx/ny (counts), corner rounding (shape);
//       its "equiv" lines name the parts that share a die.
//   PS  Paper::Specs::Avery::<part> (metacpan.org/dist/Paper-Specs): label
//       size, left/top/right/bottom margins and counts; the pitches are
//       derived as (sheet - margins - labels) / gaps + label size.
// A single row or column has a pitch equal to its label size.
constexpr Die k5160{2.625, 1, 2.75, 1, 0.1875, 0.5, 3, 10, 0};                 // PS 5160
constexpr Die k5161{4, 1, 4.1875, 1, 0.15625, 0.5, 2, 10, 0};                  // gL 5161
constexpr Die k5162{4, 4.0 / 3, 4.1875, 4.0 / 3, 0.15625, 5.0 / 6, 2, 7, 0};   // gL 5162
constexpr Die k5163{4, 2, 4.1875, 2, 0.1625, 0.5, 2, 5, 0};                    // gL 5163
constexpr Die k5164{4, 10.0 / 3, 4.1875, 10.0 / 3, 0.15625, 0.5, 2, 3, 0};     // gL 5164
constexpr Die k8165{8.5, 11, 8.5, 11, 0, 0, 1, 1, 1};                          // gL 8165
constexpr Die k5167{1.75, 0.5, 2.0625, 0.5, 0.28125, 0.5, 4, 20, 0};           // gL 5167
constexpr Die k5366{3.4375, 2.0 / 3, 4, 2.0 / 3, 0.53125, 0.5, 2, 15, 0};      // gL 5366
constexpr Die k5196{2.75, 2.75, 2.75, 3, 0.125, 0.5, 3, 3, 0};                 // gL 5196
constexpr Die k5197{4, 1.5, 4.125, 1.5, 0.1875, 1, 2, 6, 0};                   // gL 5197
constexpr Die k5198{3.5, 1.667, 4, 1.667, 0.5, 0.5, 2, 6, 0};                  // PS 5198
constexpr Die k5199Face{3.063, 1.833, 3.3, 1.833, 1.069, 0.917, 2, 5, 0};      // PS 5199_1
constexpr Die k5199Spine{5.813, 0.6666, 5.813, 0.6666, 1.344, 0.5, 1, 15, 0};  // PS 5199_2
constexpr Die k5193{1.625, 1.625, 2.0145, 1.6554, 0.4157, 0.549, 4, 6, 2};     // gL 5193
constexpr Die k5194{2.5, 2.5, 2.75, 2.515, 0.21, 0.425, 3, 4, 2};              // gL 5194
constexpr Die k5195{3.3125, 3.3125, 3.9063, 3.3594, 0.6406, 0.4844, 2, 3, 2};  // gL 5195
constexpr Die k5305{8.5, 2.5, 8.5, 5, 0, 3, 1, 2, 1};                          // gL 5305
// PS 5309 gives the card on a landscape sheet (10 x 6 at 0.5, 1.25); the
// same die as the paper is held in portrait.
constexpr Die k5309{6, 10, 6, 10, 1.25, 0.5, 1, 1, 1};
constexpr Die k5315{4.25, 5.5, 4.25, 5.5, 0, 0, 2, 2, 1};                      // PS 5315, 8315
constexpr Die k8316{8.5, 5.5, 8.5, 5.5, 0, 0, 1, 2, 1};                        // PS 8316
constexpr Die k5361{3.25, 2, 3.25, 11.0 / 3, 4.3125, 0.8333, 1, 3, 1};         // PS 5361_2, 5362_2
constexpr Die k5361Single{3.25, 2, 3.25, 2, 4.3125, 0.8333, 1, 1, 1};          // one card of it
constexpr Die k5364{3.875, 2.0625, 3.875, 11.0 / 3, 4.3125, 0.8125, 1, 3, 1};  // PS 5364_1
constexpr Die k5364S{3.875, 2.0625, 3.875, 2.0625, 4.3125, 0.8125, 1, 1, 1};   // PS 5364_2
constexpr Die k5371{3.5, 2, 3.5, 2, 0.75, 0.5, 2, 5, 1};                       // gL 5371
constexpr Die k5383{3.5, 2.219, 3.5, 2.219, 0.75, 1.0625, 2, 4, 1};            // PS 5383, 5390
constexpr Die k5384{4, 3, 4, 3, 0.25, 1, 2, 3, 1};                             // PS 5384, 5392
constexpr Die k5385{4, 2.167, 4, 2.167, 0.25, 1.1667, 2, 4, 1};                // PS 5385
constexpr Die k5388{5, 3, 5, 3, 1.75, 1, 1, 3, 1};                             // gL 5388, PS 5386
constexpr Die k5389{6, 4, 6, 4.5, 1.25, 1.25, 1, 2, 1};                        // gL 5389
constexpr Die k5395{3.375, 7.0 / 3, 3.75, 2.5, 0.6875, 7.0 / 12, 2, 4, 0};     // gL 5395
constexpr Die k5660{2.75, 1, 2.813, 1, 0.062, 0.5, 3, 10, 0};                  // PS 5660, 5930
constexpr Die k5661{4.125, 1, 4.209, 1, 0.083, 0.5, 2, 10, 0};                 // PS 5661
constexpr Die k5662{4.125, 1.333, 4.209, 1.333, 0.083, 0.835, 2, 7, 0};        // PS 5662
constexpr Die k5663{4.125, 2, 4.209, 2, 0.083, 0.5, 2, 5, 1};  // PS 5663; gL 5663: square corners
constexpr Die k5664{4.125, 3.333, 4.209, 3.333, 0.083, 0.5, 2, 3, 0};      // PS 5664
constexpr Die k5667{1.75, 0.5, 2.05, 0.5, 0.3, 0.5, 4, 20, 0};             // PS 5667
constexpr Die k5824{4.625, 4.625, 4.625, 5.5, 2, 0.5, 1, 2, 2};            // gL 5824
constexpr Die k5883{3.1875, 1.8438, 3.5, 2.1875, 0.875, 1.3125, 2, 4, 1};  // PS 5883
constexpr Die k6490{2.6875, 2, 2.78125, 2, 0.125, 0.5, 3, 5, 0};           // gL 6490
// Mini-sheets (4 1/4 inches wide), fed against the left edge of the paper.
constexpr Die k2160{2.63, 1, 2.63, 1, 0.81, 0.5, 1, 4, 0};                   // PS 2160_1
constexpr Die k2162{4, 1.3333, 4, 1.3333, 0.125, 0.5, 1, 3, 0};              // PS 2162_1
constexpr Die k2163{4, 2, 4, 2, 0.125, 0.5, 1, 2, 0};                        // PS 2163_1
constexpr Die k2180{3.4375, 0.6875, 3.4375, 0.6875, 0.40625, 0.5, 1, 6, 0};  // PS 2180_1, 2181_1
constexpr Die k2186{2.75, 2, 2.75, 2, 0.75, 0.5, 1, 2, 0};                   // PS 2186_1

struct Stock {
  const char* name;
  const Die* die;
};

// Sorted as the stock list shows them; the place in this table is the
// stock's key (stored in label.dat, so it never changes). "= n" names the
// part whose die the source gives for this one. "not found" marks the parts
// that neither source lists: they keep the sheet named, which is a guess
// from the part's count and kind rather than a published figure.
constexpr Stock kStocks[] = {
    {"AV 12_294", &k5161},  // not found: as 5161 (20 per sheet)
    {"AV 12_295", &k5160},  // not found: as 5160 (30 per sheet)
    {"AV 12_296", &k5162},  // not found: as 5162 (14 per sheet)
    {"AV 12_297", &k5163},  // not found: as 5163 (10 per sheet)
    {"AV 2160", &k2160},
    {"AV 2162", &k2162},
    {"AV 2163", &k2163},
    {"AV 2180", &k2180},
    {"AV 2181", &k2180},
    {"AV 2186", &k2186},
    {"AV 2660", &k2160},  // not found: clear version of 2160
    {"AV 2662", &k2162},  // not found: clear version of 2162
    {"AV 2663", &k2163},  // not found: clear version of 2163
    {"AV 5066", &k5366},  // gL = 5366
    {"AV 5095", &k5395},  // gL = 5395
    {"AV 5096", &k5196},  // gL = 5196
    {"AV 5097", &k5197},  // not found: as 5197 (12 per sheet)
    {"AV 5160", &k5160},
    {"AV 5161", &k5161},
    {"AV 5162", &k5162},
    {"AV 5163", &k5163},
    {"AV 5164", &k5164},
    {"AV 5165", &k8165},  // gL = 8165
    {"AV 5167", &k5167},
    {"AV 5196", &k5196},
    {"AV 5197", &k5197},
    {"AV 5198", &k5198},
    {"AV 5199 FACE", &k5199Face},
    {"AV 5199 SPINE", &k5199Spine},
    {"AV 5260", &k5160},  // gL = 5160
    {"AV 5261", &k5161},  // gL = 5161
    {"AV 5262", &k5162},  // gL = 5162
    {"AV 5263", &k5163},  // gL = 5163
    {"AV 5264", &k5164},  // gL = 5164
    {"AV 5265", &k8165},  // gL = 8165
    {"AV 5266", &k5366},  // gL = 5366
    {"AV 5267", &k5167},  // gL = 5167
    {"AV 5293", &k5193},  // gL = 5193
    {"AV 5294", &k5194},  // gL = 5194
    {"AV 5295", &k5195},  // gL = 5195
    {"AV 5305", &k5305},
    {"AV 5309", &k5309},
    {"AV 5315", &k5315},
    {"AV 5361", &k5361},
    {"AV 5361 SINGLE", &k5361Single},
    {"AV 5362", &k5361},
    {"AV 5362 SINGLE", &k5361Single},
    {"AV 5364", &k5364},
    {"AV 5364S", &k5364S},
    {"AV 5366", &k5366},
    {"AV 5371", &k5371},
    {"AV 5372", &k5371},  // gL = 5371
    {"AV 5376", &k5371},  // gL = 5371
    {"AV 5377", &k5371},  // gL = 5371
    {"AV 5383", &k5383},
    {"AV 5384", &k5384},
    {"AV 5385", &k5385},
    {"AV 5386", &k5388},
    {"AV 5388", &k5388},
    {"AV 5389", &k5389},
    {"AV 5390", &k5383},
    {"AV 5392", &k5384},
    {"AV 5395", &k5395},
    {"AV 5660", &k5660},
    {"AV 5661", &k5661},
    {"AV 5662", &k5662},
    {"AV 5663", &k5663},
    {"AV 5664", &k5664},
    {"AV 5667", &k5667},
    {"AV 5766", &k5366},  // gL = 5366
    {"AV 5824", &k5824},
    // The divider sets 5836-5855 are not found: their address labels as
    // 5160, their tab strips as the 1/2 x 1 3/4 inch strips of 5167.
    {"AV 5836 LABEL", &k5160},
    {"AV 5836 TAB", &k5167},
    {"AV 5837 LABEL", &k5160},
    {"AV 5837 TAB", &k5167},
    {"AV 5838 LABEL", &k5160},
    {"AV 5838 TAB", &k5167},
    {"AV 5839", &k5167},
    {"AV 5840", &k5167},
    {"AV 5841", &k5167},
    {"AV 5842", &k5167},
    {"AV 5843", &k5167},
    {"AV 5844", &k5167},
    {"AV 5845", &k5167},
    {"AV 5848 LABEL", &k5160},
    {"AV 5848 TAB", &k5167},
    {"AV 5849 LABEL", &k5160},
    {"AV 5849 TAB", &k5167},
    {"AV 5855 LABEL", &k5160},
    {"AV 5855 TAB", &k5167},
    {"AV 5866", &k5366},  // gL = 5366
    {"AV 5883", &k5883},
    {"AV 5895 BADGE", &k5395},       // gL = 5395
    {"AV 5895 SPINE", &k5199Spine},  // not found: as the 5199 spine labels
    {"AV 5896", &k5196},             // gL = 5196, PS 5896
    {"AV 5897", &k5199Spine},        // not found: as the 5199 spine labels
    {"AV 5911", &k5371},             // gL = 5371
    {"AV 5920", &k5160},             // gL = 5160
    {"AV 5922", &k5162},             // gL = 5162, PS 5922
    {"AV 5923", &k5163},             // gL = 5163
    {"AV 5927", &k5167},             // gL = 5167
    {"AV 5930", &k5660},             // PS 5930
    {"AV 5932", &k5662},  // not found: as 5662, the clear 14 per sheet (5930 is 5660's die)
    {"AV 5963", &k5163},  // gL = 5163, PS 5963
    {"AV 5966", &k5366},  // gL = 5366
    {"AV 6460", &k5160},  // gL = 5160
    {"AV 6464", &k5164},  // gL = 5164
    {"AV 6466", &k5366},  // gL = 5366
    {"AV 6490", &k6490},
    {"AV 8160", &k5160},  // gL = 5160
    {"AV 8161", &k5161},  // gL = 5161
    {"AV 8162", &k5162},  // gL = 5162
    {"AV 8163", &k5163},  // gL = 5163
    {"AV 8164", &k5164},  // gL = 5164
    {"AV 8165", &k8165},
    {"AV 8166", &k5366},  // gL = 5366
    {"AV 8167", &k5167},  // gL = 5167
    {"AV 8196", &k5196},  // gL = 5196
    {"AV 8315", &k5315},
    {"AV 8316 LANDSCAPE", &k8316},  // the card's two halves, however it is folded
    {"AV 8316 PORTRAIT", &k8316},
    {"AV 8371", &k5371},  // gL = 5371
    {"AV 8372", &k5371},  // gL = 5371
    {"AV 8376", &k5371},  // gL = 5371
    {"AV 8377", &k5371},  // gL = 5371
    {"AV 8460", &k5160},  // gL = 5160
    {"AV 8462", &k5162},  // gL = 5162
    {"AV 8463", &k5163},  // gL = 5163
    {"AV 8660", &k5160},  // gL = 5160, PS 8660
    {"AV 8662", &k5162},  // gL = 5162, PS 8662
    {"AV 8663", &k5163},  // gL = 5163
    {"AV 8920", &k5160},  // gL = 5160
    {"AV 8922", &k5162},  // gL = 5162
    {"AV 8923", &k5163},  // gL = 5163, PS 8923
    {"AV 8927", &k5167},  // gL = 5167
    {"AV 8930", &k5160},  // gL = 5160
    {"AV 8932", &k5162},  // gL = 5162
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
    if (outlines) drawOutlines(r);
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

void LabelJob::drawOutlines(PageRenderer& r) {
  const SheetGeometry& g = s_.sheet;
  const double dpi = r.dpi();
  QPainter& p = r.painter();
  p.save();
  p.setPen(QPen(QColor(150, 150, 150), 0.01 * dpi));
  p.setBrush(Qt::NoBrush);
  p.setRenderHint(QPainter::Antialiasing);
  for (int n = 1; n <= g.perSheet(); ++n) {
    const QPointF at = g.corner(n);
    const QRectF box(at.x() * dpi, at.y() * dpi, g.width * dpi, g.height * dpi);
    switch (g.shape) {
      case 1:
        p.drawRect(box);
        break;
      case 2:
        p.drawEllipse(box);
        break;
      default: {
        // The corner rounding of the makers' address label dies.
        const double radius = std::min({0.0625, g.width / 4, g.height / 4}) * dpi;
        p.drawRoundedRect(box, radius, radius);
      }
    }
  }
  p.restore();
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
      job.outlines = true;
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
