#include "print/reportdialog.h"

#include <QApplication>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/prompt.h"
#include "print/radiogroup.h"
#include "print/reportjob.h"
#include "print/reportloaddialog.h"
#include "print/reportrun.h"
#include "print/reportsource.h"
#include "ui/qtprompter.h"

namespace {

struct StandardSize {
  double width, height;
};
// Letter, Legal, Envelope #10; Custom has none.
constexpr StandardSize kSizes[] = {{8.5, 11}, {8.5, 14}, {9.5, 4.125}};

// General format with 3 significant digits: 8.5 "8.5", 4.125 "4.13".
QString general(double v) { return QString::number(v, 'g', 3); }

QLineEdit* edit(QWidget* parent, const char* name, const char* hint = nullptr) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  if (hint) e->setToolTip(QString::fromLatin1(hint));
  return e;
}

QToolButton* speedButton(QWidget* parent, const char* name, const char* text, const char* hint,
                         int degrees, int heads) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(QString::fromLatin1(text));
  b->setToolTip(QString::fromLatin1(hint));
  b->setIcon(arrowGlyph(degrees, heads));
  b->setIconSize(QSize(20, 20));
  return b;
}

QPushButton* pushButton(QWidget* parent, const char* name, const char* text, const char* hint) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromLatin1(hint));
  return b;
}

RadioGroup* group(QWidget* parent, const char* name, const char* caption, QStringList items,
                  const char* hint = nullptr) {
  auto* g = new RadioGroup(QString::fromLatin1(caption), items, parent);
  g->setObjectName(QString::fromLatin1(name));
  if (hint) g->setToolTip(QString::fromLatin1(hint));
  return g;
}

// A sheet of paper drawn in proportion, for the page settings.
QLabel* paperImage(QWidget* parent, const char* name, double w, double h) {
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  const double scale = 56 / std::max(w, h);
  const QRectF sheet((64 - w * scale) / 2, (64 - h * scale) / 2, w * scale, h * scale);
  p.fillRect(sheet, Qt::white);
  p.setPen(Qt::black);
  p.drawRect(sheet);
  for (double y = sheet.top() + 6; y < sheet.bottom() - 4; y += 5)
    p.drawLine(QPointF(sheet.left() + 4, y), QPointF(sheet.right() - 4, y));
  p.end();
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setPixmap(pixmap);
  return label;
}

}  // namespace

// A speed button's glyph: one or two arrow heads pointing where the field
// goes. The disabled look is derived by the style.
QIcon arrowGlyph(int degrees, int heads) {
  constexpr int kSide = 20;
  QPixmap pixmap(kSide * 2, kSide * 2);  // drawn at twice the size for sharp high-dpi screens
  pixmap.setDevicePixelRatio(2);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(kSide / 2.0, kSide / 2.0);
  p.rotate(degrees);  // drawn pointing right, then turned
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1f, 0x3f, 0x8f));
  const double start = heads == 1 ? -3.5 : -7;
  for (int i = 0; i < heads; ++i) {
    const double x = start + i * 7;
    p.drawPolygon(QPolygonF({QPointF(x, -6), QPointF(x + 7, 0), QPointF(x, 6)}));
  }
  p.end();
  return QIcon(pixmap);
}

QString fontStyleText(uint8_t style) {
  QString text;
  if (style & kBold) text += QStringLiteral("Bold ");
  if (style & kItalic) text += QStringLiteral("Italic ");
  if (style & kUnderline) text += QStringLiteral("Underline ");
  if (style & kStrikeOut) text += QStringLiteral("Strikeout");
  return text.isEmpty() ? QStringLiteral("Regular") : text;
}

ReportDialog::FontChooser& ReportDialog::fontChooser() {
  static FontChooser chooser = [](const QFont& start, QWidget* parent) -> std::optional<QFont> {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, start, parent);
    return ok ? std::optional<QFont>(f) : std::nullopt;
  };
  return chooser;
}

ReportDialog::ReportDialog(ReportSource& source, QWidget* parent)
    : PrintDialogFrame(parent), source_(source) {
  setObjectName(QStringLiteral("ReportDialog"));
  setWindowTitle(QStringLiteral("Print Report"));

  const QStringList pages = {QStringLiteral("Fields"), QStringLiteral("Options"),
                             QStringLiteral("Fonts"), QStringLiteral("Page"),
                             QStringLiteral("Title")};
  notebook->addWidget(fieldsPage());
  notebook->addWidget(optionsPage());
  notebook->addWidget(fontsPage());
  notebook->addWidget(pagePage());
  notebook->addWidget(titlePage());
  buildFrame(pages, kHelpContext);
  connect(tabSet, &QTabBar::currentChanged, this, &ReportDialog::showTab);
  connect(printButton, &QPushButton::clicked, this, [this] { onPrint(false); });
  connect(previewButton, &QPushButton::clicked, this, [this] { onPrint(true); });
  connect(loadButton, &QPushButton::clicked, this, &ReportDialog::onLoadClicked);
  connect(saveButton, &QPushButton::clicked, this, &ReportDialog::onSaveClicked);

  allFieldsList->addItems(source_.captions());
  showDefinition();
  if (allFieldsList->count() > 0) allFieldsList->setCurrentRow(0);
  if (includedList->count() > 0) includedList->setCurrentRow(0);
  showTab(0);
  updateButtons();
  bool numeric = false;
  for (int k = 0; k < source_.captions().size(); ++k)
    numeric = numeric || source_.kind(k) == FieldKind::Numeric;
  totalsGroup->setVisible(numeric);
  loadButton->setFocus();
}

QWidget* ReportDialog::fieldsPage() {
  auto* page = new QGroupBox(QStringLiteral("Data Fields"));
  page->setObjectName(QStringLiteral("fieldsPage"));
  allFieldsList = new QListWidget(page);
  allFieldsList->setObjectName(QStringLiteral("allFieldsList"));
  allFieldsList->setToolTip(QStringLiteral("List Of All Data Fields"));
  includedList = new QListWidget(page);
  includedList->setObjectName(QStringLiteral("includedList"));
  includedList->setToolTip(QStringLiteral("Data Fields Selected For Report"));
  includeButton = speedButton(page, "includeButton", ">", "Include Selected Field", 0, 1);
  includeAllButton = speedButton(page, "includeAllButton", ">>", "Include All Fields", 0, 2);
  excludeButton = speedButton(page, "excludeButton", "<", "Exclude Selected Field", 180, 1);
  excludeAllButton = speedButton(page, "excludeAllButton", "<<", "Exclude All Fields", 180, 2);
  moveUpButton = speedButton(page, "moveUpButton", "Up", "Move Up", 270, 1);
  moveDownButton = speedButton(page, "moveDownButton", "Down", "Move Down", 90, 1);
  auto* middle = new QVBoxLayout;
  middle->addStretch();
  for (QToolButton* b : {includeButton, includeAllButton, excludeButton, excludeAllButton})
    middle->addWidget(b);
  middle->addStretch();
  auto* order = new QVBoxLayout;
  order->addStretch();
  order->addWidget(moveUpButton);
  order->addWidget(moveDownButton);
  order->addStretch();
  auto* grid = new QGridLayout(page);
  grid->addWidget(new QLabel(QStringLiteral("All Fields:"), page), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Included Fields:"), page), 0, 2);
  grid->addWidget(allFieldsList, 1, 0);
  grid->addLayout(middle, 1, 1);
  grid->addWidget(includedList, 1, 2);
  grid->addLayout(order, 1, 3);
  connect(includeButton, &QToolButton::clicked, this, &ReportDialog::onIncludeClicked);
  connect(includeAllButton, &QToolButton::clicked, this, &ReportDialog::onIncludeAllClicked);
  connect(excludeButton, &QToolButton::clicked, this, &ReportDialog::onExcludeClicked);
  connect(excludeAllButton, &QToolButton::clicked, this, [this] {
    includedList->clear();
    updateButtons();
  });
  connect(moveUpButton, &QToolButton::clicked, this, [this] { onMove(-1); });
  connect(moveDownButton, &QToolButton::clicked, this, [this] { onMove(1); });
  return page;
}

QWidget* ReportDialog::optionsPage() {
  auto* page = new QGroupBox(QStringLiteral("Report Options"));
  page->setObjectName(QStringLiteral("optionsPage"));
  labelsGroup =
      group(page, "labelsGroup", "Field Names",
            {QStringLiteral("Print Field Names"), QStringLiteral("Don't Print Field Names")},
            "Field Names Printed Or Not");
  layoutGroup = group(page, "layoutGroup", "Report Layout",
                      {QStringLiteral("Fields In Columns"), QStringLiteral("Fields In Rows")},
                      "Select How Data Fields Are Printed");
  gridGroup = group(page, "gridGroup", "Grid",
                    {QStringLiteral("Print Grid"), QStringLiteral("Don't Print Grid")},
                    "Should Grid Be Printed");
  totalsGroup =
      group(page, "totalsGroup", "Totals",
            {QStringLiteral("Total Numeric Fields"), QStringLiteral("Don't Total Numeric Fields")},
            "Totals For Numeric Fields");
  maxWidthLabel = new QLabel(QStringLiteral("Max Width:"), page);
  maxWidthEdit = edit(page, "maxWidthEdit", "Max # Characters In Text Field");
  maxWidthEdit->installEventFilter(this);
  maxWidthLabel->setBuddy(maxWidthEdit);
  auto* width = new QHBoxLayout;
  width->addWidget(maxWidthLabel);
  width->addWidget(maxWidthEdit);
  width->addStretch();
  auto* grid = new QGridLayout(page);
  grid->addWidget(labelsGroup, 0, 0);
  grid->addWidget(layoutGroup, 0, 1);
  grid->addWidget(gridGroup, 1, 0);
  grid->addWidget(totalsGroup, 1, 1);
  grid->addLayout(width, 2, 0, 1, 2);
  connect(layoutGroup, &RadioGroup::choiceChanged, this, &ReportDialog::onLayoutClicked);
  connect(totalsGroup, &RadioGroup::choiceChanged, this, &ReportDialog::onLayoutClicked);
  return page;
}

QWidget* ReportDialog::fontsPage() {
  auto* page = new QGroupBox(QStringLiteral("Fonts"));
  page->setObjectName(QStringLiteral("fontsPage"));
  fontEdit = edit(page, "fontEdit");
  styleEdit = edit(page, "styleEdit");
  sizeEdit = edit(page, "sizeEdit");
  for (QLineEdit* e : {fontEdit, styleEdit, sizeEdit}) e->setReadOnly(true);
  fontButton = pushButton(page, "fontButton", "Change Font", "Select Font");
  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("Font Name:"), fontEdit);
  form->addRow(QStringLiteral("Font Style:"), styleEdit);
  form->addRow(QStringLiteral("Font Size:"), sizeEdit);
  form->addRow(QString(), fontButton);
  connect(fontButton, &QPushButton::clicked, this, &ReportDialog::onFontClicked);
  return page;
}

QWidget* ReportDialog::pagePage() {
  auto* page = new QGroupBox(QStringLiteral("Page Settings"));
  page->setObjectName(QStringLiteral("pagePage"));
  auto* margins = new QGroupBox(QStringLiteral("Margins [inches]"), page);
  leftEdit = edit(margins, "leftEdit");
  rightEdit = edit(margins, "rightEdit");
  bottomEdit = edit(margins, "bottomEdit");
  topEdit = edit(margins, "topEdit");
  auto* marginForm = new QFormLayout(margins);
  marginForm->addRow(QStringLiteral("Left:"), leftEdit);
  marginForm->addRow(QStringLiteral("Right:"), rightEdit);
  marginForm->addRow(QStringLiteral("Bottom:"), bottomEdit);
  marginForm->addRow(QStringLiteral("Top:"), topEdit);
  auto* size = new QGroupBox(QStringLiteral("Page Size [inches]"), page);
  sizeGroup = group(size, "sizeGroup", "",
                    {QStringLiteral("Letter"), QStringLiteral("Legal"),
                     QStringLiteral("Envelope #10"), QStringLiteral("Custom")});
  widthEdit = edit(size, "widthEdit");
  heightEdit = edit(size, "heightEdit");
  letterImage = paperImage(size, "letterImage", 8.5, 11);
  legalImage = paperImage(size, "legalImage", 8.5, 14);
  envelopeImage = paperImage(size, "envelopeImage", 9.5, 4.125);
  auto* sizeForm = new QFormLayout;
  sizeForm->addRow(QStringLiteral("Width:"), widthEdit);
  sizeForm->addRow(QStringLiteral("Height:"), heightEdit);
  auto* sizeBox = new QGridLayout(size);
  sizeBox->addWidget(sizeGroup, 0, 0, 2, 1);
  sizeBox->addLayout(sizeForm, 0, 1);
  auto* images = new QHBoxLayout;
  for (QLabel* l : {letterImage, legalImage, envelopeImage}) images->addWidget(l);
  sizeBox->addLayout(images, 1, 1);
  orientationGroup =
      group(page, "orientationGroup", "Page Orientation",
            {QStringLiteral("Portrait"), QStringLiteral("Landscape")}, "Select Page Orientation");
  portraitImage = paperImage(page, "portraitImage", 8.5, 11);
  landscapeImage = paperImage(page, "landscapeImage", 11, 8.5);
  for (QLineEdit* e : {leftEdit, rightEdit, bottomEdit, topEdit, widthEdit, heightEdit})
    e->installEventFilter(this);
  auto* grid = new QGridLayout(page);
  grid->addWidget(margins, 0, 0);
  grid->addWidget(size, 0, 1, 1, 2);
  grid->addWidget(orientationGroup, 1, 0);
  grid->addWidget(portraitImage, 1, 1);
  grid->addWidget(landscapeImage, 1, 2);
  connect(sizeGroup, &RadioGroup::choiceChanged, this, &ReportDialog::onSizeClicked);
  connect(orientationGroup, &RadioGroup::choiceChanged, this, &ReportDialog::onOrientationClicked);
  return page;
}

QWidget* ReportDialog::titlePage() {
  auto* page = new QGroupBox(QStringLiteral("Report Title"));
  page->setObjectName(QStringLiteral("titlePage"));
  titleEdit = edit(page, "titleEdit", "Enter Report Title");
  titleGroup =
      group(page, "titleGroup", "Title Options",
            {QStringLiteral("Print On First Page Only"), QStringLiteral("Print On All Pages")},
            "Print On First Page or On All Pages");
  pageNumbersGroup = group(page, "pageNumbersGroup", "Page Numbers/Date",
                           {QStringLiteral("Do Not Print"), QStringLiteral("Print At The Top"),
                            QStringLiteral("Print At The Bottom")},
                           "Page Numbers And Date Options");
  auto* grid = new QGridLayout(page);
  grid->addWidget(new QLabel(QStringLiteral("Report Title:"), page), 0, 0);
  grid->addWidget(titleEdit, 0, 1, 1, 2);
  grid->addWidget(titleGroup, 1, 0, 1, 2);
  grid->addWidget(pageNumbersGroup, 1, 2);
  return page;
}

void ReportDialog::showDefinition() {
  const ReportRec& d = currentReport();
  labelsGroup->setItemIndex(d.fieldNamesOption);
  layoutGroup->setItemIndex(d.layout);
  gridGroup->setItemIndex(d.gridOption);
  totalsGroup->setItemIndex(d.totalsOption);
  // The layout rule has run; a columns report keeps the grid choice it was saved with.
  if (d.layout == 0) gridGroup->setItemIndex(d.gridOption);
  orientationGroup->setItemIndex(d.orientation);
  onOrientationClicked(d.orientation);
  leftEdit->setText(d.leftMargin);
  rightEdit->setText(d.rightMargin);
  topEdit->setText(d.topMargin);
  bottomEdit->setText(d.bottomMargin);
  widthEdit->setText(d.pageWidth);
  heightEdit->setText(d.pageHeight);
  sizeGroup->setItemIndex(d.pageSize);
  onSizeClicked(d.pageSize);
  font_ = QFont(d.fontName);
  font_.setPointSize(d.fontSize);
  font_.setBold(d.fontStyle & kBold);
  font_.setItalic(d.fontStyle & kItalic);
  font_.setUnderline(d.fontStyle & kUnderline);
  font_.setStrikeOut(d.fontStyle & kStrikeOut);
  showFont();
  pageNumbersGroup->setItemIndex(d.pageNumberOption);
  titleEdit->setText(d.title);
  titleGroup->setItemIndex(d.titleOption);
  maxWidthEdit->setText(d.maxWidth);
  includedList->clear();
  for (int32_t k : d.columns)
    if (k >= 0 && k < allFieldsList->count()) includedList->addItem(allFieldsList->item(k)->text());
}

ReportRec ReportDialog::controlsDefinition() const {
  ReportRec d = currentReport();
  d.fieldNamesOption = labelsGroup->itemIndex();
  d.layout = layoutGroup->itemIndex();
  d.gridOption = gridGroup->itemIndex();
  d.totalsOption = totalsGroup->itemIndex();
  d.orientation = orientationGroup->itemIndex();
  d.pageSize = sizeGroup->itemIndex();
  d.pageNumberOption = pageNumbersGroup->itemIndex();
  d.titleOption = titleGroup->itemIndex();
  d.leftMargin = leftEdit->text();
  d.rightMargin = rightEdit->text();
  d.topMargin = topEdit->text();
  d.bottomMargin = bottomEdit->text();
  d.pageWidth = widthEdit->text();
  d.pageHeight = heightEdit->text();
  d.title = titleEdit->text();
  d.maxWidth = maxWidthEdit->text();
  d.fontName = font_.family();
  d.fontSize = font_.pointSize();
  d.fontStyle =
      uint8_t((font_.bold() ? kBold : 0) | (font_.italic() ? kItalic : 0) |
              (font_.underline() ? kUnderline : 0) | (font_.strikeOut() ? kStrikeOut : 0));
  d.columns.clear();
  const QStringList captions = source_.captions();
  for (int i = 0; i < includedList->count(); ++i) {
    const int k = static_cast<int>(captions.indexOf(includedList->item(i)->text()));
    if (k >= 0) d.columns.push_back(k);
  }
  return d;
}

void ReportDialog::takeDefinition() {
  const QString name = currentReport().name;
  currentReport() = controlsDefinition();
  currentReport().name = name;
}

void ReportDialog::done(int result) {
  takeDefinition();
  QDialog::done(result);
}

void ReportDialog::showTab(int index) {
  if (tabSet->currentIndex() != index) tabSet->setCurrentIndex(index);
  notebook->setCurrentIndex(index);
  const int last = tabSet->count() - 1;
  previousButton->setVisible(index > 0);
  nextButton->setVisible(index < last);
  if (index == 0) nextButton->setFocus();
  if (index == last) previousButton->setFocus();
}

void ReportDialog::updateButtons() {
  const bool all = allFieldsList->count() > 0, included = includedList->count() > 0;
  includeButton->setEnabled(all);
  includeAllButton->setEnabled(all);
  for (QWidget* w :
       std::initializer_list<QWidget*>{excludeButton, excludeAllButton, printButton, previewButton,
                                       saveButton, moveUpButton, moveDownButton})
    w->setEnabled(included);
}

void ReportDialog::onLayoutClicked() {
  const bool rows = layoutGroup->itemIndex() == 1;
  maxWidthLabel->setVisible(!rows);
  maxWidthEdit->setVisible(!rows);
  gridGroup->setItemIndex(rows ? 1 : 0);
  gridGroup->setEnabled(!rows);
}

void ReportDialog::onSizeClicked(int index) {
  const bool custom = index < 0 || index >= 3;
  if (!custom) {
    widthEdit->setText(general(kSizes[index].width));
    heightEdit->setText(general(kSizes[index].height));
  }
  widthEdit->setEnabled(custom);
  heightEdit->setEnabled(custom);
  letterImage->setVisible(index == 0);
  legalImage->setVisible(index == 1);
  envelopeImage->setVisible(index == 2);
}

void ReportDialog::onOrientationClicked(int index) {
  portraitImage->setVisible(index == 0);
  landscapeImage->setVisible(index == 1);
}

void ReportDialog::onIncludeClicked() {
  QListWidgetItem* item = allFieldsList->currentItem();
  if (!item) return;
  const QString caption = item->text();
  if (includedList->findItems(caption, Qt::MatchExactly).isEmpty()) {
    includedList->addItem(caption);
    includedList->setCurrentRow(includedList->count() - 1);
  }
  const int below = allFieldsList->currentRow() + 1;
  if (below < allFieldsList->count())
    allFieldsList->setCurrentRow(below);
  else
    allFieldsList->clearSelection();
  updateButtons();
}

void ReportDialog::onIncludeAllClicked() {
  includedList->clear();
  for (int i = 0; i < allFieldsList->count(); ++i)
    includedList->addItem(allFieldsList->item(i)->text());
  if (includedList->count() > 0) includedList->setCurrentRow(0);
  updateButtons();
}

void ReportDialog::onExcludeClicked() {
  const int row = includedList->currentRow();
  if (row < 0) return;
  delete includedList->takeItem(row);
  if (includedList->count() > 0)
    includedList->setCurrentRow(std::min(row, includedList->count() - 1));
  updateButtons();
}

void ReportDialog::onMove(int step) {
  const int row = includedList->currentRow();
  const int to = row + step;
  if (row < 0 || to < 0 || to >= includedList->count()) return;
  QListWidgetItem* item = includedList->takeItem(row);
  includedList->insertItem(to, item);
  includedList->setCurrentRow(to);
}

void ReportDialog::showFont() {
  fontEdit->setText(font_.family());
  sizeEdit->setText(QString::number(font_.pointSize()));
  styleEdit->setText(fontStyleText(
      uint8_t((font_.bold() ? kBold : 0) | (font_.italic() ? kItalic : 0) |
              (font_.underline() ? kUnderline : 0) | (font_.strikeOut() ? kStrikeOut : 0))));
}

void ReportDialog::onFontClicked() {
  if (const auto f = fontChooser()(font_, this)) {
    font_ = *f;
    showFont();
  }
}

void ReportDialog::onLoadClicked() {
  auto dialog = ReportLoadDialog::create(this);
  if (!dialog || dialog->exec() != QDialog::Accepted) return;
  showDefinition();
  showTab(0);
  updateButtons();
  if (allFieldsList->count() > 0) allFieldsList->setCurrentRow(0);
  if (includedList->count() > 0) includedList->setCurrentRow(0);
}

void ReportDialog::onSaveClicked() {
  ReportList list;
  QString error;
  if (!list.load(reportReadPath(), &error)) {
    showMessage(MsgKind::Error, error);
    return;
  }
  for (;;) {
    const auto name = prompter().input(QStringLiteral("Save Report Template"),
                                       QStringLiteral("Enter Report Name:"), QString(), false);
    if (!name) return;
    if (name->isEmpty() || list.findName(*name) >= 0) {
      showMessage(MsgKind::Information,
                  QStringLiteral("This Name Is Already In Use. Please Try Again."));
      continue;
    }
    takeDefinition();
    ReportRec rec = currentReport();
    rec.name = *name;
    list.append(rec);
    if (!list.save(reportFilePath(), &error)) showMessage(MsgKind::Error, error);
    return;
  }
}

void ReportDialog::onPrint(bool preview) {
  const ReportRec d = controlsDefinition();
  QString error;
  const auto paper = reportPaper(d, &error);
  if (!paper) {
    showMessage(MsgKind::Error, error);
    return;
  }
  const QString problem = paperProblem(*paper);
  if (!problem.isEmpty()) {
    showMessage(MsgKind::Warning, problem);
    return;
  }
  currentReport().columns = d.columns;
  const auto settings = reportSettings(d, source_, &error);
  if (!settings) {
    showMessage(MsgKind::Error, error);
    return;
  }
  printReport(*settings, source_, this, preview);
}

bool ReportDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (!text.isEmpty() && text[0].isPrint()) {
      const QChar c = text[0];
      const bool decimal =
          watched != maxWidthEdit && (c == QLocale().decimalPoint().front() || c == u'.');
      if (!c.isDigit() && !decimal) {
        QApplication::beep();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}
