#include "print/reportloaddialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/prompt.h"
#include "ui/qtprompter.h"

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text, const char* hint) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromLatin1(hint));
  return b;
}

}  // namespace

ReportLoadDialog::ReportLoadDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ReportLoadDialog"));
  setWindowTitle(QStringLiteral("Load Report Template"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  listLabel = new QLabel(QStringLiteral("Report Templates:"), this);
  templateList = new QListWidget(this);
  templateList->setObjectName(QStringLiteral("templateList"));
  templateList->setToolTip(QStringLiteral("All Report Templates"));
  listLabel->setBuddy(templateList);
  okButton = button(this, "okButton", QStringLiteral("&OK"), "Load Selected Report Template");
  okButton->setDefault(true);
  cancelButton = button(this, "cancelButton", QStringLiteral("&Cancel"), "Close This Window");
  deleteButton =
      button(this, "deleteButton", QStringLiteral("&Delete"), "Delete Selected Report Template");
  helpButton = button(this, "helpButton", QStringLiteral("&Help"), "Display Help Window");

  auto* left = new QVBoxLayout;
  left->addWidget(listLabel);
  left->addWidget(templateList);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {okButton, cancelButton, deleteButton, helpButton}) buttons->addWidget(b);
  buttons->addStretch();
  auto* box = new QHBoxLayout(this);
  box->addLayout(left);
  box->addLayout(buttons);
  resize(340, 240);

  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(deleteButton, &QPushButton::clicked, this, &ReportLoadDialog::onDeleteClicked);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(kHelpContext); });
  connect(templateList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

std::unique_ptr<ReportLoadDialog> ReportLoadDialog::create(QWidget* parent) {
  auto dialog = std::make_unique<ReportLoadDialog>(parent);
  QString error;
  if (!dialog->list_.load(reportReadPath(), &error)) {
    showMessage(MsgKind::Error, error);
    return nullptr;
  }
  for (int i = 0; i < dialog->list_.count(); ++i)
    dialog->templateList->addItem(dialog->list_.at(i).name);
  return dialog;
}

void ReportLoadDialog::onDeleteClicked() {
  const int row = templateList->currentRow();
  if (row < 0 || !templateList->currentItem()->isSelected()) return;
  if (!askYesNo(MsgKind::Warning, QStringLiteral("Delete Selected Item?"))) return;
  delete templateList->takeItem(row);
  list_.remove(row);
  deleted_ = true;
}

// The file is written only when templates were deleted, so one that was
// only read keeps its bytes.
void ReportLoadDialog::accept() {
  QString error;
  if (deleted_ && !list_.save(reportFilePath(), &error)) showMessage(MsgKind::Error, error);
  const int row = templateList->currentRow();
  if (row >= 0 && templateList->currentItem()->isSelected()) currentReport() = list_.at(row);
  QDialog::accept();
}
