#include "query/find/finddialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "core/prompt.h"
#include "core/runobjects.h"
#include "ui/qtprompter.h"

namespace {

// The open window; set while it exists and has not been closed.
FindDialog* g_instance = nullptr;

// How often a running search lets pending events run and shows its counter.
constexpr qint64 kPumpIntervalMs = 20;

const QString kProgressCaption = QStringLiteral("Searching - Please Wait...");

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint,
                    int x, int y) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setToolTip(hint);
  b->setGeometry(x, y, 92, 27);
  b->setAutoDefault(false);
  return b;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w = 180) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 16);
  return l;
}

}  // namespace

FindDialog* FindDialog::instance() { return g_instance; }

FindDialog* FindDialog::openFor(QWidget* view, DbTable& table, const FindHooks& hooks,
                                const QWidget* shownBeside) {
  if (g_instance) {
    g_instance->raise();
    g_instance->activateWindow();
    return g_instance;
  }
  auto* dlg = new FindDialog(view, table);
  g_instance = dlg;
  const QWidget* beside = shownBeside ? shownBeside : view;
  QRect screen(0, 0, 1024, 768);
  if (const QScreen* s = beside ? beside->screen() : QGuiApplication::primaryScreen())
    screen = s->availableGeometry();
  const QRect viewRect = beside ? beside->frameGeometry() : QRect(screen.topLeft(), QSize(0, 0));
  dlg->move(placement(viewRect, dlg->frameGeometry().size(), screen));
  dlg->setHooks(hooks);
  dlg->show();
  return dlg;
}

void FindDialog::viewClosing(const QWidget* view) {
  if (!g_instance || g_instance->view_ != view) return;
  FindDialog* dlg = g_instance;
  dlg->setHooks({});
  dlg->view_ = nullptr;
  dlg->close();
}

QPoint FindDialog::placement(const QRect& view, const QSize& window, const QRect& screen) {
  int top = view.top();
  top = std::min(top, screen.bottom() + 1 - window.height());
  top = std::max(top, screen.top());
  int left = 0;
  if (view.center().x() > screen.center().x())
    left = std::max(view.left() - window.width(), screen.left());
  else
    left = std::min(view.right() + 1, screen.right() + 1 - window.width());
  return {left, top};
}

FindDialog::FindDialog(QWidget* view, DbTable& table)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      search_(std::make_unique<FindSearch>(table)),
      view_(view) {
  setObjectName(QStringLiteral("FindDialog"));
  setWindowTitle(QStringLiteral("Search"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  build();
  search_->busy = [this](bool on) { setBusy(on); };
  search_->pump = [this] { pumpEvents(); };
  restoreChoices();
}

FindDialog::~FindDialog() {
  if (g_instance == this) g_instance = nullptr;
}

void FindDialog::build() {
  label(this, QStringLiteral("Fields To Be Searched:"), 8, 8);
  fieldCombo = new QComboBox(this);
  fieldCombo->setObjectName(QStringLiteral("fieldCombo"));
  fieldCombo->setToolTip(QStringLiteral("Select Which Fields Should Be Searched"));
  fieldCombo->setGeometry(8, 26, 200, 24);
  fieldCombo->addItems(findFieldChoices());
  connect(fieldCombo, &QComboBox::activated, this, &FindDialog::onFieldActivated);

  skipMemosCheck = new QCheckBox(QStringLiteral("Don't Search Multiline Fields"), this);
  skipMemosCheck->setObjectName(QStringLiteral("skipMemosCheck"));
  skipMemosCheck->setToolTip(QStringLiteral("Search is Faster if Checked"));
  skipMemosCheck->setGeometry(8, 56, 210, 20);
  nonStopCheck = new QCheckBox(QStringLiteral("Non-Stop Search Mode"), this);
  nonStopCheck->setObjectName(QStringLiteral("nonStopCheck"));
  nonStopCheck->setToolTip(QStringLiteral("Search Through Entire Database In One Pass"));
  nonStopCheck->setGeometry(8, 78, 210, 20);
  connect(nonStopCheck, &QCheckBox::clicked, this, &FindDialog::onNonStopClicked);

  directionGroup = new QGroupBox(QStringLiteral("Start From"), this);
  directionGroup->setObjectName(QStringLiteral("directionGroup"));
  directionGroup->setToolTip(QStringLiteral("Determines Search Direction"));
  directionGroup->setGeometry(228, 8, 164, 70);
  beginningRadio = new QRadioButton(QStringLiteral("Beginning"), directionGroup);
  endRadio = new QRadioButton(QStringLiteral("End"), directionGroup);
  beginningRadio->setGeometry(12, 22, 140, 20);
  endRadio->setGeometry(12, 44, 140, 20);

  label(this, QStringLiteral("Text To Search For:"), 8, 106);
  textCombo = new QComboBox(this);
  textCombo->setObjectName(QStringLiteral("textCombo"));
  textCombo->setEditable(true);
  textCombo->setInsertPolicy(QComboBox::NoInsert);
  textCombo->lineEdit()->setMaxLength(kMaxTextLength);
  textCombo->setToolTip(QStringLiteral("Enter Text You Want To Search For"));
  textCombo->setGeometry(8, 124, 384, 24);
  connect(textCombo, &QComboBox::editTextChanged, this, &FindDialog::onTextEdited);

  label(this, QStringLiteral("Current Record:"), 8, 156, 100);
  counterLabel = label(this, QString(), 110, 156, 80);
  counterLabel->setObjectName(QStringLiteral("counterLabel"));
  letterLabel = label(this, QString(), 196, 156, 30);
  letterLabel->setObjectName(QStringLiteral("letterLabel"));

  findButton = button(this, "findButton", QStringLiteral("&Find"),
                      QStringLiteral("Start Search From Beginning or End of File"), 8, 182);
  findNextButton = button(this, "findNextButton", QStringLiteral("Find &Next"),
                          QStringLiteral("Find Next Record"), 104, 182);
  findPreviousButton = button(this, "findPreviousButton", QStringLiteral("Find &Previous"),
                              QStringLiteral("Find Previous Record"), 200, 182);
  stopButton = button(this, "stopButton", QStringLiteral("&Stop"), QStringLiteral("Stop Searching"),
                      296, 182);
  closeButton = button(this, "closeButton", QStringLiteral("&Close"),
                       QStringLiteral("Close Search Window"), 200, 214);
  helpButton = button(this, "helpButton", QStringLiteral("&Help"),
                      QStringLiteral("Display Help Window"), 296, 214);
  findButton->setDefault(true);
  connect(findButton, &QPushButton::clicked, this, &FindDialog::onFindClicked);
  connect(findNextButton, &QPushButton::clicked, this, &FindDialog::onFindNextClicked);
  connect(findPreviousButton, &QPushButton::clicked, this, &FindDialog::onFindPreviousClicked);
  connect(stopButton, &QPushButton::clicked, this, &FindDialog::onStopClicked);
  connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(kHelpContext); });
  setFixedSize(400, 250);
}

void FindDialog::restoreChoices() {
  const FindMemory& memory = findMemory();
  (memory.startFrom == 1 ? endRadio : beginningRadio)->setChecked(true);
  const int field = memory.fieldIndex < fieldCombo->count() ? memory.fieldIndex : 0;
  fieldCombo->setCurrentIndex(field);
  textCombo->addItems(runObjects().findHistory);
  textCombo->setEditText(memory.lastText);
  findNextButton->setEnabled(false);
  findPreviousButton->setEnabled(false);
  stopButton->setEnabled(false);
  clearCounter();
  nonStopCheck->setChecked(false);
  // The restored field choice sets the multiline box as a choice would.
  onFieldActivated(field);
}

void FindDialog::closeEvent(QCloseEvent* event) {
  if (search_->running()) {
    // The search loop still runs on this window: it stops, then the window closes.
    search_->requestStop();
    closePending_ = true;
    event->ignore();
    return;
  }
  FindMemory& memory = findMemory();
  memory.lastText = textCombo->currentText();
  QStringList history;
  for (int i = 0; i < textCombo->count(); ++i) history << textCombo->itemText(i);
  runObjects().findHistory = history;
  memory.fieldIndex = fieldCombo->currentIndex();
  memory.startFrom = endRadio->isChecked() ? 1 : 0;
  search_->reset();
  setHooks({});
  if (g_instance == this) g_instance = nullptr;
  // Not QDialog's closeEvent: it would reject(), which closes again here.
  event->accept();
}

void FindDialog::reject() { close(); }

void FindDialog::setHooks(const FindHooks& hooks) { search_->hooks = hooks; }

void FindDialog::reset() {
  search_->reset();
  findNextButton->setEnabled(false);
  findPreviousButton->setEnabled(false);
}

void FindDialog::setCurrentLetter(char letter) {
  search_->setCurrentLetter(letter);
  letterLabel->setText(letter ? QString(QLatin1Char(letter)) : QString());
}

bool FindDialog::nonStop() const { return nonStopCheck->isChecked(); }

// ---------------------------------------------------------------- choices

void FindDialog::onFieldActivated(int index) {
  const bool all = index <= 0;
  skipMemosCheck->setChecked(all);
  skipMemosCheck->setEnabled(all);
}

void FindDialog::onNonStopClicked(bool checked) {
  if (checked) {
    findNextButton->setEnabled(false);
    findPreviousButton->setEnabled(false);
    directionGroup->setEnabled(false);
    beginningRadio->setChecked(true);
  } else {
    directionGroup->setEnabled(true);
  }
}

void FindDialog::onTextEdited() {
  findNextButton->setEnabled(false);
  findPreviousButton->setEnabled(false);
}

void FindDialog::takeChoices() {
  search_->text = textCombo->currentText();
  search_->field = findFieldOfChoice(fieldCombo->currentText());
  search_->searchMemos = !skipMemosCheck->isChecked();
}

// ---------------------------------------------------------------- searching

void FindDialog::onFindClicked() {
  const QString text = textCombo->currentText();
  if (text.isEmpty()) {
    showMessage(MsgKind::Information, QStringLiteral("You have to enter Text!"));
    return;
  }
  findMemory().lastText = text;
  QStringList& history = runObjects().findHistory;
  rememberSearchText(history, text);
  {
    const QSignalBlocker block(textCombo);
    textCombo->clear();
    textCombo->addItems(history);
    textCombo->setEditText(text);
  }
  takeChoices();
  if (nonStopCheck->isChecked())
    markAll();
  else
    stepSearch(beginningRadio->isChecked(), false);
}

void FindDialog::onFindNextClicked() { stepSearch(true, true); }

void FindDialog::onFindPreviousClicked() { stepSearch(false, true); }

void FindDialog::onStopClicked() { search_->requestStop(); }

void FindDialog::stepSearch(bool forward, bool again) {
  if (again) takeChoices();
  const FindSearch::Outcome outcome = again ? search_->findAgain(forward) : search_->find(forward);
  if (closePending() || outcome == FindSearch::Outcome::Cancelled) return;
  if (outcome == FindSearch::Outcome::Found) {
    showCounter();
    (forward ? findNextButton : findPreviousButton)->setEnabled(true);
    if (again) (forward ? findPreviousButton : findNextButton)->setEnabled(true);
    return;
  }
  if (!search_->lastError().empty())
    showMessage(MsgKind::Error, QString::fromStdString(search_->lastError()));
  clearCounter();
  (forward ? findNextButton : findPreviousButton)->setEnabled(false);
  showMessage(MsgKind::Information, QStringLiteral("Text Not Found!"));
}

void FindDialog::markAll() {
  if (search_->hooks.beforeMarkAll && !search_->hooks.beforeMarkAll()) return;
  clearCounter();
  const MarkResult result = search_->markAll(kProgressCaption);
  showCounter();
  if (closePending_) {
    // Closed during the pass: it was stopped, so there is nothing to report.
  } else if (!result.error.empty()) {
    showMessage(MsgKind::Error, QString::fromStdString(result.error));
  } else if (!result.stopped) {
    if (result.found > 0)
      showMessage(MsgKind::Information,
                  QString::number(result.found) +
                      QStringLiteral(" Record(s) Found!\rTo return later to All-Record-Display "
                                     "set Filter to All Records."));
    else
      showMessage(MsgKind::Information, QStringLiteral("No Records Found!"));
  }
  if (search_->hooks.afterMarkAll) search_->hooks.afterMarkAll();
  closePending();
}

bool FindDialog::closePending() {
  if (!closePending_) return false;
  closePending_ = false;
  close();
  return true;
}

void FindDialog::setBusy(bool busy) {
  if (busy) {
    disabled_.clear();
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (w == stopButton || !w->isEnabled()) continue;
      w->setEnabled(false);
      disabled_.push_back(w);
    }
    stopButton->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sincePump_.start();
    return;
  }
  for (QWidget* w : disabled_) w->setEnabled(true);
  disabled_.clear();
  stopButton->setEnabled(false);
  QApplication::restoreOverrideCursor();
}

void FindDialog::pumpEvents() {
  // Events run between records, but only every few milliseconds: a pass over
  // a million records would otherwise spend its time in the event loop.
  if (sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
  showCounter();
  QApplication::processEvents();
  sincePump_.start();
}

void FindDialog::showCounter() {
  counterLabel->setText(QString::number(search_->counter() + 1));
  const char letter = search_->currentLetter();
  letterLabel->setText(letter ? QString(QLatin1Char(letter)) : QString());
}

void FindDialog::clearCounter() {
  counterLabel->clear();
  letterLabel->clear();
}
