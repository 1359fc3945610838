#include "print/dialogframe.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

#include "core/prompt.h"
#include "ui/qtprompter.h"

namespace {

QPushButton* pushButton(QWidget* parent, const char* name, const char* text, const char* hint) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  if (hint) b->setToolTip(QString::fromLatin1(hint));
  return b;
}

}  // namespace

PrintDialogFrame::PrintDialogFrame(QWidget* parent) : QDialog(parent) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  notebook = new QStackedWidget(this);
  notebook->setObjectName(QStringLiteral("notebook"));
}

void PrintDialogFrame::buildFrame(const QStringList& pages, int helpContext) {
  tabSet = new QTabBar(this);
  tabSet->setObjectName(QStringLiteral("tabSet"));
  tabSet->setShape(QTabBar::RoundedSouth);
  tabSet->setUsesScrollButtons(false);  // every page name stays in view
  for (const QString& p : pages) tabSet->addTab(p);
  previousButton = pushButton(this, "previousButton", "<< P&revious", nullptr);
  nextButton = pushButton(this, "nextButton", "&Next >>", nullptr);

  printButton = pushButton(this, "printButton", "&Print", "Print Report On Selected Printer");
  cancelButton = pushButton(this, "cancelButton", "&Close", "Close This Window");
  helpButton = pushButton(this, "helpButton", "&Help", "Display Help Window");
  loadButton = pushButton(this, "loadButton", "&Load", "Load Report Template From Disk File");
  saveButton = pushButton(this, "saveButton", "&Save", "Save Report Template To Disk File");
  previewButton = pushButton(this, "previewButton", "Pre&view", "Preview Report On Screen");

  auto* under = new QHBoxLayout;
  under->addWidget(tabSet);
  under->addStretch();
  under->addWidget(previousButton);
  under->addWidget(nextButton);
  auto* left = new QVBoxLayout;
  left->addWidget(notebook);
  left->addLayout(under);
  auto* right = new QVBoxLayout;
  for (QPushButton* b :
       {printButton, cancelButton, helpButton, loadButton, saveButton, previewButton})
    right->addWidget(b);
  right->addStretch();
  auto* box = new QHBoxLayout(this);
  box->addLayout(left, 1);
  box->addLayout(right);

  connect(previousButton, &QPushButton::clicked, this,
          [this] { tabSet->setCurrentIndex(std::max(0, tabSet->currentIndex() - 1)); });
  connect(nextButton, &QPushButton::clicked, this, [this] {
    tabSet->setCurrentIndex(std::min(tabSet->count() - 1, tabSet->currentIndex() + 1));
  });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(helpButton, &QPushButton::clicked, this, [helpContext] { showHelpTopic(helpContext); });
}

TemplateLoadDialog::TemplateLoadDialog(const QString& kind, QWidget* parent) : QDialog(parent) {
  setObjectName(kind + QStringLiteral("LoadDialog"));
  setWindowTitle(QStringLiteral("Load %1 Template").arg(kind));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  listLabel = new QLabel(QStringLiteral("%1 Templates:").arg(kind), this);
  templateList = new QListWidget(this);
  templateList->setObjectName(QStringLiteral("templateList"));
  templateList->setToolTip(QStringLiteral("All Report Templates"));
  listLabel->setBuddy(templateList);
  okButton = pushButton(this, "okButton", "&OK", "Load Selected Report Template");
  okButton->setDefault(true);
  cancelButton = pushButton(this, "cancelButton", "&Cancel", "Close This Window");
  deleteButton = pushButton(this, "deleteButton", "&Delete", "Delete Selected Report Template");
  helpButton = pushButton(this, "helpButton", "&Help", "Display Help Window");

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
  connect(deleteButton, &QPushButton::clicked, this, &TemplateLoadDialog::onDeleteClicked);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(kHelpContext); });
  connect(templateList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void TemplateLoadDialog::showNames(const QStringList& names) { templateList->addItems(names); }

int TemplateLoadDialog::selectedRow() const {
  const int row = templateList->currentRow();
  return row >= 0 && templateList->currentItem()->isSelected() ? row : -1;
}

void TemplateLoadDialog::onDeleteClicked() {
  const int row = selectedRow();
  if (row < 0) return;
  if (!askYesNo(MsgKind::Warning, QStringLiteral("Delete Selected Item?"))) return;
  delete templateList->takeItem(row);
  removeTemplate(row);
  deleted_ = true;
}
