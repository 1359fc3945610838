#include "book/recordpages/recordpagesview.h"


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

#include "book/bookpage.h"
#include "ui/colorbutton.h"
#include "store/database.h"
#include "book/recordpages/confirmpagedialog.h"
#include "ui/editormenu.h"
#include "book/viewhost.h"
#include "core/labels.h"
#include "store/letters.h"
#include "ui/pageeditors.h"
#include "core/prompt.h"
#include "ui/qtprompter.h"
#include "book/recordpage.h"
#include "store/recordtext.h"
#include "core/settings.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "ui/elementcolors.h"

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

bool editing(const dbase::Table& t) {
  return t.state() == dbase::Table::State::Edit || t.state() == dbase::Table::State::Insert;
}

void cancelQuietly(DbTable& table) {
  try {
    if (table.active() && editing(table.engine())) table.engine().cancel();
  } catch (const std::exception&) {
  }
}

bool firstFieldIsText() {
  const AppSettings& s = appSettings();
  const uint8_t f = sortState().firstField;
  return f >= s.firstUserField && s.stringFields.test(f);
}

}  // namespace

RecordPagesView::RecordPagesView(StoreTables& tables, QWidget* owner)
    : QMainWindow(owner, Qt::Window), tables_(tables), leftCursor_(std::make_unique<DbTable>()) {
  setObjectName(QStringLiteral("recordPagesView"));
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("client"));
  central->setAutoFillBackground(true);
  setCentralWidget(central);
  editMenu = new EditorMenu(this);
  buildPages();
  buildLetterColumn();
  buildSpeedBar();
  buildMenus();
  // Nothing sits on the advanced bar of this view: its tab set stays hidden.
  hasAdvancedBar = !advancedBar->findChildren<QToolButton*>().isEmpty();
  if (labels().isEmpty())
    for (const FieldDesign& d : fieldDesigns()) labels() << QString::fromLatin1(d.caption);
  applyLayout();
  applyColors();
  qApp->installEventFilter(this);
}

RecordPagesView::~RecordPagesView() {
  qApp->removeEventFilter(this);
  releaseRecords();
  leftCursor_->close();
}

// ---------------------------------------------------------------- building

void RecordPagesView::buildPages() {
  leftPage = new BookPage(centralWidget(), true);
  rightPage = new BookPage(centralWidget(), false);
  leftPage->setObjectName(QStringLiteral("leftPage"));
  rightPage->setObjectName(QStringLiteral("rightPage"));
  for (QFrame* p : {leftPage, rightPage}) p->resize(kPageWidth, kPageHeight);
  buildPage(0);
  buildPage(1);
}

void RecordPagesView::buildPage(int page) {
  const bool left = page == 0;
  QFrame* panel = left ? leftPage : rightPage;
  const int inner = left ? 8 : 26;  // clear of the binding shade
  const int width = kPageWidth - 34;
  QLabel*& status = left ? leftStatus : rightStatus;
  status = new QLabel(kReadWrite, panel);
  status->setObjectName(left ? QStringLiteral("LStatus") : QStringLiteral("RStatus"));
  status->setAlignment(Qt::AlignCenter);
  status->setFrameShape(QFrame::Panel);
  status->setFrameShadow(QFrame::Sunken);
  status->setGeometry(inner, kStatusTop, width, 20);

  QStackedWidget*& parts = left ? leftParts : rightParts;
  parts = new QStackedWidget(panel);
  parts->setGeometry(inner, kPartsTop, width, kPartsHeight);
  auto& editors = left ? leftEditors : rightEditors;
  auto& labels = left ? leftLabels : RightLabels;
  const QString prefix = left ? QStringLiteral("L") : QStringLiteral("R");
  buildPageParts(parts, prefix, width, kPartsHeight, 92, editMenu,
                 {&editors, &labels, &DateEditors, left ? &partEditorCounts : nullptr});

  QTabBar*& tabs = left ? leftPartTabs : rightPartTabs;
  tabs = new QTabBar(panel);
  tabs->setObjectName(left ? QStringLiteral("leftPartTabs") : QStringLiteral("rightPartTabs"));
  for (int part = 1; part <= kPageParts; ++part) tabs->addTab(QStringLiteral("Part %1").arg(part));
  tabs->setShape(QTabBar::TriangularSouth);
  tabs->setDrawBase(false);
  tabs->setFocusPolicy(Qt::NoFocus);
  tabs->setToolTip(left ? QStringLiteral("Select Part of the Record [Ctrl+#]")
                        : QStringLiteral("Select Part of the Record [Alt+#]"));
  tabs->setGeometry(inner, kPartsTop + kPartsHeight + 2, width, 24);
  connect(tabs, &QTabBar::currentChanged, parts, &QStackedWidget::setCurrentIndex);

  QFrame*& bar = left ? leftPageBar : rightPageBar;
  bar = new QFrame(panel);
  bar->setObjectName(left ? QStringLiteral("leftPageBar") : QStringLiteral("rightPageBar"));
  bar->setGeometry(inner, kBarTop, width, 34);
  std::vector<QToolButton*> buttons;
  if (left) {
    firstButton =
        speedBarButton(bar, "firstButton", "GoTo First Page [Ctrl+Home]", QStyle::SP_MediaSkipBackward);
    pageUpButton =
        speedBarButton(bar, "pageUpButton", "GoTo Previous Page [Ctrl+PgUp]", QStyle::SP_MediaSeekBackward);
    leftUndoButton = speedBarButton(bar, "leftUndoButton", "Undo Changes To Left Record [Ctrl+U]",
                        QStyle::SP_DialogResetButton);
    leftPasteButton = speedBarButton(bar, "leftPasteButton", "Paste From Copy Buffer To Left Record [Ctrl+P]",
                         QStyle::SP_DialogApplyButton);
    leftCopyButton = speedBarButton(bar, "leftCopyButton", "Copy Left Record To Copy Buffer [Ctrl+O]",
                        QStyle::SP_FileDialogNewFolder);
    leftDeleteButton =
        speedBarButton(bar, "leftDeleteButton", "Delete Left Record [Ctrl+Delete]", QStyle::SP_TrashIcon);
    leftPrintButton =
        speedBarButton(bar, "leftPrintButton", "Print Left Record [Ctrl+R]", QStyle::SP_DialogSaveButton);
    buttons = {firstButton, pageUpButton, leftUndoButton, leftPasteButton, leftCopyButton, leftDeleteButton, leftPrintButton};
  } else {
    rightPrintButton =
        speedBarButton(bar, "rightPrintButton", "Print Right Record [Alt+R]", QStyle::SP_DialogSaveButton);
    rightDeleteButton =
        speedBarButton(bar, "rightDeleteButton", "Delete Right Record [Alt+Delete]", QStyle::SP_TrashIcon);
    rightCopyButton = speedBarButton(bar, "rightCopyButton", "Copy Right Record To Copy Buffer [Alt+O]",
                        QStyle::SP_FileDialogNewFolder);
    rightPasteButton = speedBarButton(bar, "rightPasteButton", "Paste From Copy Buffer To Right Record [Alt+P]",
                         QStyle::SP_DialogApplyButton);
    rightUndoButton = speedBarButton(bar, "rightUndoButton", "Undo Changes To Right Record [Alt+U]",
                        QStyle::SP_DialogResetButton);
    pageDownButton = speedBarButton(bar, "pageDownButton", "GoTo Next Page [Ctrl+PgDn]", QStyle::SP_MediaSeekForward);
    lastButton = speedBarButton(bar, "lastButton", "GoTo Last Page [Ctrl+End]", QStyle::SP_MediaSkipForward);
    buttons = {rightPrintButton, rightDeleteButton, rightCopyButton, rightPasteButton, rightUndoButton, pageDownButton, lastButton};
  }
  const int step = width / 7;
  for (size_t i = 0; i < buttons.size(); ++i)
    buttons[i]->setGeometry(static_cast<int>(i) * step + 1, 2, step - 2, 30);
  if (left) {
    connect(firstButton, &QToolButton::clicked, this, &RecordPagesView::onFirstClicked);
    connect(pageUpButton, &QToolButton::clicked, this, &RecordPagesView::onPageUpClicked);
  } else {
    connect(pageDownButton, &QToolButton::clicked, this, &RecordPagesView::onPageDownClicked);
    connect(lastButton, &QToolButton::clicked, this, &RecordPagesView::onLastClicked);
  }
  connect(left ? leftUndoButton : rightUndoButton, &QToolButton::clicked, this, [this, page] { onUndoClicked(page); });
  connect(left ? leftPasteButton : rightPasteButton, &QToolButton::clicked, this,
          [this, page] { onPasteClicked(page); });
  connect(left ? leftCopyButton : rightCopyButton, &QToolButton::clicked, this, [this, page] { onCopyClicked(page); });
  connect(left ? leftDeleteButton : rightDeleteButton, &QToolButton::clicked, this,
          [this, page] { onDeleteClicked(page); });
  // Printing comes with the report subsystem.
  (left ? leftPrintButton : rightPrintButton)->setEnabled(false);

  QFont numberFont(QStringLiteral("Arial"));
  numberFont.setPixelSize(11);
  numberFont.setItalic(true);
  QLabel*& number = left ? leftPageNumber : rightPageNumber;
  number = new QLabel(QStringLiteral("999999"), panel);
  number->setObjectName(left ? QStringLiteral("leftPageNumber") : QStringLiteral("rightPageNumber"));
  number->setFont(numberFont);
  number->setGeometry(left ? 10 : kPageWidth - 70, kPageHeight - 18, 60, 14);
  number->setAlignment((left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);

  buildPopup(page);
  panel->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(panel, &QWidget::customContextMenuRequested, this, [this, page, panel](const QPoint& at) {
    (page == 0 ? leftPageMenu : rightPageMenu)->popup(panel->mapToGlobal(at));
  });
}

void RecordPagesView::buildPopup(int page) {
  QMenu*& menu = page == 0 ? leftPageMenu : rightPageMenu;
  menu = new QMenu(this);
  menu->setObjectName(page == 0 ? QStringLiteral("leftPageMenu") : QStringLiteral("rightPageMenu"));
  QAction* title = menu->addAction(page == 0 ? QStringLiteral("Left Record:")
                                             : QStringLiteral("Right Record :"));
  title->setEnabled(false);
  menu->addSeparator();
  viewCopyBuffer[static_cast<size_t>(page)] = menu->addMenu(QStringLiteral("&View Copy Buffer"));
  menu->addSeparator();
  PopupItems& items = popup[static_cast<size_t>(page)];
  items.paste =
      menu->addAction(QStringLiteral("&Paste Record"), [this, page] { onPasteClicked(page); });
  items.copy = menu->addAction(QStringLiteral("C&opy Record"), [this, page] { onCopyClicked(page); });
  items.undo = menu->addAction(QStringLiteral("&Undo Changes"), [this, page] { onUndoClicked(page); });
  items.del =
      menu->addAction(QStringLiteral("&Delete Record"), [this, page] { onDeleteClicked(page); });
  items.print = menu->addAction(QStringLiteral("P&rint Record"));
  items.print->setEnabled(false);
  menu->addSeparator();
  menu->addAction(QStringLiteral("&Help"), [] { showHelpTopic(31); });
  connect(menu, &QMenu::aboutToShow, this, [this, page] { preparePageMenu(page); });
}

void RecordPagesView::buildLetterColumn() {
  letterColumn = ::buildLetterColumn(centralWidget(), kLetterColumnWidth, kPageHeight,
                               (kPageHeight - 26 * 16) / 2, 16, letterButtons,
                               [this](int i) { onLetterClicked(i); });
  letterColumn->setAutoFillBackground(true);
}

void RecordPagesView::buildSpeedBar() {
  standardBar = new QFrame(centralWidget());
  advancedBar = new QFrame(centralWidget());
  standardBar->setObjectName(QStringLiteral("standardBar"));
  advancedBar->setObjectName(QStringLiteral("advancedBar"));
  for (QFrame* bar : {standardBar, advancedBar}) {
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setAutoFillBackground(true);
  }
  searchButton = speedBarButton(standardBar, "searchButton", "Find Text", QStyle::SP_FileDialogContentsView, "Find");
  contentsButton = speedBarButton(standardBar, "contentsButton", "Return to Table Of Contents", QStyle::SP_FileDialogListView,
                    "TOC");
  newButton = speedBarButton(standardBar, "newButton", "Add New Record", QStyle::SP_FileIcon, "New");
  exitButton = speedBarButton(standardBar, "exitButton", "Program Shutdown", QStyle::SP_DialogCloseButton, "Exit");
  helpButton = speedBarButton(standardBar, "helpButton", "Display Help Window", QStyle::SP_DialogHelpButton, "Help");
  int x = 4;
  for (QToolButton* b : {searchButton, contentsButton, newButton, exitButton, helpButton}) {
    b->setGeometry(x, 2, 68, kSpeedBarHeight - 4);
    x += 70;
  }
  // The find dialog comes with its own subsystem.
  searchButton->setEnabled(false);
  connect(contentsButton, &QToolButton::clicked, this, &QWidget::close);
  connect(newButton, &QToolButton::clicked, this, &RecordPagesView::onNewClicked);
  connect(exitButton, &QToolButton::clicked, this, [this] {
    exitRequested = true;
    if (!close()) exitRequested = false;
  });
  connect(helpButton, &QToolButton::clicked, this, [] { showHelpTopic(kHelpContext); });
  advancedBar->hide();

  speedBarTabs = new QTabBar(centralWidget());
  speedBarTabs->setObjectName(QStringLiteral("speedBarTabs"));
  speedBarTabs->addTab(QStringLiteral("Standard"));
  speedBarTabs->addTab(QStringLiteral("Advanced"));
  speedBarTabs->setShape(QTabBar::TriangularSouth);
  speedBarTabs->setToolTip(QStringLiteral("Click on Tabs to select Menu Bar"));
  speedBarTabs->setFocusPolicy(Qt::NoFocus);
  speedBarTabs->setDrawBase(false);
  connect(speedBarTabs, &QTabBar::currentChanged, this, [this](int i) {
    standardBar->setVisible(i == 0);
    advancedBar->setVisible(i == 1);
  });
}

void RecordPagesView::buildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  newRecordAction = file->addAction(QStringLiteral("&New Record"), this, &RecordPagesView::onNewClicked);
  printLeftAction = file->addAction(QStringLiteral("Print &Left Record"));
  printRightAction = file->addAction(QStringLiteral("Print &Right Record"));
  contentsAction = file->addAction(QStringLiteral("&Table Of Contents"), this, &QWidget::close);
  exitAction = file->addAction(QStringLiteral("E&xit"), this, [this] { exitButton->click(); });
  QMenu* search = bar->addMenu(QStringLiteral("&Search"));
  findAction = search->addAction(QStringLiteral("&Find"));
  QMenu* move = bar->addMenu(QStringLiteral("&Move"));
  firstAction = move->addAction(QStringLiteral("&First"), this, &RecordPagesView::onFirstClicked);
  pageUpAction = move->addAction(QStringLiteral("Page&Up"), this, &RecordPagesView::onPageUpClicked);
  pageDownAction = move->addAction(QStringLiteral("Page&Down"), this, &RecordPagesView::onPageDownClicked);
  lastAction = move->addAction(QStringLiteral("&Last"), this, &RecordPagesView::onLastClicked);
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  helpContentsAction =
      help->addAction(QStringLiteral("&Help Contents"), [] { showHelpTopic(kHelpContext); });
  for (QAction* a : {printLeftAction, printRightAction, findAction}) a->setEnabled(false);
}

// ---------------------------------------------------------------- layout and colours

void RecordPagesView::applyLayout() {
  const AppSettings& s = appSettings();
  const bool bars = s.menusAndSpeedBars != 1;
  const bool tabs = bars && hasAdvancedBar;
  menuBar()->setVisible(s.menusAndSpeedBars != 2);
  standardBar->setVisible(bars && (!tabs || speedBarTabs->currentIndex() == 0));
  advancedBar->setVisible(tabs && speedBarTabs->currentIndex() == 1);
  speedBarTabs->setVisible(tabs);
  const QSize client = placeBookParts(
      {leftPage, rightPage, letterColumn, standardBar, advancedBar, speedBarTabs, kPageWidth, kPageHeight, kLetterColumnWidth,
       kSpeedBarHeight},
      bars ? kSpeedBarHeight + (tabs ? kTabSetHeight : 0) : 0, s.speedBarLocation == 0,
      s.letterTabsLocation == 1);
  centralWidget()->setFixedSize(client);
  setFixedSize(client.width(),
               client.height() + (menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height()));
}

void RecordPagesView::colorEditor(QWidget* editor, bool inUse) {
  QPalette p = editor->palette();
  const bool memo = qobject_cast<MemoEdit*>(editor) != nullptr;
  if (inUse) {
    p.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
    p.setColor(QPalette::Text, QApplication::palette().color(QPalette::Disabled, QPalette::Text));
  } else {
    p.setColor(QPalette::Base, elementColor(memo ? 18 : 16));
    p.setColor(QPalette::Text, elementColor(memo ? 17 : 15));
  }
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, p.color(QPalette::Active, QPalette::Base));
    p.setColor(group, QPalette::Text, p.color(QPalette::Active, QPalette::Text));
  }
  editor->setPalette(p);
}

void RecordPagesView::applyColors() {
  for (int page = 0; page < 2; ++page) {
    for (QLabel* l : page == 0 ? leftLabels : RightLabels) {
      QPalette p = l->palette();
      p.setColor(QPalette::WindowText, elementColor(19));
      p.setColor(QPalette::Window, elementColor(20));
      l->setPalette(p);
    }
  }
  static_cast<BookPage*>(leftPage)->color = elementColor(24);
  static_cast<BookPage*>(rightPage)->color = elementColor(24);
  for (QWidget* w : {static_cast<QWidget*>(leftPartTabs), static_cast<QWidget*>(rightPartTabs),
                     static_cast<QWidget*>(leftParts), static_cast<QWidget*>(rightParts)}) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, elementColor(24));
    w->setPalette(p);
  }
  for (QFrame* bar : {standardBar, advancedBar}) {
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, elementColor(25));
    bar->setPalette(p);
  }
  QPalette p = centralWidget()->palette();
  p.setColor(QPalette::Window, elementColor(26));
  centralWidget()->setPalette(p);
  QPalette column = letterColumn->palette();
  column.setColor(QPalette::Window, elementColor(24));
  letterColumn->setPalette(column);
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  applyAccess();
  update();
}

void RecordPagesView::colorLetterTab(int index) {
  if (index >= 0 && index < 26)
    colorLetterButton(letterButtons[static_cast<size_t>(index)], index);
}

void RecordPagesView::applyLabels() {
  for (int k = 0; k < kPageFieldCount; ++k) {
    if (k >= labels().size()) break;
    leftLabels[static_cast<size_t>(k)]->setText(labels()[k]);
    RightLabels[static_cast<size_t>(k)]->setText(labels()[k]);
  }
}

void RecordPagesView::applyAccess() {
  const bool ro = isReadOnlyDatabase();
  const bool full = appSettings().copyBufferFull;
  for (int page = 0; page < 2; ++page) {
    const bool inUse = page == 0 ? leftInUse : rightInUse;
    const bool on = !ro && !inUse;
    for (QWidget* e : editors(page)) {
      e->setEnabled(on);
      colorEditor(e, !on);
    }
    (page == 0 ? leftUndoButton : rightUndoButton)->setEnabled(on);
    (page == 0 ? leftDeleteButton : rightDeleteButton)->setEnabled(on);
    (page == 0 ? leftPasteButton : rightPasteButton)->setEnabled(on && full);
    (page == 0 ? leftCopyButton : rightCopyButton)->setEnabled(!ro);
  }
  newButton->setEnabled(!ro);
  newRecordAction->setEnabled(!ro);
}

// ---------------------------------------------------------------- showing

void RecordPagesView::openAt(char letter, bool tabsOn, int32_t position) {
  letterTabsOn = tabsOn;
  selectLetter(letter);
  DbTable& records = tables_.records;
  leftCursor_->close();
  leftCursor_->databaseName = records.databaseName;
  leftCursor_->tableName = records.tableName;
  leftCursor_->exclusive = false;
  leftCursor_->indexName.clear();
  try {
    if (records.active()) leftCursor_->open();
  } catch (const dbase::Error& e) {
    showMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  pair_.positionOn(position, count());
  show();
  keepOnScreen();
  refresh();
}

void RecordPagesView::keepOnScreen() {
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

void RecordPagesView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous()) return;  // only restored from minimised
  applyLabels();
  applyLayout();
  applyColors();
  for (PageEdit* d : DateEditors) d->reformat();
  letterColumn->show();
  for (ColorButton* b : letterButtons) b->setEnabled(letterTabsOn);
  ownerRecolour_ = storeHooks().recolourTab;
  storeHooks().recolourTab = [this](int letter) { colorLetterTab(letter); };
  ownerIndexChanged_ = storeHooks().indexChanged;
  storeHooks().indexChanged = [this] { indexChanged(); };
  exitRequested = false;
  closingForFind = false;
}

void RecordPagesView::hideEvent(QHideEvent* event) {
  QMainWindow::hideEvent(event);
  if (event->spontaneous()) return;
  if (ownerRecolour_) {
    storeHooks().recolourTab = ownerRecolour_;
    for (int i = 0; i < 26; ++i) ownerRecolour_(i);
  }
  ownerRecolour_ = nullptr;
  if (ownerIndexChanged_) storeHooks().indexChanged = ownerIndexChanged_;
  ownerIndexChanged_ = nullptr;
}

void RecordPagesView::indexChanged() {
  DbTable& records = tables_.records;
  if (letterTabsActive()) countLetters(records);
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  selectLetter('A');
  refresh();
}

void RecordPagesView::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && mainDlg())
    mainDlg()->showMinimized();
}

void RecordPagesView::closeEvent(QCloseEvent* event) {
  if (!savePair()) {
    event->ignore();
    return;
  }
  event->accept();
  releaseRecords();
  leftCursor_->close();
  const QPoint where = pos();
  const bool exiting = exitRequested;
  hide();
  if (onHidden) onHidden(where, currentLetter, exiting);
}

int32_t RecordPagesView::count() {
  DbTable& records = tables_.records;
  if (!records.active()) return 0;
  try {
    return static_cast<int32_t>(::recordCount(records));
  } catch (const std::exception&) {
    return 0;
  }
}

void RecordPagesView::selectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') letter = 'A';
  letterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
  currentLetter = letter;
  pair_ = PagePair{};
  DbTable& records = tables_.records;
  if (!records.active()) return;
  releaseRecords();
  try {
    if (!setLetterRange(records, letter) && letterTabsOn) {
      // The range could not be set: the letters do not apply any more.
      letterTabsOn = false;
      letterColumn->hide();
    }
  } catch (const std::exception& e) {
    letterTabsOn = false;
    letterColumn->hide();
    showMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
}

void RecordPagesView::releaseRecords() {
  cancelQuietly(*leftCursor_);
  cancelQuietly(tables_.records);
}

void RecordPagesView::clearPage(int page) {
  for (QWidget* e : editors(page)) clearEditor(e);
}

void RecordPagesView::fillPage(int page, const PageValues& values) {
  const auto& pageEditors = editors(page);
  for (int k = 0; k < kPageFieldCount; ++k) {
    QWidget* e = pageEditors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<PictureBox*>(e))
      pic->setPicture(values.picture);
    else
      setEditorText(e, values.text[static_cast<size_t>(k)]);
  }
}

PageValues RecordPagesView::pageValues(int page) const {
  PageValues v;
  const auto& pageEditors = editors(page);
  for (int k = 0; k < kPageFieldCount; ++k) {
    const QWidget* e = pageEditors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<const PictureBox*>(e))
      v.picture = pic->Picture();
    else
      v.text[static_cast<size_t>(k)] = editorText(e);
  }
  return v;
}

bool RecordPagesView::pageEmpty(int page) const { return pageIsEmpty(pageValues(page)); }

void RecordPagesView::loadPair() {
  leftNew = rightNew = leftInUse = rightInUse = false;
  leftLetter = RightLetter = 0;
  leftRecNo_ = rightRecNo_ = 0;
  releaseRecords();
  DbTable& records = tables_.records;
  const bool ro = isReadOnlyDatabase();
  count_ = count();
  // The count first: counting moves the shared cursor, which would post the
  // right record's edit and let its lock go.
  if (letterTabsOn && letterTabsActive()) countLetter(records, currentLetter);
  if (pair_.left >= count_) {
    leftNew = rightNew = true;
    return;
  }
  auto showMemoProblem = [](const dbase::Table& t) {
    showMessage(MsgKind::Error, corruptMemoText(t), MsgButtons::OkHelp, 62);
  };
  dbase::Table& shared = records.engine();
  goToPosition(records, static_cast<uint32_t>(pair_.left));
  if (shared.eof()) {
    leftNew = rightNew = true;
    return;
  }
  leftRecNo_ = shared.recNo();
  dbase::Table& left = leftCursor_->engine();
  if (leftCursor_->active()) {
    left.goToRecord(leftRecNo_);
    if (!ro) {
      try {
        left.edit();
      } catch (const dbase::Error&) {
        leftInUse = true;
      }
    }
  } else {
    leftInUse = true;  // nothing to hold the lock with
  }
  bool memoFailed = false;
  const dbase::Table& source = leftCursor_->active() ? left : shared;
  fillPage(0, readPage(source, &memoFailed));
  if (memoFailed) showMemoProblem(source);
  if (firstFieldIsText()) leftLetter = firstLetter(leftCursor_->active() ? *leftCursor_ : records);
  shared.next();
  if (shared.eof()) {
    rightNew = true;
    return;
  }
  rightRecNo_ = shared.recNo();
  if (!ro) {
    try {
      shared.edit();
    } catch (const dbase::Error&) {
      rightInUse = true;
    }
  }
  memoFailed = false;
  fillPage(1, readPage(shared, &memoFailed));
  if (memoFailed) showMemoProblem(shared);
  if (firstFieldIsText()) RightLetter = firstLetter(records);
}

void RecordPagesView::refresh() {
  clearPage(0);
  clearPage(1);
  if (highlightedEditor) {
    colorEditor(highlightedEditor, !highlightedEditor->isEnabled());
    highlightedEditor = nullptr;
  }
  if (!tables_.records.active()) return;
  try {
    loadPair();
  } catch (const std::exception& e) {
    showMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  const bool ro = isReadOnlyDatabase();
  for (int page = 0; page < 2; ++page) {
    QLabel* status = page == 0 ? leftStatus : rightStatus;
    if (ro)
      status->setText(kReadOnly);
    else if (page == 0 ? leftInUse : rightInUse)
      status->setText(kInUse);
    else if (page == 0 ? leftNew : rightNew)
      status->setText(kNewRecord);
    else
      status->setText(kReadWrite);
  }
  applyAccess();
  const bool tabs = letterTabsOn && letterTabsActive();
  const bool first = pair_.left != 0;
  const bool pgUp = pair_.left != 0 || (tabs && currentLetter != 'A');
  const bool pgDn = pair_.left + 1 < count_ || (tabs && currentLetter != 'Z');
  const bool last = !(pair_.left + 2 >= count_);
  firstButton->setEnabled(first);
  pageUpButton->setEnabled(pgUp);
  pageDownButton->setEnabled(pgDn);
  lastButton->setEnabled(last);
  firstAction->setEnabled(first);
  pageUpAction->setEnabled(pgUp);
  pageDownAction->setEnabled(pgDn);
  lastAction->setEnabled(last);
  if (!ro && !(leftInUse && rightInUse))
    focusPage(pair_.requested != pair_.left || leftInUse ? 1 : 0);
  leftPageNumber->setText(QString::number(pair_.left + 1).left(6));
  rightPageNumber->setText(QString::number(pair_.left + 2).left(6));
}

void RecordPagesView::focusPage(int page) {
  const int part = pagePart(0);
  selectPart(page, part);
  for (QWidget* e : editors(page))
    if (partOfField(e->property("Tag").toInt() - 1) == part) {
      e->setFocus();
      break;
    }
}

int RecordPagesView::pagePart(int page) const { return (page == 0 ? leftPartTabs : rightPartTabs)->currentIndex(); }

void RecordPagesView::selectPart(int page, int part) {
  if (part < 0 || part >= kPageParts) return;
  (page == 0 ? leftPartTabs : rightPartTabs)->setCurrentIndex(part);
}

// ---------------------------------------------------------------- saving

bool RecordPagesView::savePage(int page, DbTable& cursor, char* letter, bool moveLetters) {
  const PageValues values = pageValues(page);
  dbase::Table& t = cursor.engine();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool posted = false;
  bool memoFailed = false;
  char newLetter = 0;
  for (int attempt = 0; attempt < kPostAttempts && !posted; ++attempt) {
    try {
      if (!editing(t)) t.edit();
      if (moveLetters && t.state() == dbase::Table::State::Insert && t.isEmpty(0))
        nextRecordNumber(cursor, tables_.catalogue);
      memoFailed = false;
      writePage(t, values, QDate::currentDate(), &memoFailed);
      newLetter = firstLetter(cursor);
      t.post();
      posted = true;
    } catch (const std::exception&) {
    }
  }
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  // A record that could not be posted must not be posted by the next move.
  if (!posted) cancelQuietly(cursor);
  if (memoFailed) showMessage(MsgKind::Error, corruptMemoText(t), MsgButtons::OkHelp, 62);
  if (posted && moveLetters && firstFieldIsText()) {
    const char oldLetter = letter ? *letter : 0;
    if (oldLetter != newLetter) adjustLetterCounts(oldLetter, newLetter);
    if (letter) *letter = newLetter;
  }
  return posted;
}

bool RecordPagesView::savePair() {
  DbTable& records = tables_.records;
  if (!records.active()) return true;
  const bool ro = isReadOnlyDatabase();
  std::vector<QString> labels;
  for (QLabel* l : leftLabels) labels.push_back(l->text());
  PageState state[2];
  QString problems;
  for (int page = 0; page < 2; ++page) {
    PageState& s = state[page];
    const PageValues v = pageValues(page);
    s.isNew = page == 0 ? leftNew : rightNew;
    s.inUse = page == 0 ? leftInUse : rightInUse;
    s.empty = pageIsEmpty(v);
    const QString bad =
        s.empty || s.inUse ? QString() : pageInputProblems(v, records.engine(), labels);
    s.passes = pagePassesRequired(v) && bad.isEmpty();
    if (!bad.isEmpty()) problems += (problems.isEmpty() ? QString() : QStringLiteral("\r")) + bad;
  }
  switch (decidePairSave(state[0], state[1], ro)) {
    case PairVerdict::Continue: return true;
    case PairVerdict::Ask:
      return askYesNo(
          MsgKind::Warning,
          (problems.isEmpty() ? appSettings().firstFieldEmptyMsg : problems) + kDiscardQuestion);
    case PairVerdict::Save: break;
  }
  dbase::Table& shared = records.engine();
  bool ok = true;
  try {
    // Right page on the shared cursor, which holds its lock.
    if (storePage(state[1])) {
      if (rightNew) {
        shared.append();
      } else if (shared.recNo() != rightRecNo_) {
        // Only after a refused leave: an earlier save moved the cursor.
        cancelQuietly(records);
        shared.goToRecord(rightRecNo_);
      }
      if (savePage(1, records, &RightLetter, true)) {
        rightNew = false;  // stored: staying on the pair must not add it twice
        rightRecNo_ = shared.recNo();
      } else {
        ok = false;
      }
    } else {
      cancelQuietly(records);
    }
    // Left page: its lock moves from the left cursor to the shared one.
    if (storePage(state[0])) {
      if (leftNew) {
        shared.append();
      } else {
        shared.goToRecord(leftRecNo_);
        cancelQuietly(*leftCursor_);
      }
      if (savePage(0, records, &leftLetter, true)) {
        leftNew = false;
        leftRecNo_ = shared.recNo();
      } else {
        ok = false;
      }
    } else {
      cancelQuietly(*leftCursor_);
      cancelQuietly(records);
    }
  } catch (const std::exception&) {
    cancelQuietly(records);
    ok = false;
  }
  if (!ok)
    return askYesNo(MsgKind::Warning,
                    QStringLiteral("Could not Update the record!") + kDiscardQuestion);
  return true;
}

// ---------------------------------------------------------------- navigation

void RecordPagesView::onFirstClicked() {
  if (pair_.left == 0 || !savePair()) return;
  pair_ = PagePair{};
  refresh();
}

void RecordPagesView::onPageUpClicked() {
  const bool tabs = letterTabsOn && letterTabsActive();
  if (pair_.left != 0) {
    if (!savePair()) return;
    pair_.left -= 2;
    pair_.requested = pair_.left;
    refresh();
  } else if (tabs && currentLetter > 'A') {
    if (!savePair()) return;
    selectLetter(static_cast<char>(currentLetter - 1));
    pair_.last(count());
    refresh();
  }
}

void RecordPagesView::onPageDownClicked() {
  const bool tabs = letterTabsOn && letterTabsActive();
  if (pair_.left + 1 >= count_) {
    if (tabs && currentLetter < 'Z') {
      if (!savePair()) return;
      selectLetter(static_cast<char>(currentLetter + 1));
      refresh();
    }
    return;
  }
  if (!savePair()) return;
  pair_.left += 2;
  pair_.requested = pair_.left;
  refresh();
}

void RecordPagesView::onLastClicked() {
  if (pair_.left + 2 >= count_ || !savePair()) return;
  releaseRecords();
  pair_.last(count());
  refresh();
}

void RecordPagesView::onNewClicked() {
  if (isReadOnlyDatabase() || !savePair()) return;
  releaseRecords();
  pair_.newRecord(count());
  refresh();
  focusPage(pair_.requested != pair_.left ? 1 : 0);
}

void RecordPagesView::onLetterClicked(int index) {
  if (!letterTabsOn || !savePair()) return;
  selectLetter(static_cast<char>('A' + index));
  refresh();
}

// ---------------------------------------------------------------- page commands

void RecordPagesView::onUndoClicked(int page) {
  const bool isNew = page == 0 ? leftNew : rightNew;
  if (isNew) {
    clearPage(page);
    return;
  }
  const dbase::Table& source = page == 0 ? leftCursor_->engine() : tables_.records.engine();
  bool memoFailed = false;
  try {
    fillPage(page, readPage(source, &memoFailed));
  } catch (const std::exception& e) {
    showMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
  if (memoFailed) showMessage(MsgKind::Error, corruptMemoText(source), MsgButtons::OkHelp, 62);
}

void RecordPagesView::onCopyClicked(int page) {
  if (isReadOnlyDatabase()) return;
  if (pageEmpty(page)) {
    showMessage(MsgKind::Warning, QStringLiteral("Empty Record - Not Copied!"));
    return;
  }
  DbTable& copy = tables_.copy;
  if (!copy.active()) return;
  try {
    copy.engine().first();
  } catch (const std::exception& e) {
    showMessage(MsgKind::Error, QString::fromStdString(e.what()));
    return;
  }
  if (savePage(page, copy, nullptr, false)) {
    appSettings().copyBufferFull = true;
    applyAccess();
  }
}

void RecordPagesView::onPasteClicked(int page) {
  DbTable& copy = tables_.copy;
  if (!appSettings().copyBufferFull || !copy.active()) return;
  bool memoFailed = false;
  try {
    dbase::Table& t = copy.engine();
    t.first();
    if (t.eof()) return;
    fillPage(page, readPage(t, &memoFailed));
    if (memoFailed) showMessage(MsgKind::Error, corruptMemoText(t), MsgButtons::OkHelp, 62);
  } catch (const std::exception& e) {
    showMessage(MsgKind::Error, QString::fromStdString(e.what()));
  }
}

void RecordPagesView::onDeleteClicked(int page) {
  if (isReadOnlyDatabase()) return;
  if (page == 0 && pair_.left >= count_) return;
  if (page == 1 && pageEmpty(1)) return;
  int chosen = page;
  if (appSettings().deleteMode == 0) {
    const std::optional<int> answer = ConfirmPageDialog::Ask(this, page);
    if (!answer) {
      showMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
      return;
    }
    chosen = *answer;
  }
  deletePage(chosen);
}

bool RecordPagesView::keepOtherPage(int page) {
  const int other = 1 - page;
  const bool isNew = other == 0 ? leftNew : rightNew;
  if (isReadOnlyDatabase() || (other == 0 ? leftInUse : rightInUse)) return true;
  const PageValues v = pageValues(other);
  if (pageIsEmpty(v)) return true;
  std::vector<QString> labels;
  for (QLabel* l : leftLabels) labels.push_back(l->text());
  const QString bad = pageInputProblems(v, tables_.records.engine(), labels);
  if (!bad.isEmpty() || !pagePassesRequired(v))
    return askYesNo(MsgKind::Warning,
                    (bad.isEmpty() ? appSettings().firstFieldEmptyMsg : bad) + kDiscardQuestion);
  // The other page's record stays held by its own cursor while it is saved.
  DbTable& cursor = other == 0 ? *leftCursor_ : tables_.records;
  try {
    if (isNew) cursor.engine().append();
  } catch (const std::exception&) {
    return askYesNo(MsgKind::Warning,
                    QStringLiteral("Could not Update the record!") + kDiscardQuestion);
  }
  char& letter = other == 0 ? leftLetter : RightLetter;
  if (isNew) letter = 0;
  if (!savePage(other, cursor, &letter, true))
    return askYesNo(MsgKind::Warning,
                    QStringLiteral("Could not Update the record!") + kDiscardQuestion);
  return true;
}

bool RecordPagesView::deletePage(int page) {
  if (page == 0 ? leftNew : rightNew) {
    clearPage(page);
    return true;
  }
  // Deleting shows the pair again: the other page's edits are saved first.
  if (!keepOtherPage(page)) return false;
  DbTable& cursor = page == 0 ? *leftCursor_ : tables_.records;
  dbase::Table& t = cursor.engine();
  try {
    const char letter = firstLetter(cursor);
    t.deleteRecord();
    if (firstFieldIsText()) adjustLetterCounts(letter, 0);
  } catch (const std::exception&) {
    cancelQuietly(cursor);
    showMessage(MsgKind::Error, QStringLiteral("Record in use - not Deleted!"));
    return false;
  }
  releaseRecords();
  pair_.positionOn(pair_.requested, count());
  refresh();
  return true;
}

void RecordPagesView::preparePageMenu(int page) {
  PopupItems& items = popup[static_cast<size_t>(page)];
  items.undo->setEnabled((page == 0 ? leftUndoButton : rightUndoButton)->isEnabled());
  items.paste->setEnabled((page == 0 ? leftPasteButton : rightPasteButton)->isEnabled());
  items.copy->setEnabled((page == 0 ? leftCopyButton : rightCopyButton)->isEnabled());
  items.del->setEnabled((page == 0 ? leftDeleteButton : rightDeleteButton)->isEnabled());
  QMenu* view = viewCopyBuffer[static_cast<size_t>(page)];
  view->clear();
  view->setEnabled(items.paste->isEnabled());
  DbTable& copy = tables_.copy;
  if (!appSettings().copyBufferFull || isReadOnlyDatabase() || !copy.active()) return;
  try {
    dbase::Table& t = copy.engine();
    t.first();
    if (t.eof()) return;
    for (int f = appSettings().firstUserField; f < static_cast<int>(t.fields().size()); ++f)
      view->addAction(quickViewText(t, f));
  } catch (const std::exception&) {
    showMessage(MsgKind::Error, corruptMemoText(copy.engine()));
  }
}

// ---------------------------------------------------------------- find hits and lookups

void RecordPagesView::showFindHit(int field, int start, int length) {
  if (field < 0 || field >= kPageFieldCount) return;
  const int page = pair_.requested == pair_.left ? 0 : 1;
  selectPart(page, partOfField(field));
  if (highlightedEditor) colorEditor(highlightedEditor, !highlightedEditor->isEnabled());
  highlightedEditor = nullptr;
  if (page == 0 ? leftInUse : rightInUse) return;
  QWidget* e = editors(page)[static_cast<size_t>(field)];
  if (!isReadOnlyDatabase()) e->setFocus();
  if (qobject_cast<PictureBox*>(e)) return;
  QPalette p = e->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, Qt::red);
    p.setColor(group, QPalette::Text, Qt::yellow);
  }
  if (auto* edit = qobject_cast<PageEdit*>(e); edit && edit->Kind() == EditorKind::Currency) {
    const ParsedNumber n = parseNumberText(edit->text());
    const QColor c = elementColor(n.value && *n.value < 0 ? 22 : 21);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      p.setColor(group, QPalette::Text, c);
  }
  e->setPalette(p);
  highlightedEditor = e;
  if (auto* memo = qobject_cast<MemoEdit*>(e)) {
    QTextCursor c = memo->textCursor();
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    memo->setTextCursor(c);
  }
}

bool RecordPagesView::findBeforeFind() {
  if (!savePair()) return false;
  refresh();
  return true;
}

bool RecordPagesView::findBeforeFindAgain(char searchLetter) {
  if (letterTabsOn && letterTabsActive() && searchLetter >= 'A' && searchLetter <= 'Z' &&
      currentLetter != searchLetter) {
    if (!savePair()) return false;
    selectLetter(searchLetter);
    refresh();
  }
  setEnabled(false);  // the search moves the table's cursor
  return true;
}

void RecordPagesView::findOnNotFound(char searchLetter) {
  setEnabled(true);
  if (letterTabsOn && letterTabsActive() && searchLetter >= 'A' && searchLetter <= 'Z' &&
      currentLetter != searchLetter)
    selectLetter(searchLetter);
  refresh();
}

void RecordPagesView::findOnFound(char letter, int32_t position, int field, int start, int length) {
  setEnabled(true);
  if (letter >= 'A' && letter <= 'Z' && letter != currentLetter) {
    // The search already applied the letter's range.
    letterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
    currentLetter = letter;
  }
  releaseRecords();
  pair_.positionOn(position, count());
  refresh();
  showFindHit(field, start, length);
}

bool RecordPagesView::findBeforeMarkAll(bool nonStop) {
  if (!savePair()) return false;
  if (nonStop) {
    closingForFind = true;
    leftInUse = rightInUse = true;  // saved already: closing saves nothing
    close();
  }
  return true;
}

QWidget* RecordPagesView::fieldLookup(int k) const {
  if (k < 0 || k >= kPageFieldCount) return nullptr;
  return fieldDesigns()[static_cast<size_t>(k)].kind == EditorKind::Lookup
             ? leftEditors[static_cast<size_t>(k)]
             : nullptr;
}

QString RecordPagesView::fieldLookupSource(int k) const {
  if (k < 0 || k >= kPageFieldCount) return {};
  const char* list = fieldDesigns()[static_cast<size_t>(k)].lookupList;
  return list ? QString::fromLatin1(list) : QString();
}

// ---------------------------------------------------------------- keys

bool RecordPagesView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != this || !isEnabled() || !isVisible()) return false;
  // The key arrives once at the focus widget; its parents see it only when
  // nobody took it, and then we already looked.
  if (w != QApplication::focusWidget() && QApplication::focusWidget() &&
      QApplication::focusWidget()->window() == this)
    return false;
  return handleKey(static_cast<QKeyEvent*>(event));
}

bool RecordPagesView::handleKey(QKeyEvent* event) {
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
      selectPart(page, key - Qt::Key_1);  // parts that do not exist are ignored
      return true;
    }
    switch (key) {
      case Qt::Key_Delete:
        return ifEnabled(page == 0 ? leftDeleteButton : rightDeleteButton, [&] { onDeleteClicked(page); });
      case Qt::Key_O: return ifEnabled(page == 0 ? leftCopyButton : rightCopyButton, [&] { onCopyClicked(page); });
      case Qt::Key_P: return ifEnabled(page == 0 ? leftPasteButton : rightPasteButton, [&] { onPasteClicked(page); });
      case Qt::Key_U: return ifEnabled(page == 0 ? leftUndoButton : rightUndoButton, [&] { onUndoClicked(page); });
      default: break;
    }
  }
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_PageUp: onPageUpClicked(); return true;
      case Qt::Key_PageDown: onPageDownClicked(); return true;
      case Qt::Key_End: onLastClicked(); return true;
      case Qt::Key_Home: onFirstClicked(); return true;
      default: break;
    }
  }
  if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
      if (letterTabsOn && letterTabsActive()) onLetterClicked(key - Qt::Key_A);
      return true;
    }
    return false;
  }
  if (mods != Qt::NoModifier) return false;
  const QPoint origin = frameGeometry().topLeft();
  if (key == Qt::Key_F2) {
    leftPageMenu->popup(origin + QPoint(50, 100));
    return true;
  }
  if (key == Qt::Key_F3) {
    rightPageMenu->popup(origin + QPoint(frameGeometry().width() / 2 + 50, 100));
    return true;
  }
  return false;
}
