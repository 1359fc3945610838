#include "book/recordpage.h"

#include <QApplication>
#include <QLabel>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "query/lookup/lookupbox.h"
#include "query/lookup/lookuplist.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/sortstate.h"
#include "ui/bmpcontrol.h"
#include "ui/editormenu.h"
#include "ui/editors/currencyedit.h"
#include "ui/editors/dateedit.h"
#include "ui/elementcolors.h"
#include "ui/pageeditors.h"

namespace {

constexpr int kStatusTop = 8;
constexpr int kPartsTop = 34;
constexpr int kPartsHeight = 318;
constexpr int kBarTop = 384;

}  // namespace

RecordPage::RecordPage(QWidget* parent, const QString& prefix, LookupLists* lists, bool leftPage)
    : BookPage(parent, leftPage) {
  resize(kWidth, kHeight);
  editMenu = new EditorMenu(this);
  const int inner = leftPage ? 10 : 26;  // clear of the binding shade
  const int width = kWidth - 36;

  statusLabel = new QLabel(QStringLiteral("Read/Write Access"), this);
  statusLabel->setObjectName(QStringLiteral("statusLabel"));
  statusLabel->setAlignment(Qt::AlignCenter);
  statusLabel->setFrameShape(QFrame::Panel);
  statusLabel->setFrameShadow(QFrame::Sunken);
  statusLabel->setGeometry(inner, kStatusTop, width, 20);
  QFont statusFont(QStringLiteral("Arial"));
  statusFont.setPixelSize(11);
  statusFont.setBold(true);
  statusLabel->setFont(statusFont);

  parts = new QStackedWidget(this);
  parts->setGeometry(inner, kPartsTop, width, kPartsHeight);
  editors.assign(kPageFieldCount, nullptr);
  labels.assign(kPageFieldCount, nullptr);
  buildPageParts(parts, prefix, width, kPartsHeight, 94, editMenu,
                 {&editors, &labels, &DateEditors, &partEditorCounts, lists});

  partTabs = new QTabBar(this);
  partTabs->setObjectName(QStringLiteral("partTabs"));
  for (int part = 1; part <= kPageParts; ++part)
    partTabs->addTab(QStringLiteral("Part %1").arg(part));
  partTabs->setShape(QTabBar::TriangularSouth);
  partTabs->setDrawBase(false);
  partTabs->setFocusPolicy(Qt::NoFocus);
  partTabs->setToolTip(QStringLiteral("Select Part of the Record [Alt+#]"));
  partTabs->setGeometry(inner, kPartsTop + kPartsHeight + 2, width, 24);
  connect(partTabs, &QTabBar::currentChanged, parts, &QStackedWidget::setCurrentIndex);

  pageBar = new QFrame(this);
  pageBar->setObjectName(QStringLiteral("pageBar"));
  pageBar->setGeometry(inner, kBarTop, width, 34);
  printButton =
      speedBarButton(pageBar, QStringLiteral("printButton"),
                     QStringLiteral("Print Current Record [Alt+R]"), QStyle::SP_DialogSaveButton);
  deleteButton =
      speedBarButton(pageBar, QStringLiteral("deleteButton"),
                     QStringLiteral("Delete Current Record [Alt+Delete]"), QStyle::SP_TrashIcon);
  copyButton = speedBarButton(pageBar, QStringLiteral("copyButton"),
                              QStringLiteral("Copy Current Record To Copy Buffer [Alt+C]"),
                              QStyle::SP_FileDialogNewFolder);
  pasteButton = speedBarButton(pageBar, QStringLiteral("pasteButton"),
                               QStringLiteral("Paste From Copy Buffer To Current Record [Alt+P]"),
                               QStyle::SP_DialogApplyButton);
  undoButton = speedBarButton(pageBar, QStringLiteral("undoButton"),
                              QStringLiteral("Undo Changes To Current Record [Alt+U]"),
                              QStyle::SP_DialogResetButton);
  previousButton =
      speedBarButton(pageBar, QStringLiteral("previousButton"),
                     QStringLiteral("GoTo Previous Page [Alt+PgUp]"), QStyle::SP_ArrowBack);
  nextButton = speedBarButton(pageBar, QStringLiteral("nextButton"),
                              QStringLiteral("GoTo Next Page [Alt+PgDn]"), QStyle::SP_ArrowForward);
  synchronizeButton =
      speedBarButton(pageBar, QStringLiteral("synchronizeButton"),
                     QStringLiteral("Synchronize Left Page With Current Record [Alt+Y]"),
                     QStyle::SP_BrowserReload);
  const std::array<QToolButton*, 8> buttons{printButton, deleteButton,     copyButton,
                                            pasteButton, undoButton,       previousButton,
                                            nextButton,  synchronizeButton};
  const int step = width / static_cast<int>(buttons.size());
  for (size_t i = 0; i < buttons.size(); ++i)
    buttons[i]->setGeometry(static_cast<int>(i) * step + 1, 2, step - 2, 30);

  QFont numberFont(QStringLiteral("Arial"));
  numberFont.setPixelSize(11);
  numberFont.setItalic(true);
  pageNumber = new QLabel(QString(), this);
  pageNumber->setObjectName(QStringLiteral("pageNumber"));
  pageNumber->setFont(numberFont);
  pageNumber->setGeometry(leftPage ? 12 : kWidth - 72, kHeight - 24, 60, 14);
  pageNumber->setAlignment((leftPage ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
}

PageValues RecordPage::values() const {
  PageValues v;
  for (int k = 0; k < kPageFieldCount; ++k) {
    const QWidget* e = editors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<const BmpControl*>(e))
      v.picture = pic->picture();
    else
      v.text[static_cast<size_t>(k)] = editorText(e);
  }
  return v;
}

void RecordPage::fill(const PageValues& values) {
  for (int k = 0; k < kPageFieldCount; ++k) {
    QWidget* e = editors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<BmpControl*>(e))
      pic->setPicture(values.picture);
    else
      setEditorText(e, values.text[static_cast<size_t>(k)]);
  }
}

void RecordPage::clear() { fill(PageValues{}); }

void RecordPage::colorEditor(QWidget* editor, bool inUse) {
  const bool memo = qobject_cast<MemoEdit*>(editor) != nullptr;
  if (inUse)
    setEditorColors(editor, QApplication::palette().color(QPalette::Base),
                    QApplication::palette().color(QPalette::Disabled, QPalette::Text), true);
  else
    setEditorColors(editor, elementColor(memo ? 18 : 16), elementColor(memo ? 17 : 15), false);
}

void RecordPage::setEditorsEnabled(bool on) {
  for (QWidget* e : editors) {
    e->setEnabled(on);
    colorEditor(e, !on);
  }
}

void RecordPage::applyLabels() {
  for (int k = 0; k < kPageFieldCount && k < ::labels().size(); ++k)
    labels[static_cast<size_t>(k)]->setText(::labels()[k]);
}

std::vector<QString> RecordPage::labelTexts() const {
  std::vector<QString> out;
  for (const QLabel* l : labels) out.push_back(l->text());
  return out;
}

void RecordPage::applyColors() {
  for (QLabel* l : labels) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, elementColor(19));
    p.setColor(QPalette::Window, elementColor(20));
    l->setPalette(p);
  }
  color = elementColor(24);
  for (QWidget* w : {static_cast<QWidget*>(partTabs), static_cast<QWidget*>(parts)}) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, elementColor(24));
    w->setPalette(p);
  }
  for (QWidget* e : editors) colorEditor(e, !e->isEnabled());
  update();
}

int RecordPage::part() const { return partTabs->currentIndex(); }

void RecordPage::selectPart(int part) {
  if (part < 0 || part >= kPageParts) return;
  partTabs->setCurrentIndex(part);
}

void RecordPage::focusFirstEditor() {
  const int shown = part();
  for (QWidget* e : editors)
    if (partOfField(e->property("Tag").toInt() - 1) == shown) {
      e->setFocus();
      return;
    }
}

void RecordPage::applyDateFormat() {
  const QString format = DateEditModel::formatForSetting(appSettings().dateFormat);
  if (format.isEmpty()) return;
  for (DateEdit* d : DateEditors) d->setDateFormat(format);
}

void buildPageParts(QStackedWidget* parts, const QString& prefix, int width, int height,
                    int labelWidth, EditorMenu* menu, const PageEditors& out) {
  out.editors->assign(kPageFieldCount, nullptr);
  out.labels->assign(kPageFieldCount, nullptr);
  QFont labelFont(QStringLiteral("Arial"));
  labelFont.setPixelSize(11);
  labelFont.setBold(true);
  for (int part = 0; part < kPageParts; ++part) {
    auto* panelPart = new QWidget(parts);
    panelPart->setObjectName(prefix + QStringLiteral("Part%1").arg(part + 1));
    parts->addWidget(panelPart);
    int row = 0;
    for (int k = 0; k < kPageFieldCount; ++k) {
      const FieldDesign& d = fieldDesigns()[static_cast<size_t>(k)];
      if (d.part != part) continue;
      auto* label = new QLabel(QString::fromLatin1(d.caption), panelPart);
      label->setProperty("Tag", k + 1);
      label->setFont(labelFont);
      QWidget* editor = nullptr;
      if (d.kind == EditorKind::Memo || d.kind == EditorKind::Picture) {
        label->setGeometry(2, 2, width - 4, 16);
        if (d.kind == EditorKind::Memo)
          editor = new MemoEdit(panelPart);
        else
          editor = new BmpControl(panelPart);
        editor->setGeometry(2, 20, width - 4, height - 24);
      } else {
        const int top = 2 + row * 28;
        label->setGeometry(2, top + 3, labelWidth, 18);
        const QRect at(labelWidth + 4, top, width - labelWidth - 6, 24);
        if (d.kind == EditorKind::Date) {
          auto* date = new DateEdit(panelPart);
          date->helpContext = d.helpContext;
          date->setGeometry(at.x(), at.y(), 120, at.height());
          const QString format = DateEditModel::formatForSetting(appSettings().dateFormat);
          if (!format.isEmpty()) date->setDateFormat(format);
          out.dateEditors->push_back(date);
          editor = date;
        } else if (d.kind == EditorKind::Currency) {
          auto* amount = new CurrencyEdit(panelPart);
          amount->helpContext = d.helpContext;
          amount->setGeometry(at.x(), at.y(), 120, at.height());
          editor = amount;
        } else if (d.kind == EditorKind::Lookup) {
          auto* box = new LookupBox(panelPart);
          if (out.lists) box->setList(out.lists->list(QString::fromLatin1(d.lookupList)));
          box->setGeometry(at);
          editor = box;
        } else {
          auto* edit = new PageEdit(panelPart);
          edit->helpContext = d.helpContext;
          edit->setGeometry(at);
          editor = edit;
        }
        ++row;
      }
      // Date edits bring their own menu.
      if (d.kind != EditorKind::Picture && d.kind != EditorKind::Date) {
        // A lookup's menu opens over its line.
        QWidget* target = d.kind == EditorKind::Lookup ? lineEditOf(editor) : editor;
        target->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(target, &QWidget::customContextMenuRequested, menu,
                         [menu, editor, target](const QPoint& at) {
                           menu->popupFor(editor, target->mapToGlobal(at));
                         });
      }
      editor->setObjectName(prefix + QString::number(k + 1));
      editor->setProperty("Tag", k + 1);
      (*out.editors)[static_cast<size_t>(k)] = editor;
      (*out.labels)[static_cast<size_t>(k)] = label;
      if (out.counts) ++(*out.counts)[static_cast<size_t>(part)];
    }
  }
}

bool showFindHit(QWidget* e) {
  if (qobject_cast<BmpControl*>(e)) return false;
  QPalette p = e->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, Qt::red);
    p.setColor(group, QPalette::Text, Qt::yellow);
  }
  e->setPalette(p);
  if (auto* amount = qobject_cast<CurrencyEdit*>(e)) {
    amount->setPlusColor(elementColor(21));
    amount->setNegColor(elementColor(22));
  }
  return true;
}
