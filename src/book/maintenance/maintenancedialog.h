#pragma once

// The "Database Maintenance" window: housekeeping of the current database.

#include <QDialog>
#include <functional>

class QPushButton;
struct StoreTables;

class MaintenanceDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 28;
  // `listSourceOf` gives the lookup list table of a field label position (see
  // ListDialog); empty when no record page view exists.
  MaintenanceDialog(StoreTables& tables, std::function<QString(int)> listSourceOf,
                    QWidget* parent = nullptr);

  QPushButton *closeButton, *reindexButton, *deleteIndexesButton, *packButton, *deleteAllButton,
      *repairButton, *backupButton, *restoreButton, *editListsButton, *deleteSelectedButton;

  // What the caller does afterwards.
  bool needsReopen = false;   // the table was closed or changed: reopen it
  bool needsResort = false;   // tags changed: apply the sort again
  bool listsChanged = false;  // the lookup lists were edited: reload them

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onReindexClicked();
  void onDeleteIndexesClicked();
  void onPackClicked();
  void onDeleteAllClicked();
  void onDeleteSelectedClicked();
  void onRepairClicked();
  void onBackupClicked();
  void onRestoreClicked();
  void onEditListsClicked();
  // Runs one function with the hourglass and "&Close" off meanwhile.
  template <class F>
  auto busy(F&& work);

  StoreTables& tables_;
  std::function<QString(int)> listSourceOf_;
};
