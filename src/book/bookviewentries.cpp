// The contents side of BookView: entries, letter tabs, paging, sorting and
// the parts of searching that both book models share.
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <stdexcept>

#include "book/bookpage.h"
#include "book/bookview.h"
#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "core/templatelist.h"
#include "query/filter/filterdialog.h"
#include "query/filter/filterlist.h"
#include "query/find/finddialog.h"
#include "query/markingpass.h"
#include "query/sort/sortbar.h"
#include "query/sort/sortdialog.h"
#include "query/summary/summarydialog.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/listingrows.h"
#include "store/recordsession.h"
#include "store/recordtable.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "store/tablerescue.h"
#include "ui/aboutbox.h"
#include "ui/colorbutton.h"
#include "ui/columnheader.h"
#include "ui/confirmdialog.h"
#include "ui/contentsentry.h"
#include "ui/qtprompter.h"
#include "users/logincheck.h"
#include "weblink/browserlink.h"

namespace {

const QString kEntryHint = QStringLiteral("Left Click - Details; Right Click - Menu");

QPushButton* pageButton(QWidget* page, const char* name, const QString& text, const char* hint) {
  auto* b = new QPushButton(text, page);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromLatin1(hint));
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

// The program's filter templates as the sort bar's filter menu uses them.
class ProgramFilterTemplates : public FilterTemplateAccess {
 public:
  QStringList names() const override { return filterTemplates().names(); }
  bool apply(const QString& name) override { return filterTemplates().applyTemplate(name); }
  void remove(const QString& name) override {
    if (const auto i = filterTemplates().indexOfName(name)) filterTemplates().deleteTemplate(*i);
  }
  bool add(const QString& name) override { return filterTemplates().addTemplate(name); }
};

}  // namespace

// ---------------------------------------------------------------- building

void BookView::buildColumnHeader(QWidget* page) {
  columnHeader = new ColumnHeader(page);
  columnHeader->setObjectName(QStringLiteral("columnHeader"));
  columnHeader->setToolTip(QStringLiteral("Left Click - Change Order;  Right Click - Menu"));
  connect(columnHeader, &ColumnHeader::onHChange, this, [this] { onColumnHeaderChanged(); });
}

void BookView::buildSortBar(QWidget* page) {
  sortBar = new SortBar(page);
  sortBar->setObjectName(QStringLiteral("sortBar"));
  sortBar->setHelpContext(103);
  sortBar->setHint1(
      QStringLiteral("[Primary Sort Field]: Left Click - Sort Options; Right Click - Menu"));
  sortBar->setHint2(
      QStringLiteral("[Secondary Sort Field]: Left Click - Sort Options; Right Click - Menu"));
  sortBar->setHint3(QStringLiteral("Left Click - Set Filter;  Right Click - Menu"));
  sortBar->setSortSource([] {
    const SortState& s = sortState();
    SortFields f;
    f.firstField = s.firstField;
    f.secondField = s.secondField;
    f.firstDescending = s.firstDescending;
    f.secondDescending = s.secondDescending;
    return f;
  });
  connect(sortBar, &SortBar::clicked, this, &BookView::onSortClicked);
  connect(sortBar, &SortBar::sortByClick, this, &BookView::sortButtonChoice);
  connect(sortBar, &SortBar::filterMenuClick, this, &BookView::applyFilterState);
  connect(sortBar, &SortBar::filterClick, this, &BookView::onFilterClicked);
  connect(sortBar, &SortBar::quickFilter, this, [this] { applyFilter(); });
  static ProgramFilterTemplates templates;
  sortBar->setFilterTemplates(&templates);
  connect(sortBar, &SortBar::sort1MenuClick, this, &BookView::sortButtonChoice);
  connect(sortBar, &SortBar::sort2MenuClick, this, &BookView::sortButtonChoice);
}

void BookView::buildPageButtons(QWidget* firstPage, QWidget* lastPage, bool withTexts) {
  auto text = [withTexts](const char* caption) {
    return withTexts ? QString::fromLatin1(caption) : QString();
  };
  firstButton = pageButton(firstPage, "firstButton", text("First"), "GoTo First Page [Ctrl+Home]");
  pageUpButton =
      pageButton(firstPage, "pageUpButton", text("PgUp"), "GoTo Previous Page [Ctrl+PgUp]");
  pageDownButton =
      pageButton(lastPage, "pageDownButton", text("PgDn"), "GoTo Next Page [Ctrl+PgDn]");
  lastButton = pageButton(lastPage, "lastButton", text("Last"), "GoTo Last Page [Ctrl+End]");
  firstButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
  pageUpButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
  pageDownButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
  lastButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
  connect(firstButton, &QPushButton::clicked, this, &BookView::onFirstClicked);
  connect(pageUpButton, &QPushButton::clicked, this, &BookView::onPageUpClicked);
  connect(pageDownButton, &QPushButton::clicked, this, &BookView::onPageDownClicked);
  connect(lastButton, &QPushButton::clicked, this, &BookView::onLastClicked);

  sponsorButton =
      pageButton(leftPage, "SponsorBtn", QString(), "Go To Tomekeeper Home Page [Ctrl+G]");
  sponsorButton->setIcon(QIcon(programPixmap()));
  sponsorButton->setIconSize(QSize(24, 24));
  sponsorButton->setFlat(true);
  connect(sponsorButton, &QPushButton::clicked, this, &BookView::onSponsorClicked);
}

ContentsEntry* BookView::addEntry(QWidget* page, int slot) {
  auto* e = new ContentsEntry(page);
  e->setObjectName(QStringLiteral("Entry%1").arg(slot));
  e->setProperty("Tag", slot);
  e->setToolTip(kEntryHint);
  e->setTabStop(true);
  e->setGap(0);
  e->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(e, &ColorButton::clicked, this, [this, slot] { onEntryClicked(slot); });
  connect(e, &QWidget::customContextMenuRequested, this,
          [this, e, slot](const QPoint& pos) { showEntryMenu(slot, e->mapToGlobal(pos)); });
  entries.push_back(e);
  return e;
}

void BookView::buildLetterColumn(int top, int buttonHeight) {
  letterColumn =
      ::buildLetterColumn(centralWidget(), kLetterColumnWidth, shape_.pageHeight, top, buttonHeight,
                          letterButtons, [this](int i) { onLetterClicked(i); });
}

// ---------------------------------------------------------------- entries

ContentsEntry* BookView::entry(int slot) const {
  if (slot < 0 || slot >= static_cast<int>(entries.size())) return nullptr;
  return entries[static_cast<size_t>(slot)];
}

void BookView::refresh() {
  if (!isVisible()) return;
  fillEntries();
  const SpreadButtons b = spread_->buttons();
  firstButton->setEnabled(b.first);
  pageUpButton->setEnabled(b.pgUp);
  pageDownButton->setEnabled(b.pgDn);
  lastButton->setEnabled(b.last);
  firstAction->setEnabled(b.first);
  pageUpAction->setEnabled(b.pgUp);
  pageDownAction->setEnabled(b.pgDn);
  lastAction->setEnabled(b.last);
  focusEntry();
  DbTable& table = tables_->records;
  if (spread_->tabsActive() && table.active()) countLetter(table, spread_->currentLetter());
}

void BookView::fillEntries() {
  for (ContentsEntry* e : entries) e->clearTexts();
  int current = -1;
  DbTable& table = tables_->records;
  if (table.active()) {
    try {
      // Which field each column shows, found once per refresh.
      std::vector<int> fields;
      const int first = appSettings().firstUserField;
      for (int i = 0; i < columnHeader->sectionCount(); ++i) {
        int field = -1;
        const QString caption = columnHeader->sectionCaption(i);
        for (int k = 0; k < labels().size(); ++k)
          if (labels()[k].compare(caption, Qt::CaseInsensitive) == 0) {
            field = first + k;
            break;
          }
        if (field >= static_cast<int>(table.fieldDefs().size())) field = -1;
        fields.push_back(field);
      }
      const std::vector<ListingRow> rows = readListingRows(
          table, static_cast<uint32_t>(spread_->topRecord()), entries.size(), fields);
      for (size_t s = 0; s < rows.size(); ++s) {
        for (size_t i = 0; i < fields.size(); ++i) {
          QString text = rows[s].texts[i];
          if (i > 0) text.prepend(QLatin1Char(' '));
          entries[s]->setText(static_cast<int>(i), text);
        }
        if (isCurrentRecord(rows[s].number)) current = static_cast<int>(s);
      }
    } catch (const std::exception& e) {
      reportEngineFailure(e);
    }
  }
  showSpreadState(current);
}

void BookView::focusEntry() {
  if (!isActiveWindow() && QApplication::platformName() != QLatin1String("offscreen")) return;
  if (ContentsEntry* e = entry(focusSlot())) e->setFocus();
}

void BookView::onColumnHeaderChanged() {
  for (ContentsEntry* e : entries) {
    e->removeColumns();
    for (int i = 0; i < columnHeader->sectionCount(); ++i)
      e->addColumn(QString(), columnHeader->columnPercent(i));
  }
  refresh();
}

void BookView::showEntryMenu(int slot, const QPoint& globalPos) {
  prepareEntryMenu(slot);
  entryMenu->popup(globalPos);
}

void BookView::prepareEntryMenu(int slot) {
  menuSlot_ = slot;
  quickViewMenu->clear();
  quickViewMenu->setEnabled(false);
  const bool ro = isReadOnlyDatabase();
  entryCopyAction->setEnabled(!ro);
  entryPasteAction->setEnabled(!ro && appSettings().copyBufferFull);
  fillCopyBufferMenu(copyBufferMenu);
  entryMenuOpening(slot);
  DbTable& table = tables_->records;
  if (!table.active()) return;
  const int32_t position = spread_->positionOfSlot(slot);
  if (position >= count()) return;
  try {
    goToPosition(table, static_cast<uint32_t>(position));
    for (const QString& line : listRecordValues(table)) quickViewMenu->addAction(line);
    quickViewMenu->setEnabled(true);
  } catch (const std::exception& e) {
    quickViewMenu->clear();
    reportEngineFailure(e);
  }
}

void BookView::fillCopyBufferMenu(QMenu* menu) {
  menu->clear();
  menu->setEnabled(false);
  if (isReadOnlyDatabase()) return;
  const std::vector<QString> lines = listed_->copyBufferLines();
  for (const QString& line : lines) menu->addAction(line);
  menu->setEnabled(!lines.empty());
}

void BookView::onCopyRecordClicked(int slot) {
  if (slot < 0 || !tables_->records.active() || isReadOnlyDatabase()) return;
  if (listed_->copyRecordAt(spread_->positionOfSlot(slot))) copyBufferChanged();
}

void BookView::onPasteRecordClicked(int slot) {
  if (slot < 0 || !tables_->records.active() || !tables_->copy.active() || isReadOnlyDatabase() ||
      !appSettings().copyBufferFull)
    return;
  if (listed_->pasteInto(spread_->positionOfSlot(slot)) != RecordSession::Pasted::Nothing)
    refresh();
}

int32_t BookView::count() {
  DbTable& records = tables_->records;
  if (!records.active()) return 0;
  try {
    return static_cast<int32_t>(::recordCount(records));
  } catch (const std::exception& e) {
    reportEngineFailure(e);
    return 0;
  }
}

BookView::DeleteOutcome BookView::deleteListedRecord(int32_t position) {
  if (!listed_->recordAt(position)) {
    showMessage(MsgKind::Information, QStringLiteral("Empty Record cannot be Deleted."));
    return DeleteOutcome::Kept;
  }
  if (appSettings().deleteMode == 0 && !ConfirmDialog::confirm(this)) {
    showMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
    focusEntry();
    return DeleteOutcome::Kept;
  }
  return listed_->deleteAt(position) ? DeleteOutcome::Deleted : DeleteOutcome::InUse;
}

void BookView::onAboutClicked() {
  AboutBox box(this);
  box.exec();
  focusEntry();
}

void BookView::onSponsorClicked() {
  BrowserLink link(homePageOpener);
  link.setText(BrowserLink::Address, appSettings().homePageUrl);
  link.open();
  if (ContentsEntry* first = entry(0)) first->setFocus();
}

// ---------------------------------------------------------------- letters and paging

void BookView::onFirstClicked() {
  if (spread_->first()) refresh();
}

void BookView::onPageUpClicked() {
  if (!spread_->pgUp()) return;
  syncLetterButton();
  refresh();
}

void BookView::onPageDownClicked() {
  if (!spread_->pgDn()) return;
  syncLetterButton();
  refresh();
}

void BookView::onLastClicked() {
  if (spread_->last()) refresh();
}

void BookView::syncLetterButton() {
  const auto i = static_cast<size_t>(spread_->currentLetter() - 'A');
  if (!letterButtons[i]->selected()) letterButtons[i]->setSelected(true);
  if (!spread_->letterTabsEnabled()) applyLetterTabs();
}

void BookView::selectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') return;
  letterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
  spread_->selectLetter(letter);
  if (!spread_->letterTabsEnabled()) applyLetterTabs();
  refresh();
}

void BookView::onLetterClicked(int index) { selectLetter(static_cast<char>('A' + index)); }

void BookView::applyLetterTabs() {
  const bool active = lettersOn();
  if (active) spread_->setTopRecord(0);
  letterColumn->show();
  enableLetterButtons(letterButtons, active);
}

void BookView::setShowLetters(bool on) {
  showLetters_ = on;
  enableLetterButtons(letterButtons, on);
}

void BookView::colorLetterTab(int index) {
  if (index >= 0 && index < 26) colorLetterButton(letterButtons[static_cast<size_t>(index)], index);
}

void BookView::setLetterTabs(int value) {
  if (!leaveCurrent()) return;
  appSettings().letterTabs = static_cast<uint16_t>(value);
  sortState().commitSort();
  if (letterTabsActive()) countLetters(tables_->records);
  spread_->setLetterTabsEnabled(true);
  applyLetterTabs();
  applyViewSort();
}

// ---------------------------------------------------------------- sorting

void BookView::indexChanged() {
  if (letterTabsActive()) countLetters(tables_->records);
  spread_->setLetterTabsEnabled(true);
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  applyLetterTabs();
  updateSortButtonLabels();
  selectLetter('A');
  // The old position means nothing in the new order.
  reloadCurrent();
}

void BookView::updateSortButtonLabels() {
  const SortState& s = sortState();
  const int first = appSettings().firstUserField;
  auto label = [&](int field, const QString& none) {
    const int k = field - first;
    if (field < first || k >= labels().size()) return none;
    return labels()[k];
  };
  sortBar->setLabelsAndDirections(label(s.firstField, QStringLiteral("Entry Order")),
                                  label(s.secondField, QStringLiteral("NONE")), s.secondDescending,
                                  s.firstDescending);
}

void BookView::sortButtonChoice(const SortFields& fields) {
  if (!leaveCurrent()) {
    updateSortButtonLabels();
    return;
  }
  SortState& s = sortState();
  s.commitSort();
  s.firstField = static_cast<uint8_t>(fields.firstField < 0 ? 0 : fields.firstField);
  s.secondField = static_cast<uint8_t>(fields.secondField < 0 ? 0 : fields.secondField);
  s.firstDescending = fields.firstDescending;
  s.secondDescending = fields.secondDescending;
  applyViewSort();
}

void BookView::applyFilterState(int state) {
  if (!leaveCurrent()) {
    sortBar->setFilterState(appSettings().filterState);
    return;
  }
  // Building an index needs the table to ourselves for a moment.
  closeRecords();
  showFilterState(state);
}

void BookView::applyFilter() {
  if (!tables_->records.active()) return;
  if (isReadOnlyDatabase()) {
    showMessage(MsgKind::Warning, kReadOnlyMarksMessage);
    return;
  }
  if (!leaveCurrent()) return;
  // The pass writes every record: nothing of ours may hold one meanwhile.
  closeRecords();
  const MarkResult result = filterList().apply();
  if (!result.error.empty()) reportEngineFailure(std::runtime_error(result.error));
  showFilterState(fsNormal);
}

void BookView::showFilterState(int state) {
  // The records keep the marks of the last filter; the index follows them.
  SortState& s = sortState();
  const bool wasFiltered = s.filtered;
  BusyCursor busy;
  s.filtered = state != 0;
  appSettings().filterState = static_cast<uint8_t>(state);
  sortBar->setFilterState(state);
  if (!applySort()) s.filtered = wasFiltered;
  if (reopenRecords()) reloadCurrent();
}

std::optional<QStringList> BookView::lookupValues(const QWidget* editor) {
  const auto* box = qobject_cast<const QComboBox*>(editor);
  if (!box) return std::nullopt;
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

void BookView::onFilterClicked() {
  if (!tables_->records.active()) return;
  FilterDialog dlg(
      filterList(), tables_->records.fieldDefs(), filterTemplates(),
      [this](int k) { return fieldValues(k); }, this);
  const int result = shuttingDown() ? int(QDialog::Rejected) : dlg.exec();
  if (result == FilterDialog::ApplyResult)
    applyFilter();
  else if (dlg.chosenState() != sortBar->filterState())
    applyFilterState(dlg.chosenState());
  focusEntry();
}

void BookView::applyMaintenanceAccess() {
  const bool on = mayMaintainDatabase();
  maintenanceButton->setEnabled(on);
  maintenanceAction->setEnabled(on);
  importButton->setEnabled(!isReadOnlyDatabase());
  importAction->setEnabled(!isReadOnlyDatabase());
}

void BookView::onSortClicked() {
  if (!leaveCurrent()) return;
  sortState().commitSort();
  SortDialog dlg(this);
  if (!shuttingDown() && dlg.exec() == QDialog::Accepted) applyViewSort();
  focusEntry();
}

void BookView::onSummaryClicked() {
  if (!tables_->records.active() || !leaveCurrent()) return;
  SummaryDialog dlg(tables_->records, this);
  if (!shuttingDown()) dlg.exec();
  focusEntry();
}

void BookView::applyViewSort() {
  SortState& s = sortState();
  if (!s.sortUnchanged()) {
    BusyCursor busy;
    appSettings().filterState = 0;
    sortBar->setFilterState(0);
    s.filtered = false;
    closeRecords();
    if (!applySort())
      s.revertSort();
    else if (FindDialog* find = FindDialog::instance())
      find->reset();
    reopenRecords();
    spread_->setLetterTabsEnabled(true);
    applyLetterTabs();
  }
  updateSortButtonLabels();
  selectLetter('A');
  reloadCurrent();
}

// ---------------------------------------------------------------- search window

void BookView::onSearchClicked() {
  if (!tables_->records.active()) return;
  FindDialog::openFor(this, tables_->records, findHooks());
}

void BookView::reportFindLetter() {
  if (FindDialog* find = FindDialog::instance())
    find->setCurrentLetter(lettersOn() ? currentLetter() : 0);
}

bool BookView::findAtRangeEnd(bool forward) {
  if (!lettersOn()) return true;
  for (char c = currentLetter();;) {
    c = static_cast<char>(c + (forward ? 1 : -1));
    if (c < 'A' || c > 'Z') {
      reportFindLetter();
      return true;
    }
    selectLetter(c);
    if (count() > 0) {
      reportFindLetter();
      return false;
    }
  }
}

void BookView::returnToLetter(char letter) {
  if (lettersOn() && letter != currentLetter()) selectLetter(letter);
}
