#include "ui/columnheader.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include <exception>
#include "core/filetext.h"
#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "core/templatelist.h"
#include "ui/menutext.h"
#include "ui/qtprompter.h"

namespace {

const QString kHint = QStringLiteral("Left Click - Change Order;  Right Click - Menu");
const QString kSaveCaption = QStringLiteral("Save Header As Template");
const QString kSavePrompt = QStringLiteral("Template Name:");
const QString kDuplicateName = QStringLiteral("Duplicate name - Template Not Saved!");
const QString kLoadError = QStringLiteral("Error Loading Template.");

}  // namespace

ColumnHeader::ColumnHeader(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("columnHeader"));
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(11);
  f.setBold(true);
  f.setItalic(true);
  setFont(f);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::blue);
  setPalette(pal);
  setToolTip(kHint);
  setMouseTracking(true);
  setContextMenuPolicy(Qt::PreventContextMenu);  // the right button is ours
  resize(sizeHint());
  layout_.setCaptionWidth([this](const QString& s) { return fontMetrics().horizontalAdvance(s); });
  layout_.setClientWidth(width() - 2 * kFrame);
  layout_.setOuterWidth(width());
  buildMenu();
}

ColumnHeader::~ColumnHeader() {
  // The list outlives the header: leave it no pointer to a layout that is gone.
  if (templates().attached() == &layout_) templates().attach(nullptr, nullptr);
}

HeaderTemplateList& ColumnHeader::templates() {
  return templates_ ? *templates_ : headerTemplates();
}

void ColumnHeader::buildMenu() {
  popupMenu_ = new QMenu(this);
  popupMenu_->setObjectName(QStringLiteral("popupMenu"));
  insertMenu_ = popupMenu_->addMenu(QStringLiteral("&Insert New Field"));
  insertMenu_->setObjectName(QStringLiteral("insertFieldMenu"));
  removeMenu_ = popupMenu_->addMenu(QStringLiteral("&Remove Field"));
  removeMenu_->setObjectName(QStringLiteral("removeFieldMenu"));
  popupMenu_->addSeparator();
  loadMenu_ = popupMenu_->addMenu(QStringLiteral("&Load From Template"));
  loadMenu_->setObjectName(QStringLiteral("loadTemplateMenu"));
  QAction* save = popupMenu_->addAction(QStringLiteral("&Save As Template"));
  save->setObjectName(QStringLiteral("saveAsTemplateAction"));
  connect(save, &QAction::triggered, this, &ColumnHeader::onSaveAsTemplateTriggered);
  deleteMenu_ = popupMenu_->addMenu(QStringLiteral("&Delete Template"));
  deleteMenu_->setObjectName(QStringLiteral("deleteTemplateMenu"));
  popupMenu_->addSeparator();
  QAction* help = popupMenu_->addAction(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("helpAction"));
  connect(help, &QAction::triggered, this, &ColumnHeader::onHelpTriggered);
  connect(popupMenu_, &QMenu::aboutToShow, this, &ColumnHeader::prepareEntryMenu);
}

void ColumnHeader::prepareEntryMenu() {
  const AppSettings& s = appSettings();
  const FieldMenu fields =
      layout().fieldMenu(labels(), s.memoFields, s.blobFields, s.firstUserField);
  insertMenu_->clear();
  for (const auto& item : fields.insert) {
    connect(insertMenu_->addAction(menuItemText(item.caption)), &QAction::triggered, this,
            [this, item] { onInsertFieldTriggered(item.caption, item.labelPos); });
  }
  removeMenu_->clear();
  for (const auto& item : fields.remove) {
    connect(removeMenu_->addAction(menuItemText(item.caption)), &QAction::triggered, this,
            [this, item] { onRemoveFieldTriggered(item.caption); });
  }
  removeMenu_->menuAction()->setEnabled(fields.removeEnabled);

  const QStringList names = templates().names();
  loadMenu_->clear();
  deleteMenu_->clear();
  for (int i = 0; i < names.size(); ++i) {
    const QString name = names[i];
    connect(loadMenu_->addAction(menuItemText(name)), &QAction::triggered, this,
            [this, name] { onLoadTemplateTriggered(name); });
    connect(deleteMenu_->addAction(menuItemText(name)), &QAction::triggered, this,
            [this, i] { onDeleteTemplateTriggered(i); });
  }
  loadMenu_->menuAction()->setEnabled(!names.isEmpty());
  deleteMenu_->menuAction()->setEnabled(!names.isEmpty());
}

void ColumnHeader::changed() {
  update();
  emit onHChange(this);
}

void ColumnHeader::onInsertFieldTriggered(const QString& label, int labelPos) {
  if (layout().insertField(label, labelPos)) changed();
}

void ColumnHeader::onRemoveFieldTriggered(const QString& label) {
  if (layout().removeField(label)) changed();
}

void ColumnHeader::onLoadTemplateTriggered(const QString& name) {
  templates().attach(&layout(), &labels());
  const bool loaded = templates().applyTemplate(name);
  // A failed load leaves what was read, or the default columns: the rows
  // follow either way.
  layout_.recomputePercents();
  changed();
  if (!loaded) showMessage(MsgKind::Error, kLoadError);
}

void ColumnHeader::onSaveAsTemplateTriggered() {
  const auto name = prompter().input(kSaveCaption, kSavePrompt, QString(), false);
  if (!name || name->isEmpty()) return;
  if (const QString refusal = unstorableTextMessage(*name); !refusal.isEmpty()) {
    showMessage(MsgKind::Error, refusal);
    return;
  }
  templates().attach(&layout(), &labels());
  bool added = false;
  try {
    added = templates().addTemplate(*name);
  } catch (const std::exception& e) {
    // No message of our own for a disk that refuses the file: say what failed.
    showMessage(MsgKind::Error, QString::fromStdString(e.what()));
    return;
  }
  if (!added) showMessage(MsgKind::Error, kDuplicateName);
}

void ColumnHeader::onDeleteTemplateTriggered(int index) { templates().deleteTemplate(index); }

void ColumnHeader::onHelpTriggered() {
  if (helpContext_ != 0) showHelpTopic(helpContext_);
}

bool ColumnHeader::loadFromFile(const QString& path) {
  const bool whole = layout().loadFromFile(path, labels());
  update();
  return whole;
}

bool ColumnHeader::saveToFile(const QString& path) { return layout().saveToFile(path); }

void ColumnHeader::refreshCaptions() {
  layout_.refreshCaptions(labels());
  update();
}

HeaderLayout& ColumnHeader::layout() {
  // A hidden control gets its resize event late; its width is right at once.
  // Percentages stay as they were until the next change, as the views expect.
  layout_.setClientWidth(width() - 2 * kFrame);
  layout_.setOuterWidth(width());
  return layout_;
}

void ColumnHeader::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layout();
}

void ColumnHeader::mousePressEvent(QMouseEvent* event) {
  dragged_ = -1;
  resizing_ = -1;
  if (event->button() != Qt::LeftButton) return;
  const HitResult hit = layout().hitTest(clientX(event->position().toPoint()));
  if (hit.kind == HitResult::Resize) {
    resizing_ = hit.section;
    resizeFromX_ = clientX(event->position().toPoint());
    resizeFromWidth_ = layout_.width(hit.section);
  } else if (hit.kind == HitResult::Drag) {
    dragged_ = hit.section;
    setCursor(Qt::DragMoveCursor);
  }
}

void ColumnHeader::mouseMoveEvent(QMouseEvent* event) {
  layout();
  const int x = clientX(event->position().toPoint());
  if (resizing_ >= 0) {
    // The border keeps its distance to the pointer; no column gets narrower
    // than 4, the last one included, so every border stays within reach.
    layout_.setWidth(resizing_,
                     layout_.resizeWidth(resizing_, resizeFromWidth_ + x - resizeFromX_));
    update();
    return;
  }
  if (dragged_ >= 0) return;
  const HitResult hit = layout_.hitTest(x);
  if (hit.kind == HitResult::Resize)
    setCursor(Qt::SplitHCursor);
  else
    unsetCursor();
}

void ColumnHeader::mouseReleaseEvent(QMouseEvent* event) {
  layout();
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::RightButton) {
    popupMenu_->popup(mapToGlobal(pos));
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  if (resizing_ >= 0) {
    const int s = resizing_;
    resizing_ = -1;
    layout_.afterResize(s);
    changed();
    return;
  }
  if (dragged_ >= 0) {
    const int dragged = dragged_;
    dragged_ = -1;
    unsetCursor();
    // Only a drop on the header itself counts.
    if (rect().contains(pos) && layout_.drop(dragged, clientX(pos))) changed();
  }
}

void ColumnHeader::paintEvent(QPaintEvent*) {
  layout();
  QPainter p(this);
  p.fillRect(rect(), palette().button());
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  const QRect client = rect().adjusted(kFrame, kFrame, -kFrame, -kFrame);
  int left = client.left();
  for (int i = 0; i < layout_.count(); ++i) {
    const int w = layout_.width(i);
    if (w <= 0) continue;
    const QRect cell(left, client.top(), w, client.height());
    left += w;
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(cell.topLeft(), cell.topRight());
    p.drawLine(cell.topLeft(), cell.bottomLeft());
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(cell.topRight(), cell.bottomRight());
    p.drawLine(cell.bottomLeft(), cell.bottomRight());
    p.setPen(palette().color(QPalette::WindowText));
    p.save();
    p.setClipRect(cell.adjusted(1, 1, -1, -1));
    p.drawText(cell.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, layout_.caption(i));
    p.restore();
  }
}
