#include "sortdlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "qtprompter.h"
#include "sortstate.h"

namespace {

QGroupBox* OrderGroup(QWidget* parent, QRadioButton*& ascending, QRadioButton*& descending) {
  auto* box = new QGroupBox(QStringLiteral("Sort Order"), parent);
  ascending = new QRadioButton(QStringLiteral("Ascending"), box);
  descending = new QRadioButton(QStringLiteral("Descending"), box);
  auto* l = new QVBoxLayout(box);
  l->addWidget(ascending);
  l->addWidget(descending);
  return box;
}

}  // namespace

TSortDlg::TSortDlg(QWidget* parent) : QDialog(parent), choice_(TSortChoice::FromSettings()) {
  setObjectName(QStringLiteral("SortDlg"));
  setWindowTitle(QStringLiteral("Sort Options"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  Sort_CB = new QComboBox(this);
  Sort2_CB = new QComboBox(this);
  for (QComboBox* cb : {Sort_CB, Sort2_CB}) {
    cb->setMaxVisibleItems(12);
    cb->setMinimumWidth(180);
  }
  Order_GB = OrderGroup(this, Ascending1, Descending1);
  Order2_GB = OrderGroup(this, Ascending2, Descending2);
  OKBtn = new QPushButton(QStringLiteral("&OK"), this);
  CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
  HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
  OKBtn->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Primary Sort Field:"), this), 0, 0);
  grid->addWidget(Sort_CB, 1, 0);
  grid->addWidget(Order_GB, 0, 1, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Secondary Sort Field:"), this), 2, 0);
  grid->addWidget(Sort2_CB, 3, 0);
  grid->addWidget(Order2_GB, 2, 1, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  buttons->addWidget(HelpBtn);
  auto* box = new QVBoxLayout(this);
  box->addLayout(grid);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  FormCreate();
  connect(Sort_CB, &QComboBox::currentIndexChanged, this, &TSortDlg::Sort_CBChange);
  connect(Sort2_CB, &QComboBox::currentIndexChanged, this, &TSortDlg::Sort2_CBChange);
  for (QRadioButton* r : {Ascending1, Descending1})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Order_GBClick();
    });
  for (QRadioButton* r : {Ascending2, Descending2})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Order2_GBClick();
    });
  connect(OKBtn, &QPushButton::clicked, this, &TSortDlg::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpBtn, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpContext); });
}

void TSortDlg::FormCreate() {
  Sort_CB->addItems(choice_.PrimaryItems());
  Sort2_CB->addItems(choice_.SecondaryItems());
  const TIndex& s = SortState();
  choice_.Load(s.FirstField, s.FirstDescending, s.SecondField, s.SecondDescending);
  Show();
}

void TSortDlg::Show() {
  updating_ = true;
  Sort_CB->setCurrentIndex(choice_.Primary());
  Sort2_CB->setCurrentIndex(choice_.Secondary());
  (choice_.PrimaryDescending() ? Descending1 : Ascending1)->setChecked(true);
  (choice_.SecondaryDescending() ? Descending2 : Ascending2)->setChecked(true);
  Order2_GB->setEnabled(choice_.SecondaryOrderEnabled());
  updating_ = false;
}

void TSortDlg::Sort_CBChange(int position) {
  if (updating_) return;
  choice_.SetPrimary(position);
  Show();
}

void TSortDlg::Sort2_CBChange(int position) {
  if (updating_) return;
  choice_.SetSecondary(position);
  Show();
}

void TSortDlg::Order_GBClick() {
  if (updating_) return;
  choice_.SetPrimaryDescending(Descending1->isChecked());
  Show();
}

void TSortDlg::Order2_GBClick() {
  if (updating_) return;
  choice_.SetSecondaryDescending(Descending2->isChecked());
  Show();
}

void TSortDlg::OKBtnClick() {
  TIndex& s = SortState();
  s.FirstField = static_cast<uint8_t>(choice_.FieldAt(Sort_CB->currentIndex()));
  s.SecondField = static_cast<uint8_t>(choice_.FieldAt(Sort2_CB->currentIndex()));
  s.FirstDescending = Descending1->isChecked();
  s.SecondDescending = Descending2->isChecked();
  accept();
}
