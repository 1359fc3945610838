#include "ui/confirmdialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

#include "core/prompt.h"

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

ConfirmDialog::ConfirmDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Confirm Action"));
  setObjectName(QStringLiteral("DeleteDlg1"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  label1 = new QLabel(QStringLiteral("If you want to Delete the selected Record please"), this);
  label2 = new QLabel(QStringLiteral("type in 'YES':"), this);
  warningLbl = new QLabel(QStringLiteral("WARNING! Record Deletion cannot be Undone!"), this);
  warningLbl->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  edit1 = new QLineEdit(this);
  edit1->setMaxLength(3);
  edit1->setValidator(new UpperValidator(edit1));
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  okButton->setDefault(true);

  auto* edits = new QHBoxLayout;
  edits->addWidget(label2);
  edits->addWidget(edit1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* box = new QVBoxLayout(this);
  box->addWidget(label1);
  box->addLayout(edits);
  box->addWidget(warningLbl);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(okButton, &QPushButton::clicked, this, &ConfirmDialog::onOkClicked);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  edit1->setFocus();
}

void ConfirmDialog::insertAboveButtons(QWidget* widget) {
  auto* box = static_cast<QVBoxLayout*>(layout());
  box->insertWidget(box->count() - 1, widget);
}

void ConfirmDialog::setLines(const QString& firstLine, const QString& warningLine) {
  if (!firstLine.isEmpty()) label1->setText(firstLine);
  if (!warningLine.isEmpty()) warningLbl->setText(warningLine);
}

void ConfirmDialog::onOkClicked() {
  if (edit1->text() == QLatin1String("YES"))
    accept();
  else
    reject();
}

bool ConfirmDialog::confirm(QWidget* parent, const QString& firstLine, const QString& warningLine) {
  if (shuttingDown()) return false;
  ConfirmDialog dlg(parent);
  dlg.setLines(firstLine, warningLine);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dlg.adjustSize();
    dlg.move(screen->geometry().center() - dlg.rect().center());
  }
  return dlg.exec() == QDialog::Accepted;
}
