#include "query/sort/sortbar.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>

#include "core/prompt.h"
#include "ui/menutext.h"
#include "ui/nofocusbutton.h"
#include "ui/qtprompter.h"

namespace {

constexpr int kGlyphSize = 12;

QPixmap arrow(bool down) {
  QPixmap pm(kGlyphSize, kGlyphSize);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = kGlyphSize;
  // A shaft and a head: the head points the way the keys run.
  QPainterPath path;
  if (down) {
    path.moveTo(s * 0.38, 0.5);
    path.lineTo(s * 0.62, 0.5);
    path.lineTo(s * 0.62, s * 0.5);
    path.lineTo(s * 0.92, s * 0.5);
    path.lineTo(s * 0.5, s - 0.5);
    path.lineTo(s * 0.08, s * 0.5);
    path.lineTo(s * 0.38, s * 0.5);
  } else {
    path.moveTo(s * 0.38, s - 0.5);
    path.lineTo(s * 0.62, s - 0.5);
    path.lineTo(s * 0.62, s * 0.5);
    path.lineTo(s * 0.92, s * 0.5);
    path.lineTo(s * 0.5, 0.5);
    path.lineTo(s * 0.08, s * 0.5);
    path.lineTo(s * 0.38, s * 0.5);
  }
  path.closeSubpath();
  p.setPen(QPen(QColor(0, 0, 96), 1));
  p.setBrush(down ? QColor(176, 32, 32) : QColor(32, 128, 32));
  p.drawPath(path);
  return pm;
}

// The items of one submenu, tag in the action's data.
void fill(QMenu* menu, const std::vector<MenuEntry>& entries,
          const std::function<void(int)>& chosen) {
  menu->clear();
  for (const MenuEntry& e : entries) {
    QAction* a = menu->addAction(menuItemText(e.text));
    a->setData(e.tag);
    a->setCheckable(true);
    a->setChecked(e.checked);
    a->setEnabled(e.enabled);
    const int tag = e.tag;
    QObject::connect(a, &QAction::triggered, menu, [chosen, tag] { chosen(tag); });
  }
}

// Ticks exactly the item with the tag, leaving the actions in place (one of
// them may be the one being triggered).
void tick(QMenu* menu, int tag) {
  for (QAction* a : menu->actions()) a->setChecked(a->data().toInt() == tag);
}

int tickedTag(const std::vector<MenuEntry>& entries) {
  for (const MenuEntry& e : entries) {
    if (e.checked) return e.tag;
  }
  return -1;
}

void setDirection(QAction* action, const MenuEntry& entry) {
  action->setChecked(entry.checked);
  action->setEnabled(entry.enabled);
}

}  // namespace

QPixmap defaultDownGlyph() { return arrow(true); }
QPixmap defaultUpGlyph() { return arrow(false); }

QPixmap defaultFilterGlyph() {
  QPixmap pm(kGlyphSize, kGlyphSize);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = kGlyphSize;
  QPainterPath funnel;
  funnel.moveTo(0.5, 1);
  funnel.lineTo(s - 0.5, 1);
  funnel.lineTo(s * 0.6, s * 0.5);
  funnel.lineTo(s * 0.6, s - 0.5);
  funnel.lineTo(s * 0.4, s * 0.8);
  funnel.lineTo(s * 0.4, s * 0.5);
  funnel.closeSubpath();
  p.setPen(QPen(QColor(0, 0, 96), 1));
  p.setBrush(QColor(40, 96, 200));
  p.drawPath(funnel);
  return pm;
}

SortBar::SortBar(QWidget* parent)
    : QFrame(parent),
      firstButton_(new NoFocusButton(this)),
      secondButton_(new NoFocusButton(this)),
      filterButton_(new NoFocusButton(this)),
      firstMenu_(new QMenu(this)),
      secondMenu_(new QMenu(this)),
      filterMenu_(new QMenu(this)),
      downBmp_(defaultDownGlyph()),
      upBmp_(defaultUpGlyph()),
      filterBmp_(defaultFilterGlyph()) {
  firstButton_->setObjectName(QStringLiteral("firstSortButton"));
  secondButton_->setObjectName(QStringLiteral("secondSortButton"));
  filterButton_->setObjectName(QStringLiteral("filterButton"));

  buildFieldMenus();
  buildFilterMenu();
  connectButtons();

  setLabelsAndDirections(QString::fromLatin1(kEntryOrderLabel), QString::fromLatin1(kNoneLabel),
                         false, true);
  setFilterState(fsFilterOff);
  updateGlyphs();
  // Off until a filter dialog listens: a click would do nothing.
  filterButton_->setEnabled(false);
  filterButton_->installEventFilter(this);
  resize(300, 20);
}

SortBar::~SortBar() = default;

void SortBar::buildFieldMenus() {
  firstFieldsMenu_ = firstMenu_->addMenu(QStringLiteral("&Primary Sort Field"));
  firstDirectionMenu_ = firstMenu_->addMenu(QStringLiteral("&Sort Direction"));
  firstAscendingAction_ = firstDirectionMenu_->addAction(QStringLiteral("Ascending"));
  firstDescendingAction_ = firstDirectionMenu_->addAction(QStringLiteral("Descending"));
  firstMenu_->addSeparator();
  connect(firstMenu_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &SortBar::showHelp);

  secondFieldsMenu_ = secondMenu_->addMenu(QStringLiteral("&Secondary Sort Field"));
  secondDirectionMenu_ = secondMenu_->addMenu(QStringLiteral("Sort &Direction"));
  secondAscendingAction_ = secondDirectionMenu_->addAction(QStringLiteral("Ascending"));
  secondDescendingAction_ = secondDirectionMenu_->addAction(QStringLiteral("Descending"));
  secondMenu_->addSeparator();
  connect(secondMenu_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &SortBar::showHelp);

  for (QAction* a : {firstAscendingAction_, firstDescendingAction_, secondAscendingAction_,
                     secondDescendingAction_})
    a->setCheckable(true);
  connect(firstAscendingAction_, &QAction::triggered, this,
          [this] { chooseFirstDirection(false); });
  connect(firstDescendingAction_, &QAction::triggered, this,
          [this] { chooseFirstDirection(true); });
  connect(secondAscendingAction_, &QAction::triggered, this,
          [this] { chooseSecondDirection(false); });
  connect(secondDescendingAction_, &QAction::triggered, this,
          [this] { chooseSecondDirection(true); });
}

void SortBar::buildFilterMenu() {
  const FilterMenu states = ::filterMenu(filterState_, {});
  for (size_t i = 0; i < 3; ++i) {
    const int state = states.states[i].tag;
    states_[i] = filterMenu_->addAction(states.states[i].text);
    states_[i]->setData(state);
    connect(states_[i], &QAction::triggered, this, [this, state] { chooseFilterState(state); });
  }
  filterMenu_->addSeparator();
  loadMenu_ = filterMenu_->addMenu(QStringLiteral("&Load From Template"));
  saveTemplateAction_ = filterMenu_->addAction(QStringLiteral("&Save As Template"));
  connect(saveTemplateAction_, &QAction::triggered, this, &SortBar::saveTemplate);
  deleteMenu_ = filterMenu_->addMenu(QStringLiteral("&Delete Template"));
  filterMenu_->addSeparator();
  connect(filterMenu_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &SortBar::showHelp);
}

void SortBar::connectButtons() {
  connect(firstMenu_, &QMenu::aboutToShow, this, &SortBar::updateFirstMenu);
  connect(secondMenu_, &QMenu::aboutToShow, this, &SortBar::updateSecondMenu);
  connect(filterMenu_, &QMenu::aboutToShow, this, &SortBar::updateFilterMenu);

  connect(firstButton_, &QPushButton::clicked, this, &SortBar::clicked);
  connect(secondButton_, &QPushButton::clicked, this, &SortBar::clicked);
  connect(filterButton_, &QPushButton::clicked, this, &SortBar::filterClick);
  const std::pair<NoFocusButton*, void (SortBar::*)(const QPoint&)> popups[] = {
      {firstButton_, &SortBar::popupFirstMenu},
      {secondButton_, &SortBar::popupSecondMenu},
      {filterButton_, &SortBar::popupFilterMenu}};
  for (const auto& [btn, popup] : popups) {
    btn->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(btn, &QWidget::customContextMenuRequested, this,
            [this, b = btn, f = popup](const QPoint& pos) { (this->*f)(b->mapToGlobal(pos)); });
  }
}

QString SortBar::firstLabel() const { return firstButton_->text(); }
QString SortBar::secondLabel() const { return secondButton_->text(); }
QString SortBar::hint1() const { return firstButton_->toolTip(); }
QString SortBar::hint2() const { return secondButton_->toolTip(); }
QString SortBar::hint3() const { return filterButton_->toolTip(); }
void SortBar::setFirstLabel(const QString& text) { firstButton_->setText(text); }
void SortBar::setSecondLabel(const QString& text) { secondButton_->setText(text); }
void SortBar::setHint1(const QString& text) { firstButton_->setToolTip(text); }
void SortBar::setHint2(const QString& text) { secondButton_->setToolTip(text); }
void SortBar::setHint3(const QString& text) { filterButton_->setToolTip(text); }

void SortBar::setFirstDescending(bool on) {
  firstDescending_ = on;
  updateGlyphs();
}

void SortBar::setSecondDescending(bool on) {
  secondDescending_ = on;
  updateGlyphs();
}

void SortBar::setDownBmp(const QPixmap& glyph) {
  downBmp_ = glyph;
  updateGlyphs();
}

void SortBar::setUpBmp(const QPixmap& glyph) {
  upBmp_ = glyph;
  updateGlyphs();
}

void SortBar::setFilterBmp(const QPixmap& glyph) {
  filterBmp_ = glyph;
  updateGlyphs();
}

void SortBar::updateGlyphs() {
  firstButton_->setGlyph(firstDescending_ ? downBmp_ : upBmp_);
  secondButton_->setGlyph(secondDescending_ ? downBmp_ : upBmp_);
  filterButton_->setGlyph(filterBmp_);
}

void SortBar::setLabelsAndDirections(const QString& first, const QString& second,
                                     bool secondDescending, bool firstDescending) {
  setFirstLabel(first);
  setSecondLabel(second);
  firstDescending_ = firstDescending;
  secondDescending_ = secondDescending;
  updateGlyphs();
}

void SortBar::setFilterState(int state) {
  filterState_ = state;
  filterButton_->setText(filterStateCaption(state));
  for (QAction* a : states_) a->setEnabled(a->data().toInt() != state);
}

void SortBar::resizeEvent(QResizeEvent* event) {
  const int third = width() / 3;
  firstButton_->setGeometry(0, 0, third, height());
  secondButton_->setGeometry(third, 0, third, height());
  filterButton_->setGeometry(2 * third, 0, width() - 2 * third, height());
  QFrame::resizeEvent(event);
}

bool SortBar::eventFilter(QObject* watched, QEvent* event) {
  // A disabled button swallows its context menu event; its filter sees it.
  if (watched == filterButton_ && event->type() == QEvent::ContextMenu &&
      !filterButton_->isEnabled()) {
    popupFilterMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return QFrame::eventFilter(watched, event);
}

void SortBar::connectNotify(const QMetaMethod& signal) {
  if (signal == QMetaMethod::fromSignal(&SortBar::filterClick)) filterButton_->setEnabled(true);
}

void SortBar::disconnectNotify(const QMetaMethod& signal) {
  if (signal == QMetaMethod::fromSignal(&SortBar::filterClick))
    filterButton_->setEnabled(isSignalConnected(signal));
}

SortMenuContext SortBar::context() const {
  return currentSortMenuContext(sortSource_ ? sortSource_() : sortFields_, firstLabel(),
                                secondLabel(), firstDescending_, secondDescending_);
}

void SortBar::updateFirstMenu() {
  const SortMenuContext ctx = context();
  fill(firstFieldsMenu_, firstFieldEntries(ctx), [this](int tag) { chooseFirstField(tag); });
  const DirectionEntries d = firstDirectionEntries(ctx);
  setDirection(firstAscendingAction_, d.ascending);
  setDirection(firstDescendingAction_, d.descending);
}

void SortBar::updateSecondMenu() {
  const SecondMenu m = ::secondFieldMenu(context());
  fill(secondFieldsMenu_, m.fields, [this](int tag) { chooseSecondField(tag); });
  secondFieldsMenu_->menuAction()->setEnabled(m.fieldSubmenuEnabled);
  secondDirectionMenu_->menuAction()->setEnabled(m.directionSubmenuEnabled);
  setDirection(secondAscendingAction_, m.directions.ascending);
  setDirection(secondDescendingAction_, m.directions.descending);
}

void SortBar::updateFilterMenu() {
  const QStringList names = templates_ ? templates_->names() : QStringList();
  const FilterMenu m = ::filterMenu(filterState_, names);
  fill(loadMenu_, m.loadTemplates, [this, names](int i) { loadTemplate(names[i]); });
  fill(deleteMenu_, m.deleteTemplates, [this, names](int i) { deleteTemplate(names[i]); });
  for (QAction* a : loadMenu_->actions() + deleteMenu_->actions()) a->setCheckable(false);
  loadMenu_->menuAction()->setEnabled(m.loadSubmenuEnabled);
  deleteMenu_->menuAction()->setEnabled(m.deleteSubmenuEnabled);
  saveTemplateAction_->setEnabled(templates_ != nullptr);
  setFilterState(filterState_);
}

void SortBar::popupFirstMenu(const QPoint& globalPos) { firstMenu_->popup(globalPos); }
void SortBar::popupSecondMenu(const QPoint& globalPos) { secondMenu_->popup(globalPos); }
void SortBar::popupFilterMenu(const QPoint& globalPos) { filterMenu_->popup(globalPos); }

void SortBar::chooseFirstField(int tag) {
  const SortMenuContext ctx = context();
  const auto next = ::chooseFirstField(ctx, tag);
  tick(firstFieldsMenu_, next ? tag : tickedTag(firstFieldEntries(ctx)));
  if (!next) return;
  sortFields_ = *next;
  emit sortByClick(*next);
}

void SortBar::chooseFirstDirection(bool descending) {
  const auto next = isSignalConnected(QMetaMethod::fromSignal(&SortBar::sort1MenuClick))
                        ? ::chooseFirstDirection(context(), descending)
                        : std::nullopt;
  if (!next) {
    setDirection(firstAscendingAction_, firstDirectionEntries(context()).ascending);
    setDirection(firstDescendingAction_, firstDirectionEntries(context()).descending);
    return;
  }
  firstAscendingAction_->setChecked(!descending);
  firstDescendingAction_->setChecked(descending);
  sortFields_ = *next;
  emit sort1MenuClick(*next);
}

void SortBar::chooseSecondField(int tag) {
  const SortMenuContext ctx = context();
  const auto next = ::chooseSecondField(ctx, tag);
  tick(secondFieldsMenu_, next ? tag : tickedTag(::secondFieldMenu(ctx).fields));
  if (!next) return;
  sortFields_ = *next;
  emit sortByClick(*next);
}

void SortBar::chooseSecondDirection(bool descending) {
  const auto next = isSignalConnected(QMetaMethod::fromSignal(&SortBar::sort2MenuClick))
                        ? ::chooseSecondDirection(context(), descending)
                        : std::nullopt;
  if (!next) {
    const SecondMenu m = ::secondFieldMenu(context());
    setDirection(secondAscendingAction_, m.directions.ascending);
    setDirection(secondDescendingAction_, m.directions.descending);
    return;
  }
  secondAscendingAction_->setChecked(!descending);
  secondDescendingAction_->setChecked(descending);
  sortFields_ = *next;
  emit sort2MenuClick(*next);
}

void SortBar::chooseFilterState(int state) {
  setFilterState(state);
  emit filterMenuClick(state);
}

void SortBar::loadTemplate(const QString& name) {
  if (!templates_) return;
  if (!templates_->apply(name)) {
    showMessage(MsgKind::Error, QString::fromLatin1(kErrorLoadingTemplate));
    return;
  }
  emit quickFilter(name);
}

void SortBar::deleteTemplate(const QString& name) {
  if (!templates_) return;
  templates_->remove(name);
  emit templateDeleted(name);
}

void SortBar::saveTemplate() {
  const std::optional<QString> name =
      prompter().input(QString::fromLatin1(kSaveTemplateCaption),
                       QString::fromLatin1(kSaveTemplatePrompt), QString(), false);
  if (!name || name->isEmpty() || !templates_) return;
  if (!templates_->add(*name)) {
    showMessage(MsgKind::Error, QString::fromLatin1(kDuplicateTemplate));
    return;
  }
  emit templateSaved(*name);
}

void SortBar::showHelp() {
  if (helpContext_ != 0) showHelpTopic(helpContext_);
}
