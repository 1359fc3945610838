#include "orvantaheader.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "dbase/error.h"
#include "labels.h"
#include "prompt.h"
#include "qtprompter.h"
#include "settings.h"
#include "templatelist.h"

namespace {

const QString kHint = QStringLiteral("Left Click - Change Order;  Right Click - Menu");
const QString kSaveCaption = QStringLiteral("Save Header As Template");
const QString kSavePrompt = QStringLiteral("Template Name:");
const QString kDuplicateName = QStringLiteral("Duplicate name - Template Not Saved!");
const QString kLoadError = QStringLiteral("Error Loading Template.");

// Menu texts show '&' literally, labels may contain one.
QString MenuText(QString s) { return s.replace(u'&', QStringLiteral("&&")); }

}  // namespace

TOrvantaHeader::TOrvantaHeader(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Header1"));
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
  BuildMenu();
}

TOrvantaHeader::~TOrvantaHeader() {
  // The list outlives the header: leave it no pointer to a layout that is gone.
  if (templates().attached() == &layout_) templates().Attach(nullptr, nullptr);
}

THeaderTemplateList& TOrvantaHeader::templates() {
  return templates_ ? *templates_ : HeaderTemplates();
}

void TOrvantaHeader::BuildMenu() {
  popupMenu_ = new QMenu(this);
  popupMenu_->setObjectName(QStringLiteral("PopupMenu1"));
  insertMenu_ = popupMenu_->addMenu(QStringLiteral("&Insert New Field"));
  insertMenu_->setObjectName(QStringLiteral("InsertField1"));
  removeMenu_ = popupMenu_->addMenu(QStringLiteral("&Remove Field"));
  removeMenu_->setObjectName(QStringLiteral("RemoveField1"));
  popupMenu_->addSeparator();
  loadMenu_ = popupMenu_->addMenu(QStringLiteral("&Load From Template"));
  loadMenu_->setObjectName(QStringLiteral("LoadFromTemplate1"));
  QAction* save = popupMenu_->addAction(QStringLiteral("&Save As Template"));
  save->setObjectName(QStringLiteral("SaveAsTemplate1"));
  connect(save, &QAction::triggered, this, &TOrvantaHeader::SaveAsTemplateClick);
  deleteMenu_ = popupMenu_->addMenu(QStringLiteral("&Delete Template"));
  deleteMenu_->setObjectName(QStringLiteral("DeleteTemplate1"));
  popupMenu_->addSeparator();
  QAction* help = popupMenu_->addAction(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("Help1"));
  connect(help, &QAction::triggered, this, &TOrvantaHeader::Help1Click);
  connect(popupMenu_, &QMenu::aboutToShow, this, &TOrvantaHeader::PopupMenu1Popup);
}

void TOrvantaHeader::PopupMenu1Popup() {
  const TAppSettings& s = AppSettings();
  const TFieldMenu fields = layout().FieldMenu(Labels(), s.MemoFields, s.BlobFields, s.FirstUserField);
  insertMenu_->clear();
  for (const auto& item : fields.insert) {
    connect(insertMenu_->addAction(MenuText(item.caption)), &QAction::triggered, this,
            [this, item] { InsertFieldClick(item.caption, item.labelPos); });
  }
  removeMenu_->clear();
  for (const auto& item : fields.remove) {
    connect(removeMenu_->addAction(MenuText(item.caption)), &QAction::triggered, this,
            [this, item] { RemoveFieldClick(item.caption); });
  }
  removeMenu_->menuAction()->setEnabled(fields.removeEnabled);

  const QStringList names = templates().names();
  loadMenu_->clear();
  deleteMenu_->clear();
  for (int i = 0; i < names.size(); ++i) {
    const QString name = names[i];
    connect(loadMenu_->addAction(MenuText(name)), &QAction::triggered, this,
            [this, name] { LoadTemplateClick(name); });
    connect(deleteMenu_->addAction(MenuText(name)), &QAction::triggered, this,
            [this, i] { DeleteTemplateClick(i); });
  }
  loadMenu_->menuAction()->setEnabled(!names.isEmpty());
  deleteMenu_->menuAction()->setEnabled(!names.isEmpty());
}

void TOrvantaHeader::Changed() {
  update();
  emit OnHChange(this);
}

void TOrvantaHeader::InsertFieldClick(const QString& label, int labelPos) {
  if (layout().InsertField(label, labelPos)) Changed();
}

void TOrvantaHeader::RemoveFieldClick(const QString& label) {
  if (layout().RemoveField(label)) Changed();
}

void TOrvantaHeader::LoadTemplateClick(const QString& name) {
  templates().Attach(&layout(), &Labels());
  if (templates().ApplyTemplate(name)) {
    layout_.RecomputePercents();
    Changed();
  } else {
    update();  // shows what was read, or the default columns
    ShowMessage(MsgKind::Error, kLoadError);
  }
}

void TOrvantaHeader::SaveAsTemplateClick() {
  const auto name = Prompter().input(kSaveCaption, kSavePrompt, QString(), false);
  if (!name || name->isEmpty()) return;
  templates().Attach(&layout(), &Labels());
  bool added = false;
  try {
    added = templates().AddTemplate(*name);
  } catch (const dbase::Error& e) {
    // No message of our own for a disk that refuses the file: say what failed.
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
    return;
  }
  if (!added) ShowMessage(MsgKind::Error, kDuplicateName);
}

void TOrvantaHeader::DeleteTemplateClick(int index) { templates().DeleteTemplate(index); }

void TOrvantaHeader::Help1Click() {
  if (helpContext_ != 0) ShowHelpTopic(helpContext_);
}

bool TOrvantaHeader::LoadFromFile(const QString& path) {
  const bool whole = layout().LoadFromFile(path, Labels());
  update();
  return whole;
}

bool TOrvantaHeader::SaveToFile(const QString& path) { return layout().SaveToFile(path); }

void TOrvantaHeader::RefreshCaptions() {
  layout_.RefreshCaptions(Labels());
  update();
}

THeaderLayout& TOrvantaHeader::layout() {
  // A hidden control gets its resize event late; its width is right at once.
  // Percentages stay as they were until the next change, as the views expect.
  layout_.setClientWidth(width() - 2 * kFrame);
  layout_.setOuterWidth(width());
  return layout_;
}

void TOrvantaHeader::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layout();
}

void TOrvantaHeader::mousePressEvent(QMouseEvent* event) {
  dragged_ = -1;
  resizing_ = -1;
  if (event->button() != Qt::LeftButton) return;
  const THitResult hit = layout().HitTest(clientX(event->position().toPoint()));
  if (hit.kind == THitResult::Resize) {
    resizing_ = hit.section;
    resizeFromX_ = clientX(event->position().toPoint());
    resizeFromWidth_ = layout_.width(hit.section);
  } else if (hit.kind == THitResult::Drag) {
    dragged_ = hit.section;
    setCursor(Qt::DragMoveCursor);
  }
}

void TOrvantaHeader::mouseMoveEvent(QMouseEvent* event) {
  layout();
  const int x = clientX(event->position().toPoint());
  if (resizing_ >= 0) {
    // The border keeps its distance to the pointer; no column shrinks below 4.
    layout_.setWidth(resizing_, std::max(kMinLeftWidth, resizeFromWidth_ + x - resizeFromX_));
    update();
    return;
  }
  if (dragged_ >= 0) return;
  const THitResult hit = layout_.HitTest(x);
  if (hit.kind == THitResult::Resize)
    setCursor(Qt::SplitHCursor);
  else
    unsetCursor();
}

void TOrvantaHeader::mouseReleaseEvent(QMouseEvent* event) {
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
    layout_.AfterResize(s);
    Changed();
    return;
  }
  if (dragged_ >= 0) {
    const int dragged = dragged_;
    dragged_ = -1;
    unsetCursor();
    // Only a drop on the header itself counts.
    if (rect().contains(pos) && layout_.Drop(dragged, clientX(pos))) Changed();
  }
}

void TOrvantaHeader::paintEvent(QPaintEvent*) {
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
