#include "print/labeldialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/prompt.h"
#include "print/labelsheet.h"
#include "print/radiogroup.h"
#include "print/reportdialog.h"
#include "print/reportsource.h"
#include "ui/qtprompter.h"

namespace {

QLineEdit* edit(QWidget* parent, const char* name, const char* hint = nullptr) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  if (hint) e->setToolTip(QString::fromLatin1(hint));
  return e;
}

QPushButton* pushButton(QWidget* parent, const char* name, const char* text, const char* hint) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  if (hint) b->setToolTip(QString::fromLatin1(hint));
  return b;
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

QGroupBox* box(QWidget* parent, const char* caption) {
  return new QGroupBox(QString::fromLatin1(caption), parent);
}

// Numbers in general format, as a stock's sizes are shown.
QString general(double v) { return QString::number(v, 'g', 15); }

// A gap as pitch less size, without the subtraction's last-digit noise
// (2.515 - 2.5 shows as 0.015, not 0.0150000000000001).
QString gapText(double pitch, double size) {
  return general(std::round((pitch - size) * 1e9) / 1e9);
}

uint8_t styleOf(const QFont& f) {
  return uint8_t((f.bold() ? kBold : 0) | (f.italic() ? kItalic : 0) |
                 (f.underline() ? kUnderline : 0) | (f.strikeOut() ? kStrikeOut : 0));
}

QFont fontOf(const QString& name, int size, uint8_t style) {
  QFont f(name);
  f.setPointSize(size > 0 ? size : 10);
  f.setBold(style & kBold);
  f.setItalic(style & kItalic);
  f.setUnderline(style & kUnderline);
  f.setStrikeOut(style & kStrikeOut);
  return f;
}

}  // namespace

LabelDialog::LabelDialog(ReportSource& source, bool single, QWidget* parent)
    : PrintDialogFrame(parent), source_(source), single_(single) {
  setObjectName(QStringLiteral("LabelDialog"));
  setWindowTitle(QStringLiteral("Print Labels"));

  notebook->addWidget(fieldsPage());
  notebook->addWidget(labelsPage());
  notebook->addWidget(bodyPage());
  notebook->addWidget(headerPage());
  notebook->addWidget(logoPage());
  buildFrame({QStringLiteral("Fields"), QStringLiteral("Labels"), QStringLiteral("Body"),
              QStringLiteral("Header/Footer"), QStringLiteral("Logo")},
             kHelpContext);
  connect(tabSet, &QTabBar::currentChanged, this, &LabelDialog::showTab);
  connect(printButton, &QPushButton::clicked, this, [this] { onPrint(false); });
  connect(previewButton, &QPushButton::clicked, this, [this] { onPrint(true); });
  connect(loadButton, &QPushButton::clicked, this, &LabelDialog::onLoadClicked);
  connect(saveButton, &QPushButton::clicked, this, &LabelDialog::onSaveClicked);

  allFieldsList->addItems(source_.captions());
  showDefinition();
  showTab(0);
  loadButton->setFocus();
}

QWidget* LabelDialog::fieldsPage() {
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
  connect(includeButton, &QToolButton::clicked, this, &LabelDialog::onIncludeClicked);
  connect(includeAllButton, &QToolButton::clicked, this, [this] {
    includedList->clear();
    for (int i = 0; i < allFieldsList->count(); ++i)
      includedList->addItem(allFieldsList->item(i)->text());
    if (includedList->count() > 0) includedList->setCurrentRow(0);
    updateButtons();
  });
  connect(excludeButton, &QToolButton::clicked, this, &LabelDialog::onExcludeClicked);
  connect(excludeAllButton, &QToolButton::clicked, this, [this] {
    includedList->clear();
    updateButtons();
  });
  connect(moveUpButton, &QToolButton::clicked, this, [this] { onMove(-1); });
  connect(moveDownButton, &QToolButton::clicked, this, [this] { onMove(1); });
  return page;
}

QWidget* LabelDialog::labelsPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("labelsPage"));
  auto* settings = box(page, "Label Settings");
  fromLabelEdit = edit(settings, "fromLabelEdit", "First Label To Be Printed On First Page");
  auto* settingsForm = new QFormLayout(settings);
  settingsForm->addRow(QStringLiteral("Print From Label #:"), fromLabelEdit);

  auto* size = box(page, "Label Size [inches]");
  widthEdit = edit(size, "widthEdit", "Label Width");
  heightEdit = edit(size, "heightEdit", "Label Height");
  auto* sizeForm = new QFormLayout(size);
  sizeForm->addRow(QStringLiteral("Width:"), widthEdit);
  sizeForm->addRow(QStringLiteral("Height:"), heightEdit);

  auto* type = box(page, "Label Type");
  labelTypeGroup =
      new RadioGroup(QString(), {QStringLiteral("Avery"), QStringLiteral("Custom")}, type);
  labelTypeGroup->setObjectName(QStringLiteral("labelTypeGroup"));
  stockCombo = new QComboBox(type);
  stockCombo->setObjectName(QStringLiteral("stockCombo"));
  stockCombo->setToolTip(QStringLiteral("AVERY Label Type"));
  stockCombo->addItems(labelStockNames());
  shapeGroup = new RadioGroup(
      QStringLiteral("Shape"),
      {QStringLiteral("Round Rect."), QStringLiteral("Rectangle"), QStringLiteral("Round")}, type);
  shapeGroup->setObjectName(QStringLiteral("shapeGroup"));
  auto* typeBox = new QVBoxLayout(type);
  typeBox->addWidget(labelTypeGroup);
  typeBox->addWidget(stockCombo);
  typeBox->addWidget(shapeGroup);

  auto* count = box(page, "Number Of Labels On One Page");
  acrossEdit = edit(count, "acrossEdit", "Number Of Labels Horizontally");
  downEdit = edit(count, "downEdit", "Number Of Labels Vertically");
  auto* countForm = new QFormLayout(count);
  countForm->addRow(QStringLiteral("Across:"), acrossEdit);
  countForm->addRow(QStringLiteral("Down:"), downEdit);

  auto* gaps = box(page, "Gaps [inches]");
  gapAcrossEdit = edit(gaps, "gapAcrossEdit", "Vertical Gaps Between Two Adjoining Labels");
  gapDownEdit = edit(gaps, "gapDownEdit", "Horizontal Gaps Between Two Adjoining Labels");
  auto* gapsForm = new QFormLayout(gaps);
  gapsForm->addRow(QStringLiteral("Vert.:"), gapAcrossEdit);
  gapsForm->addRow(QStringLiteral("Horiz.:"), gapDownEdit);

  auto* margins = box(page, "Page Margins [inches]");
  leftMarginEdit =
      edit(margins, "leftMarginEdit", "Distance From Paper Edge To Left Edge Of First Label");
  topMarginEdit =
      edit(margins, "topMarginEdit", "Distance From Paper Edge To Top Edge Of First Label");
  auto* marginsForm = new QFormLayout(margins);
  marginsForm->addRow(QStringLiteral("Left:"), leftMarginEdit);
  marginsForm->addRow(QStringLiteral("Top:"), topMarginEdit);

  auto* grid = new QGridLayout(page);
  grid->addWidget(settings, 0, 0);
  grid->addWidget(size, 1, 0);
  grid->addWidget(type, 0, 1, 3, 1);
  grid->addWidget(count, 2, 0);
  grid->addWidget(gaps, 0, 2);
  grid->addWidget(margins, 1, 2);
  for (QLineEdit* e : {fromLabelEdit, widthEdit, heightEdit, acrossEdit, downEdit, gapAcrossEdit,
                       gapDownEdit, leftMarginEdit, topMarginEdit})
    e->installEventFilter(this);
  connect(labelTypeGroup, &RadioGroup::choiceChanged, this, &LabelDialog::applyGeometry);
  connect(stockCombo, &QComboBox::currentIndexChanged, this, &LabelDialog::applyGeometry);
  return page;
}

QWidget* LabelDialog::bodyPage() {
  auto* page = new QGroupBox(QStringLiteral("Label Body"));
  page->setObjectName(QStringLiteral("bodyPage"));
  auto* margins = box(page, "Body Text Margins [inches]");
  bodyLeftEdit = edit(margins, "bodyLeftEdit", "Label Body Text Left Margin");
  bodyTopEdit = edit(margins, "bodyTopEdit", "Label Body Text Top Margin");
  auto* marginsForm = new QFormLayout(margins);
  marginsForm->addRow(QStringLiteral("Left:"), bodyLeftEdit);
  marginsForm->addRow(QStringLiteral("Top:"), bodyTopEdit);
  auto* font = box(page, "Text Font");
  fontEdit = edit(font, "fontEdit");
  styleEdit = edit(font, "styleEdit");
  sizeEdit = edit(font, "sizeEdit");
  fontButton = pushButton(font, "fontButton", "Change Font", nullptr);
  auto* fontBox = new QVBoxLayout(font);
  for (QLineEdit* e : {fontEdit, styleEdit, sizeEdit}) {
    e->setReadOnly(true);
    fontBox->addWidget(e);
  }
  fontBox->addWidget(fontButton);
  auto* row = new QHBoxLayout(page);
  row->addWidget(margins);
  row->addWidget(font);
  for (QLineEdit* e : {bodyLeftEdit, bodyTopEdit}) e->installEventFilter(this);
  connect(fontButton, &QPushButton::clicked, this, [this] {
    if (const auto f = ReportDialog::fontChooser()(bodyFont_, this)) {
      bodyFont_ = *f;
      fontEdit->setText(bodyFont_.family());
      styleEdit->setText(fontStyleText(styleOf(bodyFont_)));
      sizeEdit->setText(QString::number(bodyFont_.pointSize()));
    }
  });
  return page;
}

QWidget* LabelDialog::headerPage() {
  auto* page = new QGroupBox(QStringLiteral("Label Header/Footer"));
  page->setObjectName(QStringLiteral("headerPage"));
  headerText = new QPlainTextEdit(page);
  headerText->setObjectName(QStringLiteral("headerText"));
  auto* font = box(page, "Header/Footer Font");
  headerFontEdit = edit(font, "headerFontEdit");
  headerStyleEdit = edit(font, "headerStyleEdit");
  headerSizeEdit = edit(font, "headerSizeEdit");
  headerFontButton = pushButton(font, "headerFontButton", "Change Font", nullptr);
  auto* fontBox = new QVBoxLayout(font);
  for (QLineEdit* e : {headerFontEdit, headerStyleEdit, headerSizeEdit}) {
    e->setReadOnly(true);
    fontBox->addWidget(e);
  }
  fontBox->addWidget(headerFontButton);
  auto* margins = box(page, "Header/Footer Margins [inches]");
  headerLeftEdit = edit(margins, "headerLeftEdit", "Header/Footer Left Margin");
  headerTopEdit = edit(margins, "headerTopEdit", "Header/Footer Top Margin");
  auto* marginsForm = new QFormLayout(margins);
  marginsForm->addRow(QStringLiteral("Left:"), headerLeftEdit);
  marginsForm->addRow(QStringLiteral("Top:"), headerTopEdit);
  auto* grid = new QGridLayout(page);
  grid->addWidget(new QLabel(QStringLiteral("Header/Footer Text:"), page), 0, 0);
  grid->addWidget(headerText, 1, 0, 2, 1);
  grid->addWidget(font, 1, 1);
  grid->addWidget(margins, 2, 1);
  for (QLineEdit* e : {headerLeftEdit, headerTopEdit}) e->installEventFilter(this);
  connect(headerFontButton, &QPushButton::clicked, this, [this] {
    if (const auto f = ReportDialog::fontChooser()(headerFont_, this)) {
      headerFont_ = *f;
      headerFontEdit->setText(headerFont_.family());
      headerStyleEdit->setText(fontStyleText(styleOf(headerFont_)));
      headerSizeEdit->setText(QString::number(headerFont_.pointSize()));
    }
  });
  return page;
}

QWidget* LabelDialog::logoPage() {
  auto* page = new QGroupBox(QStringLiteral("Logo Settings"));
  page->setObjectName(QStringLiteral("logoPage"));
  auto* position = box(page, "Logo Position [inches]");
  logoLeftEdit = edit(position, "logoLeftEdit", "Distance from Label Border to Left Edge of Logo");
  logoTopEdit = edit(position, "logoTopEdit", "Distance from Label Border to Top Edge of Logo");
  auto* positionForm = new QFormLayout(position);
  positionForm->addRow(QStringLiteral("Left:"), logoLeftEdit);
  positionForm->addRow(QStringLiteral("Top:"), logoTopEdit);
  auto* file = box(page, "Logo File");
  logoFileEdit = edit(file, "logoFileEdit", "Logo File Name (must be BMP file)");
  selectLogoButton = pushButton(file, "selectLogoButton", "Select", "Select Logo File");
  auto* fileBox = new QGridLayout(file);
  fileBox->addWidget(new QLabel(QStringLiteral("Logo File Name (BMP):"), file), 0, 0, 1, 2);
  fileBox->addWidget(logoFileEdit, 1, 0);
  fileBox->addWidget(selectLogoButton, 1, 1);
  auto* column = new QVBoxLayout(page);
  column->addWidget(position);
  column->addWidget(file);
  column->addStretch();
  for (QLineEdit* e : {logoLeftEdit, logoTopEdit}) e->installEventFilter(this);
  connect(selectLogoButton, &QPushButton::clicked, this, &LabelDialog::onSelectLogoClicked);
  return page;
}

void LabelDialog::showDefinition() {
  const LabelRec& d = currentLabel();
  includedList->clear();
  for (int32_t k : d.columns)
    if (k >= 0 && k < allFieldsList->count()) includedList->addItem(allFieldsList->item(k)->text());
  fromLabelEdit->setText(d.firstLabel);
  widthEdit->setText(d.labelWidth);
  heightEdit->setText(d.labelHeight);
  gapAcrossEdit->setText(d.gapAcross);
  gapDownEdit->setText(d.gapDown);
  leftMarginEdit->setText(d.leftMargin);
  topMarginEdit->setText(d.topMargin);
  acrossEdit->setText(d.across);
  downEdit->setText(d.down);
  shapeGroup->setItemIndex(d.shape);
  {
    const QSignalBlocker quiet(stockCombo);
    stockCombo->setCurrentIndex(static_cast<int>(labelStockNames().indexOf(d.stock)));
  }
  {
    const QSignalBlocker quiet(labelTypeGroup);
    labelTypeGroup->setItemIndex(d.labelType);
  }
  bodyLeftEdit->setText(d.bodyLeft);
  bodyTopEdit->setText(d.bodyTop);
  bodyFont_ = fontOf(d.bodyFontName, d.bodyFontSize, d.bodyFontStyle);
  fontEdit->setText(d.bodyFontName);
  styleEdit->setText(fontStyleText(d.bodyFontStyle));
  sizeEdit->setText(QString::number(d.bodyFontSize));
  headerText->setPlainText(d.headerLines.join(QLatin1Char('\n')));
  headerLeftEdit->setText(d.headerLeft);
  headerTopEdit->setText(d.headerTop);
  headerFont_ = fontOf(d.headerFontName, d.headerFontSize, d.headerFontStyle);
  headerFontEdit->setText(d.headerFontName);
  headerStyleEdit->setText(fontStyleText(d.headerFontStyle));
  headerSizeEdit->setText(QString::number(d.headerFontSize));
  logoFileEdit->setText(d.logoFile);
  logoLeftEdit->setText(d.logoLeft);
  logoTopEdit->setText(d.logoTop);
  if (allFieldsList->count() > 0) allFieldsList->setCurrentRow(0);
  if (includedList->count() > 0) includedList->setCurrentRow(0);
  updateButtons();
  applyGeometry();
}

LabelRec LabelDialog::controlsDefinition() const {
  LabelRec d = currentLabel();
  d.columns.clear();
  const QStringList captions = source_.captions();
  for (int i = 0; i < includedList->count(); ++i) {
    const int k = static_cast<int>(captions.indexOf(includedList->item(i)->text()));
    if (k >= 0) d.columns.push_back(k);
  }
  d.labelType = labelTypeGroup->itemIndex();
  d.shape = shapeGroup->itemIndex();
  d.stock = stockCombo->currentText();
  d.labelWidth = widthEdit->text();
  d.labelHeight = heightEdit->text();
  d.gapAcross = gapAcrossEdit->text();
  d.gapDown = gapDownEdit->text();
  d.leftMargin = leftMarginEdit->text();
  d.topMargin = topMarginEdit->text();
  d.across = acrossEdit->text();
  d.down = downEdit->text();
  d.firstLabel = fromLabelEdit->text();
  d.bodyLeft = bodyLeftEdit->text();
  d.bodyTop = bodyTopEdit->text();
  d.bodyFontName = bodyFont_.family();
  d.bodyFontStyle = styleOf(bodyFont_);
  d.bodyFontSize = bodyFont_.pointSize();
  const QString header = headerText->toPlainText();
  d.headerLines = header.isEmpty() ? QStringList() : header.split(QLatin1Char('\n'));
  d.headerLeft = headerLeftEdit->text();
  d.headerTop = headerTopEdit->text();
  d.headerFontName = headerFont_.family();
  d.headerFontStyle = styleOf(headerFont_);
  d.headerFontSize = headerFont_.pointSize();
  d.logoFile = logoFileEdit->text();
  d.logoLeft = logoLeftEdit->text();
  d.logoTop = logoTopEdit->text();
  return d;
}

void LabelDialog::takeDefinition() {
  const QString name = currentLabel().name;
  currentLabel() = controlsDefinition();
  currentLabel().name = name;
}

void LabelDialog::done(int result) {
  takeDefinition();
  QDialog::done(result);
}

void LabelDialog::applyGeometry() {
  const bool custom = labelTypeGroup->itemIndex() == 1;
  QLineEdit* edits[] = {widthEdit,      heightEdit,    gapAcrossEdit, gapDownEdit,
                        leftMarginEdit, topMarginEdit, acrossEdit,    downEdit};
  for (QLineEdit* e : edits) {
    e->setReadOnly(!custom);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, palette().color(custom ? QPalette::Base : QPalette::Button));
    e->setPalette(p);
  }
  shapeGroup->setEnabled(custom);
  stockCombo->setEnabled(!custom);
  if (custom) return;
  if (stockCombo->currentIndex() < 0) {
    const QSignalBlocker quiet(stockCombo);
    stockCombo->setCurrentIndex(0);
  }
  const auto g = stockGeometry(labelStockNumber(stockCombo->currentText()));
  if (!g) return;
  shapeGroup->setItemIndex(g->shape);
  widthEdit->setText(general(g->width));
  heightEdit->setText(general(g->height));
  gapAcrossEdit->setText(gapText(g->pitchX, g->width));
  gapDownEdit->setText(gapText(g->pitchY, g->height));
  leftMarginEdit->setText(general(g->left));
  topMarginEdit->setText(general(g->top));
  acrossEdit->setText(QString::number(g->across));
  downEdit->setText(QString::number(g->down));
}

void LabelDialog::showTab(int index) {
  if (tabSet->currentIndex() != index) tabSet->setCurrentIndex(index);
  notebook->setCurrentIndex(index);
  const int last = tabSet->count() - 1;
  previousButton->setVisible(index > 0);
  nextButton->setVisible(index < last);
  if (index == 0) nextButton->setFocus();
  if (index == last) previousButton->setFocus();
}

void LabelDialog::updateButtons() {
  const bool all = allFieldsList->count() > 0, included = includedList->count() > 0;
  includeButton->setEnabled(all);
  includeAllButton->setEnabled(all);
  for (QWidget* w :
       std::initializer_list<QWidget*>{excludeButton, excludeAllButton, printButton, previewButton,
                                       saveButton, moveUpButton, moveDownButton})
    w->setEnabled(included);
}

void LabelDialog::onIncludeClicked() {
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

void LabelDialog::onExcludeClicked() {
  const int row = includedList->currentRow();
  if (row < 0) return;
  delete includedList->takeItem(row);
  if (includedList->count() > 0)
    includedList->setCurrentRow(std::min(row, includedList->count() - 1));
  updateButtons();
}

void LabelDialog::onMove(int step) {
  const int row = includedList->currentRow();
  const int to = row + step;
  if (row < 0 || to < 0 || to >= includedList->count()) return;
  QListWidgetItem* item = includedList->takeItem(row);
  includedList->insertItem(to, item);
  includedList->setCurrentRow(to);
}

void LabelDialog::onLoadClicked() {
  auto dialog = LabelLoadDialog::create(this);
  if (!dialog || dialog->exec() != QDialog::Accepted) return;
  showDefinition();
  showTab(0);
}

void LabelDialog::onSaveClicked() {
  LabelList list;
  QString error;
  // A file that does not exist yet starts an empty list.
  if (QFile::exists(labelFilePath()) && !list.load(labelFilePath(), &error)) {
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
    LabelRec rec = currentLabel();
    rec.name = *name;
    list.append(rec);
    if (!list.save(labelFilePath(), &error)) showMessage(MsgKind::Error, error);
    return;
  }
}

void LabelDialog::onSelectLogoClicked() {
  FileFilter request;
  request.caption = QStringLiteral("Select Logo File");
  request.fileName = logoFileEdit->text();
  request.filter = QStringLiteral("Bitmaps (*.bmp)");
  const QString path = prompter().openFile(request);
  if (!path.isEmpty()) logoFileEdit->setText(path);
}

void LabelDialog::onPrint(bool preview) {
  applyGeometry();
  const LabelRec d = controlsDefinition();
  QString error;
  const auto settings = labelSettings(d, source_, &error);
  if (!settings) {
    showMessage(MsgKind::Error, error);
    return;
  }
  printLabels(*settings, source_, this, preview, single_);
}

bool LabelDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (!text.isEmpty() && text[0].isPrint()) {
      const QChar c = text[0];
      const bool whole = watched == acrossEdit || watched == downEdit || watched == fromLabelEdit;
      const bool decimal = !whole && (c == QLocale().decimalPoint().front() || c == u'.');
      if (!c.isDigit() && !decimal) {
        QApplication::beep();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

LabelLoadDialog::LabelLoadDialog(QWidget* parent)
    : TemplateLoadDialog(QStringLiteral("Label"), parent) {}

std::unique_ptr<LabelLoadDialog> LabelLoadDialog::create(QWidget* parent) {
  auto dialog = std::make_unique<LabelLoadDialog>(parent);
  QString error;
  if (QFile::exists(labelFilePath()) && !dialog->list_.load(labelFilePath(), &error)) {
    showMessage(MsgKind::Error, error);
    return nullptr;
  }
  QStringList names;
  for (int i = 0; i < dialog->list_.count(); ++i) names << dialog->list_.at(i).name;
  dialog->showNames(names);
  if (dialog->templateList->count() > 0) dialog->templateList->setCurrentRow(0);
  return dialog;
}

// Written only when templates were deleted, so a file only read keeps its bytes.
void LabelLoadDialog::accept() {
  QString error;
  if (deleted() && !list_.save(labelFilePath(), &error)) showMessage(MsgKind::Error, error);
  if (const int row = selectedRow(); row >= 0) currentLabel() = list_.at(row);
  QDialog::accept();
}
