#include "form3.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "aboutbox.h"
#include "bookpage.h"
#include "colorbutton.h"
#include "database.h"
#include "deletedlg1.h"
#include "finddlg.h"
#include "formatedbutton.h"
#include "gui/maindlg.h"
#include "labels.h"
#include "letters.h"
#include "orvantaheader.h"
#include "pageeditors.h"
#include "prompt.h"
#include "qtprompter.h"
#include "recordpage.h"
#include "recordstep.h"
#include "recordtable.h"
#include "recordtext.h"
#include "sortbutton.h"
#include "sortdlg.h"
#include "sortstate.h"
#include "storehooks.h"
#include "tablelisting.h"
#include "viewcolors.h"

namespace {

constexpr int kSortTop = 3;
constexpr int kHeaderTop = 25;
constexpr int kHeaderHeight = 20;
constexpr int kEntryHeight = 23;
constexpr int kSpeedBarHeight = 46;
constexpr int kTabSetHeight = 22;
constexpr int kPageButtonsTop = 392;

const QString kEntryHint = QStringLiteral("Left Click - Details; Right Click - Menu");
const QString kDiscardQuestion = QStringLiteral(
    "\rDo you want to continue anyway?\r(If you answer Yes changes to the current record will be "
    "discarded.)");

QPushButton* PageButton(QWidget* page, const char* name, const QString& text, const char* hint) {
  auto* b = new QPushButton(text, page);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromLatin1(hint));
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

bool Editing(const dbase::Table& t) {
  return t.state() == dbase::Table::State::Edit || t.state() == dbase::Table::State::Insert;
}

void CancelQuietly(TDbTable& table) {
  try {
    if (table.Active() && Editing(table.Engine())) table.Engine().cancel();
  } catch (const std::exception&) {
  }
}

struct TBusy {
  TBusy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusy() {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  }
};

}  // namespace

TForm3::TForm3(QWidget* parent) : TMainView(parent) {
  setObjectName(QStringLiteral("Form3"));
  setToolTip(QStringLiteral("Use Right Mouse Button To Display Popup Menus"));
  tables_ = std::make_unique<TStoreTables>();
  listing_ = std::make_unique<TTableListing>(tables_->Records);
  spread_ = std::make_unique<TSpreadModel>(*listing_, kPageEntries);
  recordCursor_ = std::make_unique<TDbTable>();
  SortState().Table = &tables_->Records;

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Client"));
  central->setAutoFillBackground(true);
  setCentralWidget(central);

  BuildLeftPage();
  BuildRightPage();
  BuildLetterColumn();
  BuildSpeedBars(centralWidget(), kSpeedBarHeight, 72, 84);
  BuildMenus();
  BuildPopupMenus();

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
    move(std::max(0, screen->availableGeometry().width() - frameGeometry().width()), 1);
}

TForm3::~TForm3() {
  qApp->removeEventFilter(this);
  TFindDlg::ViewClosing(this);
  ReleaseCurrent();
  recordCursor_->Close();
  // After a switch of book model the other view owns the hooks already.
  if (CurrentView() == this) {
    StoreHooks().IndexChanged = nullptr;
    StoreHooks().RecolourTab = nullptr;
  }
  if (SortState().Table == &tables_->Records) SortState().Table = nullptr;
}

// ---------------------------------------------------------------- building

void TForm3::BuildLeftPage() {
  Panel1 = new TBookPage(centralWidget(), true);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->resize(kPageWidth, kPageHeight);
  const int inner = 10;
  const int width = kPageWidth - 36;

  SortButton1 = new TSortButton(Panel1);
  SortButton1->setObjectName(QStringLiteral("SortButton1"));
  SortButton1->setGeometry(inner, kSortTop + 3, width, kHeaderHeight);
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
  connect(SortButton1, &TSortButton::clicked, this, &TForm3::B_SortClick);
  connect(SortButton1, &TSortButton::sortByClick, this, &TForm3::SortButtonChoice);
  connect(SortButton1, &TSortButton::filterMenuClick, this, &TForm3::ApplyFilterState);
  connect(SortButton1, &TSortButton::sort1MenuClick, this, &TForm3::SortButtonChoice);
  connect(SortButton1, &TSortButton::sort2MenuClick, this, &TForm3::SortButtonChoice);

  OrvantaHeader1 = new TOrvantaHeader(Panel1);
  OrvantaHeader1->setObjectName(QStringLiteral("OrvantaHeader1"));
  OrvantaHeader1->setGeometry(inner, kHeaderTop + 3, width, kHeaderHeight);
  OrvantaHeader1->setToolTip(QStringLiteral("Left Click - Change Order;  Right Click - Menu"));
  connect(OrvantaHeader1, &TOrvantaHeader::OnHChange, this, [this] { OrvantaHeader1HChange(); });

  B_First = PageButton(Panel1, "B_First", QString(), "GoTo First Page [Ctrl+Home]");
  B_PgUp = PageButton(Panel1, "B_PgUp", QString(), "GoTo Previous Page [Ctrl+PgUp]");
  B_PgDn = PageButton(Panel1, "B_PgDn", QString(), "GoTo Next Page [Ctrl+PgDn]");
  B_Last = PageButton(Panel1, "B_Last", QString(), "GoTo Last Page [Ctrl+End]");
  B_First->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
  B_PgUp->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
  B_PgDn->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
  B_Last->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
  SponsorBtn = PageButton(Panel1, "SponsorBtn", QString(), "Go To Tomekeeper Home Page [Ctrl+G]");
  SponsorBtn->setIcon(QIcon(ProgramPixmap()));
  SponsorBtn->setIconSize(QSize(24, 24));
  SponsorBtn->setFlat(true);
  const int b = 50;
  const int mid = inner + width / 2;
  B_First->setGeometry(inner + 2, kPageButtonsTop + 4, b, 24);
  B_PgUp->setGeometry(inner + 4 + b, kPageButtonsTop + 4, b, 24);
  SponsorBtn->setGeometry(mid - 15, kPageButtonsTop + 1, 30, 30);
  B_PgDn->setGeometry(inner + width - 4 - 2 * b, kPageButtonsTop + 4, b, 24);
  B_Last->setGeometry(inner + width - 2 - b, kPageButtonsTop + 4, b, 24);
  connect(B_First, &QPushButton::clicked, this, &TForm3::B_FirstClick);
  connect(B_PgUp, &QPushButton::clicked, this, &TForm3::B_PgUpClick);
  connect(B_PgDn, &QPushButton::clicked, this, &TForm3::B_PgDnClick);
  connect(B_Last, &QPushButton::clicked, this, &TForm3::B_LastClick);
  connect(SponsorBtn, &QPushButton::clicked, this,
          [] { QDesktopServices::openUrl(QUrl(AppSettings().HomePageUrl)); });
}

void TForm3::BuildEntries() {
  const int top0 = kHeaderTop + 3 + kHeaderHeight + 8;
  for (int i = 0; i < kPageEntries; ++i) {
    auto* e = new TFormatedButton(Panel1);
    e->setObjectName(QStringLiteral("Entry%1").arg(i));
    e->setProperty("Tag", i);
    e->setGeometry(10, top0 + i * (kEntryHeight + 4), kPageWidth - 36, kEntryHeight + 2);
    e->setToolTip(kEntryHint);
    e->setTabStop(true);
    e->setStayDown(true);
    e->setGap(0);
    e->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(e, &TColorButton::clicked, this, [this, i] { EntryClick(i); });
    connect(e, &QWidget::customContextMenuRequested, this,
            [this, e, i](const QPoint& pos) { ShowEntryMenu(i, e->mapToGlobal(pos)); });
    Entries.push_back(e);
  }
  OrvantaHeader1HChange();
}

void TForm3::BuildRightPage() {
  PgRight = new TRecordPage(centralWidget(), QStringLiteral("L"));
  PgRight->setObjectName(QStringLiteral("PgRight"));
  connect(PgRight->B_RDelete, &QToolButton::clicked, this, &TForm3::B_RDeleteClick);
  connect(PgRight->B_RCopy, &QToolButton::clicked, this, &TForm3::B_RCopyClick);
  connect(PgRight->B_RPaste, &QToolButton::clicked, this, &TForm3::B_RPasteClick);
  connect(PgRight->B_RUndo, &QToolButton::clicked, this, &TForm3::B_RUndoClick);
  connect(PgRight->B_Prev, &QToolButton::clicked, this, &TForm3::B_PrevClick);
  connect(PgRight->B_Next, &QToolButton::clicked, this, &TForm3::B_NextClick);
  connect(PgRight->B_RSynchro, &QToolButton::clicked, this, &TForm3::B_RSynchroClick);
  // Printing comes with the report subsystem.
  PgRight->B_RPrint->setEnabled(false);
  if (Labels().isEmpty())
    for (const TFieldDesign& d : FieldDesigns()) Labels() << QString::fromLatin1(d.caption);
}

void TForm3::BuildLetterColumn() {
  Panel5 = ::BuildLetterColumn(centralWidget(), kLetterColumnWidth, kPageHeight, (kPageHeight - 26 * 16) / 2, 16,
                               LetterButtons, [this](int i) { LetterClick(i); });
}


void TForm3::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  NewRecord1 = file->addAction(QStringLiteral("&New Record"), this, &TForm3::B_NewClick);
  QAction* load = file->addAction(QStringLiteral("&Load Database"));
  QAction* print = file->addAction(QStringLiteral("&Print"));
  file->addAction(QStringLiteral("&Exit"), this, &QWidget::close);
  QMenu* search = bar->addMenu(QStringLiteral("&Search"));
  search->addAction(QStringLiteral("&Find"), this, &TForm3::B_SearchClick);
  QAction* options = bar->addAction(QStringLiteral("&Options"));
  QMenu* move = bar->addMenu(QStringLiteral("&Move"));
  First1 = move->addAction(QStringLiteral("&First"), this, &TForm3::B_FirstClick);
  PageUp1 = move->addAction(QStringLiteral("Page&Up"), this, &TForm3::B_PgUpClick);
  PageDown1 = move->addAction(QStringLiteral("Page&Down"), this, &TForm3::B_PgDnClick);
  Last1 = move->addAction(QStringLiteral("&Last"), this, &TForm3::B_LastClick);
  Previous1 = move->addAction(QStringLiteral("&Previous"), this, &TForm3::B_PrevClick);
  Next1 = move->addAction(QStringLiteral("&Next"), this, &TForm3::B_NextClick);
  QMenu* advanced = bar->addMenu(QStringLiteral("&Advanced"));
  QAction* exportItem = advanced->addAction(QStringLiteral("&Export"));
  QAction* importItem = advanced->addAction(QStringLiteral("&Import"));
  QAction* password = advanced->addAction(QStringLiteral("&Password"));
  QAction* maintenance = advanced->addAction(QStringLiteral("&Maintenance"));
  QAction* filter = advanced->addAction(QStringLiteral("&Filter"));
  advanced->addAction(QStringLiteral("&Sort"), this, &TForm3::B_SortClick);
  QAction* summary = advanced->addAction(QStringLiteral("S&ummary"));
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  help->addAction(QStringLiteral("&Help Contents"), [] { ShowHelpTopic(1); });
  help->addAction(QStringLiteral("&About"), this, [this] { B_About->click(); });
  for (QAction* a :
       {load, print, options, exportItem, importItem, password, maintenance, filter, summary})
    a->setEnabled(false);
}

void TForm3::BuildPopupMenus() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  QuickView1 = PopupMenu1->addMenu(QStringLiteral("&Quick View"));
  ViewCopyBuffer1 = PopupMenu1->addMenu(QStringLiteral("&View Copy Buffer"));
  PopupMenu1->addSeparator();
  CopyRecord1 =
      PopupMenu1->addAction(QStringLiteral("&Copy Record"), [this] { CopyRecordClick(menuSlot_); });
  PasteRecord1 = PopupMenu1->addAction(QStringLiteral("&Paste Record"),
                                       [this] { PasteRecordClick(menuSlot_); });
  DeleteRecord1 = PopupMenu1->addAction(QStringLiteral("&Delete Record"),
                                        [this] { DeleteRecordClick(menuSlot_); });
  PrintRecord1 = PopupMenu1->addAction(QStringLiteral("P&rint Record"));
  PrintRecord1->setEnabled(false);  // printing arrives with its subsystem
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(QStringLiteral("&Help"), [] { ShowHelpTopic(kEntryHelpContext); });

  BuildFormMenu();

  PopupMenu3 = new QMenu(this);
  PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
  ViewCopyBuffer3 = PopupMenu3->addMenu(QStringLiteral("&View Copy Buffer"));
  PopupMenu3->addSeparator();
  PasteRecord3 =
      PopupMenu3->addAction(QStringLiteral("&Paste Record"), this, &TForm3::B_RPasteClick);
  CopyRecord3 = PopupMenu3->addAction(QStringLiteral("&Copy Record"), this, &TForm3::B_RCopyClick);
  UndoChanges3 =
      PopupMenu3->addAction(QStringLiteral("&Undo Changes"), this, &TForm3::B_RUndoClick);
  DeleteRecord3 =
      PopupMenu3->addAction(QStringLiteral("&Delete Record"), this, &TForm3::B_RDeleteClick);
  PrintRecord3 = PopupMenu3->addAction(QStringLiteral("P&rint Record"));
  PrintRecord3->setEnabled(false);
  Synchronize3 =
      PopupMenu3->addAction(QStringLiteral("S&ynchronize"), this, &TForm3::B_RSynchroClick);
  PopupMenu3->addSeparator();
  PopupMenu3->addAction(QStringLiteral("&Help"), [] { ShowHelpTopic(31); });
  connect(PopupMenu3, &QMenu::aboutToShow, this, &TForm3::PopupMenu3Popup);
  PgRight->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(PgRight, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu3->popup(PgRight->mapToGlobal(at)); });
}

// ---------------------------------------------------------------- database

void TForm3::OpenDatabaseAndCaption() {
  databaseOpen_ = OpenDatabase(*tables_);
  if (!databaseOpen_) {
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  SetDatabaseCaption();
}

void TForm3::SetDatabaseCaption() { setWindowTitle(DatabaseCaption(tables_->Catalogue)); }

void TForm3::SaveViewState() { SaveSortAndHeader(*OrvantaHeader1); }

bool TForm3::OpenRecordCursor() {
  TDbTable& records = tables_->Records;
  if (!records.Active()) return false;
  if (recordCursor_->Active()) return true;
  recordCursor_->DatabaseName = records.DatabaseName;
  recordCursor_->TableName = records.TableName;
  recordCursor_->Exclusive = false;
  recordCursor_->IndexName.clear();
  try {
    recordCursor_->Open();
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
    return false;
  }
  return true;
}

void TForm3::ReleaseCurrent() { CancelQuietly(*recordCursor_); }

int32_t TForm3::Count() {
  TDbTable& records = tables_->Records;
  if (!records.Active()) return 0;
  try {
    return static_cast<int32_t>(::RecordCount(records));
  } catch (const std::exception&) {
    return 0;
  }
}

int32_t TForm3::UseLetter(char letter) {
  TDbTable& records = tables_->Records;
  if (spread_->TabsActive() && showLetters_ && records.Active()) {
    try {
      SetLetterRange(records, letter);
    } catch (const std::exception&) {
    }
  }
  return Count();
}

// ---------------------------------------------------------------- the current record

bool TForm3::MakeCurrent(int32_t position, bool saved) {
  if (!tables_->Records.Active()) {
    ShowMessage(MsgKind::Error, QStringLiteral("Database is not Open! Cannot display details."));
    return false;
  }
  if (loaded_ && !saved) {
    TDbTable& records = tables_->Records;
    const int32_t before = Count();
    uint32_t wanted = 0;  // the requested record, when it is a stored one
    try {
      if (position < before) {
        GoToPosition(records, static_cast<uint32_t>(position));
        if (!records.Engine().eof()) wanted = records.Engine().recNo();
      }
    } catch (const std::exception&) {
    }
    if (!SaveCurrent()) {
      Refresh();
      return false;
    }
    if (wanted == 0) {
      if (Count() > before) ++position;
    } else {
      // The saved record can only have moved across the requested one.
      try {
        for (const int32_t p : {position, position - 1, position + 1}) {
          if (p < 0) continue;
          GoToPosition(records, static_cast<uint32_t>(p));
          if (!records.Engine().eof() && records.Engine().recNo() == wanted) {
            position = p;
            break;
          }
        }
      } catch (const std::exception&) {
      }
    }
  }
  LoadCurrent(position);
  Refresh();
  return true;
}

void TForm3::LoadCurrent(int32_t position, char letter) {
  ReleaseCurrent();
  TDbTable& records = tables_->Records;
  const bool ro = IsReadOnlyDatabase();
  CurrentNew = CurrentInUse = false;
  CurrentRecordLetter = 0;
  CurrentNumber = -1;
  PgRight->Clear();
  if (position < 0) position = 0;
  positionLetter_ = letter ? letter : spread_->CurrentLetter();
  try {
    letterCount_ = Count();
    if (position < letterCount_) GoToPosition(records, static_cast<uint32_t>(position));
    if (position >= letterCount_ || records.Engine().eof()) {
      CurrentNew = true;
    } else {
      const uint32_t recNo = records.Engine().recNo();
      const bool cursorOpen = OpenRecordCursor();
      dbase::Table& cursor = recordCursor_->Engine();
      TDbTable& source = cursorOpen ? *recordCursor_ : records;
      if (cursorOpen) {
        cursor.goToRecord(recNo);
        if (!ro) {
          try {
            cursor.edit();
          } catch (const dbase::Error&) {
            CurrentInUse = true;
          }
        }
      } else {
        CurrentInUse = true;  // nothing to hold the lock with
      }
      bool memoFailed = false;
      PgRight->Fill(ReadPage(source.Engine(), &memoFailed));
      if (memoFailed)
        ShowMessage(MsgKind::Error, CorruptMemoText(source.Engine()), MsgButtons::OkHelp, 62);
      CurrentNumber = static_cast<int32_t>(source.Engine().asInteger(0));
      if (FirstSortFieldIsText()) CurrentRecordLetter = FirstLetter(source);
    }
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  CurrentPosition = position + 1;
  loaded_ = true;
  PgRight->ReformatDates();
  ShowCurrentState();
}

void TForm3::ShowCurrentState() {
  const bool ro = IsReadOnlyDatabase();
  PgRight->PgR_Lbl->setText(CurrentNew ? QString() : QString::number(CurrentPosition).left(6));
  QString status;
  if (CurrentNew)
    status = QStringLiteral("New Record");
  else if (ro)
    status = QStringLiteral("Read Only Access");
  else if (CurrentInUse)
    status = QStringLiteral("Read Only Access - Record In Use");
  else
    status = QStringLiteral("Read/Write Access");
  PgRight->RStatus->setText(status);
  ApplyAccess();
}

void TForm3::ApplyAccess() {
  const bool ro = IsReadOnlyDatabase();
  const bool on = !ro && !CurrentInUse;
  const bool full = AppSettings().CopyBufferFull;
  PgRight->SetEditorsEnabled(on);
  PgRight->B_RUndo->setEnabled(on);
  PgRight->B_RDelete->setEnabled(on);
  PgRight->B_RPaste->setEnabled(on && full);
  PgRight->B_RCopy->setEnabled(!ro);
  PgRight->B_RSynchro->setEnabled(!CurrentNew);
  PasteRecord1->setEnabled(!ro && full);
  CopyRecord1->setEnabled(!ro);
  DeleteRecord1->setEnabled(!ro);
  B_New->setEnabled(!ro);
  NewRecord1->setEnabled(!ro);

  bool prev = true, next = true;
  const bool tabs = spread_->TabsActive() && showLetters_;
  if (ro && Count() == 0) {
    prev = next = false;
  } else if (!CurrentNew) {
    if (tabs) {
      prev = HasPreviousRecord(LetterCounts(), positionLetter_, CurrentPosition);
      next = HasNextRecord(LetterCounts(), positionLetter_, CurrentPosition, letterCount_);
    } else {
      prev = CurrentPosition != 1;
      next = CurrentPosition < letterCount_;
    }
  }
  PgRight->B_Prev->setEnabled(prev);
  PgRight->B_Next->setEnabled(next);
  Previous1->setEnabled(prev);
  Next1->setEnabled(next);
}

bool TForm3::SaveCurrent() {
  TDbTable& records = tables_->Records;
  if (!loaded_ || !records.Active()) return true;
  if (IsReadOnlyDatabase() || CurrentInUse) return true;
  const TPageValues v = PgRight->Values();
  if (PageIsEmpty(v)) {
    // A new empty page is never stored; a cleared record keeps its values.
    ReleaseCurrent();
    return true;
  }
  const QString bad = PageInputProblems(v, records.Engine(), PgRight->LabelTexts());
  if (!bad.isEmpty() || !PagePassesRequired(v)) {
    const bool leave =
        AskYesNo(MsgKind::Warning,
                 (bad.isEmpty() ? AppSettings().FirstFieldEmptyMsg : bad) + kDiscardQuestion);
    if (leave) ReleaseCurrent();
    return leave;
  }
  if (!OpenRecordCursor()) return true;
  dbase::Table& cursor = recordCursor_->Engine();
  bool ok = true;
  bool memoFailed = false;
  try {
    if (CurrentNew) {
      CancelQuietly(*recordCursor_);
      cursor.append();
    } else if (!Editing(cursor)) {
      // The lock went with an earlier save: take it again.
      cursor.edit();
    }
    char letter = CurrentNew ? 0 : CurrentRecordLetter;
    ok = PostPage(*recordCursor_, &tables_->Catalogue, v, &letter, &memoFailed);
    if (ok) {
      CurrentNew = false;
      CurrentRecordLetter = letter;
      CurrentNumber = static_cast<int32_t>(cursor.asInteger(0));
    }
  } catch (const std::exception&) {
    CancelQuietly(*recordCursor_);
    ok = false;
  }
  if (memoFailed) ShowMessage(MsgKind::Error, CorruptMemoText(cursor), MsgButtons::OkHelp, 62);
  if (!ok)
    return AskYesNo(MsgKind::Warning,
                    QStringLiteral("Could not Update the record!") + kDiscardQuestion);
  return true;
}

void TForm3::B_AboutClick() {
  TAboutBox box(this);
  box.exec();
  FocusEntry();
}

void TForm3::B_NewClick() {
  if (IsReadOnlyDatabase() || !tables_->Records.Active()) return;
  if (!MakeCurrent(Count())) return;
  if (!CurrentInUse) PgRight->FocusFirstEditor();
}

void TForm3::B_PrevClick() { Step(-1); }
void TForm3::B_NextClick() { Step(1); }

void TForm3::Step(int direction) {
  if (!loaded_ || !tables_->Records.Active() || !SaveCurrent()) return;
  const bool tabs = spread_->TabsActive() && showLetters_;
  if (!tabs) {
    const int32_t count = Count();
    int32_t p = direction < 0 ? CurrentPosition - 2 : std::min(CurrentPosition, count - 1);
    if (p < 0) p = 0;
    LoadCurrent(p);
    Refresh();
    return;
  }
  const char letter = positionLetter_;
  const char left = spread_->CurrentLetter();
  const int32_t count = UseLetter(letter);
  const TRecordTarget target = direction < 0
                                   ? PreviousRecord(LetterCounts(), letter, CurrentPosition, count)
                                   : NextRecord(LetterCounts(), letter, CurrentPosition, count);
  if (target.valid) {
    // Only the cursors move to the target letter; the left page stays.
    const int32_t targetCount = UseLetter(target.letter);
    const int32_t p = target.position < 0 ? std::max(targetCount - 1, 0) : target.position;
    LoadCurrent(p, target.letter);
  }
  UseLetter(left);
  ShowCurrentState();
  Refresh();
}

void TForm3::B_RSynchroClick() {
  if (!loaded_ || CurrentNew || !SaveCurrent()) return;
  TBusy busy;
  const bool tabs = spread_->TabsActive() && showLetters_;
  if (tabs && CurrentRecordLetter >= 'A' && CurrentRecordLetter <= 'Z' &&
      CurrentRecordLetter != spread_->CurrentLetter()) {
    LetterButtons[static_cast<size_t>(CurrentRecordLetter - 'A')]->setSelected(true);
    spread_->SelectLetter(CurrentRecordLetter);
  }
  int32_t a = 0;
  try {
    TDbTable& records = tables_->Records;
    dbase::Table& t = records.Engine();
    for (t.first(); !t.eof() && t.asInteger(0) != CurrentNumber; t.next()) ++a;
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  spread_->SetTopRecord(kPageEntries * (a / kPageEntries));
  LoadCurrent(a);
  Refresh();
}

void TForm3::B_RDeleteClick() {
  if (IsReadOnlyDatabase() || CurrentInUse || !loaded_ || PgRight->IsEmpty()) return;
  if (AppSettings().DeleteMode == 0 && !TDeleteDlg1::Confirm(this)) {
    ShowMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
    return;
  }
  if (CurrentNew) {
    PgRight->Clear();
    return;
  }
  try {
    dbase::Table& cursor = recordCursor_->Engine();
    if (!Editing(cursor)) cursor.edit();
    const char letter = FirstLetter(*recordCursor_);
    cursor.deleteRecord();
    if (FirstSortFieldIsText()) AdjustLetterCounts(letter, 0);
  } catch (const std::exception&) {
    CancelQuietly(*recordCursor_);
    ShowMessage(MsgKind::Error, QStringLiteral("Record in use - not Deleted!"));
    return;
  }
  // The record that now stands at the deleted one's place.
  const char left = spread_->CurrentLetter();
  const char letter = positionLetter_;
  UseLetter(letter);
  LoadCurrent(CurrentPosition - 1, letter);
  UseLetter(left);
  ShowCurrentState();
  Refresh();
}

void TForm3::B_RCopyClick() {
  if (IsReadOnlyDatabase() || !loaded_) return;
  const TPageValues v = PgRight->Values();
  if (PageIsEmpty(v)) {
    ShowMessage(MsgKind::Warning, QStringLiteral("Empty Record - Not Copied!"));
    return;
  }
  if (StoreInCopyBuffer(tables_->Copy, v)) ApplyAccess();
}

void TForm3::B_RPasteClick() {
  TDbTable& copy = tables_->Copy;
  if (!AppSettings().CopyBufferFull || !copy.Active() || CurrentInUse || IsReadOnlyDatabase())
    return;
  try {
    dbase::Table& t = copy.Engine();
    t.first();
    if (t.eof()) return;
    bool memoFailed = false;
    PgRight->Fill(ReadPage(t, &memoFailed));
    if (memoFailed) ShowMessage(MsgKind::Error, CorruptMemoText(t), MsgButtons::OkHelp, 62);
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
}

void TForm3::B_RUndoClick() {
  if (!loaded_ || CurrentInUse) return;
  if (CurrentNew || !recordCursor_->Active()) {
    PgRight->Clear();
    return;
  }
  const dbase::Table& source = recordCursor_->Engine();
  bool memoFailed = false;
  try {
    PgRight->Fill(ReadPage(source, &memoFailed));
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  if (memoFailed) ShowMessage(MsgKind::Error, CorruptMemoText(source), MsgButtons::OkHelp, 62);
}

// ---------------------------------------------------------------- the left page

void TForm3::Refresh() {
  if (!isVisible()) return;
  for (TFormatedButton* e : Entries) e->clearTexts();
  CurrentEntry = -1;
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
      for (int s = 0; s < kPageEntries && !t.eof(); ++s) {
        TFormatedButton* e = Entries[static_cast<size_t>(s)];
        for (size_t i = 0; i < fields.size(); ++i) {
          QString text = fields[i] < 0 ? QString() : FieldDisplayText(t, fields[i]);
          if (i > 0) text.prepend(QLatin1Char(' '));
          e->setText(static_cast<int>(i), text);
        }
        if (!CurrentNew && loaded_ && t.asInteger(0) == CurrentNumber) CurrentEntry = s;
        t.next();
      }
    } catch (const std::exception& e) {
      ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
    }
  }
  if (CurrentEntry >= 0) {
    ClickedEntry = CurrentEntry;
    Entries[static_cast<size_t>(CurrentEntry)]->setSelected(true);
  } else {
    for (TFormatedButton* e : Entries)
      if (e->selected()) e->setSelected(false);
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
  FocusEntry();
  if (spread_->TabsActive() && table.Active()) CountLetter(table, spread_->CurrentLetter());
}

void TForm3::FocusEntry() {
  if (!isActiveWindow() && QApplication::platformName() != QLatin1String("offscreen")) return;
  Entries[static_cast<size_t>(CurrentEntry >= 0 ? CurrentEntry : 0)]->setFocus();
}

void TForm3::OrvantaHeader1HChange() {
  for (TFormatedButton* e : Entries) {
    e->removeColumns();
    for (int i = 0; i < OrvantaHeader1->SectionCount(); ++i)
      e->addColumn(QString(), OrvantaHeader1->ColumnPercent(i));
  }
  Refresh();
}

void TForm3::B_FirstClick() {
  if (spread_->First()) Refresh();
}

void TForm3::B_PgUpClick() {
  if (spread_->PgUp()) AfterEntryChange();
}

void TForm3::B_PgDnClick() {
  if (spread_->PgDn()) AfterEntryChange();
}

void TForm3::B_LastClick() {
  if (spread_->Last()) Refresh();
}

void TForm3::AfterEntryChange() {
  SyncLetterButton();
  Refresh();
}

void TForm3::SyncLetterButton() {
  const int i = spread_->CurrentLetter() - 'A';
  if (!LetterButtons[static_cast<size_t>(i)]->selected())
    LetterButtons[static_cast<size_t>(i)]->setSelected(true);
  if (!spread_->LetterTabsEnabled()) ApplyLetterTabs();
}

void TForm3::SelectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') return;
  LetterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
  spread_->SelectLetter(letter);
  if (!spread_->LetterTabsEnabled()) ApplyLetterTabs();
  Refresh();
}

void TForm3::LetterClick(int index) { SelectLetter(static_cast<char>('A' + index)); }

void TForm3::ApplyLetterTabs() {
  const bool active = showLetters_ && spread_->TabsActive();
  if (active) spread_->SetTopRecord(0);
  Panel5->show();
  EnableLetterButtons(LetterButtons, active);
}

void TForm3::ColorLetterTab(int index) {
  if (index >= 0 && index < 26)
    ColorLetterButton(LetterButtons[static_cast<size_t>(index)], index);
}

void TForm3::IndexChanged() {
  if (LetterTabsActive()) CountLetters(tables_->Records);
  spread_->SetLetterTabsEnabled(true);
  for (int i = 0; i < 26; ++i) ColorLetterTab(i);
  ApplyLetterTabs();
  UpdateSortButtonLabels();
  SelectLetter('A');
  // The old position means nothing in the new order.
  if (loaded_) {
    LoadCurrent(0);
    Refresh();
  }
}

// ---------------------------------------------------------------- sorting

void TForm3::UpdateSortButtonLabels() {
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

void TForm3::SortButtonChoice(const TSortFields& fields) {
  if (!SaveCurrent()) {
    UpdateSortButtonLabels();
    return;
  }
  TIndex& s = SortState();
  s.CommitSort();
  s.FirstField = static_cast<uint8_t>(fields.FirstField < 0 ? 0 : fields.FirstField);
  s.SecondField = static_cast<uint8_t>(fields.SecondField < 0 ? 0 : fields.SecondField);
  s.FirstDescending = fields.FirstDescending;
  s.SecondDescending = fields.SecondDescending;
  ApplyViewSort();
}

void TForm3::ApplyFilterState(int state) {
  if (!SaveCurrent()) {
    SortButton1->setFilterState(AppSettings().FilterState);
    return;
  }
  TIndex& s = SortState();
  const bool wasFiltered = s.Filtered;
  TBusy busy;
  s.Filtered = state != 0;
  AppSettings().FilterState = static_cast<uint8_t>(state);
  SortButton1->setFilterState(state);
  // Building an index needs the table to ourselves for a moment.
  ReleaseCurrent();
  recordCursor_->Close();
  if (!ApplySort()) s.Filtered = wasFiltered;
  if (!OpenRecordCursor()) return;
  if (loaded_) {
    LoadCurrent(0);
    Refresh();
  }
}

void TForm3::B_SortClick() {
  if (!SaveCurrent()) return;
  SortState().CommitSort();
  TSortDlg dlg(this);
  if (!ShuttingDown() && dlg.exec() == QDialog::Accepted) ApplyViewSort();
  FocusEntry();
}

void TForm3::ApplyViewSort() {
  TIndex& s = SortState();
  if (!s.SortUnchanged()) {
    TBusy busy;
    AppSettings().FilterState = 0;
    SortButton1->setFilterState(0);
    s.Filtered = false;
    ReleaseCurrent();
    recordCursor_->Close();
    if (!ApplySort())
      s.RevertSort();
    else if (TFindDlg* find = TFindDlg::Instance())
      find->Reset();
    OpenRecordCursor();
    spread_->SetLetterTabsEnabled(true);
    ApplyLetterTabs();
  }
  UpdateSortButtonLabels();
  SelectLetter('A');
  if (loaded_) {
    LoadCurrent(0);
    Refresh();
  }
}

// ---------------------------------------------------------------- entries

void TForm3::EntryClick(int slot) {
  if (slot < 0 || slot >= kPageEntries) return;
  ClickedEntry = slot;
  MakeCurrent(spread_->PositionOfSlot(slot));
}

void TForm3::ShowEntryMenu(int slot, const QPoint& globalPos) {
  PopupMenu1Popup(slot);
  PopupMenu1->popup(globalPos);
}

void TForm3::FillCopyBufferMenu(QMenu* menu) {
  menu->clear();
  menu->setEnabled(false);
  TDbTable& copy = tables_->Copy;
  if (!AppSettings().CopyBufferFull || IsReadOnlyDatabase() || !copy.Active()) return;
  try {
    dbase::Table& t = copy.Engine();
    t.first();
    if (t.eof()) return;
    for (int f = AppSettings().FirstUserField; f < static_cast<int>(t.fields().size()); ++f)
      menu->addAction(QuickViewText(t, f));
    menu->setEnabled(true);
  } catch (const std::exception&) {
    menu->clear();
  }
}

void TForm3::PopupMenu1Popup(int slot) {
  menuSlot_ = slot;
  ClickedEntry = slot;
  QuickView1->clear();
  QuickView1->setEnabled(false);
  FillCopyBufferMenu(ViewCopyBuffer1);
  TDbTable& table = tables_->Records;
  if (!table.Active()) return;
  const int32_t position = spread_->PositionOfSlot(slot);
  if (position < Count()) {
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

void TForm3::PopupMenu3Popup() {
  PasteRecord3->setEnabled(PgRight->B_RPaste->isEnabled());
  CopyRecord3->setEnabled(PgRight->B_RCopy->isEnabled());
  UndoChanges3->setEnabled(PgRight->B_RUndo->isEnabled());
  DeleteRecord3->setEnabled(PgRight->B_RDelete->isEnabled());
  Synchronize3->setEnabled(PgRight->B_RSynchro->isEnabled());
  FillCopyBufferMenu(ViewCopyBuffer3);
  ViewCopyBuffer3->setEnabled(ViewCopyBuffer3->isEnabled() && PasteRecord3->isEnabled());
}

void TForm3::CopyRecordClick(int slot) {
  TDbTable& table = tables_->Records;
  TDbTable& copy = tables_->Copy;
  if (slot < 0 || !table.Active() || IsReadOnlyDatabase()) return;
  TPageValues values;
  try {
    GoToPosition(table, static_cast<uint32_t>(spread_->PositionOfSlot(slot)));
    if (table.Engine().eof()) {
      ShowMessage(MsgKind::Warning, QStringLiteral("Empty Record - Not Copied!"));
      return;
    }
    bool memoFailed = false;
    values = ReadPage(table.Engine(), &memoFailed);
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
    return;
  }
  if (StoreInCopyBuffer(copy, values)) ApplyAccess();
}

void TForm3::PasteRecordClick(int slot) {
  TDbTable& table = tables_->Records;
  TDbTable& copy = tables_->Copy;
  if (slot < 0 || !table.Active() || !copy.Active() || IsReadOnlyDatabase() ||
      !AppSettings().CopyBufferFull)
    return;
  if (slot == CurrentEntry) {
    B_RPasteClick();
    return;
  }
  bool ok = false;
  try {
    dbase::Table& source = copy.Engine();
    source.first();
    if (source.eof()) return;
    bool memoFailed = false;
    const TPageValues values = ReadPage(source, &memoFailed);
    GoToPosition(table, static_cast<uint32_t>(spread_->PositionOfSlot(slot)));
    dbase::Table& t = table.Engine();
    char letter = 0;
    if (t.eof()) {
      t.append();
    } else {
      letter = FirstLetter(table);
      t.edit();
    }
    ok = PostPage(table, &tables_->Catalogue, values, &letter, nullptr);
    if (!ok) ShowMessage(MsgKind::Error, QStringLiteral("Could not Update the record!"));
  } catch (const std::exception& e) {
    CancelQuietly(table);
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  Refresh();
  if (!loaded_) return;
  // The current record may stand one place further or nearer now.
  const bool tabs = spread_->TabsActive() && showLetters_;
  try {
    dbase::Table& t = table.Engine();
    if (tabs && !CurrentNew) {
      const char left = spread_->CurrentLetter();
      const int32_t count = UseLetter(CurrentRecordLetter);
      if (CurrentPosition - 1 >= count) {
        --CurrentPosition;
      } else {
        GoToPosition(table, static_cast<uint32_t>(CurrentPosition - 1));
        if (t.asInteger(0) != CurrentNumber) {
          t.next();
          if (!t.eof() && t.asInteger(0) == CurrentNumber)
            ++CurrentPosition;
          else
            --CurrentPosition;
        }
      }
      UseLetter(left);
    } else if (!tabs) {
      if (CurrentNew) {
        ++CurrentPosition;
      } else {
        GoToPosition(table, static_cast<uint32_t>(CurrentPosition - 1));
        if (t.eof() || t.asInteger(0) != CurrentNumber) ++CurrentPosition;
      }
    }
  } catch (const std::exception&) {
  }
  letterCount_ = Count();
  ShowCurrentState();
}

void TForm3::DeleteRecordClick(int slot) {
  TDbTable& table = tables_->Records;
  if (slot < 0 || !table.Active() || IsReadOnlyDatabase()) return;
  if (slot == CurrentEntry) {
    B_RDeleteClick();
    return;
  }
  dbase::Table& t = table.Engine();
  const int32_t position = spread_->PositionOfSlot(slot);
  try {
    GoToPosition(table, static_cast<uint32_t>(position));
  } catch (const std::exception&) {
  }
  if (t.eof()) {
    ShowMessage(MsgKind::Information, QStringLiteral("Empty Record cannot be Deleted."));
    return;
  }
  if (AppSettings().DeleteMode == 0 && !TDeleteDlg1::Confirm(this)) {
    ShowMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
    FocusEntry();
    return;
  }
  bool deleted = false;
  try {
    t.edit();  // the lock: fails while another user edits the record
    const char letter = FirstLetter(table);
    t.deleteRecord();
    AdjustLetterCounts(letter, ' ');
    deleted = true;
  } catch (const std::exception&) {
    CancelQuietly(table);
    ShowMessage(MsgKind::Error, QStringLiteral("Record in use - not Deleted!"));
  }
  const bool sameList =
      !(spread_->TabsActive() && showLetters_) || positionLetter_ == spread_->CurrentLetter();
  if (deleted && loaded_ && (CurrentNew || (sameList && position < CurrentPosition - 1)) &&
      CurrentPosition > 1)
    --CurrentPosition;
  Refresh();
  letterCount_ = Count();
  ShowCurrentState();
}

// ---------------------------------------------------------------- showing and closing

void TForm3::ApplyReadOnlyMode() { ApplyAccess(); }

void TForm3::showEvent(QShowEvent* event) {
  TMainView::showEvent(event);
  if (event->spontaneous()) return;  // only restored from minimised
  if (databaseOpen_) SetDatabaseCaption();
  PgRight->ApplyLabels();
  OrvantaHeader1->RefreshCaptions();
  UpdateSortButtonLabels();
  PgRight->ReformatDates();
  StoreHooks().IndexChanged = [this] { IndexChanged(); };
  StoreHooks().RecolourTab = [this](int letter) { ColorLetterTab(letter); };
  if (!loaded_ && databaseOpen_) {
    OpenRecordCursor();
    MakeCurrent(0);
  } else {
    Refresh();
  }
  ApplyAccess();
}

void TForm3::closeEvent(QCloseEvent* event) {
  if (!SwitchingModel && !SaveCurrent()) {
    event->ignore();
    return;
  }
  ReleaseCurrent();
  recordCursor_->Close();
  loaded_ = false;
  // The other book model opens the tables before this view is freed.
  if (SwitchingModel) {
    tables_->Records.Close();
    tables_->Copy.Close();
    tables_->Catalogue.Close();
  }
  TMainView::closeEvent(event);
}

void TForm3::changeEvent(QEvent* event) {
  TMainView::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && MainDlg())
    MainDlg()->showMinimized();
}

void TForm3::SwitchToTwoLevels() {
  if (!SaveCurrent()) return;
  AppSettings().BookModel = 1;
  SwitchingModel = true;
  TBusy busy;
  SaveViewState();
  SaveSessionState();
  QWidget* owner = parentWidget();
  close();
  TMainView* view = CreateMainView(1, owner);
  view->show();
}

// ---------------------------------------------------------------- layout and colours

void TForm3::ApplyLayout() {
  const TAppSettings& s = AppSettings();
  const bool bars = s.MenusAndSpeedBars != 1;
  menuBar()->setVisible(s.MenusAndSpeedBars != 2);
  Panel3->setVisible(bars && TabSet1->currentIndex() == 0);
  Panel4->setVisible(bars && TabSet1->currentIndex() == 1);
  TabSet1->setVisible(bars);
  SetHintsOn(s.HintMessages == 0);
  PositionPanels();
  Refresh();
}

void TForm3::PositionPanels() {
  const TAppSettings& s = AppSettings();
  const bool bars = s.MenusAndSpeedBars != 1;
  const QSize client = PlaceBookParts({Panel1, PgRight, Panel5, Panel3, Panel4, TabSet1, kPageWidth,
                                       kPageHeight, kLetterColumnWidth, kSpeedBarHeight},
                                      bars ? kSpeedBarHeight + kTabSetHeight : 0,
                                      s.SpeedBarLocation == 0, s.LetterTabsLocation == 1);
  centralWidget()->setFixedSize(client);
  setFixedSize(client.width(),
               client.height() + (menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height()));
}

void TForm3::ApplyColors() {
  for (TFormatedButton* e : Entries) {
    e->setBgndColor(ElementColor(1));
    e->setTextColor(ElementColor(0));
    e->setSelBgndColor(ElementColor(3));
    e->setSelTextColor(ElementColor(2));
  }
  for (int i = 0; i < 26; ++i) ColorLetterTab(i);
  static_cast<TBookPage*>(Panel1)->color = ElementColor(12);
  PgRight->ApplyColors();
  QPalette number = PgRight->PgR_Lbl->palette();
  number.setColor(QPalette::WindowText, ElementColor(19));
  PgRight->PgR_Lbl->setPalette(number);
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

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
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

bool TForm3::HandleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  const int key = event->key();
  const QPoint origin = frameGeometry().topLeft();
  const int clientTop = mapToGlobal(centralWidget()->pos()).y();
  auto ifEnabled = [](QToolButton* b, auto&& action) {
    if (b->isEnabled()) action();
    return true;
  };
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_PageUp:
        B_PgUpClick();
        return true;
      case Qt::Key_PageDown:
        B_PgDnClick();
        return true;
      case Qt::Key_End:
        B_LastClick();
        return true;
      case Qt::Key_Home:
        B_FirstClick();
        return true;
      case Qt::Key_G:
        SponsorBtn->click();
        return true;
      default:
        break;
    }
  }
  if (mods == Qt::AltModifier) {
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
      PgRight->SelectPart(key - Qt::Key_1);
      return true;
    }
    switch (key) {
      case Qt::Key_PageUp:
        B_PrevClick();
        return true;
      case Qt::Key_PageDown:
        B_NextClick();
        return true;
      case Qt::Key_Delete:
        return ifEnabled(PgRight->B_RDelete, [this] { B_RDeleteClick(); });
      case Qt::Key_C:
        return ifEnabled(PgRight->B_RCopy, [this] { B_RCopyClick(); });
      case Qt::Key_P:
        return ifEnabled(PgRight->B_RPaste, [this] { B_RPasteClick(); });
      case Qt::Key_U:
        return ifEnabled(PgRight->B_RUndo, [this] { B_RUndoClick(); });
      case Qt::Key_R:
        return true;  // printing arrives with its subsystem
      case Qt::Key_Y:
        B_RSynchroClick();
        return true;
      default:
        break;
    }
  }
  if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
      // The left page only: the current record stays.
      if (spread_->TabsActive() && showLetters_)
        SelectLetter(static_cast<char>('A' + key - Qt::Key_A));
      return true;
    }
    return false;
  }
  if (mods != Qt::NoModifier) return false;
  switch (key) {
    case Qt::Key_F2:
      PopupMenu2->popup(origin + QPoint(50, 100));
      return true;
    case Qt::Key_F3: {
      int slot = -1;
      for (int s = 0; s < kPageEntries; ++s)
        if (Entries[static_cast<size_t>(s)]->hasFocus()) slot = s;
      if (slot < 0) {
        slot = 0;
        Entries.front()->setFocus();
      }
      TFormatedButton* e = Entries[static_cast<size_t>(slot)];
      ShowEntryMenu(slot, QPoint(origin.x() + 50, clientTop + Panel1->y() + e->y() + 10));
      return true;
    }
    case Qt::Key_F4:
      PopupMenu3->popup(origin + QPoint(frameGeometry().width() / 2 + 50, 200));
      return true;
    case Qt::Key_F5:
      OrvantaHeader1->PopupMenu()->popup(
          QPoint(origin.x() + 50, clientTop + Panel1->y() + OrvantaHeader1->y() + 10));
      return true;
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8: {
      const int part = key - Qt::Key_F6;
      const QPoint at(origin.x() + 50 + part * SortButton1->width() / 3,
                      clientTop + Panel1->y() + SortButton1->y() + 10);
      if (part == 0) SortButton1->popupFirstMenu(at);
      if (part == 1) SortButton1->popupSecondMenu(at);
      if (part == 2) SortButton1->popupFilterMenu(at);
      return true;
    }
    default:
      return false;
  }
}

// ---------------------------------------------------------------- search window

void TForm3::B_SearchClick() {
  if (!tables_->Records.Active()) return;
  TFindDlg::Open(this, tables_->Records, FindHooks());
}

TFindHooks TForm3::FindHooks() {
  TFindHooks h;
  h.BeforeFind = [this](bool forward) { return FindBeforeFind(!forward); };
  h.AtRangeEnd = [this](bool forward) { return FindAtRangeEnd(forward); };
  h.OnFound = [this] {
    TFindDlg* find = TFindDlg::Instance();
    if (!find) {
      setEnabled(true);
      return;
    }
    TFindSearch& search = find->Search();
    const int field = search.CurrentField() - AppSettings().FirstUserField;
    const bool memo = field >= 0 && field < kPageFieldCount &&
                      FieldDesigns()[static_cast<size_t>(field)].kind == TEditorKind::Memo;
    FindOnFound(search.CurrentLetter(), search.LastFoundPosition(), field,
                memo ? static_cast<int>(search.MemoMatch().offset) : -1,
                memo ? static_cast<int>(search.MemoMatch().length) : 0, search.text);
  };
  h.OnNotFound = [this] {
    TFindDlg* find = TFindDlg::Instance();
    FindOnNotFound(searchLetter_, find && find->NonStop());
  };
  h.BeforeFindAgain = [this] {
    TFindDlg* find = TFindDlg::Instance();
    FindOnNotFound(searchLetter_, find && find->NonStop());
    setEnabled(false);  // the search moves the table's cursor
    return true;
  };
  h.BeforeMarkAll = [this] { return FindBeforeMarkAll(); };
  h.AfterMarkAll = [this] {
    TFindDlg* find = TFindDlg::Instance();
    FindAfterMarkAll(find && find->FoundCount() > 0);
  };
  return h;
}

bool TForm3::FindBeforeFind(bool fromEnd) {
  if (!SaveCurrent()) return false;
  searchLetter_ = spread_->CurrentLetter();
  const bool tabs = spread_->TabsActive() && showLetters_;
  if (tabs) {
    SelectLetter(fromEnd ? 'Z' : 'A');
    LoadCurrent(0);
    Refresh();
  }
  if (TFindDlg* find = TFindDlg::Instance()) find->SetCurrentLetter(tabs ? CurrentLetter() : 0);
  setEnabled(false);
  return true;
}

bool TForm3::FindAtRangeEnd(bool forward) {
  const bool tabs = spread_->TabsActive() && showLetters_;
  TFindDlg* find = TFindDlg::Instance();
  if (!tabs) return true;
  for (char c = spread_->CurrentLetter();;) {
    c = static_cast<char>(c + (forward ? 1 : -1));
    if (c < 'A' || c > 'Z') {
      if (find) find->SetCurrentLetter(CurrentLetter());
      return true;
    }
    SelectLetter(c);
    if (Count() > 0) {
      if (find) find->SetCurrentLetter(CurrentLetter());
      return false;
    }
  }
}

void TForm3::FindOnFound(char letter, int32_t position, int field, int start, int length,
                         const QString& text) {
  setEnabled(true);
  if (letter >= 'A' && letter <= 'Z' && spread_->TabsActive() && showLetters_) {
    // The search applied the letter's range already.
    LetterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
    spread_->SelectLetter(letter);
  }
  searchLetter_ = spread_->CurrentLetter();
  if (position < 0) position = 0;
  spread_->SetTopRecord(kPageEntries * (position / kPageEntries));
  LoadCurrent(position);
  Refresh();
  if (field < 0 || field >= kPageFieldCount) return;
  PgRight->SelectPart(PartOfField(field));
  if (CurrentInUse) return;
  QWidget* e = PgRight->Editors[static_cast<size_t>(field)];
  if (!IsReadOnlyDatabase()) e->setFocus();
  if (qobject_cast<TPictureBox*>(e)) return;
  // The hit in red until the next record is loaded.
  QPalette p = e->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, Qt::red);
    p.setColor(group, QPalette::Text, Qt::yellow);
  }
  e->setPalette(p);
  if (auto* memo = qobject_cast<TMemoEdit*>(e)) {
    QTextCursor c = memo->textCursor();
    c.setPosition(std::max(start, 0));
    c.setPosition(std::max(start, 0) + length, QTextCursor::KeepAnchor);
    memo->setTextCursor(c);
  } else if (auto* edit = qobject_cast<TPageEdit*>(e)) {
    if (start < 0 && !text.isEmpty()) {
      start = static_cast<int>(edit->text().indexOf(text, 0, Qt::CaseInsensitive));
      length = static_cast<int>(text.size());
    }
    if (start >= 0) edit->setSelection(start, length);
  }
}

void TForm3::FindOnNotFound(char searchLetter, bool nonStop) {
  setEnabled(true);
  if (nonStop || !(spread_->TabsActive() && showLetters_)) return;
  if (searchLetter >= 'A' && searchLetter <= 'Z' && searchLetter != spread_->CurrentLetter())
    SelectLetter(searchLetter);
}

bool TForm3::FindBeforeMarkAll() {
  if (!SaveCurrent()) return false;
  setEnabled(false);
  // The marking pass needs the table to itself.
  ReleaseCurrent();
  recordCursor_->Close();
  return true;
}

void TForm3::FindAfterMarkAll(bool found) {
  SortButton1->setFilterState(found ? 1 : 0);
  TIndex& s = SortState();
  const bool wasFiltered = s.Filtered;
  s.Filtered = found;
  AppSettings().FilterState = found ? 1 : 0;
  if (!ApplySort()) s.Filtered = wasFiltered;
  setEnabled(true);
  OpenRecordCursor();
  LoadCurrent(0);
  Refresh();
}

QWidget* TForm3::FieldLookup(int k) const {
  if (k < 0 || k >= kPageFieldCount) return nullptr;
  return FieldDesigns()[static_cast<size_t>(k)].kind == TEditorKind::Lookup
             ? PgRight->Editors[static_cast<size_t>(k)]
             : nullptr;
}

QString TForm3::FieldLookupSource(int k) const {
  if (k < 0 || k >= kPageFieldCount) return {};
  const char* list = FieldDesigns()[static_cast<size_t>(k)].lookupList;
  return list ? QString::fromLatin1(list) : QString();
}

void TForm3::SetLetterTabs(int value) {
  if (!SaveCurrent()) return;
  AppSettings().LetterTabs = static_cast<uint16_t>(value);
  SortState().CommitSort();
  if (LetterTabsActive()) CountLetters(tables_->Records);
  spread_->SetLetterTabsEnabled(true);
  ApplyLetterTabs();
  ApplyViewSort();
}
