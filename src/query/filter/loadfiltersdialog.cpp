#include "query/filter/loadfiltersdialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/prompt.h"
#include "core/templatelist.h"
#include "ui/qtprompter.h"

LoadFiltersDialog::LoadFiltersDialog(TemplateList& templates, QWidget* parent)
    : QDialog(parent), templates_(templates) {
  setObjectName(QStringLiteral("LoadFiltersDialog"));
  setWindowTitle(QStringLiteral("Load Filter Template"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);

  templateList = new QListWidget(this);
  templateList->setObjectName(QStringLiteral("templateList"));
  templateList->addItems(templates_.names());
  if (templateList->count() > 0) templateList->setCurrentRow(0);
  okButton = new QPushButton(QStringLiteral("&OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setDefault(true);
  deleteButton = new QPushButton(QStringLiteral("&Delete"), this);
  deleteButton->setObjectName(QStringLiteral("deleteButton"));
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(okButton);
  buttons->addWidget(deleteButton);
  buttons->addWidget(cancelButton);
  buttons->addStretch();
  auto* box = new QHBoxLayout(this);
  box->addWidget(templateList);
  box->addLayout(buttons);
  resize(320, 220);

  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(deleteButton, &QPushButton::clicked, this, &LoadFiltersDialog::onDeleteClicked);
  connect(templateList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

QString LoadFiltersDialog::fileName() const {
  const QListWidgetItem* item = templateList->currentItem();
  if (!item || !item->isSelected()) return {};
  const auto index = templates_.indexOfName(item->text());
  return index ? templates_.at(*index).fileName : QString();
}

void LoadFiltersDialog::onDeleteClicked() {
  QListWidgetItem* item = templateList->currentItem();
  if (templateList->count() == 0 || !item) return;
  if (!askYesNo(MsgKind::Confirmation, QStringLiteral("Delete Selected Filter Template?"))) return;
  const auto index = templates_.indexOfName(item->text());
  delete templateList->takeItem(templateList->row(item));
  if (index) templates_.deleteTemplate(*index);
}

void LoadFiltersDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    showHelpTopic(kHelpContext);
    return;
  }
  QDialog::keyPressEvent(event);
}
