#pragma once

#include <vector>

#include "book/bookview.h"

class QLabel;
class RecordPagesView;

// The main window of book model "Two Levels": the table of contents, 24 entries.
class ContentsView : public BookView {
  Q_OBJECT

 public:
  static constexpr int kPageEntries = 12;
  static constexpr int kSpreadEntries = 24;
  static constexpr int kPageWidth = 271;
  static constexpr int kPageHeight = 391;

  explicit ContentsView(QWidget* parent = nullptr);
  ~ContentsView() override;

  void applyReadOnlyMode();
  void switchToOneLevel() { switchBookModel(); }

  // Components, named as the rest of the program refers to them.
  QFrame* rightPage = nullptr;
  QLabel* leftHeading = nullptr;
  QLabel* rightHeading = nullptr;
  QLabel* leftPageNumber = nullptr;
  QLabel* rightPageNumber = nullptr;
  std::vector<ContentsEntry*> leftEntries;
  std::vector<ContentsEntry*> rightEntries;
  RecordPagesView* recordPages = nullptr;  // owned: freed with this view

  // Handlers.
  void onNewClicked() override;
  void onEntryClicked(int slot) override;
  void onDeleteRecordClicked(int slot) override;
  // The record pages gave back their place and letter.
  void recordPagesHidden(const QPoint& where, char letter, bool exitRequested);

 protected:
  int viewBookModel() const override { return 1; }
  QWidget* rightSide() const override;
  void buildEntries() override;
  void databaseOpened() override { applyReadOnlyMode(); }
  void applyPageColors() override;
  void showSpreadState(int currentSlot) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  std::optional<QStringList> fieldValues(int k) const override;
  std::function<QString(int)> listSources() const override;
  void reloadLists() override;

 private:
  void buildPages();
  void buildPopupMenus();
  void applyDateFormat();

  // What this view does for the search window.
  FindHooks findHooks() override;
  FindHooks pagesFindHooks();
  bool findBeforeFind(bool forward);
  void findOnFound();
  bool findOnNotFound();
};
