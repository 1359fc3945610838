#include "deletedlg1.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

#include "prompt.h"

namespace {

// Upper-cases what is typed, so "yes" reads YES.
class UpperValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return Acceptable;
  }
};

}  // namespace

TDeleteDlg1::TDeleteDlg1(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Confirm Action"));
  setObjectName(QStringLiteral("DeleteDlg1"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  Label1 = new QLabel(QStringLiteral("If you want to Delete the selected Record please"), this);
  Label2 = new QLabel(QStringLiteral("type in 'YES':"), this);
  WarningLbl = new QLabel(QStringLiteral("WARNING! Record Deletion cannot be Undone!"), this);
  WarningLbl->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  Edit1 = new QLineEdit(this);
  Edit1->setMaxLength(3);
  Edit1->setValidator(new UpperValidator(Edit1));
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
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(B_OK, &QPushButton::clicked, this, &TDeleteDlg1::B_OKClick);
  connect(B_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  Edit1->setFocus();
}

void TDeleteDlg1::InsertAboveButtons(QWidget* widget) {
  auto* box = static_cast<QVBoxLayout*>(layout());
  box->insertWidget(box->count() - 1, widget);
}

void TDeleteDlg1::SetLines(const QString& firstLine, const QString& warningLine) {
  if (!firstLine.isEmpty()) Label1->setText(firstLine);
  if (!warningLine.isEmpty()) WarningLbl->setText(warningLine);
}

void TDeleteDlg1::B_OKClick() {
  if (Edit1->text() == QLatin1String("YES"))
    accept();
  else
    reject();
}

bool TDeleteDlg1::Confirm(QWidget* parent, const QString& firstLine, const QString& warningLine) {
  if (ShuttingDown()) return false;
  TDeleteDlg1 dlg(parent);
  dlg.SetLines(firstLine, warningLine);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dlg.adjustSize();
    dlg.move(screen->geometry().center() - dlg.rect().center());
  }
  return dlg.exec() == QDialog::Accepted;
}
