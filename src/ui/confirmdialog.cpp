#include "ui/confirmdialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>
#include <utility>

#include "core/prompt.h"
#include "ui/qtprompter.h"

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
  setObjectName(QStringLiteral("ConfirmDialog"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);

  firstLineLabel =
      new QLabel(QStringLiteral("If you want to Delete the selected Record please"), this);
  promptLabel = new QLabel(QStringLiteral("type in 'YES':"), this);
  warningLabel = new QLabel(QStringLiteral("WARNING! Record Deletion cannot be Undone!"), this);
  warningLabel->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  answerEdit = new QLineEdit(this);
  answerEdit->setMaxLength(3);
  answerEdit->setValidator(new UpperValidator(answerEdit));
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  okButton->setDefault(true);
  const std::pair<QWidget*, const char*> names[] = {{firstLineLabel, "firstLineLabel"},
                                                    {promptLabel, "promptLabel"},
                                                    {warningLabel, "warningLabel"},
                                                    {answerEdit, "answerEdit"},
                                                    {okButton, "okButton"},
                                                    {cancelButton, "cancelButton"}};
  for (const auto& [control, name] : names) control->setObjectName(QLatin1String(name));

  auto* edits = new QHBoxLayout;
  edits->addWidget(promptLabel);
  edits->addWidget(answerEdit);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* box = new QVBoxLayout(this);
  box->addWidget(firstLineLabel);
  box->addLayout(edits);
  box->addWidget(warningLabel);
  box->addLayout(buttons);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(okButton, &QPushButton::clicked, this, &ConfirmDialog::onOkClicked);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  answerEdit->setFocus();
}

void ConfirmDialog::insertAboveButtons(QWidget* widget) {
  auto* box = static_cast<QVBoxLayout*>(layout());
  box->insertWidget(box->count() - 1, widget);
}

void ConfirmDialog::setLines(const QString& firstLine, const QString& warningLine) {
  if (!firstLine.isEmpty()) firstLineLabel->setText(firstLine);
  if (!warningLine.isEmpty()) warningLabel->setText(warningLine);
}

void ConfirmDialog::onOkClicked() {
  if (answerEdit->text() == QLatin1String("YES"))
    accept();
  else
    reject();
}

namespace {

bool runCentred(ConfirmDialog& dlg) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dlg.adjustSize();
    dlg.move(screen->geometry().center() - dlg.rect().center());
  }
  return dlg.exec() == QDialog::Accepted;
}

}  // namespace

void ConfirmDialog::keepTypedCase() {
  setWindowTitle(QStringLiteral("Confirm"));
  answerEdit->setValidator(nullptr);
}

bool ConfirmDialog::confirm(QWidget* parent, const QString& firstLine, const QString& warningLine) {
  if (shuttingDown()) return false;
  ConfirmDialog dlg(parent);
  dlg.setLines(firstLine, warningLine);
  return runCentred(dlg);
}

bool ConfirmDialog::confirmTableWork(QWidget* parent, const QString& firstLine) {
  if (shuttingDown()) return false;
  ConfirmDialog dlg(parent);
  dlg.keepTypedCase();
  dlg.setLines(firstLine, QStringLiteral("WARNING! This operation cannot be Undone!"));
  return runCentred(dlg);
}
