#include "ui/helpwindow.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "core/prompt.h"
#include "core/settings.h"

namespace {

QPointer<HelpWindow> theWindow;
constexpr int kPageRole = Qt::UserRole;

QToolButton* toolButton(QWidget* parent, const char* name, const QString& text,
                        const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QLatin1String(name));
  b->setText(text);
  b->setToolTip(hint);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return b;
}

}  // namespace

HelpWindow* HelpWindow::instance() {
  if (!theWindow) {
    theWindow = new HelpWindow;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, theWindow.data(), &QObject::deleteLater);
  }
  return theWindow;
}

HelpWindow* HelpWindow::existing() { return theWindow; }

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Tomekeeper Help"));
  resize(860, 600);

  backButton = toolButton(this, "backButton", QStringLiteral("< &Back"),
                          QStringLiteral("Back to the page shown before"));
  forwardButton = toolButton(this, "forwardButton", QStringLiteral("&Forward >"),
                             QStringLiteral("Forward again"));
  contentsButton = toolButton(this, "contentsButton", QStringLiteral("&Contents"),
                              QStringLiteral("The first page of the help"));
  auto* bar = new QHBoxLayout;
  for (QToolButton* b : {backButton, forwardButton, contentsButton}) bar->addWidget(b);
  bar->addStretch();

  tabs = new QTabWidget(this);
  contentsTree = new QTreeWidget(tabs);
  contentsTree->setObjectName(QStringLiteral("contentsTree"));
  contentsTree->setHeaderHidden(true);
  tabs->addTab(contentsTree, QStringLiteral("Contents"));

  auto* indexPage = new QWidget(tabs);
  indexEdit = new QLineEdit(indexPage);
  indexEdit->setObjectName(QStringLiteral("indexEdit"));
  indexEdit->setPlaceholderText(QStringLiteral("Type a keyword"));
  indexList = new QListWidget(indexPage);
  indexList->setObjectName(QStringLiteral("indexList"));
  auto* indexBox = new QVBoxLayout(indexPage);
  indexBox->setContentsMargins(4, 4, 4, 4);
  indexBox->addWidget(indexEdit);
  indexBox->addWidget(indexList);
  tabs->addTab(indexPage, QStringLiteral("Index"));

  auto* searchPage = new QWidget(tabs);
  searchEdit = new QLineEdit(searchPage);
  searchEdit->setObjectName(QStringLiteral("searchEdit"));
  searchEdit->setPlaceholderText(QStringLiteral("Words to find"));
  auto* searchButton = new QPushButton(QStringLiteral("&Search"), searchPage);
  searchButton->setObjectName(QStringLiteral("searchButton"));
  searchResults = new QListWidget(searchPage);
  searchResults->setObjectName(QStringLiteral("searchResults"));
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(searchEdit);
  searchRow->addWidget(searchButton);
  auto* searchBox = new QVBoxLayout(searchPage);
  searchBox->setContentsMargins(4, 4, 4, 4);
  searchBox->addLayout(searchRow);
  searchBox->addWidget(searchResults);
  tabs->addTab(searchPage, QStringLiteral("Search"));

  browser = new QTextBrowser(this);
  browser->setObjectName(QStringLiteral("browser"));
  browser->setOpenExternalLinks(true);

  auto* split = new QSplitter(this);
  split->addWidget(tabs);
  split->addWidget(browser);
  split->setStretchFactor(1, 1);
  split->setSizes({240, 620});
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(6, 6, 6, 6);
  box->addLayout(bar);
  box->addWidget(split);

  backButton->setEnabled(false);
  forwardButton->setEnabled(false);
  connect(backButton, &QToolButton::clicked, browser, &QTextBrowser::backward);
  connect(forwardButton, &QToolButton::clicked, browser, &QTextBrowser::forward);
  connect(browser, &QTextBrowser::backwardAvailable, backButton, &QToolButton::setEnabled);
  connect(browser, &QTextBrowser::forwardAvailable, forwardButton, &QToolButton::setEnabled);
  // The contents follow the page shown, however it was reached (source() is
  // not yet the new page while the signal runs).
  connect(browser, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
    const QString page = QFileInfo(url.toLocalFile()).fileName();
    for (QTreeWidgetItemIterator it(contentsTree); *it; ++it)
      if ((*it)->data(0, kPageRole).toString() == page) {
        contentsTree->setCurrentItem(*it);
        contentsTree->scrollToItem(*it);
        return;
      }
    contentsTree->clearSelection();
  });
  connect(contentsButton, &QToolButton::clicked, this, [this] { showContext(1, owner_); });
  connect(contentsTree, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { openPage(item->data(0, kPageRole).toString()); });
  connect(contentsTree, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { openPage(item->data(0, kPageRole).toString()); });
  connect(indexEdit, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
  connect(indexEdit, &QLineEdit::returnPressed, this, [this] {
    if (QListWidgetItem* item = indexList->currentItem())
      openPage(item->data(kPageRole).toString());
  });
  connect(indexList, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { openPage(item->data(kPageRole).toString()); });
  connect(indexList, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { openPage(item->data(kPageRole).toString()); });
  connect(searchButton, &QPushButton::clicked, this, &HelpWindow::runSearch);
  connect(searchEdit, &QLineEdit::returnPressed, this, &HelpWindow::runSearch);
  connect(searchResults, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { openPage(item->data(kPageRole).toString()); });
  connect(searchResults, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { openPage(item->data(kPageRole).toString()); });
}

bool HelpWindow::ensureLoaded() {
  // The folder is looked up each time until found, so a help folder put in
  // place while the program runs is found.
  if (loaded_) return true;
  const QString dir = helpDirectory(appSettings().programDir);
  if (!book_.load(dir)) {
    const QString own = QDir(appSettings().programDir).filePath(QStringLiteral("help"));
    error_ = QFileInfo(dir).isDir()
                 ? book_.error()
                 : QStringLiteral("There is no help folder in %1 or %2.")
                       .arg(QDir::toNativeSeparators(own), QDir::toNativeSeparators(dir));
    return false;
  }
  browser->setSearchPaths({book_.dir()});
  fillLists();
  loaded_ = true;
  return true;
}

void HelpWindow::fillLists() {
  contentsTree->clear();
  QVector<QTreeWidgetItem*> parents;
  for (const HelpBook::Entry& e : book_.contents()) {
    const int level = std::min<int>(e.level, parents.size());
    parents.resize(level);
    auto* item =
        level == 0 ? new QTreeWidgetItem(contentsTree) : new QTreeWidgetItem(parents.back());
    item->setText(0, e.title);
    item->setData(0, kPageRole, e.page);
    parents.append(item);
  }
  contentsTree->expandAll();
  indexList->clear();
  for (const auto& [keyword, pages] : book_.index()) {
    for (const QString& page : pages) {
      auto* item = new QListWidgetItem(
          pages.size() == 1 ? keyword : QStringLiteral("%1 - %2").arg(keyword, book_.title(page)),
          indexList);
      item->setData(kPageRole, page);
    }
  }
}

void HelpWindow::filterIndex(const QString& text) {
  QListWidgetItem* first = nullptr;
  for (int i = 0; i < indexList->count(); ++i) {
    QListWidgetItem* item = indexList->item(i);
    if (!first && item->text().startsWith(text, Qt::CaseInsensitive)) first = item;
  }
  if (first) {
    indexList->setCurrentItem(first);
    indexList->scrollToItem(first, QAbstractItemView::PositionAtTop);
  }
}

void HelpWindow::runSearch() {
  searchResults->clear();
  const QStringList pages = book_.search(searchEdit->text());
  for (const QString& page : pages) {
    auto* item = new QListWidgetItem(book_.title(page), searchResults);
    item->setData(kPageRole, page);
  }
  if (pages.isEmpty() && !searchEdit->text().trimmed().isEmpty())
    new QListWidgetItem(QStringLiteral("No page holds these words."), searchResults);
}

void HelpWindow::openPage(const QString& page) {
  if (page.isEmpty()) return;
  browser->setSource(QUrl::fromLocalFile(QDir(book_.dir()).filePath(page)));
}

QString HelpWindow::currentPage() const {
  const QString path = browser->source().toLocalFile();
  return path.isEmpty() ? QString() : QFileInfo(path).fileName();
}

void HelpWindow::showContext(int context, QWidget* owner) {
  if (!ensureLoaded()) {
    showMessage(MsgKind::Error, QStringLiteral("Help is not available.\r%1").arg(error_));
    return;
  }
  QString page = book_.pageFor(context);
  if (page.isEmpty()) page = book_.pageFor(1);
  if (!QFileInfo::exists(QDir(book_.dir()).filePath(page))) {
    showMessage(MsgKind::Error, QStringLiteral("The help page %1 cannot be found.").arg(page));
    return;
  }
  followOwner(owner);
  openPage(page);
  show();
  raise();
  activateWindow();
}

// A window shown while a modal one runs is blocked unless it belongs to
// that modal window; it goes back to being a window of its own when the
// modal one closes.
void HelpWindow::followOwner(QWidget* owner) {
  if (owner == this) owner = nullptr;
  if (owner == parentWidget()) return;
  const QRect place = geometry();
  const bool wasVisible = isVisible();
  if (owner_) owner_->removeEventFilter(this);
  owner_ = owner;
  setParent(owner, Qt::Window);
  if (owner) owner->installEventFilter(this);
  if (wasVisible) setGeometry(place);
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == owner_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
    const bool wasVisible = isVisible();
    followOwner(nullptr);
    if (wasVisible) show();
  }
  return QWidget::eventFilter(watched, event);
}
