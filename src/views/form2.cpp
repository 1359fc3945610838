#include "form2.h"


#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

#include "bookpage.h"
#include "colorbutton.h"
#include "database.h"
#include "deletedlg.h"
#include "editmenu.h"
#include "gui/maindlg.h"
#include "labels.h"
#include "letters.h"
#include "pageeditors.h"
#include "prompt.h"
#include "qtprompter.h"
#include "recordpage.h"
#include "recordtext.h"
#include "settings.h"
#include "sortstate.h"
#include "storehooks.h"
#include "viewcolors.h"

namespace {

constexpr int kSpeedBarHeight = 46;
constexpr int kTabSetHeight = 22;
constexpr int kPostAttempts = 100;
constexpr int kStatusTop = 6;
constexpr int kPartsTop = 30;
constexpr int kPartsHeight = 318;
constexpr int kBarTop = 378;

const QString kDiscardQuestion = QStringLiteral(
    "\rDo you want to continue anyway?\r(If you answer Yes changes to the current record will be "
    "discarded.)");
const QString kReadWrite = QStringLiteral("Read/Write Access");
const QString kReadOnly = QStringLiteral("Read Only Access");
const QString kInUse = QStringLiteral("Read Only Access - Record In Use");
const QString kNewRecord = QStringLiteral("New Record");

bool Editing(const dbase::Table& t) {
  return t.state() == dbase::Table::State::Edit || t.state() == dbase::Table::State::Insert;
}

void CancelQuietly(TDbTable& table) {
  try {
    if (table.Active() && Editing(table.Engine())) table.Engine().cancel();
  } catch (const std::exception&) {
  }
}

bool FirstFieldIsText() {
  const TAppSettings& s = AppSettings();
  const uint8_t f = SortState().FirstField;
  return f >= s.FirstUserField && s.StringFields.test(f);
}

}  // namespace

TForm2::TForm2(TStoreTables& tables, QWidget* owner)
    : QMainWindow(owner, Qt::Window), tables_(tables), leftCursor_(std::make_unique<TDbTable>()) {
  setObjectName(QStringLiteral("Form2"));
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Client"));
  central->setAutoFillBackground(true);
  setCentralWidget(central);
  EditMenu = new TEditMenu(this);
  BuildPages();
  BuildLetterColumn();
  BuildSpeedBar();
  BuildMenus();
  // Nothing sits on the advanced bar of this view: its tab set stays hidden.
  HasAdvancedBar = !Panel4->findChildren<QToolButton*>().isEmpty();
  if (Labels().isEmpty())
    for (const TFieldDesign& d : FieldDesigns()) Labels() << QString::fromLatin1(d.caption);
  ApplyLayout();
  ApplyColors();
  qApp->installEventFilter(this);
}

TForm2::~TForm2() {
  qApp->removeEventFilter(this);
  ReleaseRecords();
  leftCursor_->Close();
}

// ---------------------------------------------------------------- building

void TForm2::BuildPages() {
  PgLeft = new TBookPage(centralWidget(), true);
  PgRight = new TBookPage(centralWidget(), false);
  PgLeft->setObjectName(QStringLiteral("PgLeft"));
  PgRight->setObjectName(QStringLiteral("PgRight"));
  for (QFrame* p : {PgLeft, PgRight}) p->resize(kPageWidth, kPageHeight);
  BuildPage(0);
  BuildPage(1);
}

void TForm2::BuildPage(int page) {
  const bool left = page == 0;
  QFrame* panel = left ? PgLeft : PgRight;
  const int inner = left ? 8 : 26;  // clear of the binding shade
  const int width = kPageWidth - 34;
  QLabel*& status = left ? LStatus : RStatus;
  status = new QLabel(kReadWrite, panel);
  status->setObjectName(left ? QStringLiteral("LStatus") : QStringLiteral("RStatus"));
  status->setAlignment(Qt::AlignCenter);
  status->setFrameShape(QFrame::Panel);
  status->setFrameShadow(QFrame::Sunken);
  status->setGeometry(inner, kStatusTop, width, 20);

  QStackedWidget*& parts = left ? LeftParts : RightParts;
  parts = new QStackedWidget(panel);
  parts->setGeometry(inner, kPartsTop, width, kPartsHeight);
  auto& editors = left ? LeftEditors : RightEditors;
  auto& labels = left ? LeftLabels : RightLabels;
  const QString prefix = left ? QStringLiteral("L") : QStringLiteral("R");
  BuildPageParts(parts, prefix, width, kPartsHeight, 92, EditMenu,
                 {&editors, &labels, &DateEditors, left ? &PartEditorCounts : nullptr});

  QTabBar*& tabs = left ? TabSet2 : TabSet3;
  tabs = new QTabBar(panel);
  tabs->setObjectName(left ? QStringLiteral("TabSet2") : QStringLiteral("TabSet3"));
  for (int part = 1; part <= kPageParts; ++part) tabs->addTab(QStringLiteral("Part %1").arg(part));
  tabs->setShape(QTabBar::TriangularSouth);
  tabs->setDrawBase(false);
  tabs->setFocusPolicy(Qt::NoFocus);
  tabs->setToolTip(left ? QStringLiteral("Select Part of the Record [Ctrl+#]")
                        : QStringLiteral("Select Part of the Record [Alt+#]"));
  tabs->setGeometry(inner, kPartsTop + kPartsHeight + 2, width, 24);
  connect(tabs, &QTabBar::currentChanged, parts, &QStackedWidget::setCurrentIndex);

  QFrame*& bar = left ? Panel1 : Panel2;
  bar = new QFrame(panel);
  bar->setObjectName(left ? QStringLiteral("Panel1") : QStringLiteral("Panel2"));
  bar->setGeometry(inner, kBarTop, width, 34);
  std::vector<QToolButton*> buttons;
  if (left) {
    B_First =
        SpeedBarButton(bar, "B_First", "GoTo First Page [Ctrl+Home]", QStyle::SP_MediaSkipBackward);
    B_PgUp =
        SpeedBarButton(bar, "B_PgUp", "GoTo Previous Page [Ctrl+PgUp]", QStyle::SP_MediaSeekBackward);
    B_LUndo = SpeedBarButton(bar, "B_LUndo", "Undo Changes To Left Record [Ctrl+U]",
                        QStyle::SP_DialogResetButton);
    B_LPaste = SpeedBarButton(bar, "B_LPaste", "Paste From Copy Buffer To Left Record [Ctrl+P]",
                         QStyle::SP_DialogApplyButton);
    B_LCopy = SpeedBarButton(bar, "B_LCopy", "Copy Left Record To Copy Buffer [Ctrl+O]",
                        QStyle::SP_FileDialogNewFolder);
    B_LDelete =
        SpeedBarButton(bar, "B_LDelete", "Delete Left Record [Ctrl+Delete]", QStyle::SP_TrashIcon);
    B_LPrint =
        SpeedBarButton(bar, "B_LPrint", "Print Left Record [Ctrl+R]", QStyle::SP_DialogSaveButton);
    buttons = {B_First, B_PgUp, B_LUndo, B_LPaste, B_LCopy, B_LDelete, B_LPrint};
  } else {
    B_RPrint =
        SpeedBarButton(bar, "B_RPrint", "Print Right Record [Alt+R]", QStyle::SP_DialogSaveButton);
    B_RDelete =
        SpeedBarButton(bar, "B_RDelete", "Delete Right Record [Alt+Delete]", QStyle::SP_TrashIcon);
    B_RCopy = SpeedBarButton(bar, "B_RCopy", "Copy Right Record To Copy Buffer [Alt+O]",
                        QStyle::SP_FileDialogNewFolder);
    B_RPaste = SpeedBarButton(bar, "B_RPaste", "Paste From Copy Buffer To Right Record [Alt+P]",
                         QStyle::SP_DialogApplyButton);
    B_RUndo = SpeedBarButton(bar, "B_RUndo", "Undo Changes To Right Record [Alt+U]",
                        QStyle::SP_DialogResetButton);
    B_PgDn = SpeedBarButton(bar, "B_PgDn", "GoTo Next Page [Ctrl+PgDn]", QStyle::SP_MediaSeekForward);
    B_Last = SpeedBarButton(bar, "B_Last", "GoTo Last Page [Ctrl+End]", QStyle::SP_MediaSkipForward);
    buttons = {B_RPrint, B_RDelete, B_RCopy, B_RPaste, B_RUndo, B_PgDn, B_Last};
  }
  const int step = width / 7;
  for (size_t i = 0; i < buttons.size(); ++i)
    buttons[i]->setGeometry(static_cast<int>(i) * step + 1, 2, step - 2, 30);
  if (left) {
    connect(B_First, &QToolButton::clicked, this, &TForm2::B_FirstClick);
    connect(B_PgUp, &QToolButton::clicked, this, &TForm2::B_PgUpClick);
  } else {
    connect(B_PgDn, &QToolButton::clicked, this, &TForm2::B_PgDnClick);
    connect(B_Last, &QToolButton::clicked, this, &TForm2::B_LastClick);
  }
  connect(left ? B_LUndo : B_RUndo, &QToolButton::clicked, this, [this, page] { UndoClick(page); });
  connect(left ? B_LPaste : B_RPaste, &QToolButton::clicked, this,
          [this, page] { PasteClick(page); });
  connect(left ? B_LCopy : B_RCopy, &QToolButton::clicked, this, [this, page] { CopyClick(page); });
  connect(left ? B_LDelete : B_RDelete, &QToolButton::clicked, this,
          [this, page] { DeleteClick(page); });
  // Printing comes with the report subsystem.
  (left ? B_LPrint : B_RPrint)->setEnabled(false);

  QFont numberFont(QStringLiteral("Arial"));
  numberFont.setPixelSize(11);
  numberFont.setItalic(true);
  QLabel*& number = left ? PgL_Lbl : PgR_Lbl;
  number = new QLabel(QStringLiteral("999999"), panel);
  number->setObjectName(left ? QStringLiteral("PgL_Lbl") : QStringLiteral("PgR_Lbl"));
  number->setFont(numberFont);
  number->setGeometry(left ? 10 : kPageWidth - 70, kPageHeight - 18, 60, 14);
  number->setAlignment((left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);

  BuildPopup(page);
  panel->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(panel, &QWidget::customContextMenuRequested, this, [this, page, panel](const QPoint& at) {
    (page == 0 ? PopupMenu1 : PopupMenu2)->popup(panel->mapToGlobal(at));
  });
}

void TForm2::BuildPopup(int page) {
  QMenu*& menu = page == 0 ? PopupMenu1 : PopupMenu2;
  menu = new QMenu(this);
  menu->setObjectName(page == 0 ? QStringLiteral("PopupMenu1") : QStringLiteral("PopupMenu2"));
  QAction* title = menu->addAction(page == 0 ? QStringLiteral("Left Record:")
                                             : QStringLiteral("Right Record :"));
  title->setEnabled(false);
  menu->addSeparator();
  ViewCopyBuffer[static_cast<size_t>(page)] = menu->addMenu(QStringLiteral("&View Copy Buffer"));
  menu->addSeparator();
  PopupItems& items = Popup[static_cast<size_t>(page)];
  items.paste =
      menu->addAction(QStringLiteral("&Paste Record"), [this, page] { PasteClick(page); });
  items.copy = menu->addAction(QStringLiteral("C&opy Record"), [this, page] { CopyClick(page); });
  items.undo = menu->addAction(QStringLiteral("&Undo Changes"), [this, page] { UndoClick(page); });
  items.del =
      menu->addAction(QStringLiteral("&Delete Record"), [this, page] { DeleteClick(page); });
  items.print = menu->addAction(QStringLiteral("P&rint Record"));
  items.print->setEnabled(false);
  menu->addSeparator();
  menu->addAction(QStringLiteral("&Help"), [] { ShowHelpTopic(31); });
  connect(menu, &QMenu::aboutToShow, this, [this, page] { PopupMenuPopup(page); });
}

void TForm2::BuildLetterColumn() {
  Panel5 = ::BuildLetterColumn(centralWidget(), kLetterColumnWidth, kPageHeight,
                               (kPageHeight - 26 * 16) / 2, 16, LetterButtons,
                               [this](int i) { LetterClick(i); });
  Panel5->setAutoFillBackground(true);
}

void TForm2::BuildSpeedBar() {
  Panel3 = new QFrame(centralWidget());
  Panel4 = new QFrame(centralWidget());
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel4->setObjectName(QStringLiteral("Panel4"));
  for (QFrame* bar : {Panel3, Panel4}) {
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setAutoFillBackground(true);
  }
  B_Search = SpeedBarButton(Panel3, "B_Search", "Find Text", QStyle::SP_FileDialogContentsView, "Find");
  B_TOC = SpeedBarButton(Panel3, "B_TOC", "Return to Table Of Contents", QStyle::SP_FileDialogListView,
                    "TOC");
  B_New = SpeedBarButton(Panel3, "B_New", "Add New Record", QStyle::SP_FileIcon, "New");
  B_Exit = SpeedBarButton(Panel3, "B_Exit", "Program Shutdown", QStyle::SP_DialogCloseButton, "Exit");
  B_Help = SpeedBarButton(Panel3, "B_Help", "Display Help Window", QStyle::SP_DialogHelpButton, "Help");
  int x = 4;
  for (QToolButton* b : {B_Search, B_TOC, B_New, B_Exit, B_Help}) {
    b->setGeometry(x, 2, 68, kSpeedBarHeight - 4);
    x += 70;
  }
  // The find dialog comes with its own subsystem.
  B_Search->setEnabled(false);
  connect(B_TOC, &QToolButton::clicked, this, &QWidget::close);
  connect(B_New, &QToolButton::clicked, this, &TForm2::B_NewClick);
  connect(B_Exit, &QToolButton::clicked, this, [this] {
    ExitRequested = true;
    if (!close()) ExitRequested = false;
  });
  connect(B_Help, &QToolButton::clicked, this, [] { ShowHelpTopic(kHelpContext); });
  Panel4->hide();

  TabSet1 = new QTabBar(centralWidget());
  TabSet1->setObjectName(QStringLiteral("TabSet1"));
  TabSet1->addTab(QStringLiteral("Standard"));
  TabSet1->addTab(QStringLiteral("Advanced"));
  TabSet1->setShape(QTabBar::TriangularSouth);
  TabSet1->setToolTip(QStringLiteral("Click on Tabs to select Menu Bar"));
  TabSet1->setFocusPolicy(Qt::NoFocus);
  TabSet1->setDrawBase(false);
  connect(TabSet1, &QTabBar::currentChanged, this, [this](int i) {
    Panel3->setVisible(i == 0);
    Panel4->setVisible(i == 1);
  });
}

void TForm2::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  NewRecord1 = file->addAction(QStringLiteral("&New Record"), this, &TForm2::B_NewClick);
  PrintLeft1 = file->addAction(QStringLiteral("Print &Left Record"));
  PrintRight1 = file->addAction(QStringLiteral("Print &Right Record"));
  Toc1 = file->addAction(QStringLiteral("&Table Of Contents"), this, &QWidget::close);
  Exit1 = file->addAction(QStringLiteral("E&xit"), this, [this] { B_Exit->click(); });
  QMenu* search = bar->addMenu(QStringLiteral("&Search"));
  Find1 = search->addAction(QStringLiteral("&Find"));
  QMenu* move = bar->addMenu(QStringLiteral("&Move"));
  First1 = move->addAction(QStringLiteral("&First"), this, &TForm2::B_FirstClick);
  PageUp1 = move->addAction(QStringLiteral("Page&Up"), this, &TForm2::B_PgUpClick);
  PageDown1 = move->addAction(QStringLiteral("Page&Down"), this, &TForm2::B_PgDnClick);
  Last1 = move->addAction(QStringLiteral("&Last"), this, &TForm2::B_LastClick);
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  HelpContents1 =
      help->addAction(QStringLiteral("&Help Contents"), [] { ShowHelpTopic(kHelpContext); });
  for (QAction* a : {PrintLeft1, PrintRight1, Find1}) a->setEnabled(false);
}

// ---------------------------------------------------------------- layout and colours

void TForm2::ApplyLayout() {
  const TAppSettings& s = AppSettings();
  const bool bars = s.MenusAndSpeedBars != 1;
  const bool tabs = bars && HasAdvancedBar;
  menuBar()->setVisible(s.MenusAndSpeedBars != 2);
  Panel3->setVisible(bars && (!tabs || TabSet1->currentIndex() == 0));
  Panel4->setVisible(tabs && TabSet1->currentIndex() == 1);
  TabSet1->setVisible(tabs);
  const QSize client = PlaceBookParts(
      {PgLeft, PgRight, Panel5, Panel3, Panel4, TabSet1, kPageWidth, kPageHeight, kLetterColumnWidth,
       kSpeedBarHeight},
      bars ? kSpeedBarHeight + (tabs ? kTabSetHeight : 0) : 0, s.SpeedBarLocation == 0,
      s.LetterTabsLocation == 1);
  centralWidget()->setFixedSize(client);
  setFixedSize(client.width(),
               client.height() + (menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height()));
}

void TForm2::ColorEditor(QWidget* editor, bool inUse) {
  QPalette p = editor->palette();
  const bool memo = qobject_cast<TMemoEdit*>(editor) != nullptr;
  if (inUse) {
    p.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
    p.setColor(QPalette::Text, QApplication::palette().color(QPalette::Disabled, QPalette::Text));
  } else {
    p.setColor(QPalette::Base, ElementColor(memo ? 18 : 16));
    p.setColor(QPalette::Text, ElementColor(memo ? 17 : 15));
  }
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, p.color(QPalette::Active, QPalette::Base));
    p.setColor(group, QPalette::Text, p.color(QPalette::Active, QPalette::Text));
  }
  editor->setPalette(p);
}

void TForm2::ApplyColors() {
  for (int page = 0; page < 2; ++page) {
    for (QLabel* l : page == 0 ? LeftLabels : RightLabels) {
      QPalette p = l->palette();
      p.setColor(QPalette::WindowText, ElementColor(19));
      p.setColor(QPalette::Window, ElementColor(20));
      l->setPalette(p);
    }
  }
  static_cast<TBookPage*>(PgLeft)->color = ElementColor(24);
  static_cast<TBookPage*>(PgRight)->color = ElementColor(24);
  for (QWidget* w : {static_cast<QWidget*>(TabSet2), static_cast<QWidget*>(TabSet3),
                     static_cast<QWidget*>(LeftParts), static_cast<QWidget*>(RightParts)}) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, ElementColor(24));
    w->setPalette(p);
  }
  for (QFrame* bar : {Panel3, Panel4}) {
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, ElementColor(25));
    bar->setPalette(p);
  }
  QPalette p = centralWidget()->palette();
  p.setColor(QPalette::Window, ElementColor(26));
  centralWidget()->setPalette(p);
  QPalette column = Panel5->palette();
  column.setColor(QPalette::Window, ElementColor(24));
  Panel5->setPalette(column);
  for (int i = 0; i < 26; ++i) ColorLetterTab(i);
  ApplyAccess();
  update();
}

void TForm2::ColorLetterTab(int index) {
  if (index >= 0 && index < 26)
    ColorLetterButton(LetterButtons[static_cast<size_t>(index)], index);
}

void TForm2::ApplyLabels() {
  for (int k = 0; k < kPageFieldCount; ++k) {
    if (k >= Labels().size()) break;
    LeftLabels[static_cast<size_t>(k)]->setText(Labels()[k]);
    RightLabels[static_cast<size_t>(k)]->setText(Labels()[k]);
  }
}

void TForm2::ApplyAccess() {
  const bool ro = IsReadOnlyDatabase();
  const bool full = AppSettings().CopyBufferFull;
  for (int page = 0; page < 2; ++page) {
    const bool inUse = page == 0 ? LeftInUse : RightInUse;
    const bool on = !ro && !inUse;
    for (QWidget* e : Editors(page)) {
      e->setEnabled(on);
      ColorEditor(e, !on);
    }
    (page == 0 ? B_LUndo : B_RUndo)->setEnabled(on);
    (page == 0 ? B_LDelete : B_RDelete)->setEnabled(on);
    (page == 0 ? B_LPaste : B_RPaste)->setEnabled(on && full);
    (page == 0 ? B_LCopy : B_RCopy)->setEnabled(!ro);
  }
  B_New->setEnabled(!ro);
  NewRecord1->setEnabled(!ro);
}

// ---------------------------------------------------------------- showing

void TForm2::OpenAt(char letter, bool letterTabsOn, int32_t position) {
  LetterTabsOn = letterTabsOn;
  SelectLetter(letter);
  TDbTable& records = tables_.Records;
  leftCursor_->Close();
  leftCursor_->DatabaseName = records.DatabaseName;
  leftCursor_->TableName = records.TableName;
  leftCursor_->Exclusive = false;
  leftCursor_->IndexName.clear();
  try {
    if (records.Active()) leftCursor_->Open();
  } catch (const dbase::Error& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  pair_.PositionOn(position, Count());
  show();
  KeepOnScreen();
  Refresh();
}

void TForm2::KeepOnScreen() {
  // The pages are wider than the contents they replace: a place at the right
  // edge of the screen would hide the right page.
  QScreen* where = screen();
  if (!where) return;
  const QRect room = where->availableGeometry();
  const QRect frame = frameGeometry();
  QPoint to = frame.topLeft();
  if (frame.right() > room.right()) to.rx() -= frame.right() - room.right();
  if (frame.bottom() > room.bottom()) to.ry() -= frame.bottom() - room.bottom();
  to.rx() = std::max(to.x(), room.left());
  to.ry() = std::max(to.y(), room.top());
  if (to != frame.topLeft()) move(to);
}

void TForm2::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous()) return;  // only restored from minimised
  ApplyLabels();
  ApplyLayout();
  ApplyColors();
  for (TPageEdit* d : DateEditors) d->Reformat();
  Panel5->show();
  for (TColorButton* b : LetterButtons) b->setEnabled(LetterTabsOn);
  ownerRecolour_ = StoreHooks().RecolourTab;
  StoreHooks().RecolourTab = [this](int letter) { ColorLetterTab(letter); };
  ownerIndexChanged_ = StoreHooks().IndexChanged;
  StoreHooks().IndexChanged = [this] { IndexChanged(); };
  ExitRequested = false;
  ClosingForFind = false;
}

void TForm2::hideEvent(QHideEvent* event) {
  QMainWindow::hideEvent(event);
  if (event->spontaneous()) return;
  if (ownerRecolour_) {
    StoreHooks().RecolourTab = ownerRecolour_;
    for (int i = 0; i < 26; ++i) ownerRecolour_(i);
  }
  ownerRecolour_ = nullptr;
  if (ownerIndexChanged_) StoreHooks().IndexChanged = ownerIndexChanged_;
  ownerIndexChanged_ = nullptr;
}

void TForm2::IndexChanged() {
  TDbTable& records = tables_.Records;
  if (LetterTabsActive()) CountLetters(records);
  for (int i = 0; i < 26; ++i) ColorLetterTab(i);
  SelectLetter('A');
  Refresh();
}

void TForm2::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && MainDlg())
    MainDlg()->showMinimized();
}

void TForm2::closeEvent(QCloseEvent* event) {
  if (!SavePair()) {
    event->ignore();
    return;
  }
  event->accept();
  ReleaseRecords();
  leftCursor_->Close();
  const QPoint where = pos();
  const bool exitRequested = ExitRequested;
  hide();
  if (OnHidden) OnHidden(where, CurrentLetter, exitRequested);
}

int32_t TForm2::Count() {
  TDbTable& records = tables_.Records;
  if (!records.Active()) return 0;
  try {
    return static_cast<int32_t>(::RecordCount(records));
  } catch (const std::exception&) {
    return 0;
  }
}

void TForm2::SelectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') letter = 'A';
  LetterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
  CurrentLetter = letter;
  pair_ = TPagePair{};
  TDbTable& records = tables_.Records;
  if (!records.Active()) return;
  ReleaseRecords();
  try {
    if (!SetLetterRange(records, letter) && LetterTabsOn) {
      // The range could not be set: the letters do not apply any more.
      LetterTabsOn = false;
      Panel5->hide();
    }
  } catch (const std::exception& e) {
    LetterTabsOn = false;
    Panel5->hide();
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
}

void TForm2::ReleaseRecords() {
  CancelQuietly(*leftCursor_);
  CancelQuietly(tables_.Records);
}

void TForm2::ClearPage(int page) {
  for (QWidget* e : Editors(page)) ClearEditor(e);
}

void TForm2::FillPage(int page, const TPageValues& values) {
  const auto& editors = Editors(page);
  for (int k = 0; k < kPageFieldCount; ++k) {
    QWidget* e = editors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<TPictureBox*>(e))
      pic->SetPicture(values.picture);
    else
      SetEditorText(e, values.text[static_cast<size_t>(k)]);
  }
}

TPageValues TForm2::PageValues(int page) const {
  TPageValues v;
  const auto& editors = Editors(page);
  for (int k = 0; k < kPageFieldCount; ++k) {
    const QWidget* e = editors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<const TPictureBox*>(e))
      v.picture = pic->Picture();
    else
      v.text[static_cast<size_t>(k)] = EditorText(e);
  }
  return v;
}

bool TForm2::PageEmpty(int page) const { return PageIsEmpty(PageValues(page)); }

void TForm2::LoadPair() {
  LeftNew = RightNew = LeftInUse = RightInUse = false;
  LeftLetter = RightLetter = 0;
  leftRecNo_ = rightRecNo_ = 0;
  ReleaseRecords();
  TDbTable& records = tables_.Records;
  const bool ro = IsReadOnlyDatabase();
  count_ = Count();
  // The count first: counting moves the shared cursor, which would post the
  // right record's edit and let its lock go.
  if (LetterTabsOn && LetterTabsActive()) CountLetter(records, CurrentLetter);
  if (pair_.left >= count_) {
    LeftNew = RightNew = true;
    return;
  }
  auto showMemoProblem = [](const dbase::Table& t) {
    ShowMessage(MsgKind::Error, CorruptMemoText(t), MsgButtons::OkHelp, 62);
  };
  dbase::Table& shared = records.Engine();
  GoToPosition(records, static_cast<uint32_t>(pair_.left));
  if (shared.eof()) {
    LeftNew = RightNew = true;
    return;
  }
  leftRecNo_ = shared.recNo();
  dbase::Table& left = leftCursor_->Engine();
  if (leftCursor_->Active()) {
    left.goToRecord(leftRecNo_);
    if (!ro) {
      try {
        left.edit();
      } catch (const dbase::Error&) {
        LeftInUse = true;
      }
    }
  } else {
    LeftInUse = true;  // nothing to hold the lock with
  }
  bool memoFailed = false;
  const dbase::Table& source = leftCursor_->Active() ? left : shared;
  FillPage(0, ReadPage(source, &memoFailed));
  if (memoFailed) showMemoProblem(source);
  if (FirstFieldIsText()) LeftLetter = FirstLetter(leftCursor_->Active() ? *leftCursor_ : records);
  shared.next();
  if (shared.eof()) {
    RightNew = true;
    return;
  }
  rightRecNo_ = shared.recNo();
  if (!ro) {
    try {
      shared.edit();
    } catch (const dbase::Error&) {
      RightInUse = true;
    }
  }
  memoFailed = false;
  FillPage(1, ReadPage(shared, &memoFailed));
  if (memoFailed) showMemoProblem(shared);
  if (FirstFieldIsText()) RightLetter = FirstLetter(records);
}

void TForm2::Refresh() {
  ClearPage(0);
  ClearPage(1);
  if (HighlightedEditor) {
    ColorEditor(HighlightedEditor, !HighlightedEditor->isEnabled());
    HighlightedEditor = nullptr;
  }
  if (!tables_.Records.Active()) return;
  try {
    LoadPair();
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  const bool ro = IsReadOnlyDatabase();
  for (int page = 0; page < 2; ++page) {
    QLabel* status = page == 0 ? LStatus : RStatus;
    if (ro)
      status->setText(kReadOnly);
    else if (page == 0 ? LeftInUse : RightInUse)
      status->setText(kInUse);
    else if (page == 0 ? LeftNew : RightNew)
      status->setText(kNewRecord);
    else
      status->setText(kReadWrite);
  }
  ApplyAccess();
  const bool tabs = LetterTabsOn && LetterTabsActive();
  const bool first = pair_.left != 0;
  const bool pgUp = pair_.left != 0 || (tabs && CurrentLetter != 'A');
  const bool pgDn = pair_.left + 1 < count_ || (tabs && CurrentLetter != 'Z');
  const bool last = !(pair_.left + 2 >= count_);
  B_First->setEnabled(first);
  B_PgUp->setEnabled(pgUp);
  B_PgDn->setEnabled(pgDn);
  B_Last->setEnabled(last);
  First1->setEnabled(first);
  PageUp1->setEnabled(pgUp);
  PageDown1->setEnabled(pgDn);
  Last1->setEnabled(last);
  if (!ro && !(LeftInUse && RightInUse))
    FocusPage(pair_.requested != pair_.left || LeftInUse ? 1 : 0);
  PgL_Lbl->setText(QString::number(pair_.left + 1).left(6));
  PgR_Lbl->setText(QString::number(pair_.left + 2).left(6));
}

void TForm2::FocusPage(int page) {
  const int part = PagePart(0);
  SelectPart(page, part);
  for (QWidget* e : Editors(page))
    if (PartOfField(e->property("Tag").toInt() - 1) == part) {
      e->setFocus();
      break;
    }
}

int TForm2::PagePart(int page) const { return (page == 0 ? TabSet2 : TabSet3)->currentIndex(); }

void TForm2::SelectPart(int page, int part) {
  if (part < 0 || part >= kPageParts) return;
  (page == 0 ? TabSet2 : TabSet3)->setCurrentIndex(part);
}

// ---------------------------------------------------------------- saving

bool TForm2::SavePage(int page, TDbTable& cursor, char* letter, bool moveLetters) {
  const TPageValues values = PageValues(page);
  dbase::Table& t = cursor.Engine();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool posted = false;
  bool memoFailed = false;
  char newLetter = 0;
  for (int attempt = 0; attempt < kPostAttempts && !posted; ++attempt) {
    try {
      if (!Editing(t)) t.edit();
      if (moveLetters && t.state() == dbase::Table::State::Insert && t.isEmpty(0))
        NextRecordNumber(cursor, tables_.Catalogue);
      memoFailed = false;
      WritePage(t, values, QDate::currentDate(), &memoFailed);
      newLetter = FirstLetter(cursor);
      t.post();
      posted = true;
    } catch (const std::exception&) {
    }
  }
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  // A record that could not be posted must not be posted by the next move.
  if (!posted) CancelQuietly(cursor);
  if (memoFailed) ShowMessage(MsgKind::Error, CorruptMemoText(t), MsgButtons::OkHelp, 62);
  if (posted && moveLetters && FirstFieldIsText()) {
    const char oldLetter = letter ? *letter : 0;
    if (oldLetter != newLetter) AdjustLetterCounts(oldLetter, newLetter);
    if (letter) *letter = newLetter;
  }
  return posted;
}

bool TForm2::SavePair() {
  TDbTable& records = tables_.Records;
  if (!records.Active()) return true;
  const bool ro = IsReadOnlyDatabase();
  std::vector<QString> labels;
  for (QLabel* l : LeftLabels) labels.push_back(l->text());
  TPageState state[2];
  QString problems;
  for (int page = 0; page < 2; ++page) {
    TPageState& s = state[page];
    const TPageValues v = PageValues(page);
    s.isNew = page == 0 ? LeftNew : RightNew;
    s.inUse = page == 0 ? LeftInUse : RightInUse;
    s.empty = PageIsEmpty(v);
    const QString bad =
        s.empty || s.inUse ? QString() : PageInputProblems(v, records.Engine(), labels);
    s.passes = PagePassesRequired(v) && bad.isEmpty();
    if (!bad.isEmpty()) problems += (problems.isEmpty() ? QString() : QStringLiteral("\r")) + bad;
  }
  switch (DecidePairSave(state[0], state[1], ro)) {
    case TPairVerdict::Continue: return true;
    case TPairVerdict::Ask:
      return AskYesNo(
          MsgKind::Warning,
          (problems.isEmpty() ? AppSettings().FirstFieldEmptyMsg : problems) + kDiscardQuestion);
    case TPairVerdict::Save: break;
  }
  dbase::Table& shared = records.Engine();
  bool ok = true;
  try {
    // Right page on the shared cursor, which holds its lock.
    if (StorePage(state[1])) {
      if (RightNew) {
        shared.append();
      } else if (shared.recNo() != rightRecNo_) {
        // Only after a refused leave: an earlier save moved the cursor.
        CancelQuietly(records);
        shared.goToRecord(rightRecNo_);
      }
      if (SavePage(1, records, &RightLetter, true)) {
        RightNew = false;  // stored: staying on the pair must not add it twice
        rightRecNo_ = shared.recNo();
      } else {
        ok = false;
      }
    } else {
      CancelQuietly(records);
    }
    // Left page: its lock moves from the left cursor to the shared one.
    if (StorePage(state[0])) {
      if (LeftNew) {
        shared.append();
      } else {
        shared.goToRecord(leftRecNo_);
        CancelQuietly(*leftCursor_);
      }
      if (SavePage(0, records, &LeftLetter, true)) {
        LeftNew = false;
        leftRecNo_ = shared.recNo();
      } else {
        ok = false;
      }
    } else {
      CancelQuietly(*leftCursor_);
      CancelQuietly(records);
    }
  } catch (const std::exception&) {
    CancelQuietly(records);
    ok = false;
  }
  if (!ok)
    return AskYesNo(MsgKind::Warning,
                    QStringLiteral("Could not Update the record!") + kDiscardQuestion);
  return true;
}

// ---------------------------------------------------------------- navigation

void TForm2::B_FirstClick() {
  if (pair_.left == 0 || !SavePair()) return;
  pair_ = TPagePair{};
  Refresh();
}

void TForm2::B_PgUpClick() {
  const bool tabs = LetterTabsOn && LetterTabsActive();
  if (pair_.left != 0) {
    if (!SavePair()) return;
    pair_.left -= 2;
    pair_.requested = pair_.left;
    Refresh();
  } else if (tabs && CurrentLetter > 'A') {
    if (!SavePair()) return;
    SelectLetter(static_cast<char>(CurrentLetter - 1));
    pair_.Last(Count());
    Refresh();
  }
}

void TForm2::B_PgDnClick() {
  const bool tabs = LetterTabsOn && LetterTabsActive();
  if (pair_.left + 1 >= count_) {
    if (tabs && CurrentLetter < 'Z') {
      if (!SavePair()) return;
      SelectLetter(static_cast<char>(CurrentLetter + 1));
      Refresh();
    }
    return;
  }
  if (!SavePair()) return;
  pair_.left += 2;
  pair_.requested = pair_.left;
  Refresh();
}

void TForm2::B_LastClick() {
  if (pair_.left + 2 >= count_ || !SavePair()) return;
  ReleaseRecords();
  pair_.Last(Count());
  Refresh();
}

void TForm2::B_NewClick() {
  if (IsReadOnlyDatabase() || !SavePair()) return;
  ReleaseRecords();
  pair_.NewRecord(Count());
  Refresh();
  FocusPage(pair_.requested != pair_.left ? 1 : 0);
}

void TForm2::LetterClick(int index) {
  if (!LetterTabsOn || !SavePair()) return;
  SelectLetter(static_cast<char>('A' + index));
  Refresh();
}

// ---------------------------------------------------------------- page commands

void TForm2::UndoClick(int page) {
  const bool isNew = page == 0 ? LeftNew : RightNew;
  if (isNew) {
    ClearPage(page);
    return;
  }
  const dbase::Table& source = page == 0 ? leftCursor_->Engine() : tables_.Records.Engine();
  bool memoFailed = false;
  try {
    FillPage(page, ReadPage(source, &memoFailed));
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  if (memoFailed) ShowMessage(MsgKind::Error, CorruptMemoText(source), MsgButtons::OkHelp, 62);
}

void TForm2::CopyClick(int page) {
  if (IsReadOnlyDatabase()) return;
  if (PageEmpty(page)) {
    ShowMessage(MsgKind::Warning, QStringLiteral("Empty Record - Not Copied!"));
    return;
  }
  TDbTable& copy = tables_.Copy;
  if (!copy.Active()) return;
  try {
    copy.Engine().first();
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
    return;
  }
  if (SavePage(page, copy, nullptr, false)) {
    AppSettings().CopyBufferFull = true;
    ApplyAccess();
  }
}

void TForm2::PasteClick(int page) {
  TDbTable& copy = tables_.Copy;
  if (!AppSettings().CopyBufferFull || !copy.Active()) return;
  bool memoFailed = false;
  try {
    dbase::Table& t = copy.Engine();
    t.first();
    if (t.eof()) return;
    FillPage(page, ReadPage(t, &memoFailed));
    if (memoFailed) ShowMessage(MsgKind::Error, CorruptMemoText(t), MsgButtons::OkHelp, 62);
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
}

void TForm2::DeleteClick(int page) {
  if (IsReadOnlyDatabase()) return;
  if (page == 0 && pair_.left >= count_) return;
  if (page == 1 && PageEmpty(1)) return;
  int chosen = page;
  if (AppSettings().DeleteMode == 0) {
    const std::optional<int> answer = TDeleteDlg::Ask(this, page);
    if (!answer) {
      ShowMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
      return;
    }
    chosen = *answer;
  }
  DeletePage(chosen);
}

bool TForm2::KeepOtherPage(int page) {
  const int other = 1 - page;
  const bool isNew = other == 0 ? LeftNew : RightNew;
  if (IsReadOnlyDatabase() || (other == 0 ? LeftInUse : RightInUse)) return true;
  const TPageValues v = PageValues(other);
  if (PageIsEmpty(v)) return true;
  std::vector<QString> labels;
  for (QLabel* l : LeftLabels) labels.push_back(l->text());
  const QString bad = PageInputProblems(v, tables_.Records.Engine(), labels);
  if (!bad.isEmpty() || !PagePassesRequired(v))
    return AskYesNo(MsgKind::Warning,
                    (bad.isEmpty() ? AppSettings().FirstFieldEmptyMsg : bad) + kDiscardQuestion);
  // The other page's record stays held by its own cursor while it is saved.
  TDbTable& cursor = other == 0 ? *leftCursor_ : tables_.Records;
  try {
    if (isNew) cursor.Engine().append();
  } catch (const std::exception&) {
    return AskYesNo(MsgKind::Warning,
                    QStringLiteral("Could not Update the record!") + kDiscardQuestion);
  }
  char& letter = other == 0 ? LeftLetter : RightLetter;
  if (isNew) letter = 0;
  if (!SavePage(other, cursor, &letter, true))
    return AskYesNo(MsgKind::Warning,
                    QStringLiteral("Could not Update the record!") + kDiscardQuestion);
  return true;
}

bool TForm2::DeletePage(int page) {
  if (page == 0 ? LeftNew : RightNew) {
    ClearPage(page);
    return true;
  }
  // Deleting shows the pair again: the other page's edits are saved first.
  if (!KeepOtherPage(page)) return false;
  TDbTable& cursor = page == 0 ? *leftCursor_ : tables_.Records;
  dbase::Table& t = cursor.Engine();
  try {
    const char letter = FirstLetter(cursor);
    t.deleteRecord();
    if (FirstFieldIsText()) AdjustLetterCounts(letter, 0);
  } catch (const std::exception&) {
    CancelQuietly(cursor);
    ShowMessage(MsgKind::Error, QStringLiteral("Record in use - not Deleted!"));
    return false;
  }
  ReleaseRecords();
  pair_.PositionOn(pair_.requested, Count());
  Refresh();
  return true;
}

void TForm2::PopupMenuPopup(int page) {
  PopupItems& items = Popup[static_cast<size_t>(page)];
  items.undo->setEnabled((page == 0 ? B_LUndo : B_RUndo)->isEnabled());
  items.paste->setEnabled((page == 0 ? B_LPaste : B_RPaste)->isEnabled());
  items.copy->setEnabled((page == 0 ? B_LCopy : B_RCopy)->isEnabled());
  items.del->setEnabled((page == 0 ? B_LDelete : B_RDelete)->isEnabled());
  QMenu* view = ViewCopyBuffer[static_cast<size_t>(page)];
  view->clear();
  view->setEnabled(items.paste->isEnabled());
  TDbTable& copy = tables_.Copy;
  if (!AppSettings().CopyBufferFull || IsReadOnlyDatabase() || !copy.Active()) return;
  try {
    dbase::Table& t = copy.Engine();
    t.first();
    if (t.eof()) return;
    for (int f = AppSettings().FirstUserField; f < static_cast<int>(t.fields().size()); ++f)
      view->addAction(QuickViewText(t, f));
  } catch (const std::exception&) {
    ShowMessage(MsgKind::Error, CorruptMemoText(copy.Engine()));
  }
}

// ---------------------------------------------------------------- find hits and lookups

void TForm2::ShowFindHit(int field, int start, int length) {
  if (field < 0 || field >= kPageFieldCount) return;
  const int page = pair_.requested == pair_.left ? 0 : 1;
  SelectPart(page, PartOfField(field));
  if (HighlightedEditor) ColorEditor(HighlightedEditor, !HighlightedEditor->isEnabled());
  HighlightedEditor = nullptr;
  if (page == 0 ? LeftInUse : RightInUse) return;
  QWidget* e = Editors(page)[static_cast<size_t>(field)];
  if (!IsReadOnlyDatabase()) e->setFocus();
  if (qobject_cast<TPictureBox*>(e)) return;
  QPalette p = e->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, Qt::red);
    p.setColor(group, QPalette::Text, Qt::yellow);
  }
  if (auto* edit = qobject_cast<TPageEdit*>(e); edit && edit->Kind() == TEditorKind::Currency) {
    const TParsedNumber n = ParseNumberText(edit->text());
    const QColor c = ElementColor(n.value && *n.value < 0 ? 22 : 21);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      p.setColor(group, QPalette::Text, c);
  }
  e->setPalette(p);
  HighlightedEditor = e;
  if (auto* memo = qobject_cast<TMemoEdit*>(e)) {
    QTextCursor c = memo->textCursor();
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    memo->setTextCursor(c);
  }
}

bool TForm2::FindBeforeFind() {
  if (!SavePair()) return false;
  Refresh();
  return true;
}

bool TForm2::FindBeforeFindAgain(char searchLetter) {
  if (LetterTabsOn && LetterTabsActive() && searchLetter >= 'A' && searchLetter <= 'Z' &&
      CurrentLetter != searchLetter) {
    if (!SavePair()) return false;
    SelectLetter(searchLetter);
    Refresh();
  }
  setEnabled(false);  // the search moves the table's cursor
  return true;
}

void TForm2::FindOnNotFound(char searchLetter) {
  setEnabled(true);
  if (LetterTabsOn && LetterTabsActive() && searchLetter >= 'A' && searchLetter <= 'Z' &&
      CurrentLetter != searchLetter)
    SelectLetter(searchLetter);
  Refresh();
}

void TForm2::FindOnFound(char letter, int32_t position, int field, int start, int length) {
  setEnabled(true);
  if (letter >= 'A' && letter <= 'Z' && letter != CurrentLetter) {
    // The search already applied the letter's range.
    LetterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
    CurrentLetter = letter;
  }
  ReleaseRecords();
  pair_.PositionOn(position, Count());
  Refresh();
  ShowFindHit(field, start, length);
}

bool TForm2::FindBeforeMarkAll(bool nonStop) {
  if (!SavePair()) return false;
  if (nonStop) {
    ClosingForFind = true;
    LeftInUse = RightInUse = true;  // saved already: closing saves nothing
    close();
  }
  return true;
}

QWidget* TForm2::FieldLookup(int k) const {
  if (k < 0 || k >= kPageFieldCount) return nullptr;
  return FieldDesigns()[static_cast<size_t>(k)].kind == TEditorKind::Lookup
             ? LeftEditors[static_cast<size_t>(k)]
             : nullptr;
}

QString TForm2::FieldLookupSource(int k) const {
  if (k < 0 || k >= kPageFieldCount) return {};
  const char* list = FieldDesigns()[static_cast<size_t>(k)].lookupList;
  return list ? QString::fromLatin1(list) : QString();
}

// ---------------------------------------------------------------- keys

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != this || !isEnabled() || !isVisible()) return false;
  // The key arrives once at the focus widget; its parents see it only when
  // nobody took it, and then we already looked.
  if (w != QApplication::focusWidget() && QApplication::focusWidget() &&
      QApplication::focusWidget()->window() == this)
    return false;
  return HandleKey(static_cast<QKeyEvent*>(event));
}

bool TForm2::HandleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  const int key = event->key();
  auto ifEnabled = [](QToolButton* b, auto&& action) {
    if (b->isEnabled()) action();
    return true;
  };
  if (mods == Qt::ControlModifier || mods == Qt::AltModifier) {
    const int page = mods == Qt::ControlModifier ? 0 : 1;
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
      SelectPart(page, key - Qt::Key_1);  // parts that do not exist are ignored
      return true;
    }
    switch (key) {
      case Qt::Key_Delete:
        return ifEnabled(page == 0 ? B_LDelete : B_RDelete, [&] { DeleteClick(page); });
      case Qt::Key_O: return ifEnabled(page == 0 ? B_LCopy : B_RCopy, [&] { CopyClick(page); });
      case Qt::Key_P: return ifEnabled(page == 0 ? B_LPaste : B_RPaste, [&] { PasteClick(page); });
      case Qt::Key_U: return ifEnabled(page == 0 ? B_LUndo : B_RUndo, [&] { UndoClick(page); });
      default: break;
    }
  }
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_PageUp: B_PgUpClick(); return true;
      case Qt::Key_PageDown: B_PgDnClick(); return true;
      case Qt::Key_End: B_LastClick(); return true;
      case Qt::Key_Home: B_FirstClick(); return true;
      default: break;
    }
  }
  if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
      if (LetterTabsOn && LetterTabsActive()) LetterClick(key - Qt::Key_A);
      return true;
    }
    return false;
  }
  if (mods != Qt::NoModifier) return false;
  const QPoint origin = frameGeometry().topLeft();
  if (key == Qt::Key_F2) {
    PopupMenu1->popup(origin + QPoint(50, 100));
    return true;
  }
  if (key == Qt::Key_F3) {
    PopupMenu2->popup(origin + QPoint(frameGeometry().width() / 2 + 50, 100));
    return true;
  }
  return false;
}
