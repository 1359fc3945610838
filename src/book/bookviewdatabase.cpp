// The views' Load and Maintenance commands: whole databases in and out.

#include <QApplication>
#include <QTimer>
#include <QToolButton>

#include "book/bookview.h"
#include "book/catalogue/loaddatabasedialog.h"
#include "book/maintenance/maintenancedialog.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "prefs/colorscheme.h"
#include "query/filter/filterlist.h"
#include "query/find/finddialog.h"
#include "query/sort/sortbar.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/recordtable.h"
#include "store/sortstate.h"
#include "ui/busycursor.h"
#include "ui/qtprompter.h"
#include "users/logincheck.h"

bool BookView::reopenDatabase() {
  closeRecords();
  tables_->records.close();
  tables_->records.indexName.clear();
  tables_->copy.close();
  tables_->catalogue.close();
  databaseOpen_ = openDatabase(*tables_);
  if (!databaseOpen_) return false;
  setDatabaseCaption();
  databaseOpened();
  // Colours and lists belong to the database's directory.
  colors::loadDatabaseColors();
  applyColors();
  reloadLists();
  if (FindDialog* find = FindDialog::instance()) find->reset();
  if (letterTabsActive()) countLetters(tables_->records);
  applyLetterTabs();
  updateSortButtonLabels();
  selectLetter('A');
  if (reopenRecords()) reloadCurrent();
  return true;
}

void BookView::onLoadClicked() {
  if (!leaveCurrent()) return;
  QString chosen;
  {
    LoadDatabaseDialog dlg(tables_->catalogue, this);
    if (shuttingDown() || dlg.exec() != QDialog::Accepted) {
      if (dlg.isVisible() || shuttingDown()) dlg.reject();
      focusEntry();
      return;
    }
    chosen = dlg.selection();
  }
  AppSettings& s = appSettings();
  const QString oldDir = tables_->records.databaseName, oldTable = tables_->records.tableName;
  if (chosen.isEmpty() ||
      (chosen.compare(oldTable, Qt::CaseInsensitive) == 0 && s.databaseDir == oldDir)) {
    focusEntry();
    return;
  }
  const QString newDir = s.databaseDir;
  {
    BusyCursor busy;
    saveFilter();
    closeRecords();
    tables_->records.close();
    tables_->records.indexName.clear();
    packCatalogue(tables_->catalogue);
    tables_->catalogue.close();
    tables_->copy.close();
    saveSortState();
    s.filterState = 0;
    sortBar->setFilterState(0);
    sortState().filtered = false;
    s.tableName = chosen;
    if (reopenDatabase()) {
      focusEntry();
      return;
    }
  }
  // The chosen database could not be opened (its message was shown): the one
  // the user had stays, rather than an empty window.
  s.databaseDir = oldDir;
  s.tableName = oldTable;
  BusyCursor busy;
  if (!reopenDatabase()) QTimer::singleShot(0, this, &QWidget::close);
}

void BookView::onMaintenanceClicked() {
  if (!tables_->records.active() || !mayMaintainDatabase()) return;
  if (!leaveCurrent()) return;
  MaintenanceDialog dlg(*tables_, listSources(), this);
  if (!shuttingDown()) dlg.exec();
  BusyCursor busy;
  if (dlg.listsChanged) reloadLists();
  if (dlg.needsReopen) {
    if (dlg.needsResort) {
      resetSortState();
      saveSortState();
    }
    if (!reopenDatabase()) {
      QTimer::singleShot(0, this, &QWidget::close);
      return;
    }
  }
  refresh();
  focusEntry();
}
