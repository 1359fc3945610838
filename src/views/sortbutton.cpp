#include "sortbutton.h"

#include <QMenu>
#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>

#include "nofocusbitbtn.h"
#include "prompt.h"
#include "qtprompter.h"

namespace {

constexpr int kGlyphSize = 12;

QPixmap Arrow(bool down) {
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
void Fill(QMenu* menu, const std::vector<TMenuEntry>& entries,
          const std::function<void(int)>& chosen) {
  menu->clear();
  for (const TMenuEntry& e : entries) {
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
void Tick(QMenu* menu, int tag) {
  for (QAction* a : menu->actions()) a->setChecked(a->data().toInt() == tag);
}

int TickedTag(const std::vector<TMenuEntry>& entries) {
  for (const TMenuEntry& e : entries) {
    if (e.checked) return e.tag;
  }
  return -1;
}

void SetDirection(QAction* action, const TMenuEntry& entry) {
  action->setChecked(entry.checked);
  action->setEnabled(entry.enabled);
}

}  // namespace

QPixmap DefaultDownGlyph() { return Arrow(true); }
QPixmap DefaultUpGlyph() { return Arrow(false); }

QPixmap DefaultFilterGlyph() {
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

TSortButton::TSortButton(QWidget* parent)
    : QFrame(parent),
      btn1_(new TNoFocusBitBtn(this)),
      btn2_(new TNoFocusBitBtn(this)),
      btn3_(new TNoFocusBitBtn(this)),
      menu1_(new QMenu(this)),
      menu2_(new QMenu(this)),
      menu3_(new QMenu(this)),
      downBmp_(DefaultDownGlyph()),
      upBmp_(DefaultUpGlyph()),
      filterBmp_(DefaultFilterGlyph()) {
  btn1_->setObjectName(QStringLiteral("SortBtn1"));
  btn2_->setObjectName(QStringLiteral("SortBtn2"));
  btn3_->setObjectName(QStringLiteral("FilterBtn"));

  fields1_ = menu1_->addMenu(QStringLiteral("&Primary Sort Field"));
  dirs1_ = menu1_->addMenu(QStringLiteral("&Sort Direction"));
  asc1_ = dirs1_->addAction(QStringLiteral("Ascending"));
  desc1_ = dirs1_->addAction(QStringLiteral("Descending"));
  menu1_->addSeparator();
  connect(menu1_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &TSortButton::showHelp);

  fields2_ = menu2_->addMenu(QStringLiteral("&Secondary Sort Field"));
  dirs2_ = menu2_->addMenu(QStringLiteral("Sort &Direction"));
  asc2_ = dirs2_->addAction(QStringLiteral("Ascending"));
  desc2_ = dirs2_->addAction(QStringLiteral("Descending"));
  menu2_->addSeparator();
  connect(menu2_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &TSortButton::showHelp);

  for (QAction* a : {asc1_, desc1_, asc2_, desc2_}) a->setCheckable(true);
  connect(asc1_, &QAction::triggered, this, [this] { chooseFirstDirection(false); });
  connect(desc1_, &QAction::triggered, this, [this] { chooseFirstDirection(true); });
  connect(asc2_, &QAction::triggered, this, [this] { chooseSecondDirection(false); });
  connect(desc2_, &QAction::triggered, this, [this] { chooseSecondDirection(true); });

  const TFilterMenu states = FilterMenu(filterState_, {});
  for (size_t i = 0; i < 3; ++i) {
    const int state = states.states[i].tag;
    states_[i] = menu3_->addAction(states.states[i].text);
    states_[i]->setData(state);
    connect(states_[i], &QAction::triggered, this, [this, state] { chooseFilterState(state); });
  }
  menu3_->addSeparator();
  load_ = menu3_->addMenu(QStringLiteral("&Load From Template"));
  connect(menu3_->addAction(QStringLiteral("&Save As Template")), &QAction::triggered, this,
          &TSortButton::saveTemplate);
  delete_ = menu3_->addMenu(QStringLiteral("&Delete Template"));
  menu3_->addSeparator();
  connect(menu3_->addAction(QStringLiteral("&Help")), &QAction::triggered, this,
          &TSortButton::showHelp);

  connect(menu1_, &QMenu::aboutToShow, this, &TSortButton::updateFirstMenu);
  connect(menu2_, &QMenu::aboutToShow, this, &TSortButton::updateSecondMenu);
  connect(menu3_, &QMenu::aboutToShow, this, &TSortButton::updateFilterMenu);

  connect(btn1_, &QPushButton::clicked, this, &TSortButton::clicked);
  connect(btn2_, &QPushButton::clicked, this, &TSortButton::clicked);
  connect(btn3_, &QPushButton::clicked, this, &TSortButton::filterClick);
  const std::pair<TNoFocusBitBtn*, void (TSortButton::*)(const QPoint&)> popups[] = {
      {btn1_, &TSortButton::popupFirstMenu},
      {btn2_, &TSortButton::popupSecondMenu},
      {btn3_, &TSortButton::popupFilterMenu}};
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

TSortButton::~TSortButton() = default;

QString TSortButton::label1() const { return btn1_->text(); }
QString TSortButton::label2() const { return btn2_->text(); }
QString TSortButton::hint1() const { return btn1_->toolTip(); }
QString TSortButton::hint2() const { return btn2_->toolTip(); }
QString TSortButton::hint3() const { return btn3_->toolTip(); }
void TSortButton::setLabel1(const QString& text) { btn1_->setText(text); }
void TSortButton::setLabel2(const QString& text) { btn2_->setText(text); }
void TSortButton::setHint1(const QString& text) { btn1_->setToolTip(text); }
void TSortButton::setHint2(const QString& text) { btn2_->setToolTip(text); }
void TSortButton::setHint3(const QString& text) { btn3_->setToolTip(text); }

void TSortButton::setIsDown1(bool on) {
  isDown1_ = on;
  updateGlyphs();
}

void TSortButton::setIsDown2(bool on) {
  isDown2_ = on;
  updateGlyphs();
}

void TSortButton::setDownBmp(const QPixmap& glyph) {
  downBmp_ = glyph;
  updateGlyphs();
}

void TSortButton::setUpBmp(const QPixmap& glyph) {
  upBmp_ = glyph;
  updateGlyphs();
}

void TSortButton::setFilterBmp(const QPixmap& glyph) {
  filterBmp_ = glyph;
  updateGlyphs();
}

void TSortButton::updateGlyphs() {
  btn1_->setGlyph(isDown1_ ? downBmp_ : upBmp_);
  btn2_->setGlyph(isDown2_ ? downBmp_ : upBmp_);
  btn3_->setGlyph(filterBmp_);
}

void TSortButton::setLabelsAndDirections(const QString& first, const QString& second,
                                         bool secondDescending, bool firstDescending) {
  setLabel1(first);
  setLabel2(second);
  isDown1_ = firstDescending;
  isDown2_ = secondDescending;
  updateGlyphs();
}

void TSortButton::setFilterState(int state) {
  filterState_ = state;
  btn3_->setText(FilterStateCaption(state));
  for (QAction* a : states_) a->setEnabled(a->data().toInt() != state);
}

void TSortButton::resizeEvent(QResizeEvent* event) {
  const int third = width() / 3;
  btn1_->setGeometry(0, 0, third, height());
  btn2_->setGeometry(third, 0, third, height());
  btn3_->setGeometry(2 * third, 0, width() - 2 * third, height());
  QFrame::resizeEvent(event);
}

TSortMenuContext TSortButton::context() const {
  return CurrentSortMenuContext(sortSource_ ? sortSource_() : sortFields_, label1(), label2(),
                                isDown1_, isDown2_);
}

void TSortButton::updateFirstMenu() {
  const TSortMenuContext ctx = context();
  Fill(fields1_, FirstFieldEntries(ctx), [this](int tag) { chooseFirstField(tag); });
  const TDirectionEntries d = FirstDirectionEntries(ctx);
  SetDirection(asc1_, d.ascending);
  SetDirection(desc1_, d.descending);
}

void TSortButton::updateSecondMenu() {
  const TSecondMenu m = SecondFieldMenu(context());
  Fill(fields2_, m.fields, [this](int tag) { chooseSecondField(tag); });
  fields2_->menuAction()->setEnabled(m.fieldSubmenuEnabled);
  dirs2_->menuAction()->setEnabled(m.directionSubmenuEnabled);
  SetDirection(asc2_, m.directions.ascending);
  SetDirection(desc2_, m.directions.descending);
}

void TSortButton::updateFilterMenu() {
  const QStringList names = templates_ ? templates_->names() : QStringList();
  const TFilterMenu m = FilterMenu(filterState_, names);
  Fill(load_, m.loadTemplates, [this, names](int i) { loadTemplate(names[i]); });
  Fill(delete_, m.deleteTemplates, [this, names](int i) { deleteTemplate(names[i]); });
  for (QAction* a : load_->actions() + delete_->actions()) a->setCheckable(false);
  load_->menuAction()->setEnabled(m.loadSubmenuEnabled);
  delete_->menuAction()->setEnabled(m.deleteSubmenuEnabled);
  setFilterState(filterState_);
}

void TSortButton::popupFirstMenu(const QPoint& globalPos) { menu1_->popup(globalPos); }
void TSortButton::popupSecondMenu(const QPoint& globalPos) { menu2_->popup(globalPos); }
void TSortButton::popupFilterMenu(const QPoint& globalPos) { menu3_->popup(globalPos); }

void TSortButton::chooseFirstField(int tag) {
  const TSortMenuContext ctx = context();
  const auto next = ChooseFirstField(ctx, tag);
  Tick(fields1_, next ? tag : TickedTag(FirstFieldEntries(ctx)));
  if (!next) return;
  sortFields_ = *next;
  emit sortByClick(*next);
}

void TSortButton::chooseFirstDirection(bool descending) {
  const auto next = isSignalConnected(QMetaMethod::fromSignal(&TSortButton::sort1MenuClick))
                        ? ChooseFirstDirection(context(), descending)
                        : std::nullopt;
  if (!next) {
    SetDirection(asc1_, FirstDirectionEntries(context()).ascending);
    SetDirection(desc1_, FirstDirectionEntries(context()).descending);
    return;
  }
  asc1_->setChecked(!descending);
  desc1_->setChecked(descending);
  sortFields_ = *next;
  emit sort1MenuClick(*next);
}

void TSortButton::chooseSecondField(int tag) {
  const TSortMenuContext ctx = context();
  const auto next = ChooseSecondField(ctx, tag);
  Tick(fields2_, next ? tag : TickedTag(SecondFieldMenu(ctx).fields));
  if (!next) return;
  sortFields_ = *next;
  emit sortByClick(*next);
}

void TSortButton::chooseSecondDirection(bool descending) {
  const auto next = isSignalConnected(QMetaMethod::fromSignal(&TSortButton::sort2MenuClick))
                        ? ChooseSecondDirection(context(), descending)
                        : std::nullopt;
  if (!next) {
    const TSecondMenu m = SecondFieldMenu(context());
    SetDirection(asc2_, m.directions.ascending);
    SetDirection(desc2_, m.directions.descending);
    return;
  }
  asc2_->setChecked(!descending);
  desc2_->setChecked(descending);
  sortFields_ = *next;
  emit sort2MenuClick(*next);
}

void TSortButton::chooseFilterState(int state) {
  setFilterState(state);
  emit filterMenuClick(state);
}

void TSortButton::loadTemplate(const QString& name) {
  if (!templates_) return;
  if (!templates_->apply(name)) {
    ShowMessage(MsgKind::Error, QString::fromLatin1(kErrorLoadingTemplate));
    return;
  }
  emit quickFilter(name);
}

void TSortButton::deleteTemplate(const QString& name) {
  if (!templates_) return;
  templates_->remove(name);
  emit templateDeleted(name);
}

void TSortButton::saveTemplate() {
  const std::optional<QString> name =
      Prompter().input(QString::fromLatin1(kSaveTemplateCaption),
                       QString::fromLatin1(kSaveTemplatePrompt), QString(), false);
  if (!name || name->isEmpty() || !templates_) return;
  if (!templates_->add(*name)) {
    ShowMessage(MsgKind::Error, QString::fromLatin1(kDuplicateTemplate));
    return;
  }
  emit templateSaved(*name);
}

void TSortButton::showHelp() {
  if (helpContext_ != 0) ShowHelpTopic(helpContext_);
}
