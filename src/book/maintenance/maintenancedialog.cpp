#include "book/maintenance/maintenancedialog.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>

#include "core/prompt.h"
#include "query/lookup/listdialog.h"
#include "ui/qtprompter.h"

MaintenanceDialog::MaintenanceDialog(StoreTables& tables, std::function<QString(int)> listSourceOf,
                                     QWidget* parent)
    : QDialog(parent), tables_(tables), listSourceOf_(std::move(listSourceOf)) {
  setObjectName(QStringLiteral("MaintenanceDialog"));
  setWindowTitle(QStringLiteral("Database Maintenance"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);
  auto button = [this](const char* name, const char* text, const char* hint) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(QLatin1String(name));
    if (hint) b->setToolTip(QString::fromLatin1(hint));
    return b;
  };
  closeButton = button("OKBtn", "&Close", nullptr);
  reindexButton = button("Button1", "&Reindex Database", "Rebuild All Indexes");
  deleteIndexesButton =
      button("Button2", "Delete &Indexes", "Delete Indexes - Decreases Size Of Index File");
  packButton = button("Button3", "&Pack Database", "Remove Deleted Records");
  deleteAllButton = button("Button4", "Delete &All Records", "Very Dangerous - Use With Caution");
  repairButton = button("Button5", "Repair Data &File", "Try To Recreate A Corrupt Data File");
  backupButton = button("Button6", "&Backup", "Backup Current Data File");
  restoreButton = button("Button7", "Re&store", "Restore Current Data File from The Backup File");
  editListsButton = button("Button8", "&Edit Lists", "Modify/Create/Delete List Items");
  deleteSelectedButton = button("Button9", "&Delete Selected Records",
                                "Delete All Displayed Records (Selected By A Filter)");
  // The table functions come with the catalogue work; until then they stay off.
  for (QPushButton* b : {reindexButton, deleteIndexesButton, packButton, deleteAllButton,
                         repairButton, backupButton, restoreButton, deleteSelectedButton})
    b->setEnabled(false);

  auto* grid = new QGridLayout(this);
  QPushButton* order[] = {reindexButton,   deleteIndexesButton,  packButton,
                          deleteAllButton, deleteSelectedButton, repairButton,
                          backupButton,    restoreButton,        editListsButton};
  int i = 0;
  for (QPushButton* b : order) {
    grid->addWidget(b, i % 5, i / 5);
    ++i;
  }
  grid->addWidget(closeButton, 4, 1);
  closeButton->setDefault(true);

  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(editListsButton, &QPushButton::clicked, this, &MaintenanceDialog::onEditListsClicked);
}

void MaintenanceDialog::onEditListsClicked() {
  ListDialog lists(listSourceOf_, this);
  if (!shuttingDown()) lists.exec();
  listsChanged = true;
}

void MaintenanceDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    showHelpTopic(kHelpContext);
    return;
  }
  QDialog::keyPressEvent(event);
}
