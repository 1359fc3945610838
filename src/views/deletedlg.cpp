#include "deletedlg.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QValidator>

#include "prompt.h"

namespace {

class UpperCase : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return Acceptable;
  }
};

}  // namespace

TDeleteDlg::TDeleteDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Confirm Action"));
  setObjectName(QStringLiteral("DeleteDlg"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  Label1 = new QLabel(QStringLiteral("If you want to Delete the above Record please"), this);
  Label2 = new QLabel(QStringLiteral("type in 'YES':"), this);
  WarningLbl = new QLabel(QStringLiteral("WARNING! Record Deletion cannot be Undone!"), this);
  WarningLbl->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  auto* group = new QGroupBox(QStringLiteral("Delete Record"), this);
  LeftPage = new QRadioButton(QStringLiteral("Left Page"), group);
  RightPage = new QRadioButton(QStringLiteral("Right Page"), group);
  auto* choice = new QHBoxLayout(group);
  choice->addWidget(LeftPage);
  choice->addWidget(RightPage);
  LeftPage->setChecked(true);
  Edit1 = new QLineEdit(this);
  Edit1->setMaxLength(3);
  Edit1->setValidator(new UpperCase(Edit1));
  B_OK = new QPushButton(QStringLiteral("&OK"), this);
  B_Cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  B_OK->setDefault(true);

  auto* edits = new QHBoxLayout;
  edits->addWidget(Label2);
  edits->addWidget(Edit1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(B_OK);
  buttons->addWidget(B_Cancel);
  auto* box = new QVBoxLayout(this);
  box->addWidget(Label1);
  box->addLayout(edits);
  box->addWidget(WarningLbl);
  box->addWidget(group);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(B_OK, &QPushButton::clicked, this, &TDeleteDlg::B_OKClick);
  connect(B_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  Edit1->setFocus();
}

void TDeleteDlg::SetPage(int page) { (page == 1 ? RightPage : LeftPage)->setChecked(true); }

int TDeleteDlg::Page() const { return RightPage->isChecked() ? 1 : 0; }

void TDeleteDlg::B_OKClick() {
  if (Edit1->text() == QLatin1String("YES"))
    accept();
  else
    reject();
}

std::optional<int> TDeleteDlg::Ask(QWidget* parent, int page) {
  if (ShuttingDown()) return std::nullopt;
  TDeleteDlg dlg(parent);
  dlg.SetPage(page);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dlg.adjustSize();
    dlg.move(screen->geometry().center() - dlg.rect().center());
  }
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.Page();
}
