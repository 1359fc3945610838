#include "book/maintenance/maintenancedialog.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>

#include "core/progress.h"
#include "core/prompt.h"
#include "core/reminders.h"
#include "core/settings.h"
#include "query/lookup/listdialog.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/maintenance.h"
#include "store/recordtable.h"
#include "ui/busycursor.h"
#include "ui/confirmdialog.h"
#include "ui/qtprompter.h"
#include "users/logindialog.h"

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
  const std::pair<QPushButton*, void (MaintenanceDialog::*)()> handlers[] = {
      {reindexButton, &MaintenanceDialog::onReindexClicked},
      {deleteIndexesButton, &MaintenanceDialog::onDeleteIndexesClicked},
      {packButton, &MaintenanceDialog::onPackClicked},
      {deleteAllButton, &MaintenanceDialog::onDeleteAllClicked},
      {deleteSelectedButton, &MaintenanceDialog::onDeleteSelectedClicked},
      {repairButton, &MaintenanceDialog::onRepairClicked},
      {backupButton, &MaintenanceDialog::onBackupClicked},
      {restoreButton, &MaintenanceDialog::onRestoreClicked}};
  for (const auto& [b, handler] : handlers) connect(b, &QPushButton::clicked, this, handler);
}

namespace {

const QString kWarningLine = QStringLiteral("WARNING! This operation cannot be Undone!");

// The destructive functions go on only after YES and, with passwords on,
// the password again.
bool confirmed(QWidget* parent, const QString& firstLine) {
  return ConfirmDialog::confirmTableWork(parent, firstLine) && securityCheck(parent);
}

QString withReason(const QString& text, const QString& reason) {
  return reason.isEmpty() ? text : text + QStringLiteral("\r") + reason;
}

QString engineReason() { return QString::fromLocal8Bit(lastEngineError().c_str()); }

// The result box of a copy function: success, records lost, or failed.
struct CopyTexts {
  const char* success;
  const char* lost;  // after the number
  const char* failed;
};

bool reportCopy(const CopyOutcome& outcome, const CopyTexts& texts) {
  if (outcome.status == MaintenanceStatus::InUse) {
    showMessage(MsgKind::Error, kMsgFunctionFailed);
    return false;
  }
  if (outcome.lost > 0) {
    showMessage(MsgKind::Warning, QString::number(outcome.lost) + QString::fromLatin1(texts.lost));
    return false;
  }
  if (outcome.status != MaintenanceStatus::Done) {
    showMessage(MsgKind::Warning, withReason(QString::fromLatin1(texts.failed), outcome.error));
    return false;
  }
  showMessage(MsgKind::Information, QString::fromLatin1(texts.success));
  return true;
}

// Shows the failure of a function that needs the table to itself; true when it went through.
bool reportStatus(MaintenanceStatus status) {
  if (status == MaintenanceStatus::Done) return true;
  showMessage(MsgKind::Error, status == MaintenanceStatus::InUse
                                  ? kMsgFunctionFailed
                                  : withReason(QStringLiteral("Function Failed!"), engineReason()));
  return false;
}

}  // namespace

template <class F>
auto MaintenanceDialog::busy(F&& work) {
  closeButton->setEnabled(false);
  struct Restore {
    QPushButton* b;
    ~Restore() { b->setEnabled(true); }
  } restore{closeButton};
  BusyCursor hourglass;
  return work();
}

void MaintenanceDialog::onReindexClicked() {
  if (!askYesNo(MsgKind::Warning,
                QStringLiteral(
                    "Rebuilding indexes may be time consuming. Are you sure you want to do this?")))
    return;
  needsReopen = true;
  const MaintenanceStatus status = busy([this] {
    MaintenanceStatus s = reindexTable(tables_.records);
    if (s == MaintenanceStatus::Done) packTable(tables_.catalogue);
    return s;
  });
  if (reportStatus(status)) markMaintenanceDone();
}

void MaintenanceDialog::onDeleteIndexesClicked() {
  if (!askYesNo(MsgKind::Warning,
                QStringLiteral(
                    "Deleting indexes may be time consuming. Are you sure you want to do this?")))
    return;
  needsReopen = needsResort = true;
  reportStatus(busy([this] { return deleteIndexes(tables_.records); }));
}

void MaintenanceDialog::onPackClicked() {
  if (!askYesNo(
          MsgKind::Warning,
          QStringLiteral(
              "Packing the Database may be time consuming. Are you sure you want to do this?")))
    return;
  needsReopen = true;
  const MaintenanceStatus status = busy([this] {
    MaintenanceStatus s = packTable(tables_.records);
    if (s == MaintenanceStatus::Done) packTable(tables_.catalogue);
    return s;
  });
  if (reportStatus(status)) markMaintenanceDone();
}

void MaintenanceDialog::onDeleteAllClicked() {
  if (!confirmed(this, QStringLiteral("If you want to Delete All Records please"))) return;
  needsReopen = true;
  const MaintenanceStatus status = busy([this] { return emptyRecords(tables_.records); });
  if (status == MaintenanceStatus::Done)
    showMessage(MsgKind::Information, QStringLiteral("All Records Deleted."));
  else
    showMessage(MsgKind::Error, engineReason());
}

void MaintenanceDialog::onDeleteSelectedClicked() {
  AppSettings& s = appSettings();
  if (s.filterState == 0) {
    showMessage(MsgKind::Warning,
                QStringLiteral("You have to set a Normal or Reversed Filter first!"));
    return;
  }
  if (!confirmed(this, QStringLiteral("If you want to Delete All Displayed Records please")))
    return;
  needsReopen = true;
  QString problem;
  busy([&] {
    try {
      // Every record of the filter, whatever letter the view stands on.
      const uint16_t tabs = s.letterTabs;
      s.letterTabs = 1;
      setLetterRange(tables_.records, 'A');
      s.letterTabs = tabs;
      deleteShownRecords(tables_.records);
    } catch (const std::exception& e) {
      problem = QString::fromLocal8Bit(e.what());
    }
  });
  if (problem.isEmpty())
    showMessage(MsgKind::Information, QStringLiteral("All Displayed Records Deleted."));
  else
    showMessage(MsgKind::Error, withReason(QStringLiteral("Function Failed!"), problem));
}

void MaintenanceDialog::onRepairClicked() {
  if (!confirmed(this, QStringLiteral("If you want to Repair the Data File please"))) return;
  needsReopen = needsResort = true;
  progress().open(QStringLiteral("Data Repair Progress"));
  const CopyOutcome outcome =
      busy([this] { return repairTable(tables_.records, tables_.catalogue); });
  progress().close();
  reportCopy(outcome, {"Data File Repaired Successfully. The original file is saved as TEMP$$$.DBF",
                       " records could not be Recovered!",
                       "Data File Repair Failed! Check if you have enough free disk space."});
}

void MaintenanceDialog::onBackupClicked() {
  if (!confirmed(this, QStringLiteral("If you want to Backup the Data File please"))) return;
  progress().open(QStringLiteral("Backup Progress"));
  const CopyOutcome outcome = busy([this] { return backupTable(tables_.records); });
  progress().close();
  if (reportCopy(outcome, {"Table Backed Up Successfully.", " records could not be Backed Up!",
                           "Backup Failed! Check if you have enough free disk space."}))
    markBackupDone();
}

void MaintenanceDialog::onRestoreClicked() {
  if (!confirmed(this, QStringLiteral("If you want to Restore data from the Backup file please")))
    return;
  const bool withLists =
      askYesNo(MsgKind::Confirmation, QStringLiteral("Do you also want to Restore Lists?"));
  needsReopen = needsResort = true;
  if (withLists) listsChanged = true;
  progress().open(QStringLiteral("Restore Progress"));
  const CopyOutcome outcome =
      busy([&] { return restoreTable(tables_.records, tables_.catalogue, withLists); });
  progress().close();
  reportCopy(outcome, {"Data File Restored Successfully. Original File Renamed To: TEMP$$$.DBF",
                       " records could not be Restored!", "Backup Data File not found!"});
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
