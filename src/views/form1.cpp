#include "form1.h"


#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "bookpage.h"
#include "aboutbox.h"
#include "colorbutton.h"
#include "database.h"
#include "deletedlg1.h"
#include "finddlg.h"
#include "form2.h"
#include "formatedbutton.h"
#include "form3.h"
#include "gui/maindlg.h"
#include "labels.h"
#include "letters.h"
#include "orvantaheader.h"
#include "prompt.h"
#include "qtprompter.h"
#include "recordtable.h"
#include "recordtext.h"
#include "sortbutton.h"
#include "sortdlg.h"
#include "sortstate.h"
#include "storehooks.h"
#include "tablelisting.h"
#include "viewcolors.h"

namespace {

constexpr int kHeaderTop = 19;
constexpr int kHeaderHeight = 20;
constexpr int kEntryHeight = 23;
constexpr int kSpeedBarHeight = 46;
constexpr int kTabSetHeight = 22;

const QString kEntryHint = QStringLiteral("Left Click - Details; Right Click - Menu");

QPushButton* PageButton(QWidget* page, const QString& name, const QString& text,
                        const QString& hint) {
  auto* b = new QPushButton(text, page);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : TMainView(parent) {
  setObjectName(QStringLiteral("Form1"));
  setToolTip(QStringLiteral("Use Right Mouse Button To Display Popup Menus"));
  tables_ = std::make_unique<TStoreTables>();
  listing_ = std::make_unique<TTableListing>(tables_->Records);
  spread_ = std::make_unique<TSpreadModel>(*listing_, kSpreadEntries);
  SortState().Table = &tables_->Records;

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Client"));
  central->setAutoFillBackground(true);
  setCentralWidget(central);

  BuildPages();
  BuildLetterColumn();
  BuildSpeedBars(centralWidget(), kSpeedBarHeight, 68, 78);
  BuildMenus();
  BuildPopupMenus();
  RecordPages = new TForm2(*tables_, this);
  RecordPages->OnHidden = [this](const QPoint& where, char letter, bool exitRequested) {
    RecordPagesHidden(where, letter, exitRequested);
  };

  StoreHooks().IndexChanged = [this] { IndexChanged(); };
  StoreHooks().RecolourTab = [this](int letter) { ColorLetterTab(letter); };
  StoreHooks().BusyCursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  };

  OrvantaHeader1->LoadFromFile(JoinPath(AppSettings().HomeDir, QStringLiteral("header.dat")));
  BuildEntries();
  OpenDatabaseAndCaption();
  ApplyLayout();
  ApplyColors();
  SortButton1->setFilterState(AppSettings().FilterState);
  UpdateSortButtonLabels();
  if (databaseOpen_) {
    if (LetterTabsActive()) CountLetters(tables_->Records);
    ApplyLetterTabs();
    SelectLetter('A');
  }
  qApp->installEventFilter(this);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().width() - frameGeometry().width(), 1);
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  // The pages hold records of the tables freed below.
  delete RecordPages;
  RecordPages = nullptr;
  // After a switch of book model the other view owns the hooks already.
  if (CurrentView() == this) {
    StoreHooks().IndexChanged = nullptr;
    StoreHooks().RecolourTab = nullptr;
  }
  if (SortState().Table == &tables_->Records) SortState().Table = nullptr;
  TFindDlg::ViewClosing(this);
}

// ---------------------------------------------------------------- building

void TForm1::BuildPages() {
  auto* left = new TBookPage(centralWidget(), true);
  auto* right = new TBookPage(centralWidget(), false);
  Panel1 = left;
  Panel2 = right;
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel2->setObjectName(QStringLiteral("Panel2"));
  for (QFrame* page : {Panel1, Panel2}) page->resize(kPageWidth, kPageHeight);

  QFont titleFont(QStringLiteral("Arial"));
  titleFont.setPixelSize(12);
  titleFont.setBold(true);
  titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  TocLbl1 = new QLabel(QStringLiteral("TABLE OF CONTENTS"), Panel1);
  TocLbl2 = new QLabel(QStringLiteral("TABLE OF CONTENTS"), Panel2);
  for (QLabel* l : {TocLbl1, TocLbl2}) {
    l->setFont(titleFont);
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(5, 2, kPageWidth - 10, 16);
  }

  OrvantaHeader1 = new TOrvantaHeader(Panel1);
  OrvantaHeader1->setObjectName(QStringLiteral("OrvantaHeader1"));
  OrvantaHeader1->setGeometry(5, kHeaderTop, 260, kHeaderHeight);
  OrvantaHeader1->setToolTip(QStringLiteral("Left Click - Change Order;  Right Click - Menu"));
  connect(OrvantaHeader1, &TOrvantaHeader::OnHChange, this, [this] { OrvantaHeader1HChange(); });

  SortButton1 = new TSortButton(Panel2);
  SortButton1->setObjectName(QStringLiteral("SortButton1"));
  SortButton1->setGeometry(5, kHeaderTop, 260, kHeaderHeight);
  SortButton1->setHelpContext(103);
  SortButton1->setHint1(
      QStringLiteral("[Primary Sort Field]: Left Click - Sort Options; Right Click - Menu"));
  SortButton1->setHint2(
      QStringLiteral("[Secondary Sort Field]: Left Click - Sort Options; Right Click - Menu"));
  SortButton1->setHint3(QStringLiteral("Left Click - Set Filter;  Right Click - Menu"));
  SortButton1->setSortSource([] {
    const TIndex& s = SortState();
    TSortFields f;
    f.FirstField = s.FirstField;
    f.SecondField = s.SecondField;
    f.FirstDescending = s.FirstDescending;
    f.SecondDescending = s.SecondDescending;
    return f;
  });
  connect(SortButton1, &TSortButton::clicked, this, &TForm1::B_SortClick);
  connect(SortButton1, &TSortButton::sortByClick, this, &TForm1::SortButtonChoice);
  connect(SortButton1, &TSortButton::filterMenuClick, this, &TForm1::ApplyFilterState);
  connect(SortButton1, &TSortButton::sort1MenuClick, this, &TForm1::SortButtonChoice);
  connect(SortButton1, &TSortButton::sort2MenuClick, this, &TForm1::SortButtonChoice);

  const int buttonsTop = 351;
  B_First = PageButton(Panel1, QStringLiteral("B_First"), QStringLiteral("First"),
                       QStringLiteral("GoTo First Page [Ctrl+Home]"));
  B_PgUp = PageButton(Panel1, QStringLiteral("B_PgUp"), QStringLiteral("PgUp"),
                      QStringLiteral("GoTo Previous Page [Ctrl+PgUp]"));
  B_PgDn = PageButton(Panel2, QStringLiteral("B_PgDn"), QStringLiteral("PgDn"),
                      QStringLiteral("GoTo Next Page [Ctrl+PgDn]"));
  B_Last = PageButton(Panel2, QStringLiteral("B_Last"), QStringLiteral("Last"),
                      QStringLiteral("GoTo Last Page [Ctrl+End]"));
  B_First->setGeometry(8, buttonsTop, 62, 22);
  B_PgUp->setGeometry(74, buttonsTop, 62, 22);
  B_PgDn->setGeometry(kPageWidth - 136, buttonsTop, 62, 22);
  B_Last->setGeometry(kPageWidth - 70, buttonsTop, 62, 22);
  B_First->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
  B_PgUp->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
  B_PgDn->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
  B_Last->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
  connect(B_First, &QPushButton::clicked, this, &TForm1::B_FirstClick);
  connect(B_PgUp, &QPushButton::clicked, this, &TForm1::B_PgUpClick);
  connect(B_PgDn, &QPushButton::clicked, this, &TForm1::B_PgDnClick);
  connect(B_Last, &QPushButton::clicked, this, &TForm1::B_LastClick);

  SponsorBtn = PageButton(Panel1, QStringLiteral("SponsorBtn"), QString(),
                          QStringLiteral("Go To Tomekeeper Home Page [Ctrl+G]"));
  SponsorBtn->setGeometry(kPageWidth - 40, buttonsTop - 4, 30, 30);
  SponsorBtn->setIcon(QIcon(ProgramPixmap()));
  SponsorBtn->setIconSize(QSize(24, 24));
  SponsorBtn->setFlat(true);
  connect(SponsorBtn, &QPushButton::clicked, this, &TForm1::SponsorBtnClick);

  QFont numberFont(QStringLiteral("Arial"));
  numberFont.setPixelSize(11);
  numberFont.setItalic(true);
  PgL_Lbl = new QLabel(QStringLiteral("999999"), Panel1);
  PgR_Lbl = new QLabel(QStringLiteral("999999"), Panel2);
  PgL_Lbl->setObjectName(QStringLiteral("PgL_Lbl"));
  PgR_Lbl->setObjectName(QStringLiteral("PgR_Lbl"));
  PgL_Lbl->setFont(numberFont);
  PgR_Lbl->setFont(numberFont);
  PgL_Lbl->setGeometry(10, kPageHeight - 16, 60, 14);
  PgR_Lbl->setGeometry(kPageWidth - 70, kPageHeight - 16, 60, 14);
  PgL_Lbl->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  PgR_Lbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TForm1::BuildEntries() {
  const int top0 = kHeaderTop + kHeaderHeight + 8;
  for (int page = 0; page < 2; ++page) {
    QFrame* panel = page == 0 ? Panel1 : Panel2;
    auto& list = page == 0 ? LeftEntries : RightEntries;
    for (int i = 0; i < kPageEntries; ++i) {
      auto* e = new TFormatedButton(panel);
      const int slot = page * kPageEntries + i;
      e->setObjectName(QStringLiteral("Entry%1").arg(slot));
      e->setProperty("Tag", slot);
      e->setGeometry(5, top0 + i * (kEntryHeight + 2), kPageWidth - 10, kEntryHeight);
      e->setToolTip(kEntryHint);
      e->setTabStop(true);
      e->setGap(0);
      e->setContextMenuPolicy(Qt::CustomContextMenu);
      connect(e, &TColorButton::clicked, this, [this, slot] { EntryClick(slot); });
      connect(e, &QWidget::customContextMenuRequested, this,
              [this, e, slot](const QPoint& pos) { ShowEntryMenu(slot, e->mapToGlobal(pos)); });
      list.push_back(e);
    }
  }
  OrvantaHeader1HChange();
}

void TForm1::BuildLetterColumn() {
  Panel5 = ::BuildLetterColumn(centralWidget(), kLetterColumnWidth, kPageHeight, 0, 15,
                               LetterButtons, [this](int i) { LetterClick(i); });
}


void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  NewRecord1 = file->addAction(QStringLiteral("&New Record"), this, &TForm1::B_NewClick);
  LoadDatabase1 = file->addAction(QStringLiteral("&Load Database"));
  Print1 = file->addAction(QStringLiteral("&Print"));
  Exit1 = file->addAction(QStringLiteral("&Exit"), this, &QWidget::close);
  QMenu* search = bar->addMenu(QStringLiteral("&Search"));
  Find1 = search->addAction(QStringLiteral("&Find"), this, &TForm1::B_SearchClick);
  Options1 = bar->addAction(QStringLiteral("&Options"));
  QMenu* move = bar->addMenu(QStringLiteral("&Move"));
  First1 = move->addAction(QStringLiteral("&First"), this, &TForm1::B_FirstClick);
  PageUp1 = move->addAction(QStringLiteral("Page&Up"), this, &TForm1::B_PgUpClick);
  PageDown1 = move->addAction(QStringLiteral("Page&Down"), this, &TForm1::B_PgDnClick);
  Last1 = move->addAction(QStringLiteral("&Last"), this, &TForm1::B_LastClick);
  QMenu* advanced = bar->addMenu(QStringLiteral("&Advanced"));
  Export1 = advanced->addAction(QStringLiteral("&Export"));
  Import1 = advanced->addAction(QStringLiteral("&Import"));
  Password1 = advanced->addAction(QStringLiteral("&Password"));
  Maintenance1 = advanced->addAction(QStringLiteral("&Maintenance"));
  Filter1 = advanced->addAction(QStringLiteral("&Filter"));
  Sort1 = advanced->addAction(QStringLiteral("&Sort"), this, &TForm1::B_SortClick);
  Summary1 = advanced->addAction(QStringLiteral("S&ummary"));
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  HelpContents1 = help->addAction(QStringLiteral("&Help Contents"), [] { ShowHelpTopic(1); });
  About1 = help->addAction(QStringLiteral("&About"), this, &TForm1::B_AboutClick);
  for (QAction* a : {LoadDatabase1, Print1, Options1, Export1, Import1, Password1,
                     Maintenance1, Filter1, Summary1})
    a->setEnabled(false);
}

void TForm1::BuildPopupMenus() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  QuickView1 = PopupMenu1->addMenu(QStringLiteral("&Quick View"));
  ViewCopyBuffer1 = PopupMenu1->addMenu(QStringLiteral("&View Copy Buffer"));
  PopupMenu1->addSeparator();
  CopyRecord1 = PopupMenu1->addAction(QStringLiteral("&Copy Record"));
  PasteRecord1 = PopupMenu1->addAction(QStringLiteral("&Paste Record"));
  DeleteRecord1 = PopupMenu1->addAction(QStringLiteral("&Delete Record"),
                                        [this] { DeleteRecordClick(menuSlot_); });
  PrintRecord1 = PopupMenu1->addAction(QStringLiteral("P&rint Record"));
  PopupMenu1->addSeparator();
  EntryHelp1 = PopupMenu1->addAction(QStringLiteral("&Help"), [] { ShowHelpTopic(kEntryHelpContext); });
  // The copy buffer and printing arrive with their own subsystems.
  for (QAction* a : {CopyRecord1, PasteRecord1, PrintRecord1}) a->setEnabled(false);

  BuildFormMenu();
}

// ---------------------------------------------------------------- database

void TForm1::OpenDatabaseAndCaption() {
  databaseOpen_ = OpenDatabase(*tables_);
  if (!databaseOpen_) {
    // Nothing to show: the view closes itself once the loop runs.
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  SetDatabaseCaption();
  ApplyReadOnlyMode();
}

void TForm1::SetDatabaseCaption() { setWindowTitle(DatabaseCaption(tables_->Catalogue)); }

void TForm1::SaveViewState() { SaveSortAndHeader(*OrvantaHeader1); }

// ---------------------------------------------------------------- showing

TFormatedButton* TForm1::Entry(int slot) const {
  if (slot < 0 || slot >= kSpreadEntries) return nullptr;
  return slot < kPageEntries ? LeftEntries[static_cast<size_t>(slot)]
                             : RightEntries[static_cast<size_t>(slot - kPageEntries)];
}

void TForm1::Refresh() {
  if (!isVisible()) return;
  for (int s = 0; s < kSpreadEntries; ++s) Entry(s)->clearTexts();
  TDbTable& table = tables_->Records;
  if (table.Active()) {
    try {
      GoToPosition(table, static_cast<uint32_t>(spread_->TopRecord()));
      dbase::Table& t = table.Engine();
      // Which field each column shows, found once per refresh.
      std::vector<int> fields;
      const int first = AppSettings().FirstUserField;
      for (int i = 0; i < OrvantaHeader1->SectionCount(); ++i) {
        int field = -1;
        const QString caption = OrvantaHeader1->SectionCaption(i);
        for (int k = 0; k < Labels().size(); ++k)
          if (Labels()[k].compare(caption, Qt::CaseInsensitive) == 0) {
            field = first + k;
            break;
          }
        if (field >= static_cast<int>(t.fields().size())) field = -1;
        fields.push_back(field);
      }
      for (int s = 0; s < kSpreadEntries && !t.eof(); ++s) {
        TFormatedButton* e = Entry(s);
        for (size_t i = 0; i < fields.size(); ++i) {
          QString text = fields[i] < 0 ? QString() : FieldDisplayText(t, fields[i]);
          if (i > 0) text.prepend(QLatin1Char(' '));
          e->setText(static_cast<int>(i), text);
        }
        t.next();
      }
    } catch (const std::exception& e) {
      ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
    }
  }
  const TSpreadButtons b = spread_->Buttons();
  B_First->setEnabled(b.first);
  B_PgUp->setEnabled(b.pgUp);
  B_PgDn->setEnabled(b.pgDn);
  B_Last->setEnabled(b.last);
  First1->setEnabled(b.first);
  PageUp1->setEnabled(b.pgUp);
  PageDown1->setEnabled(b.pgDn);
  Last1->setEnabled(b.last);
  PgL_Lbl->setText(spread_->LeftPageNumber());
  PgR_Lbl->setText(spread_->RightPageNumber());
  FocusFirstEntry();
  if (spread_->TabsActive() && table.Active()) CountLetter(table, spread_->CurrentLetter());
}

void TForm1::FocusFirstEntry() {
  if (isActiveWindow() || QApplication::platformName() == QLatin1String("offscreen"))
    LeftEntries.front()->setFocus();
}

void TForm1::OrvantaHeader1HChange() {
  for (int s = 0; s < kSpreadEntries; ++s) {
    TFormatedButton* e = Entry(s);
    e->removeColumns();
    for (int i = 0; i < OrvantaHeader1->SectionCount(); ++i)
      e->addColumn(QString(), OrvantaHeader1->ColumnPercent(i));
  }
  Refresh();
}

void TForm1::showEvent(QShowEvent* event) {
  TMainView::showEvent(event);
  if (databaseOpen_) SetDatabaseCaption();
  ApplyDateFormat();
  StoreHooks().IndexChanged = [this] { IndexChanged(); };
  Refresh();
  ApplyReadOnlyMode();
}

void TForm1::changeEvent(QEvent* event) {
  TMainView::changeEvent(event);
  // Minimising the table of contents minimises the program.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && MainDlg())
    MainDlg()->showMinimized();
}

// ---------------------------------------------------------------- navigation

void TForm1::B_FirstClick() {
  if (spread_->First()) Refresh();
}

void TForm1::B_PgUpClick() {
  if (spread_->PgUp()) {
    SyncLetterButton();
    Refresh();
  }
}

void TForm1::B_PgDnClick() {
  if (spread_->PgDn()) {
    SyncLetterButton();
    Refresh();
  }
}

void TForm1::B_LastClick() {
  if (spread_->Last()) Refresh();
}

void TForm1::SyncLetterButton() {
  const int i = spread_->CurrentLetter() - 'A';
  if (!LetterButtons[static_cast<size_t>(i)]->selected())
    LetterButtons[static_cast<size_t>(i)]->setSelected(true);
  if (!spread_->LetterTabsEnabled()) ApplyLetterTabs();
}

void TForm1::SelectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') return;
  LetterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
  spread_->SelectLetter(letter);
  if (!spread_->LetterTabsEnabled()) ApplyLetterTabs();
  Refresh();
}

void TForm1::LetterClick(int index) { SelectLetter(static_cast<char>('A' + index)); }

void TForm1::ApplyLetterTabs() {
  const bool active = showLetters_ && spread_->TabsActive();
  if (active) spread_->SetTopRecord(0);
  Panel5->show();
  EnableLetterButtons(LetterButtons, active);
}

void TForm1::SetShowLetters(bool on) {
  showLetters_ = on;
  EnableLetterButtons(LetterButtons, on);
}

void TForm1::ColorLetterTab(int index) {
  if (index >= 0 && index < 26)
    ColorLetterButton(LetterButtons[static_cast<size_t>(index)], index);
}

void TForm1::IndexChanged() {
  if (LetterTabsActive()) CountLetters(tables_->Records);
  spread_->SetLetterTabsEnabled(true);
  for (int i = 0; i < 26; ++i) ColorLetterTab(i);
  ApplyLetterTabs();
  UpdateSortButtonLabels();
  SelectLetter('A');
}

// ---------------------------------------------------------------- sorting

void TForm1::UpdateSortButtonLabels() {
  const TIndex& s = SortState();
  const int first = AppSettings().FirstUserField;
  auto label = [&](int field, const QString& none) {
    const int k = field - first;
    if (field < first || k >= Labels().size()) return none;
    return Labels()[k];
  };
  SortButton1->setLabelsAndDirections(label(s.FirstField, QStringLiteral("Entry Order")),
                                      label(s.SecondField, QStringLiteral("NONE")),
                                      s.SecondDescending, s.FirstDescending);
}

void TForm1::SortButtonChoice(const TSortFields& fields) {
  TIndex& s = SortState();
  s.CommitSort();
  s.FirstField = static_cast<uint8_t>(fields.FirstField < 0 ? 0 : fields.FirstField);
  s.SecondField = static_cast<uint8_t>(fields.SecondField < 0 ? 0 : fields.SecondField);
  s.FirstDescending = fields.FirstDescending;
  s.SecondDescending = fields.SecondDescending;
  ApplyViewSort();
}

void TForm1::ApplyFilterState(int state) {
  // The records keep the marks of the last filter; the index follows them.
  TIndex& s = SortState();
  const bool wasFiltered = s.Filtered;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  s.Filtered = state != 0;
  AppSettings().FilterState = static_cast<uint8_t>(state);
  SortButton1->setFilterState(state);
  if (!ApplySort()) s.Filtered = wasFiltered;
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void TForm1::B_SortClick() {
  SortState().CommitSort();
  TSortDlg dlg(this);
  if (!ShuttingDown() && dlg.exec() == QDialog::Accepted) ApplyViewSort();
  FocusFirstEntry();
}

void TForm1::ApplyViewSort() {
  TIndex& s = SortState();
  if (!s.SortUnchanged()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    AppSettings().FilterState = 0;
    SortButton1->setFilterState(0);
    s.Filtered = false;
    if (!ApplySort())
      s.RevertSort();
    else if (TFindDlg* find = TFindDlg::Instance())
      find->Reset();
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    spread_->SetLetterTabsEnabled(true);
    ApplyLetterTabs();
  }
  UpdateSortButtonLabels();
  SelectLetter('A');
}

// ---------------------------------------------------------------- records

void TForm1::EntryClick(int slot) {
  if (!tables_->Records.Active()) {
    ShowMessage(MsgKind::Error, QStringLiteral("Database is not Open! Cannot display details."));
    return;
  }
  RecordPages->setWindowTitle(windowTitle());
  RecordPages->move(pos());
  RecordPages->OpenAt(spread_->CurrentLetter(), spread_->TabsActive() && showLetters_,
                      spread_->PositionOfSlot(slot));
  hide();
}

void TForm1::RecordPagesHidden(const QPoint& where, char letter, bool exitRequested) {
  move(where);
  if (exitRequested) {
    close();
    return;
  }
  SelectLetter(letter);
  show();
  if (TFindDlg* find = TFindDlg::Instance()) find->SetHooks(FindHooks());
}

void TForm1::B_NewClick() {
  if (IsReadOnlyDatabase()) return;
  EntryClick(static_cast<int>(::RecordCount(tables_->Records)) - spread_->TopRecord());
}

void TForm1::B_AboutClick() {
  TAboutBox box(this);
  box.exec();
  FocusFirstEntry();
}

void TForm1::SponsorBtnClick() { QDesktopServices::openUrl(QUrl(AppSettings().HomePageUrl)); }

void TForm1::DeleteRecordClick(int slot) {
  TDbTable& table = tables_->Records;
  if (slot < 0 || !table.Active() || IsReadOnlyDatabase()) return;
  dbase::Table& t = table.Engine();
  try {
    GoToPosition(table, static_cast<uint32_t>(spread_->PositionOfSlot(slot)));
  } catch (const std::exception&) {
  }
  if (t.eof()) {
    ShowMessage(MsgKind::Information, QStringLiteral("Empty Record cannot be Deleted."));
    return;
  }
  if (AppSettings().DeleteMode == 0 && !TDeleteDlg1::Confirm(this)) {
    ShowMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
    FocusFirstEntry();
    return;
  }
  try {
    t.edit();  // the lock: fails while another user edits the record
    const char letter = FirstLetter(table);
    t.deleteRecord();
    AdjustLetterCounts(letter, ' ');
  } catch (const std::exception&) {
    try {
      t.cancel();
    } catch (const std::exception&) {
    }
    ShowMessage(MsgKind::Error, QStringLiteral("Record in use - not Deleted!"));
  }
  Refresh();
}

void TForm1::ShowEntryMenu(int slot, const QPoint& globalPos) {
  PopupMenu1Popup(slot);
  PopupMenu1->popup(globalPos);
}

void TForm1::PopupMenu1Popup(int slot) {
  menuSlot_ = slot;
  QuickView1->clear();
  ViewCopyBuffer1->clear();
  QuickView1->setEnabled(false);
  ViewCopyBuffer1->setEnabled(false);
  TDbTable& table = tables_->Records;
  if (!table.Active()) return;
  const int32_t position = spread_->PositionOfSlot(slot);
  if (position < static_cast<int32_t>(::RecordCount(table))) {
    try {
      GoToPosition(table, static_cast<uint32_t>(position));
      const dbase::Table& t = table.Engine();
      for (int f = AppSettings().FirstUserField; f < static_cast<int>(t.fields().size()); ++f)
        QuickView1->addAction(QuickViewText(t, f));
      QuickView1->setEnabled(true);
    } catch (const std::exception&) {
      QuickView1->clear();
    }
  }
}

void TForm1::ApplyReadOnlyMode() {
  const bool ro = IsReadOnlyDatabase();
  DeleteRecord1->setEnabled(!ro);
  NewRecord1->setEnabled(!ro);
  B_New->setEnabled(!ro);
  // Copy, paste, import, export and maintenance are off until they exist.
}

// ---------------------------------------------------------------- layout

void TForm1::ApplyDateFormat() {
  // Dates are formatted on demand from DateFormat (see recordtext.h); a new
  // format shows at the next refresh.
}

void TForm1::ApplyLayout() {
  const TAppSettings& s = AppSettings();
  const bool bars = s.MenusAndSpeedBars != 1;
  menuBar()->setVisible(s.MenusAndSpeedBars != 2);
  Panel3->setVisible(bars && TabSet1->currentIndex() == 0);
  Panel4->setVisible(bars && TabSet1->currentIndex() == 1);
  TabSet1->setVisible(bars);
  SetHintsOn(AppSettings().HintMessages == 0);
  PositionPanels();
  Refresh();
}

void TForm1::PositionPanels() {
  const TAppSettings& s = AppSettings();
  const bool bars = s.MenusAndSpeedBars != 1;
  const QSize client = PlaceBookParts(
      {Panel1, Panel2, Panel5, Panel3, Panel4, TabSet1, kPageWidth, kPageHeight, kLetterColumnWidth,
       kSpeedBarHeight},
      bars ? kSpeedBarHeight + kTabSetHeight : 0, s.SpeedBarLocation == 0,
      s.LetterTabsLocation == 1);
  centralWidget()->setFixedSize(client);
  setFixedSize(client.width(),
               client.height() + (menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height()));
}


void TForm1::ApplyColors() {
  for (int s = 0; s < kSpreadEntries; ++s) {
    TFormatedButton* e = Entry(s);
    e->setBgndColor(ElementColor(1));
    e->setTextColor(ElementColor(0));
    e->setSelBgndColor(ElementColor(3));
    e->setSelTextColor(ElementColor(2));
  }
  for (int i = 0; i < 26; ++i) ColorLetterTab(i);
  for (QLabel* l : {TocLbl1, TocLbl2, PgL_Lbl, PgR_Lbl}) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, ElementColor(10));
    p.setColor(QPalette::Window, ElementColor(11));
    l->setPalette(p);
  }
  static_cast<TBookPage*>(Panel1)->color = ElementColor(12);
  static_cast<TBookPage*>(Panel2)->color = ElementColor(12);
  for (QFrame* bar : {Panel3, Panel4}) {
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, ElementColor(13));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    bar->setPalette(p);
  }
  QPalette p = centralWidget()->palette();
  p.setColor(QPalette::Window, ElementColor(14));
  centralWidget()->setPalette(p);
  Panel5->setAutoFillBackground(true);
  Panel5->setPalette(p);
  update();
}

// ---------------------------------------------------------------- menus and keys

void TForm1::SwitchToOneLevel() {
  AppSettings().BookModel = 0;
  SwitchingModel = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SaveViewState();
  SaveSessionState();
  QWidget* owner = parentWidget();
  close();
  TMainView* view = CreateMainView(0, owner);
  view->show();
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && !HintsOn()) return true;
  if (event->type() != QEvent::KeyPress) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != this || !isEnabled()) return false;
  // The key arrives once at the focus widget; its parents see it only when
  // nobody took it, and then we already looked.
  if (w != QApplication::focusWidget() && QApplication::focusWidget() &&
      QApplication::focusWidget()->window() == this)
    return false;
  return HandleKey(static_cast<QKeyEvent*>(event));
}

bool TForm1::HandleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  const int key = event->key();
  const QPoint origin = frameGeometry().topLeft();
  const int clientTop = mapToGlobal(centralWidget()->pos()).y();
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_PageUp: B_PgUpClick(); return true;
      case Qt::Key_PageDown: B_PgDnClick(); return true;
      case Qt::Key_End: B_LastClick(); return true;
      case Qt::Key_Home: B_FirstClick(); return true;
      case Qt::Key_G: SponsorBtnClick(); return true;
      default: break;
    }
  }
  if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
      if (spread_->TabsActive() && showLetters_) SelectLetter(static_cast<char>('A' + key - Qt::Key_A));
      return true;
    }
    return false;
  }
  if (mods != Qt::NoModifier) return false;
  switch (key) {
    case Qt::Key_F2: PopupMenu2->popup(origin + QPoint(50, 100)); return true;
    case Qt::Key_F3: {
      int slot = -1;
      for (int s = 0; s < kSpreadEntries; ++s)
        if (Entry(s)->hasFocus()) slot = s;
      if (slot < 0) {
        slot = 0;
        LeftEntries.front()->setFocus();
      }
      TFormatedButton* e = Entry(slot);
      const QWidget* page = e->parentWidget();
      ShowEntryMenu(slot, QPoint(page->x() + origin.x() + 50,
                                 clientTop + page->y() + e->y() + 10));
      return true;
    }
    case Qt::Key_F5:
      OrvantaHeader1->PopupMenu()->popup(
          QPoint(origin.x() + 50, clientTop + Panel1->y() + OrvantaHeader1->y() + 10));
      return true;
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8: {
      const int part = key - Qt::Key_F6;
      const QPoint at(origin.x() + 50 + part * SortButton1->width() / 3,
                      clientTop + Panel2->y() + SortButton1->y() + 10);
      if (part == 0) SortButton1->popupFirstMenu(at);
      if (part == 1) SortButton1->popupSecondMenu(at);
      if (part == 2) SortButton1->popupFilterMenu(at);
      return true;
    }
    default: return false;
  }
}

// ---------------------------------------------------------------- find

void TForm1::B_SearchClick() {
  if (!tables_->Records.Active()) return;
  TFindDlg::Open(this, tables_->Records, FindHooks());
}

TFindHooks TForm1::FindHooks() {
  TFindHooks h;
  h.BeforeFind = [this](bool forward) { return FindBeforeFind(forward); };
  h.AtRangeEnd = [this](bool forward) { return FindAtRangeEnd(forward); };
  h.OnFound = [this] { FindOnFound(); };
  h.OnNotFound = [this] { FindOnNotFound(); };
  h.BeforeFindAgain = [this] {
    FindOnNotFound();
    // The search moves the table's cursor: no paging meanwhile.
    setEnabled(false);
    return true;
  };
  h.BeforeMarkAll = [this] {
    setEnabled(false);
    return true;
  };
  h.AfterMarkAll = [this] { FindOnNotFound(); };
  return h;
}

bool TForm1::FindTabsActive() const { return spread_->TabsActive() && showLetters_; }

void TForm1::ReportFindLetter() {
  if (TFindDlg* find = TFindDlg::Instance())
    find->SetCurrentLetter(FindTabsActive() ? CurrentLetter() : 0);
}

bool TForm1::FindBeforeFind(bool forward) {
  searchLetter_ = CurrentLetter();
  const char start = forward ? 'A' : 'Z';
  if (FindTabsActive() && CurrentLetter() != start) SelectLetter(start);
  ReportFindLetter();
  setEnabled(false);
  return true;
}

bool TForm1::FindAtRangeEnd(bool forward) {
  if (!FindTabsActive()) return true;
  for (char c = CurrentLetter();;) {
    c = static_cast<char>(c + (forward ? 1 : -1));
    if (c < 'A' || c > 'Z') {
      ReportFindLetter();
      return true;
    }
    SelectLetter(c);
    if (::RecordCount(tables_->Records) > 0) {
      ReportFindLetter();
      return false;
    }
  }
}

void TForm1::FindOnFound() {
  setEnabled(true);
  TFindDlg* find = TFindDlg::Instance();
  const int32_t position = find ? find->Search().LastFoundPosition() : 0;
  searchLetter_ = CurrentLetter();
  if (!RecordPages || !tables_->Records.Active() || !find) {
    spread_->SetTopRecord(position - position % kSpreadEntries);
    Refresh();
    if (TFormatedButton* e = Entry(position % kSpreadEntries)) e->setFocus();
    return;
  }
  // The found record opens on the record pages, which take the search over.
  const int field = find->Search().CurrentField() - AppSettings().FirstUserField;
  const TMemoMatch& memo = find->Search().MemoMatch();
  RecordPages->setWindowTitle(windowTitle());
  RecordPages->move(pos());
  RecordPages->OpenAt(CurrentLetter(), spread_->TabsActive() && showLetters_, position);
  hide();
  RecordPages->ShowFindHit(field, static_cast<int>(memo.offset), static_cast<int>(memo.length));
  find->SetHooks(PagesFindHooks());
}

TFindHooks TForm1::PagesFindHooks() {
  TFindHooks h;
  h.BeforeFind = [this](bool) { return RecordPages->FindBeforeFind(); };
  h.AtRangeEnd = [this](bool forward) { return FindAtRangeEnd(forward); };
  h.OnFound = [this] {
    TFindDlg* find = TFindDlg::Instance();
    if (!find) return;
    const TMemoMatch& memo = find->Search().MemoMatch();
    RecordPages->FindOnFound(find->Search().CurrentLetter(), find->Search().LastFoundPosition(),
                             find->Search().CurrentField() - AppSettings().FirstUserField,
                             static_cast<int>(memo.offset), static_cast<int>(memo.length));
    searchLetter_ = find->Search().CurrentLetter();
  };
  h.OnNotFound = [this] { RecordPages->FindOnNotFound(searchLetter_); };
  h.BeforeFindAgain = [this] { return RecordPages->FindBeforeFindAgain(searchLetter_); };
  // A non-stop search closes the pages; the contents show its result.
  h.BeforeMarkAll = [this] {
    if (!RecordPages->FindBeforeMarkAll(true)) return false;
    setEnabled(false);
    return true;
  };
  h.AfterMarkAll = [this] { FindOnNotFound(); };
  return h;
}

bool TForm1::FindOnNotFound() {
  setEnabled(true);
  TFindDlg* find = TFindDlg::Instance();
  if (find && find->NonStop())
    ApplyFilterState(find->FoundCount() > 0 ? 1 : 0);
  else if (FindTabsActive() && CurrentLetter() != searchLetter_)
    SelectLetter(searchLetter_);
  return true;
}

void TForm1::SetLetterTabs(int value) {
  AppSettings().LetterTabs = static_cast<uint16_t>(value);
  SortState().CommitSort();
  if (LetterTabsActive()) CountLetters(tables_->Records);
  spread_->SetLetterTabsEnabled(true);
  ApplyLetterTabs();
  ApplyViewSort();
}
