#include "query/sort/sortbar.h"

#include <QMenu>
#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>

#include "ui/nofocusbutton.h"
#include "core/prompt.h"
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
    QAction* a = menu->addAction(e.text);
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
      btn1_(new NoFocusButton(this)),
      btn2_(new NoFocusButton(this)),
      btn3_(new NoFocusButton(this)),
      menu1_(new QMenu(this)),
      menu2_(new QMenu(this)),
      menu3_(new QMenu(this)),
      downBmp_(defaultDownGlyph()),
      upBmp_(defaultUpGlyph()),
      filterBmp_(defaultFilterGlyph()) {
  btn1_->setObjectName(QStringLiteral("SortBtn1"));
  btn2_->setObjectName(QStringLiteral("SortBtn2"));
  btn3_->setObjectName(QStringLiteral("FilterBtn"));

  fields1_ = menu1_->addMenu(QStringLiteral("&Primary Sort Field"));
  dirs1_ = menu1_->addMenu(QStringLiteral("&Sort Direction"));
  asc1_ = dirs1_->addAction(QStringLiteral("Ascending"));
  desc1_ = dirs1_->addAction(QStringLiteral("Descending"));
  menu1_->addSeparator();
  connect(menu1_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &SortBar::showHelp);

  fields2_ = menu2_->addMenu(QStringLiteral("&Secondary Sort Field"));
  dirs2_ = menu2_->addMenu(QStringLiteral("Sort &Direction"));
  asc2_ = dirs2_->addAction(QStringLiteral("Ascending"));
  desc2_ = dirs2_->addAction(QStringLiteral("Descending"));
  menu2_->addSeparator();
  connect(menu2_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &SortBar::showHelp);

  for (QAction* a : {asc1_, desc1_, asc2_, desc2_}) a->setCheckable(true);
  connect(asc1_, &QAction::triggered, this, [this] { chooseFirstDirection(false); });
  connect(desc1_, &QAction::triggered, this, [this] { chooseFirstDirection(true); });
  connect(asc2_, &QAction::triggered, this, [this] { chooseSecondDirection(false); });
  connect(desc2_, &QAction::triggered, this, [this] { chooseSecondDirection(true); });

  const FilterMenu states = ::filterMenu(filterState_, {});
  for (size_t i = 0; i < 3; ++i) {
    const int state = states.states[i].tag;
    states_[i] = menu3_->addAction(states.states[i].text);
    states_[i]->setData(state);
    connect(states_[i], &QAction::triggered, this, [this, state] { chooseFilterState(state); });
  }
  menu3_->addSeparator();
  load_ = menu3_->addMenu(QStringLiteral("&Load From Template"));
  connect(menu3_->addAction(QStringLiteral("&Save As Template")), &QAction::triggered, this,
          &SortBar::saveTemplate);
  delete_ = menu3_->addMenu(QStringLiteral("&Delete Template"));
  menu3_->addSeparator();
  connect(menu3_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &SortBar::showHelp);

  connect(menu1_, &QMenu::aboutToShow, this, &SortBar::updateFirstMenu);
  connect(menu2_, &QMenu::aboutToShow, this, &SortBar::updateSecondMenu);
  connect(menu3_, &QMenu::aboutToShow, this, &SortBar::updateFilterMenu);

  connect(btn1_, &QPushButton::clicked, this, &SortBar::clicked);
  connect(btn2_, &QPushButton::clicked, this, &SortBar::clicked);
  connect(btn3_, &QPushButton::clicked, this, &SortBar::filterClick);
  const std::pair<NoFocusButton*, void (SortBar::*)(const QPoint&)> popups[] = {
      {btn1_, &SortBar::popupFirstMenu},
      {btn2_, &SortBar::popupSecondMenu},
      {btn3_, &SortBar::popupFilterMenu}};
  for (const auto& [btn, popup] : popups) {
    btn->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(btn, &QWidget::customContextMenuRequested, this,
            [this, b = btn, f = popup](const QPoint& pos) { (this->*f)(b->mapToGlobal(pos)); });
  }

  setLabelsAndDirections(QString::fromLatin1(kEntryOrderLabel), QString::fromLatin1(kNoneLabel),
                         false, true);
  setFilterState(fsFilterOff);
  updateGlyphs();
  resize(300, 20);
}

SortBar::~SortBar() = default;

QString SortBar::label1() const { return btn1_->text(); }
QString SortBar::label2() const { return btn2_->text(); }
QString SortBar::hint1() const { return btn1_->toolTip(); }
QString SortBar::hint2() const { return btn2_->toolTip(); }
QString SortBar::hint3() const { return btn3_->toolTip(); }
void SortBar::setLabel1(const QString& text) { btn1_->setText(text); }
void SortBar::setLabel2(const QString& text) { btn2_->setText(text); }
void SortBar::setHint1(const QString& text) { btn1_->setToolTip(text); }
void SortBar::setHint2(const QString& text) { btn2_->setToolTip(text); }
void SortBar::setHint3(const QString& text) { btn3_->setToolTip(text); }

void SortBar::setIsDown1(bool on) {
  isDown1_ = on;
  updateGlyphs();
}

void SortBar::setIsDown2(bool on) {
  isDown2_ = on;
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
  btn1_->setGlyph(isDown1_ ? downBmp_ : upBmp_);
  btn2_->setGlyph(isDown2_ ? downBmp_ : upBmp_);
  btn3_->setGlyph(filterBmp_);
}

void SortBar::setLabelsAndDirections(const QString& first, const QString& second,
                                         bool secondDescending, bool firstDescending) {
  setLabel1(first);
  setLabel2(second);
  isDown1_ = firstDescending;
  isDown2_ = secondDescending;
  updateGlyphs();
}

void SortBar::setFilterState(int state) {
  filterState_ = state;
  btn3_->setText(filterStateCaption(state));
  for (QAction* a : states_) a->setEnabled(a->data().toInt() != state);
}

void SortBar::resizeEvent(QResizeEvent* event) {
  const int third = width() / 3;
  btn1_->setGeometry(0, 0, third, height());
  btn2_->setGeometry(third, 0, third, height());
  btn3_->setGeometry(2 * third, 0, width() - 2 * third, height());
  QFrame::resizeEvent(event);
}

SortMenuContext SortBar::context() const {
  return currentSortMenuContext(sortSource_ ? sortSource_() : sortFields_, label1(), label2(),
                                isDown1_, isDown2_);
}

void SortBar::updateFirstMenu() {
  const SortMenuContext ctx = context();
  fill(fields1_, firstFieldEntries(ctx), [this](int tag) { chooseFirstField(tag); });
  const DirectionEntries d = firstDirectionEntries(ctx);
  setDirection(asc1_, d.ascending);
  setDirection(desc1_, d.descending);
}

void SortBar::updateSecondMenu() {
  const SecondMenu m = ::secondFieldMenu(context());
  fill(fields2_, m.fields, [this](int tag) { chooseSecondField(tag); });
  fields2_->menuAction()->setEnabled(m.fieldSubmenuEnabled);
  dirs2_->menuAction()->setEnabled(m.directionSubmenuEnabled);
  setDirection(asc2_, m.directions.ascending);
  setDirection(desc2_, m.directions.descending);
}

void SortBar::updateFilterMenu() {
  const QStringList names = templates_ ? templates_->names() : QStringList();
  const FilterMenu m = ::filterMenu(filterState_, names);
  fill(load_, m.loadTemplates, [this, names](int i) { loadTemplate(names[i]); });
  fill(delete_, m.deleteTemplates, [this, names](int i) { deleteTemplate(names[i]); });
  for (QAction* a : load_->actions() + delete_->actions()) a->setCheckable(false);
  load_->menuAction()->setEnabled(m.loadSubmenuEnabled);
  delete_->menuAction()->setEnabled(m.deleteSubmenuEnabled);
  setFilterState(filterState_);
}

void SortBar::popupFirstMenu(const QPoint& globalPos) { menu1_->popup(globalPos); }
void SortBar::popupSecondMenu(const QPoint& globalPos) { menu2_->popup(globalPos); }
void SortBar::popupFilterMenu(const QPoint& globalPos) { menu3_->popup(globalPos); }

void SortBar::chooseFirstField(int tag) {
  const SortMenuContext ctx = context();
  const auto next = ::chooseFirstField(ctx, tag);
  tick(fields1_, next ? tag : tickedTag(firstFieldEntries(ctx)));
  if (!next) return;
  sortFields_ = *next;
  emit sortByClick(*next);
}

void SortBar::chooseFirstDirection(bool descending) {
  const auto next = isSignalConnected(QMetaMethod::fromSignal(&SortBar::sort1MenuClick))
                        ? ::chooseFirstDirection(context(), descending)
                        : std::nullopt;
  if (!next) {
    setDirection(asc1_, firstDirectionEntries(context()).ascending);
    setDirection(desc1_, firstDirectionEntries(context()).descending);
    return;
  }
  asc1_->setChecked(!descending);
  desc1_->setChecked(descending);
  sortFields_ = *next;
  emit sort1MenuClick(*next);
}

void SortBar::chooseSecondField(int tag) {
  const SortMenuContext ctx = context();
  const auto next = ::chooseSecondField(ctx, tag);
  tick(fields2_, next ? tag : tickedTag(::secondFieldMenu(ctx).fields));
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
    setDirection(asc2_, m.directions.ascending);
    setDirection(desc2_, m.directions.descending);
    return;
  }
  asc2_->setChecked(!descending);
  desc2_->setChecked(descending);
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
