#pragma once

#include <memory>

#include "book/bookview.h"
#include "query/lookup/lookuplist.h"
#include "store/recordsession.h"

class DbTable;
class RecordPage;

// The main window of book model "One Level": 12 entries beside the current record.
class CombinedView : public BookView {
  Q_OBJECT

 public:
  static constexpr int kPageEntries = 12;
  static constexpr int kPageWidth = 300;
  static constexpr int kPageHeight = 446;

  explicit CombinedView(QWidget* parent = nullptr);
  ~CombinedView() override;

  // View state.
  int32_t currentPosition = 0;  // 1-based within its letter; 0 before the first load
  int32_t currentNumber() const { return session_->number(); }  // -1 for a new record
  char currentRecordLetter() const { return session_->letter(); }
  bool currentNew() const { return session_->isNew(); }
  bool currentInUse() const { return session_->inUse(); }
  int currentEntry = -1;
  int clickedEntry = -1;
  DbTable& recordCursor() { return session_->cursor(); }
  RecordSession& session() { return *session_; }

  void applyReadOnlyMode();
  // Makes position p (0-based) of the applied listing the current record,
  // saving the current one first unless `saved`; false when the save was refused.
  bool makeCurrent(int32_t position, bool saved = false);
  // Saves the current record into the record cursor; false when the user stays.
  bool saveCurrent();
  void switchToTwoLevels() { switchBookModel(); }

  // Components.
  RecordPage* recordPage = nullptr;
  QMenu* pageMenu = nullptr;  // right page
  QMenu* pageCopyBufferMenu = nullptr;
  QAction *pagePasteAction = nullptr, *pageCopyAction = nullptr, *pageUndoAction = nullptr,
          *pageDeleteAction = nullptr, *pagePrintAction = nullptr, *pageSynchronizeAction = nullptr;
  QAction *previousAction = nullptr, *nextAction = nullptr;

  // Handlers.
  void onNewClicked() override;
  void onPreviousClicked();
  void onNextClicked();
  void onSynchronizeClicked();
  void onDeleteClicked();
  void onCopyClicked();
  // The current record on its own, after it is saved.
  void onPrintCurrentClicked();
  void onPasteClicked();
  void onUndoClicked();
  void onEntryClicked(int slot) override;
  void preparePageMenu();
  void onPasteRecordClicked(int slot) override;
  void onDeleteRecordClicked(int slot) override;

  // What this view does for the search window (its hooks call these).
  bool findBeforeFind(bool fromEnd);
  // A match at `position` of the listing of `letter`, in user field `field`;
  // a memo match gives its start and length, other fields the searched text.
  void findOnFound(char letter, int32_t position, int field, int start, int length,
                   const QString& text = {});
  void findOnNotFound(char searchLetter, bool nonStop);
  bool findBeforeMarkAll();
  void findAfterMarkAll(bool found);

  // Lookup editor of user field k on the record page, and its list file.
  QWidget* fieldLookup(int k) const;
  QString fieldLookupSource(int k) const;
  // Every lookup box reads its list again (after the lists were edited).
  void reloadLookupLists();

 protected:
  int viewBookModel() const override { return 0; }
  QWidget* rightSide() const override;
  void buildEntries() override;
  FindHooks findHooks() override;
  void addMoveItems(QMenu* move) override;
  void applyPageColors() override;
  void applyRecordOptions() override;
  bool isCurrentRecord(int32_t number) const override;
  void showSpreadState(int currentSlot) override;
  int focusSlot() const override;
  void entryMenuOpening(int slot) override;
  void copyBufferChanged() override { applyAccess(); }
  bool leaveCurrent() override;
  void closeRecords() override;
  bool reopenRecords() override;
  void reloadCurrent() override;
  std::function<QString(int)> listSources() const override {
    return [this](int k) { return fieldLookupSource(k); };
  }
  void reloadLists() override { reloadLookupLists(); }
  std::optional<QStringList> fieldValues(int k) const override {
    return lookupValues(fieldLookup(k));
  }
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  LookupLists lookupLists_;  // before the pages: their boxes share these lists
  void buildLeftPage();
  void buildRightPage();
  void buildPopupMenus();
  void addRecordKeys();
  // Loads position p of the applied listing (the range of `letter`, 0 for
  // the left page's) onto the right page, without saving.
  void loadCurrent(int32_t position, char letter = 0);
  void releaseCurrent();
  void showCurrentState();
  void applyAccess();
  // Applies a letter's range (when letter tabs apply) and gives its count.
  int32_t useLetter(char letter);
  void step(int direction);

  std::unique_ptr<RecordSession> session_;
  bool loaded_ = false;        // a record is current
  char positionLetter_ = 'A';  // the listing that CurrentPosition counts in
  int32_t letterCount_ = 0;    // records of that listing at the last load
};
