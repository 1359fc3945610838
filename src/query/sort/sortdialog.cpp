#include "query/sort/sortdialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

#include "store/sortstate.h"
#include "ui/qtprompter.h"

namespace {

QGroupBox* orderGroup(QWidget* parent, QRadioButton*& ascending, QRadioButton*& descending) {
  auto* box = new QGroupBox(QStringLiteral("Sort Order"), parent);
  ascending = new QRadioButton(QStringLiteral("Ascending"), box);
  descending = new QRadioButton(QStringLiteral("Descending"), box);
  auto* l = new QVBoxLayout(box);
  l->addWidget(ascending);
  l->addWidget(descending);
  return box;
}

}  // namespace

SortDialog::SortDialog(QWidget* parent) : QDialog(parent), choice_(SortChoice::fromSettings()) {
  setObjectName(QStringLiteral("SortDialog"));
  setWindowTitle(QStringLiteral("Sort Options"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);

  firstFieldCombo = new QComboBox(this);
  secondFieldCombo = new QComboBox(this);
  for (QComboBox* cb : {firstFieldCombo, secondFieldCombo}) {
    // A list that scrolls: styles that pop the whole list up around the
    // current item would ignore the 12 rows.
    cb->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    cb->setMaxVisibleItems(12);
    cb->setMinimumWidth(180);
  }
  firstOrderGroup = orderGroup(this, firstAscendingRadio, firstDescendingRadio);
  secondOrderGroup = orderGroup(this, secondAscendingRadio, secondDescendingRadio);
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  helpButton = new QPushButton(QStringLiteral("&Help"), this);
  okButton->setDefault(true);
  const std::pair<QObject*, const char*> names[] = {
      {firstFieldCombo, "firstFieldCombo"},
      {secondFieldCombo, "secondFieldCombo"},
      {firstOrderGroup, "firstOrderGroup"},
      {secondOrderGroup, "secondOrderGroup"},
      {firstAscendingRadio, "firstAscendingRadio"},
      {firstDescendingRadio, "firstDescendingRadio"},
      {secondAscendingRadio, "secondAscendingRadio"},
      {secondDescendingRadio, "secondDescendingRadio"},
      {okButton, "okButton"},
      {cancelButton, "cancelButton"},
      {helpButton, "helpButton"}};
  for (const auto& [control, name] : names) control->setObjectName(QLatin1String(name));

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Primary Sort Field:"), this), 0, 0);
  grid->addWidget(firstFieldCombo, 1, 0);
  grid->addWidget(firstOrderGroup, 0, 1, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Secondary Sort Field:"), this), 2, 0);
  grid->addWidget(secondFieldCombo, 3, 0);
  grid->addWidget(secondOrderGroup, 2, 1, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  buttons->addWidget(helpButton);
  auto* box = new QVBoxLayout(this);
  box->addLayout(grid);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  loadChoice();
  connect(firstFieldCombo, &QComboBox::currentIndexChanged, this, &SortDialog::onFirstFieldChanged);
  connect(secondFieldCombo, &QComboBox::currentIndexChanged, this,
          &SortDialog::onSecondFieldChanged);
  for (QRadioButton* r : {firstAscendingRadio, firstDescendingRadio})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) onFirstOrderToggled();
    });
  for (QRadioButton* r : {secondAscendingRadio, secondDescendingRadio})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) onSecondOrderToggled();
    });
  connect(okButton, &QPushButton::clicked, this, &SortDialog::onOkClicked);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(kHelpContext); });
}

void SortDialog::loadChoice() {
  firstFieldCombo->addItems(choice_.primaryItems());
  secondFieldCombo->addItems(choice_.secondaryItems());
  const SortState& s = sortState();
  choice_.load(s.firstField, s.firstDescending, s.secondField, s.secondDescending);
  showChoice();
}

void SortDialog::showChoice() {
  updating_ = true;
  firstFieldCombo->setCurrentIndex(choice_.primary());
  secondFieldCombo->setCurrentIndex(choice_.secondary());
  (choice_.primaryDescending() ? firstDescendingRadio : firstAscendingRadio)->setChecked(true);
  (choice_.secondaryDescending() ? secondDescendingRadio : secondAscendingRadio)->setChecked(true);
  secondOrderGroup->setEnabled(choice_.secondaryOrderEnabled());
  updating_ = false;
}

void SortDialog::onFirstFieldChanged(int position) {
  if (updating_) return;
  choice_.setPrimary(position);
  showChoice();
}

void SortDialog::onSecondFieldChanged(int position) {
  if (updating_) return;
  choice_.setSecondary(position);
  showChoice();
}

void SortDialog::onFirstOrderToggled() {
  if (updating_) return;
  choice_.setPrimaryDescending(firstDescendingRadio->isChecked());
  showChoice();
}

void SortDialog::onSecondOrderToggled() {
  if (updating_) return;
  choice_.setSecondaryDescending(secondDescendingRadio->isChecked());
  showChoice();
}

void SortDialog::onOkClicked() {
  SortState& s = sortState();
  s.firstField = static_cast<uint8_t>(choice_.fieldAt(firstFieldCombo->currentIndex()));
  s.secondField = static_cast<uint8_t>(choice_.fieldAt(secondFieldCombo->currentIndex()));
  s.firstDescending = firstDescendingRadio->isChecked();
  s.secondDescending = secondDescendingRadio->isChecked();
  accept();
}
