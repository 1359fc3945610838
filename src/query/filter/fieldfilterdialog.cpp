#include "query/filter/fieldfilterdialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include "core/prompt.h"
#include "core/settings.h"
#include "query/filter/filteredit.h"
#include "query/filter/filterlist.h"
#include "ui/editors/calendarpopup.h"
#include "ui/editors/currencyedit.h"
#include "ui/editors/dateedit.h"
#include "ui/qtprompter.h"

namespace {

const QString kEmptyExpression = QStringLiteral("The Field expression cannot be Empty!");
constexpr const char* kOperators[] = {"<", "<=", "=", ">=", ">", "Between", "One Of"};

QStringList nonEmptyLines(const QString& text) {
  QStringList out;
  for (const QString& line : text.split(u'\n'))
    if (!line.isEmpty()) out << line;
  return out;
}

}  // namespace

FieldFilterDialog::FieldFilterDialog(FilterList& filter, int index, const QString& label,
                                     uint8_t kind, std::optional<QStringList> values,
                                     QWidget* parent)
    : QDialog(parent), filter_(filter), index_(index), kind_(kind), values_(std::move(values)) {
  setObjectName(QStringLiteral("FieldFilterDialog"));
  setWindowTitle(QStringLiteral("Filter For ") + label);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);

  auto* heading = new QLabel(QStringLiteral("Select Records For Which Value Of"), this);
  fieldLabel = new QLabel(label, this);
  fieldLabel->setObjectName(QStringLiteral("fieldLabel"));
  QFont bold = fieldLabel->font();
  bold.setBold(true);
  fieldLabel->setFont(bold);

  operatorGroup = new QGroupBox(QStringLiteral("Is"), this);
  operatorGroup->setObjectName(QStringLiteral("operatorGroup"));
  auto* ops = new QVBoxLayout(operatorGroup);
  for (size_t i = 0; i < operatorRadios.size(); ++i) {
    operatorRadios[i] = new QRadioButton(QString::fromLatin1(kOperators[i]), operatorGroup);
    operatorRadios[i]->setObjectName(QStringLiteral("operatorRadio%1").arg(i));
    ops->addWidget(operatorRadios[i]);
    const int op = static_cast<int>(i);
    connect(operatorRadios[i], &QRadioButton::toggled, this, [this, op](bool on) {
      if (on) showOperator(op);
    });
  }

  edit1 = new FilterEdit(this);
  edit2 = new FilterEdit(this);
  currencyEdit1 = new CurrencyEdit(this);
  currencyEdit2 = new CurrencyEdit(this);
  dateEdit1 = new DateEdit(this);
  dateEdit2 = new DateEdit(this);
  const QString dateFormat = DateEditModel::formatForSetting(appSettings().dateFormat);
  for (DateEdit* d : {dateEdit1, dateEdit2}) d->setDateFormat(dateFormat);
  for (CurrencyEdit* c : {currencyEdit1, currencyEdit2})
    c->setDisplayFormat(QStringLiteral(",0.00"));
  const std::pair<QWidget*, const char*> names[] = {{edit1, "edit1"},
                                                    {edit2, "edit2"},
                                                    {currencyEdit1, "currencyEdit1"},
                                                    {currencyEdit2, "currencyEdit2"},
                                                    {dateEdit1, "dateEdit1"},
                                                    {dateEdit2, "dateEdit2"}};
  for (const auto& [w, name] : names) w->setObjectName(QLatin1String(name));
  wordLabel = new QLabel(this);
  wordLabel->setObjectName(QStringLiteral("wordLabel"));
  andLabel = new QLabel(QStringLiteral("AND"), this);
  andLabel->setObjectName(QStringLiteral("andLabel"));

  oneOfMemo = new QPlainTextEdit(this);
  oneOfMemo->setObjectName(QStringLiteral("oneOfMemo"));
  oneOfMemo->setToolTip(QStringLiteral("Enter One Value Per Line Here"));
  oneOfMemo->installEventFilter(this);
  fillButton = new QPushButton(this);
  fillButton->setObjectName(QStringLiteral("fillButton"));
  memoRemoveButton = new QPushButton(QStringLiteral("&Remove"), this);
  memoRemoveButton->setObjectName(QStringLiteral("memoRemoveButton"));
  memoRemoveButton->setToolTip(QStringLiteral("Remove Current Line"));
  memoRemoveButton->setEnabled(false);
  // Clicking the buttons leaves the caret's line in the memo.
  for (QPushButton* b : {fillButton, memoRemoveButton}) b->setFocusPolicy(Qt::NoFocus);
  if (values_) {
    fillButton->setText(QStringLiteral("&Populate"));
    fillButton->setToolTip(QStringLiteral("Fill The List With All Values"));
  } else if (kind_ == fkDate) {
    fillButton->setText(QStringLiteral("&Add"));
    fillButton->setToolTip(QStringLiteral("Add Dates From Calendar"));
  }

  okButton = new QPushButton(QStringLiteral("&OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setDefault(true);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));

  auto* values1 = new QGridLayout;
  for (QWidget* w : {static_cast<QWidget*>(edit1), static_cast<QWidget*>(currencyEdit1),
                     static_cast<QWidget*>(dateEdit1)})
    values1->addWidget(w, 0, 0);
  values1->addWidget(wordLabel, 0, 1);
  values1->addWidget(andLabel, 1, 0, Qt::AlignHCenter);
  for (QWidget* w : {static_cast<QWidget*>(edit2), static_cast<QWidget*>(currencyEdit2),
                     static_cast<QWidget*>(dateEdit2)})
    values1->addWidget(w, 2, 0);
  values1->setColumnStretch(0, 1);
  values1->setColumnMinimumWidth(1, 48);
  auto* memoButtons = new QHBoxLayout;
  memoButtons->addWidget(fillButton);
  memoButtons->addWidget(memoRemoveButton);
  memoButtons->addStretch();
  auto* right = new QVBoxLayout;
  right->addLayout(values1);
  right->addWidget(oneOfMemo);
  right->addLayout(memoButtons);
  right->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addWidget(operatorGroup);
  middle->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* box = new QVBoxLayout(this);
  box->addWidget(heading);
  box->addWidget(fieldLabel);
  box->addLayout(middle);
  box->addLayout(buttons);
  resize(400, 300);

  connect(fillButton, &QPushButton::clicked, this, &FieldFilterDialog::onFillClicked);
  connect(memoRemoveButton, &QPushButton::clicked, this, &FieldFilterDialog::onMemoRemoveClicked);
  connect(okButton, &QPushButton::clicked, this, &FieldFilterDialog::onOkClicked);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  int op = foLess;
  if (const FilterCondition* c = filter_.conditionAt(index_)) {
    setValue(0, c->first);
    setValue(1, c->second);
    oneOfMemo->setPlainText(c->values.join(u'\n'));
    if (c->op <= kLastFilterOperator) op = c->op;
  }
  operatorRadios[static_cast<size_t>(op)]->setChecked(true);
  showOperator(op);
}

int FieldFilterDialog::chosenOperator() const {
  for (size_t i = 0; i < operatorRadios.size(); ++i)
    if (operatorRadios[i]->isChecked()) return static_cast<int>(i);
  return foLess;
}

void FieldFilterDialog::setValue(int which, const QString& text) {
  if (isNumberKind(kind_)) {
    CurrencyEdit* e = which == 0 ? currencyEdit1 : currencyEdit2;
    if (const auto n = parseFilterNumber(text))
      e->setValue(*n);
    else
      e->setText(text);  // empty until something is typed
  } else if (kind_ == fkDate) {
    DateEdit* e = which == 0 ? dateEdit1 : dateEdit2;
    if (!text.isEmpty()) e->setDate(text);
  } else {
    (which == 0 ? edit1 : edit2)->setText(text);
  }
}

QString FieldFilterDialog::valueText(int which) const {
  if (isNumberKind(kind_)) return (which == 0 ? currencyEdit1 : currencyEdit2)->committedText();
  if (kind_ == fkDate) {
    const DateEdit* e = which == 0 ? dateEdit1 : dateEdit2;
    return e->isBlank() ? QString() : e->date();
  }
  return (which == 0 ? edit1 : edit2)->text();
}

QString FieldFilterDialog::firstValue() const { return valueText(0); }
QString FieldFilterDialog::secondValue() const { return valueText(1); }

void FieldFilterDialog::showOperator(int op) {
  const bool oneOf = op == foOneOf;
  const bool between = op == foBetween;
  QWidget* first = isNumberKind(kind_) ? static_cast<QWidget*>(currencyEdit1)
                   : kind_ == fkDate   ? static_cast<QWidget*>(dateEdit1)
                                       : static_cast<QWidget*>(edit1);
  QWidget* second = isNumberKind(kind_) ? static_cast<QWidget*>(currencyEdit2)
                    : kind_ == fkDate   ? static_cast<QWidget*>(dateEdit2)
                                        : static_cast<QWidget*>(edit2);
  for (QWidget* w : {static_cast<QWidget*>(edit1), static_cast<QWidget*>(edit2),
                     static_cast<QWidget*>(currencyEdit1), static_cast<QWidget*>(currencyEdit2),
                     static_cast<QWidget*>(dateEdit1), static_cast<QWidget*>(dateEdit2)})
    w->setVisible(false);
  first->setVisible(!oneOf);
  second->setVisible(between);
  andLabel->setVisible(between);
  wordLabel->setVisible(!oneOf && !between);
  wordLabel->setText(op == foLess || op == foGreater ? QStringLiteral("THAN")
                                                     : QStringLiteral("TO"));
  oneOfMemo->setVisible(oneOf);
  memoRemoveButton->setVisible(oneOf);
  fillButton->setVisible(oneOf && !fillButton->text().isEmpty());
}

void FieldFilterDialog::onFillClicked() {
  if (values_) {
    oneOfMemo->setPlainText(values_->join(u'\n'));
    return;
  }
  if (kind_ != fkDate) return;
  // Dates from the calendar, one after another, until it is cancelled.
  while (!shuttingDown()) {
    int result = CalendarPopup::Rejected;
    {
      CalendarPopup popup(dateEdit2);
      result = popup.exec();
    }
    if (result == CalendarPopup::TodayResult) dateEdit2->setDateValue(DateEdit::today());
    if (result == CalendarPopup::Rejected || dateEdit2->isBlank()) break;
    oneOfMemo->appendPlainText(dateEdit2->date());
  }
}

void FieldFilterDialog::onMemoRemoveClicked() {
  const int line = oneOfMemo->textCursor().blockNumber();
  QStringList lines = oneOfMemo->toPlainText().split(u'\n');
  if (line < 0 || line >= lines.size()) return;
  lines.removeAt(line);
  oneOfMemo->setPlainText(lines.join(u'\n'));
  const QTextBlock block =
      oneOfMemo->document()->findBlockByNumber(std::min(line, oneOfMemo->blockCount() - 1));
  QTextCursor cursor(block);
  oneOfMemo->setTextCursor(cursor);
}

void FieldFilterDialog::onOkClicked() {
  const int op = chosenOperator();
  const QStringList lines = nonEmptyLines(oneOfMemo->toPlainText());
  if (op == foOneOf) {
    if (lines.isEmpty()) {
      showMessage(MsgKind::Error, kEmptyExpression);
      return;
    }
    oneOfMemo->setPlainText(lines.join(u'\n'));
  } else if (firstValue().isEmpty()) {
    accept();  // nothing to filter by: the condition stays as it was
    return;
  } else if (op == foBetween && secondValue().isEmpty()) {
    showMessage(MsgKind::Error, kEmptyExpression);
    return;
  }
  filter_.setCondition(index_, firstValue(), secondValue(), kind_, static_cast<uint8_t>(op));
  if (FilterCondition* c = filter_.conditionAt(index_)) c->values = lines;
  accept();
}

bool FieldFilterDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == oneOfMemo) {
    if (event->type() == QEvent::FocusIn) memoRemoveButton->setEnabled(true);
    if (event->type() == QEvent::FocusOut) memoRemoveButton->setEnabled(false);
  }
  return QDialog::eventFilter(watched, event);
}

void FieldFilterDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    showHelpTopic(kHelpContext);
    return;
  }
  QDialog::keyPressEvent(event);
}
