#include "book/catalogue/editdatabasedialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/prompt.h"
#include "ui/qtprompter.h"

EditDatabaseDialog::EditDatabaseDialog(const QString& name, const QString& description,
                                       const QString& fileName, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("EditDatabaseDialog"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  if (fileName.isEmpty()) {
    setWindowTitle(QStringLiteral("Create New Database"));
    helpContext_ = kNewHelpContext;
  } else {
    setWindowTitle(QStringLiteral("Edit Database Information"));
  }
  nameEdit = new QLineEdit(name, this);
  nameEdit->setObjectName(QStringLiteral("nameEdit"));
  nameEdit->setMaxLength(kNameLength);
  descriptionEdit = new QLineEdit(description, this);
  descriptionEdit->setObjectName(QStringLiteral("descriptionEdit"));
  descriptionEdit->setMaxLength(kDescriptionLength);
  descriptionEdit->setMinimumWidth(360);
  fileNameEdit = new QLineEdit(fileName, this);
  fileNameEdit->setObjectName(QStringLiteral("fileNameEdit"));
  fileNameEdit->setReadOnly(true);
  fileNameEdit->setToolTip(
      QStringLiteral("File Name As Created On Hard Disk (*.DBF, *.DBT, *.MDX)"));
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setDefault(true);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  helpButton = new QPushButton(QStringLiteral("&Help"), this);
  helpButton->setObjectName(QStringLiteral("helpButton"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Database Name:"), nameEdit);
  form->addRow(QStringLiteral("Database Description:"), descriptionEdit);
  form->addRow(QStringLiteral("Disk File Name:"), fileNameEdit);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {okButton, cancelButton, helpButton}) buttons->addWidget(b);
  auto* box = new QVBoxLayout(this);
  box->addLayout(form);
  box->addLayout(buttons);

  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(helpButton, &QPushButton::clicked, this, [this] { showHelpTopic(helpContext_); });
  nameEdit->setFocus();
}

QString EditDatabaseDialog::name() const { return nameEdit->text(); }
QString EditDatabaseDialog::description() const { return descriptionEdit->text(); }

void EditDatabaseDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    showHelpTopic(helpContext_);
    return;
  }
  QDialog::keyPressEvent(event);
}
