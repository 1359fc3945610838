#include "query/summary/summarydialog.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <utility>

#include "core/labels.h"
#include "core/progress.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "dbase/error.h"
#include "print/radiogroup.h"
#include "query/summary/summarygraphdialog.h"
#include "query/summary/summaryprint.h"
#include "store/dbtable.h"
#include "ui/busycursor.h"
#include "ui/qtprompter.h"

namespace {

constexpr int kRowHeight = 16;
constexpr int kColumnWidths[4] = {250, 58, 83, 38};
const QString kProgressCaption = QStringLiteral("Computing Summary - Please Wait...");

}  // namespace

// ---------------------------------------------------------------- grid model

void SummaryGridModel::setSummary(const Summary* summary, int minimumRows) {
  beginResetModel();
  summary_ = summary;
  const int groups = summary ? static_cast<int>(summary->groups.size()) : 0;
  // One more row than groups when they overflow the grid, as an empty foot.
  rows_ = groups >= minimumRows ? groups + 1 : minimumRows;
  endResetModel();
}

void SummaryGridModel::setKeyHeader(const QString& header) {
  keyHeader_ = header;
  emit headerDataChanged(Qt::Horizontal, 0, 0);
}

int SummaryGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}
int SummaryGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 4;
}

QVariant SummaryGridModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter |
                               (index.column() == 0 ? Qt::AlignLeft : Qt::AlignRight));
  if (role != Qt::DisplayRole || !summary_) return {};
  const auto row = static_cast<size_t>(index.row());
  if (row >= summary_->groups.size()) return {};
  const auto q = static_cast<qsizetype>(row);
  switch (index.column()) {
    case 0:
      return summary_->groups[row].key;
    case 1:
      return summary_->counts.value(q);
    case 2:
      return summary_->amounts.value(q);
    default:
      return summary_->percents.value(q);
  }
}

QVariant SummaryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter | (section == 0 ? Qt::AlignLeft : Qt::AlignRight));
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case 0:
      return keyHeader_;
    case 1:
      return QStringLiteral("Count");
    case 2:
      return QStringLiteral("Amount");
    default:
      return QStringLiteral("   %");
  }
}

// ---------------------------------------------------------------- dialog

SummaryDialog::SummaryDialog(const DbTable& records, QWidget* parent)
    : QDialog(parent), databaseDir_(records.databaseName), tableName_(records.tableName) {
  setObjectName(QStringLiteral("SummaryDialog"));
  setWindowTitle(QStringLiteral("Summary"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  setFixedSize(540, 440);

  auto* byLabel = new QLabel(QStringLiteral("Summary By:"), this);
  byLabel->setGeometry(12, 14, 80, 20);
  fieldCombo = new QComboBox(this);
  fieldCombo->setGeometry(92, 12, 230, 24);
  fieldCombo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  fieldCombo->setMaxVisibleItems(12);
  byLabel->setBuddy(fieldCombo);
  choices_ = summaryFieldChoices(records.fieldDefs(), labels(), appSettings().firstUserField);
  for (const auto& [pos, label] : choices_) fieldCombo->addItem(label, pos);
  fieldCombo->setCurrentIndex(-1);

  sortByGroup = new RadioGroup(QStringLiteral("Sort By"),
                               {QStringLiteral("Name"), QStringLiteral("Value")}, this);
  sortByGroup->setGeometry(352, 2, 176, 70);
  sortByGroup->setItemIndex(0);

  grid = new QTableView(this);
  gridModel = new SummaryGridModel(grid);
  grid->setModel(gridModel);
  grid->setGeometry(12, 80, 516, 286);
  grid->setSelectionMode(QAbstractItemView::NoSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid->verticalHeader()->setMinimumSectionSize(kRowHeight);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setWordWrap(false);
  for (int c = 0; c < 4; ++c) grid->setColumnWidth(c, kColumnWidths[c]);
  // The key column takes what the others leave.
  grid->setColumnWidth(0,
                       grid->width() - kColumnWidths[1] - kColumnWidths[2] - kColumnWidths[3] - 26);

  auto* totalLabel = new QLabel(QStringLiteral("Total:"), this);
  totalLabel->setGeometry(16, 372, 60, 20);
  totalCountLabel = new QLabel(this);
  totalAmountLabel = new QLabel(this);
  for (QLabel* l : {totalCountLabel, totalAmountLabel})
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  graphButton = new QPushButton(QStringLiteral("&Graph"), this);
  printButton = new QPushButton(QStringLiteral("&Print"), this);
  closeButton = new QPushButton(QStringLiteral("&Close"), this);
  int x = 540 - 3 * 96 - 12;
  for (QPushButton* b : {graphButton, printButton, closeButton}) {
    b->setGeometry(x + 6, 402, 86, 28);
    x += 96;
  }
  graphButton->setEnabled(false);
  printButton->setEnabled(false);

  const std::pair<QObject*, const char*> names[] = {{fieldCombo, "fieldCombo"},
                                                    {sortByGroup, "sortByGroup"},
                                                    {grid, "grid"},
                                                    {totalCountLabel, "totalCountLabel"},
                                                    {totalAmountLabel, "totalAmountLabel"},
                                                    {graphButton, "graphButton"},
                                                    {printButton, "printButton"},
                                                    {closeButton, "closeButton"}};
  for (const auto& [control, name] : names) control->setObjectName(QLatin1String(name));

  connect(fieldCombo, &QComboBox::activated, this, &SummaryDialog::onFieldChosen);
  connect(sortByGroup, &RadioGroup::choiceChanged, this, &SummaryDialog::onSortByChanged);
  connect(graphButton, &QPushButton::clicked, this, &SummaryDialog::onGraphClicked);
  connect(printButton, &QPushButton::clicked, this, &SummaryDialog::onPrintClicked);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  showSummary();
}

int SummaryDialog::rowsThatFit() const {
  // Known before the grid is first shown, unlike its viewport.
  const int inside =
      grid->height() - 2 * grid->frameWidth() - grid->horizontalHeader()->sizeHint().height();
  return std::max(1, inside / kRowHeight);
}

void SummaryDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  // The totals sit under their columns.
  const int left = grid->x() + grid->frameWidth();
  totalCountLabel->setGeometry(left + grid->columnViewportPosition(1), 372,
                               grid->columnWidth(1) - 4, 20);
  totalAmountLabel->setGeometry(left + grid->columnViewportPosition(2), 372,
                                grid->columnWidth(2) - 4, 20);
}

QStringList SummaryDialog::headers() const {
  QStringList out;
  for (int c = 0; c < 4; ++c)
    out << gridModel->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  return out;
}

QString SummaryDialog::title() const {
  return QStringLiteral("Summary By ") + labels().value(labelPosition_);
}

void SummaryDialog::onFieldChosen(int index) {
  if (index < 0 || static_cast<size_t>(index) >= choices_.size()) return;
  labelPosition_ = choices_[static_cast<size_t>(index)].first;
  gridModel->setKeyHeader(choices_[static_cast<size_t>(index)].second);
  compute();
}

void SummaryDialog::onSortByChanged() {
  if (labelPosition_ < 0) return;
  BusyCursor busy;
  summary_.arrange(static_cast<SummaryOrder>(sortByGroup->itemIndex()));
  showSummary();
}

void SummaryDialog::compute() {
  BusyCursor busy;
  summary_ = Summary{};
  const AppSettings& s = appSettings();
  DbTable table;
  table.databaseName = databaseDir_;
  table.tableName = tableName_;
  table.readOnly = true;
  Progress& bar = progress();
  bar.open(kProgressCaption);
  QString error;
  try {
    table.open();
    const SummaryPassResult r = countSummary(table.engine(), s.firstUserField + labelPosition_,
                                             s.firstUserField + s.summaryValueField, s.filterState,
                                             [&bar](int64_t done, int64_t total) {
                                               bar.setPosition(done, total);
                                               return shuttingDown();
                                             });
    if (!r.stopped) summary_.groups = r.groups;
  } catch (const dbase::Error& e) {
    error = QString::fromStdString(e.what());
  }
  bar.close();
  table.close();
  if (!error.isEmpty()) showMessage(MsgKind::Error, error);
  summary_.arrange(static_cast<SummaryOrder>(sortByGroup->itemIndex()));
  showSummary();
}

void SummaryDialog::showSummary() {
  gridModel->setSummary(&summary_, rowsThatFit());
  grid->scrollToTop();
  const bool chosen = labelPosition_ >= 0;
  totalCountLabel->setText(chosen ? QString::number(summary_.totalCount) : QString());
  totalAmountLabel->setText(chosen ? amountText(summary_.grandTotal) : QString());
  const bool any = !summary_.groups.empty();
  graphButton->setEnabled(any);
  printButton->setEnabled(any);
}

void SummaryDialog::onGraphClicked() {
  if (summary_.groups.empty()) return;
  PieGraphDialog dlg(summary_.keys(), summary_.amounts, title(), this);
  if (!shuttingDown()) dlg.exec();
}

void SummaryDialog::onPrintClicked() {
  if (summary_.groups.empty()) return;
  printSummary(title(), headers(), summary_, this);
}
