#include "query/summary/summarygraphdialog.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/prompt.h"
#include "print/pagerender.h"
#include "print/radiogroup.h"
#include "print/reportrun.h"
#include "ui/busycursor.h"
#include "ui/qtprompter.h"

namespace {

enum GraphType { kBars = 0, kPie = 1, kLines = 2 };
enum XLabels { kHorizontal = 0, kVertical = 1, kNoLabels = 2 };

// Flat, or lit from the top left when the chart is drawn "3D".
QBrush shaded(const QColor& base, bool threeD, bool radial) {
  if (!threeD) return base;
  if (radial) {
    QRadialGradient g(0.35, 0.35, 0.9);
    g.setCoordinateMode(QGradient::ObjectBoundingMode);
    g.setColorAt(0, base.lighter(160));
    g.setColorAt(1, base.darker(140));
    return g;
  }
  QLinearGradient g(0, 0, 1, 0);
  g.setCoordinateMode(QGradient::ObjectBoundingMode);
  g.setColorAt(0, base.lighter(150));
  g.setColorAt(0.45, base);
  g.setColorAt(1, base.darker(170));
  return g;
}

}  // namespace

PieGraphDialog::PieGraphDialog(const QStringList& keys, const QStringList& amounts,
                               const QString& title, QWidget* parent)
    : QDialog(parent), keys_(keys), amounts_(amounts), slices_(pieSlices(keys, amounts)) {
  setObjectName(QStringLiteral("PieGraphDialog"));
  setWindowTitle(QStringLiteral("Summary Graph"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  setFixedSize(780, 480);

  auto* c = new QChart;
  c->setTitle(title);
  QFont f = c->titleFont();
  f.setBold(true);
  f.setPointSize(f.pointSize() + 2);
  c->setTitleFont(f);
  chartView = new QChartView(c, this);
  chartView->setRenderHint(QPainter::Antialiasing);
  chartView->setGeometry(8, 8, 590, 464);
  noSlicesLabel = new QLabel(kNoSlicesText, chartView);
  noSlicesLabel->setAlignment(Qt::AlignCenter);
  noSlicesLabel->setGeometry(20, 200, 550, 40);
  noSlicesLabel->hide();

  const int px = 608, pw = 164;
  graphTypeGroup = new RadioGroup(
      QStringLiteral("Chart"),
      {QStringLiteral("Bars"), QStringLiteral("Pie"), QStringLiteral("Lines")}, this);
  graphTypeGroup->setGeometry(px, 4, pw, 92);
  graphTypeGroup->setItemIndex(kBars);
  xLabelsGroup = new RadioGroup(
      QStringLiteral("X Axis Labels"),
      {QStringLiteral("Horizontal"), QStringLiteral("Vertical"), QStringLiteral("No Labels")},
      this);
  xLabelsGroup->setGeometry(px, 100, pw, 92);
  xLabelsGroup->setItemIndex(kHorizontal);
  threeDCheck = new QCheckBox(QStringLiteral("3D"), this);
  threeDCheck->setGeometry(px + 4, 198, pw, 22);
  threeDCheck->setChecked(true);
  itemsPerPageLabel = new QLabel(QStringLiteral("Items Per Page:"), this);
  itemsPerPageLabel->setGeometry(px + 4, 228, 100, 22);
  itemsPerPageEdit = new QLineEdit(QString::number(rememberedItemsPerPage()), this);
  itemsPerPageEdit->setGeometry(px + 106, 228, 54, 22);
  itemsPerPageEdit->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]*")), itemsPerPageEdit));
  itemsPerPageLabel->setBuddy(itemsPerPageEdit);
  updateButton = new QPushButton(QStringLiteral("Update Graph"), this);
  updateButton->setGeometry(px, 256, pw, 28);
  previousButton = new QPushButton(QStringLiteral("&Previous"), this);
  previousButton->setGeometry(px, 292, pw / 2 - 2, 28);
  nextButton = new QPushButton(QStringLiteral("&Next"), this);
  nextButton->setGeometry(px + pw / 2 + 2, 292, pw / 2 - 2, 28);
  printButton = new QPushButton(QStringLiteral("P&rint"), this);
  printButton->setGeometry(px, 404, pw, 28);
  closeButton = new QPushButton(QStringLiteral("&Close"), this);
  closeButton->setGeometry(px, 440, pw, 28);

  const std::pair<QObject*, const char*> names[] = {{chartView, "chartView"},
                                                    {noSlicesLabel, "noSlicesLabel"},
                                                    {graphTypeGroup, "graphTypeGroup"},
                                                    {xLabelsGroup, "xLabelsGroup"},
                                                    {threeDCheck, "threeDCheck"},
                                                    {itemsPerPageLabel, "itemsPerPageLabel"},
                                                    {itemsPerPageEdit, "itemsPerPageEdit"},
                                                    {updateButton, "updateButton"},
                                                    {previousButton, "previousButton"},
                                                    {nextButton, "nextButton"},
                                                    {printButton, "printButton"},
                                                    {closeButton, "closeButton"}};
  for (const auto& [control, name] : names) control->setObjectName(QLatin1String(name));

  paging_.reset(static_cast<int>(keys_.size()), rememberedItemsPerPage());
  connect(graphTypeGroup, &RadioGroup::choiceChanged, this, &PieGraphDialog::rebuild);
  connect(xLabelsGroup, &RadioGroup::choiceChanged, this, &PieGraphDialog::rebuild);
  connect(threeDCheck, &QCheckBox::toggled, this, &PieGraphDialog::rebuild);
  connect(updateButton, &QPushButton::clicked, this, &PieGraphDialog::onUpdateClicked);
  connect(itemsPerPageEdit, &QLineEdit::returnPressed, this, &PieGraphDialog::onUpdateClicked);
  connect(previousButton, &QPushButton::clicked, this, [this] { onPageClicked(-1); });
  connect(nextButton, &QPushButton::clicked, this, [this] { onPageClicked(1); });
  connect(printButton, &QPushButton::clicked, this, &PieGraphDialog::onPrintClicked);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  rebuild();
}

QChart* PieGraphDialog::chart() const { return chartView->chart(); }

void PieGraphDialog::rebuild() {
  QChart* c = chart();
  c->removeAllSeries();
  for (QAbstractAxis* a : c->axes()) {
    c->removeAxis(a);
    delete a;
  }
  const int type = graphTypeGroup->itemIndex();
  const bool pie = type == kPie;
  if (pie)
    buildPie();
  else
    buildBars(type == kLines);
  noSlicesLabel->setVisible(pie && slices_.empty());
  for (QWidget* w : std::initializer_list<QWidget*>{xLabelsGroup, itemsPerPageEdit,
                                                    itemsPerPageLabel, updateButton})
    w->setVisible(!pie);
  refreshPaging();
}

void PieGraphDialog::buildBars(bool lines) {
  QChart* c = chart();
  const bool threeD = threeDCheck->isChecked();
  QStringList categories;
  double low = 0, high = 0;
  QAbstractSeries* series = nullptr;
  const QColor color(0x2a, 0x6f, 0xb8);
  if (lines) {
    auto* s = new QLineSeries;
    for (int i = 0; i < paging_.count(); ++i) {
      const double v = graphAmount(amounts_.value(paging_.first() + i));
      s->append(i, v);
      low = std::min(low, v), high = std::max(high, v);
    }
    QPen pen(color, threeD ? 4 : 2);
    s->setPen(pen);
    s->setPointsVisible(true);
    s->setName(QStringLiteral("Amount"));
    series = s;
  } else {
    auto* set = new QBarSet(QStringLiteral("Amount"));
    for (int i = 0; i < paging_.count(); ++i) {
      const double v = graphAmount(amounts_.value(paging_.first() + i));
      *set << v;
      low = std::min(low, v), high = std::max(high, v);
    }
    set->setBrush(shaded(color, threeD, false));
    set->setPen(threeD ? QPen(color.darker(200)) : QPen(color));
    auto* s = new QBarSeries;
    s->append(set);
    series = s;
  }
  for (int i = 0; i < paging_.count(); ++i) categories << keys_.value(paging_.first() + i);
  c->addSeries(series);
  auto* x = new QBarCategoryAxis;
  x->append(categories);
  const int labels = xLabelsGroup->itemIndex();
  x->setLabelsAngle(labels == kVertical ? -90 : 0);
  x->setLabelsVisible(labels != kNoLabels);
  auto* y = new QValueAxis;
  y->setRange(low, high > low ? high * 1.05 : low + 1);
  y->applyNiceNumbers();
  y->setLabelFormat(QStringLiteral("%.2f"));
  c->addAxis(x, Qt::AlignBottom);
  c->addAxis(y, Qt::AlignLeft);
  series->attachAxis(x);
  series->attachAxis(y);
  c->legend()->setVisible(true);
  c->legend()->setAlignment(Qt::AlignBottom);
  c->setDropShadowEnabled(threeD);
}

void PieGraphDialog::buildPie() {
  QChart* c = chart();
  const bool threeD = threeDCheck->isChecked();
  auto* s = new QPieSeries;
  for (const PieSlice& p : slices_) {
    QPieSlice* slice = s->append(p.label, p.value);
    slice->setLabelVisible(slices_.size() <= 24);
  }
  c->addSeries(s);
  // The theme colours the slices as they are added; light them afterwards.
  if (threeD) {
    for (QPieSlice* slice : s->slices()) {
      slice->setBrush(shaded(slice->brush().color(), true, true));
      slice->setBorderColor(slice->brush().color().darker(150));
    }
    s->setPieSize(0.65);
  } else {
    s->setPieSize(0.7);
  }
  c->legend()->setVisible(true);
  c->legend()->setAlignment(Qt::AlignRight);
  c->setDropShadowEnabled(threeD);
}

void PieGraphDialog::refreshPaging() {
  const bool pie = graphTypeGroup->itemIndex() == kPie;
  previousButton->setEnabled(paging_.previousEnabled());
  nextButton->setEnabled(paging_.nextEnabled());
  previousButton->setVisible(!pie && paging_.buttonsVisible());
  nextButton->setVisible(!pie && paging_.buttonsVisible());
}

void PieGraphDialog::onUpdateClicked() {
  const int perPage = itemsPerPageFrom(itemsPerPageEdit->text());
  itemsPerPageEdit->setText(QString::number(perPage));
  rememberedItemsPerPage() = perPage;
  paging_.reset(static_cast<int>(keys_.size()), perPage);
  rebuild();
}

void PieGraphDialog::onPageClicked(int step) {
  paging_.setPage(paging_.page() + step);
  rebuild();
}

void PieGraphDialog::onPrintClicked() {
  PaperSetup paper;
  paper.standard = QPageSize::Letter;
  QPrinter printer(QPrinter::HighResolution);
  printer.setFullPage(true);
  { PageRenderer layout(printer, paper); }  // the printer's dialog starts on the paper
  if (!printerChooser()(printer, this)) return;
  BusyCursor busy;
  PageRenderer r(printer, paper);
  if (!r.begin()) {
    showMessage(MsgKind::Error,
                QStringLiteral("Unable to print on %1")
                    .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                            : printer.outputFileName()));
    return;
  }
  const double w = r.pageWidth() * r.dpi(), h = r.pageHeight() * r.dpi();
  const QRectF target(w / 10, h / 10, w - 2 * (w / 10), std::round(double(height()) / width() * w));
  r.painter().save();
  chartView->render(&r.painter(), target, QRect(), Qt::KeepAspectRatio);
  r.painter().restore();
  r.end();
}
