#include "query/sort/sortdialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/qtprompter.h"
#include "store/sortstate.h"

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
  setObjectName(QStringLiteral("SortDlg"));
  setWindowTitle(QStringLiteral("Sort Options"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  Sort_CB = new QComboBox(this);
  Sort2_CB = new QComboBox(this);
  for (QComboBox* cb : {Sort_CB, Sort2_CB}) {
    cb->setMaxVisibleItems(12);
    cb->setMinimumWidth(180);
  }
  Order_GB = orderGroup(this, ascending1, descending1);
  Order2_GB = orderGroup(this, ascending2, descending2);
  okBtn = new QPushButton(QStringLiteral("&OK"), this);
  cancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
  helpBtn = new QPushButton(QStringLiteral("&Help"), this);
  okBtn->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Primary Sort Field:"), this), 0, 0);
  grid->addWidget(Sort_CB, 1, 0);
  grid->addWidget(Order_GB, 0, 1, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Secondary Sort Field:"), this), 2, 0);
  grid->addWidget(Sort2_CB, 3, 0);
  grid->addWidget(Order2_GB, 2, 1, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okBtn);
  buttons->addWidget(cancelBtn);
  buttons->addWidget(helpBtn);
  auto* box = new QVBoxLayout(this);
  box->addLayout(grid);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  formCreate();
  connect(Sort_CB, &QComboBox::currentIndexChanged, this, &SortDialog::Sort_CBChange);
  connect(Sort2_CB, &QComboBox::currentIndexChanged, this, &SortDialog::Sort2_CBChange);
  for (QRadioButton* r : {ascending1, descending1})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Order_GBClick();
    });
  for (QRadioButton* r : {ascending2, descending2})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Order2_GBClick();
    });
  connect(okBtn, &QPushButton::clicked, this, &SortDialog::okBtnClick);
  connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(helpBtn, &QPushButton::clicked, this, [] { showHelpTopic(kHelpContext); });
}

void SortDialog::formCreate() {
  Sort_CB->addItems(choice_.primaryItems());
  Sort2_CB->addItems(choice_.secondaryItems());
  const SortState& s = sortState();
  choice_.load(s.firstField, s.firstDescending, s.secondField, s.secondDescending);
  showChoice();
}

void SortDialog::showChoice() {
  updating_ = true;
  Sort_CB->setCurrentIndex(choice_.primary());
  Sort2_CB->setCurrentIndex(choice_.secondary());
  (choice_.primaryDescending() ? descending1 : ascending1)->setChecked(true);
  (choice_.secondaryDescending() ? descending2 : ascending2)->setChecked(true);
  Order2_GB->setEnabled(choice_.secondaryOrderEnabled());
  updating_ = false;
}

void SortDialog::Sort_CBChange(int position) {
  if (updating_) return;
  choice_.setPrimary(position);
  showChoice();
}

void SortDialog::Sort2_CBChange(int position) {
  if (updating_) return;
  choice_.setSecondary(position);
  showChoice();
}

void SortDialog::Order_GBClick() {
  if (updating_) return;
  choice_.setPrimaryDescending(descending1->isChecked());
  showChoice();
}

void SortDialog::Order2_GBClick() {
  if (updating_) return;
  choice_.setSecondaryDescending(descending2->isChecked());
  showChoice();
}

void SortDialog::okBtnClick() {
  SortState& s = sortState();
  s.firstField = static_cast<uint8_t>(choice_.fieldAt(Sort_CB->currentIndex()));
  s.secondField = static_cast<uint8_t>(choice_.fieldAt(Sort2_CB->currentIndex()));
  s.firstDescending = descending1->isChecked();
  s.secondDescending = descending2->isChecked();
  accept();
}
