#include "recordpage.h"

#include <QApplication>
#include <QLabel>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

#include "database.h"
#include "editmenu.h"
#include "labels.h"
#include "letters.h"
#include "pageeditors.h"
#include "prompt.h"
#include "settings.h"
#include "sortstate.h"
#include "viewcolors.h"

namespace {

constexpr int kPostAttempts = 100;
constexpr int kStatusTop = 8;
constexpr int kPartsTop = 34;
constexpr int kPartsHeight = 318;
constexpr int kBarTop = 384;

bool Editing(const dbase::Table& t) {
  return t.state() == dbase::Table::State::Edit || t.state() == dbase::Table::State::Insert;
}

}  // namespace

bool FirstSortFieldIsText() {
  const TAppSettings& s = AppSettings();
  const uint8_t f = SortState().FirstField;
  return f >= s.FirstUserField && s.StringFields.test(f);
}

TRecordPage::TRecordPage(QWidget* parent, const QString& prefix, bool leftPage)
    : TBookPage(parent, leftPage) {
  resize(kWidth, kHeight);
  EditMenu = new TEditMenu(this);
  const int inner = leftPage ? 10 : 26;  // clear of the binding shade
  const int width = kWidth - 36;

  RStatus = new QLabel(QStringLiteral("Read/Write Access"), this);
  RStatus->setObjectName(QStringLiteral("RStatus"));
  RStatus->setAlignment(Qt::AlignCenter);
  RStatus->setFrameShape(QFrame::Panel);
  RStatus->setFrameShadow(QFrame::Sunken);
  RStatus->setGeometry(inner, kStatusTop, width, 20);
  QFont statusFont(QStringLiteral("Arial"));
  statusFont.setPixelSize(11);
  statusFont.setBold(true);
  RStatus->setFont(statusFont);

  Parts = new QStackedWidget(this);
  Parts->setGeometry(inner, kPartsTop, width, kPartsHeight);
  Editors.assign(kPageFieldCount, nullptr);
  Labels.assign(kPageFieldCount, nullptr);
  BuildPageParts(Parts, prefix, width, kPartsHeight, 94, EditMenu,
                 {&Editors, &Labels, &DateEditors, &PartEditorCounts});

  TabSet2 = new QTabBar(this);
  TabSet2->setObjectName(QStringLiteral("TabSet2"));
  for (int part = 1; part <= kPageParts; ++part)
    TabSet2->addTab(QStringLiteral("Part %1").arg(part));
  TabSet2->setShape(QTabBar::TriangularSouth);
  TabSet2->setDrawBase(false);
  TabSet2->setFocusPolicy(Qt::NoFocus);
  TabSet2->setToolTip(QStringLiteral("Select Part of the Record [Alt+#]"));
  TabSet2->setGeometry(inner, kPartsTop + kPartsHeight + 2, width, 24);
  connect(TabSet2, &QTabBar::currentChanged, Parts, &QStackedWidget::setCurrentIndex);

  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setGeometry(inner, kBarTop, width, 34);
  B_RPrint =
      SpeedBarButton(Panel2, QStringLiteral("B_RPrint"),
                     QStringLiteral("Print Current Record [Alt+R]"), QStyle::SP_DialogSaveButton);
  B_RDelete =
      SpeedBarButton(Panel2, QStringLiteral("B_RDelete"),
                     QStringLiteral("Delete Current Record [Alt+Delete]"), QStyle::SP_TrashIcon);
  B_RCopy = SpeedBarButton(Panel2, QStringLiteral("B_RCopy"),
                           QStringLiteral("Copy Current Record To Copy Buffer [Alt+C]"),
                           QStyle::SP_FileDialogNewFolder);
  B_RPaste = SpeedBarButton(Panel2, QStringLiteral("B_RPaste"),
                            QStringLiteral("Paste From Copy Buffer To Current Record [Alt+P]"),
                            QStyle::SP_DialogApplyButton);
  B_RUndo = SpeedBarButton(Panel2, QStringLiteral("B_RUndo"),
                           QStringLiteral("Undo Changes To Current Record [Alt+U]"),
                           QStyle::SP_DialogResetButton);
  B_Prev = SpeedBarButton(Panel2, QStringLiteral("B_Prev"),
                          QStringLiteral("GoTo Previous Page [Alt+PgUp]"), QStyle::SP_ArrowBack);
  B_Next = SpeedBarButton(Panel2, QStringLiteral("B_Next"),
                          QStringLiteral("GoTo Next Page [Alt+PgDn]"), QStyle::SP_ArrowForward);
  B_RSynchro = SpeedBarButton(Panel2, QStringLiteral("B_RSynchro"),
                              QStringLiteral("Synchronize Left Page With Current Record [Alt+Y]"),
                              QStyle::SP_BrowserReload);
  const std::array<QToolButton*, 8> buttons{B_RPrint, B_RDelete, B_RCopy, B_RPaste,
                                            B_RUndo,  B_Prev,    B_Next,  B_RSynchro};
  const int step = width / static_cast<int>(buttons.size());
  for (size_t i = 0; i < buttons.size(); ++i)
    buttons[i]->setGeometry(static_cast<int>(i) * step + 1, 2, step - 2, 30);

  QFont numberFont(QStringLiteral("Arial"));
  numberFont.setPixelSize(11);
  numberFont.setItalic(true);
  PgR_Lbl = new QLabel(QString(), this);
  PgR_Lbl->setObjectName(QStringLiteral("PgR_Lbl"));
  PgR_Lbl->setFont(numberFont);
  PgR_Lbl->setGeometry(leftPage ? 12 : kWidth - 72, kHeight - 24, 60, 14);
  PgR_Lbl->setAlignment((leftPage ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
}

TPageValues TRecordPage::Values() const {
  TPageValues v;
  for (int k = 0; k < kPageFieldCount; ++k) {
    const QWidget* e = Editors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<const TPictureBox*>(e))
      v.picture = pic->Picture();
    else
      v.text[static_cast<size_t>(k)] = EditorText(e);
  }
  return v;
}

void TRecordPage::Fill(const TPageValues& values) {
  for (int k = 0; k < kPageFieldCount; ++k) {
    QWidget* e = Editors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<TPictureBox*>(e))
      pic->SetPicture(values.picture);
    else
      SetEditorText(e, values.text[static_cast<size_t>(k)]);
  }
}

void TRecordPage::Clear() {
  for (QWidget* e : Editors) ClearEditor(e);
}

void TRecordPage::ColorEditor(QWidget* editor, bool inUse) {
  QPalette p = editor->palette();
  const bool memo = qobject_cast<TMemoEdit*>(editor) != nullptr;
  QColor base, text;
  if (inUse) {
    base = QApplication::palette().color(QPalette::Base);
    text = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
  } else {
    base = ElementColor(memo ? 18 : 16);
    text = ElementColor(memo ? 17 : 15);
  }
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, base);
    p.setColor(group, QPalette::Text, text);
  }
  editor->setPalette(p);
}

void TRecordPage::SetEditorsEnabled(bool on) {
  for (QWidget* e : Editors) {
    e->setEnabled(on);
    ColorEditor(e, !on);
  }
}

void TRecordPage::ApplyLabels() {
  for (int k = 0; k < kPageFieldCount && k < ::Labels().size(); ++k)
    Labels[static_cast<size_t>(k)]->setText(::Labels()[k]);
}

std::vector<QString> TRecordPage::LabelTexts() const {
  std::vector<QString> out;
  for (const QLabel* l : Labels) out.push_back(l->text());
  return out;
}

void TRecordPage::ApplyColors() {
  for (QLabel* l : Labels) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, ElementColor(19));
    p.setColor(QPalette::Window, ElementColor(20));
    l->setPalette(p);
  }
  color = ElementColor(24);
  for (QWidget* w : {static_cast<QWidget*>(TabSet2), static_cast<QWidget*>(Parts)}) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, ElementColor(24));
    w->setPalette(p);
  }
  for (QWidget* e : Editors) ColorEditor(e, !e->isEnabled());
  update();
}

int TRecordPage::Part() const { return TabSet2->currentIndex(); }

void TRecordPage::SelectPart(int part) {
  if (part < 0 || part >= kPageParts) return;
  TabSet2->setCurrentIndex(part);
}

void TRecordPage::FocusFirstEditor() {
  const int part = Part();
  for (QWidget* e : Editors)
    if (PartOfField(e->property("Tag").toInt() - 1) == part) {
      e->setFocus();
      return;
    }
}

void TRecordPage::ReformatDates() {
  for (TPageEdit* d : DateEditors) d->Reformat();
}

bool PostPage(TDbTable& cursor, TDbTable* catalogue, const TPageValues& values, char* letter,
              bool* memoFailed) {
  dbase::Table& t = cursor.Engine();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool posted = false;
  bool memo = false;
  char newLetter = 0;
  for (int attempt = 0; attempt < kPostAttempts && !posted; ++attempt) {
    try {
      if (!Editing(t)) t.edit();
      if (catalogue && t.state() == dbase::Table::State::Insert && t.isEmpty(0))
        NextRecordNumber(cursor, *catalogue);
      memo = false;
      WritePage(t, values, QDate::currentDate(), &memo);
      newLetter = FirstLetter(cursor);
      t.post();
      posted = true;
    } catch (const std::exception&) {
    }
  }
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  if (!posted) {
    try {
      if (Editing(t)) t.cancel();
    } catch (const std::exception&) {
    }
  }
  if (memoFailed) *memoFailed = memo;
  if (posted && letter && FirstSortFieldIsText()) {
    if (*letter != newLetter) AdjustLetterCounts(*letter, newLetter);
    *letter = newLetter;
  }
  return posted;
}

void BuildPageParts(QStackedWidget* parts, const QString& prefix, int width, int height,
                    int labelWidth, TEditMenu* menu, const TPageEditors& out) {
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
      const TFieldDesign& d = FieldDesigns()[static_cast<size_t>(k)];
      if (d.part != part) continue;
      auto* label = new QLabel(QString::fromLatin1(d.caption), panelPart);
      label->setProperty("Tag", k + 1);
      label->setFont(labelFont);
      QWidget* editor = nullptr;
      if (d.kind == TEditorKind::Memo || d.kind == TEditorKind::Picture) {
        label->setGeometry(2, 2, width - 4, 16);
        if (d.kind == TEditorKind::Memo)
          editor = new TMemoEdit(panelPart);
        else
          editor = new TPictureBox(panelPart);
        editor->setGeometry(2, 20, width - 4, height - 24);
      } else {
        const int top = 2 + row * 28;
        label->setGeometry(2, top + 3, labelWidth, 18);
        auto* edit = new TPageEdit(d.kind, panelPart);
        edit->HelpContext = d.helpContext;
        edit->setGeometry(labelWidth + 4, top, width - labelWidth - 6, 24);
        if (d.kind == TEditorKind::Date) out.dateEditors->push_back(edit);
        editor = edit;
        ++row;
      }
      if (d.kind != TEditorKind::Picture) {
        editor->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(editor, &QWidget::customContextMenuRequested, menu,
                         [menu, editor](const QPoint& at) {
                           menu->PopupFor(editor, editor->mapToGlobal(at));
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

bool StoreInCopyBuffer(TDbTable& copy, const TPageValues& values) {
  if (!copy.Active()) return false;
  try {
    copy.Engine().first();
    if (copy.Engine().eof()) copy.Engine().append();
  } catch (const std::exception& e) {
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
    return false;
  }
  if (!PostPage(copy, nullptr, values, nullptr, nullptr)) return false;
  AppSettings().CopyBufferFull = true;
  return true;
}
