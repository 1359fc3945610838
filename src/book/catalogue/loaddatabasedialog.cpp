#include "book/catalogue/loaddatabasedialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "book/catalogue/editdatabasedialog.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "store/catalogue.h"
#include "store/recordtable.h"
#include "ui/busycursor.h"
#include "ui/confirmdialog.h"
#include "ui/qtprompter.h"
#include "users/logincheck.h"
#include "users/logindialog.h"

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  return b;
}

}  // namespace

LoadDatabaseDialog::LoadDatabaseDialog(DbTable& catalogue, QWidget* parent)
    : QDialog(parent), browser_(std::make_unique<CatalogueBrowser>(catalogue)) {
  setObjectName(QStringLiteral("LoadDatabaseDialog"));
  setWindowTitle(QStringLiteral("Load Database"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  keepAboveStayOnTopWindows(this);

  auto* listLabel = new QLabel(QStringLiteral("Available Databases:"), this);
  databaseList = new QListWidget(this);
  databaseList->setObjectName(QStringLiteral("databaseList"));
  databaseList->setMinimumSize(260, 200);
  listLabel->setBuddy(databaseList);
  auto* typeGroup = new QGroupBox(QStringLiteral("Database Type"), this);
  typeGroup->setObjectName(QStringLiteral("typeGroup"));
  privateButton = new QRadioButton(QStringLiteral("Private"), typeGroup);
  privateButton->setObjectName(QStringLiteral("privateButton"));
  publicButton = new QRadioButton(QStringLiteral("Public"), typeGroup);
  publicButton->setObjectName(QStringLiteral("publicButton"));
  auto* radios = new QVBoxLayout(typeGroup);
  radios->addWidget(privateButton);
  radios->addWidget(publicButton);
  auto* types = new QButtonGroup(this);
  types->addButton(privateButton);
  types->addButton(publicButton);

  loadButton = button(this, "loadButton", QStringLiteral("&Load"));
  loadButton->setDefault(true);
  cancelButton = button(this, "cancelButton", QStringLiteral("&Cancel"));
  helpButton = button(this, "helpButton", QStringLiteral("&Help"));
  editButton = button(this, "editButton", QStringLiteral("&Edit"));
  newButton = button(this, "newButton", QStringLiteral("&New"));
  deleteButton = button(this, "deleteButton", QStringLiteral("&Delete"));

  auto* left = new QVBoxLayout;
  left->addWidget(listLabel);
  left->addWidget(databaseList);
  auto* right = new QVBoxLayout;
  right->addWidget(typeGroup);
  for (QPushButton* b : {editButton, newButton, deleteButton}) right->addWidget(b);
  right->addStretch();
  auto* top = new QHBoxLayout;
  top->addLayout(left, 1);
  top->addLayout(right);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {loadButton, cancelButton, helpButton}) buttons->addWidget(b);
  auto* box = new QVBoxLayout(this);
  box->addLayout(top);
  box->addLayout(buttons);

  connect(loadButton, &QPushButton::clicked, this, &LoadDatabaseDialog::onLoadClicked);
  connect(cancelButton, &QPushButton::clicked, this, &LoadDatabaseDialog::onCancelClicked);
  connect(helpButton, &QPushButton::clicked, this, [] { showHelpTopic(kHelpContext); });
  connect(editButton, &QPushButton::clicked, this, &LoadDatabaseDialog::onEditClicked);
  connect(newButton, &QPushButton::clicked, this, &LoadDatabaseDialog::onNewClicked);
  connect(deleteButton, &QPushButton::clicked, this, &LoadDatabaseDialog::onDeleteClicked);
  connect(databaseList, &QListWidget::itemDoubleClicked, this, [this] {
    if (editButton->isEnabled()) onEditClicked();
  });

  // The supervisor keeps the public databases; a user without public access
  // keeps to the private ones.
  const AppSettings& s = appSettings();
  const bool supervisor = isSupervisor();
  const bool toPublic = supervisor || (isPublicDataDir(s.databaseDir) && accessRights() != 3);
  (toPublic ? publicButton : privateButton)->setChecked(true);
  typeGroup->setEnabled(!supervisor && accessRights() != 3);
  onTypeChosen();
  connect(types, &QButtonGroup::buttonClicked, this, [this] { onTypeChosen(); });
}

LoadDatabaseDialog::~LoadDatabaseDialog() = default;

void LoadDatabaseDialog::onTypeChosen() {
  const auto kind =
      publicButton->isChecked() ? CatalogueBrowser::Kind::Public : CatalogueBrowser::Kind::Private;
  bool opened = false;
  {
    BusyCursor busy;
    opened = browser_->choose(kind);
  }
  if (!opened) showMessage(MsgKind::Error, QStringLiteral("Error openning master.dbf file!"));
  fillList(0);
}

void LoadDatabaseDialog::fillList(int row) {
  databaseList->clear();
  for (const CatalogEntry& e : browser_->entries()) databaseList->addItem(e.name);
  const bool any = databaseList->count() > 0;
  const bool may = browser_->mayChange();
  editButton->setEnabled(may && any);
  deleteButton->setEnabled(may && any);
  newButton->setEnabled(may);
  if (any) databaseList->setCurrentRow(std::clamp(row, 0, databaseList->count() - 1));
}

QString LoadDatabaseDialog::selectedFile() const {
  const int row = databaseList->currentRow();
  const auto& entries = browser_->entries();
  if (row < 0 || row >= static_cast<int>(entries.size())) return {};
  return entries[static_cast<size_t>(row)].fileName;
}

void LoadDatabaseDialog::onEditClicked() {
  const QString file = selectedFile();
  if (file.isEmpty()) return;
  const std::optional<CatalogEntry> entry = browser_->entry(file);
  if (!entry) return;
  EditDatabaseDialog dlg(entry->name, entry->description, entry->fileName, this);
  if (shuttingDown() || dlg.exec() != QDialog::Accepted) return;
  const int row = databaseList->currentRow();
  try {
    if (!browser_->describe({entry->fileName, dlg.name(), dlg.description()})) return;
  } catch (const std::exception& e) {
    showMessage(MsgKind::Error, QStringLiteral("Could not Update the record!\r") +
                                    QString::fromLocal8Bit(e.what()));
    return;
  }
  fillList(row);
}

void LoadDatabaseDialog::onNewClicked() {
  EditDatabaseDialog dlg({}, {}, {}, this);
  if (shuttingDown() || dlg.exec() != QDialog::Accepted) return;
  CatalogueBrowser::Creation made = CatalogueBrowser::Creation::Failed;
  QString problem;
  try {
    BusyCursor busy;
    made = browser_->create(dlg.name(), dlg.description(), nullptr);
  } catch (const std::exception& e) {
    problem = QString::fromLocal8Bit(e.what());
  }
  if (made == CatalogueBrowser::Creation::LimitReached) {
    showMessage(
        MsgKind::Information,
        QStringLiteral("Cannot Create a new Table! You have reached the limit of 999 per user."));
    return;
  }
  if (made == CatalogueBrowser::Creation::Failed)
    showMessage(MsgKind::Error,
                QStringLiteral("Could not Create the new database!\r") +
                    (problem.isEmpty() ? QString::fromStdString(lastEngineError()) : problem));
  fillList(static_cast<int>(browser_->entries().size()) - 1);
}

void LoadDatabaseDialog::onDeleteClicked() {
  const QString file = selectedFile();
  if (file.isEmpty()) return;
  if (!tableIsFree(appSettings().databaseDir, file)) {
    showMessage(MsgKind::Information,
                QStringLiteral("Table in use - cannot be deleted at this time!"));
    fillList(0);
    return;
  }
  if (!ConfirmDialog::confirmTableWork(this,
                                       QStringLiteral("If you want to Delete the Database please")))
    return;
  if (!securityCheck(this)) return;
  DatabaseDeletion result = DatabaseDeletion::NoEntry;
  try {
    BusyCursor busy;
    result = browser_->remove(file);
  } catch (const std::exception&) {
    result = DatabaseDeletion::NoEntry;
  }
  switch (result) {
    case DatabaseDeletion::Deleted:
      showMessage(MsgKind::Information, QStringLiteral("Table Deleted."));
      break;
    case DatabaseDeletion::InUse:
      showMessage(MsgKind::Information,
                  QStringLiteral("Table in use - cannot be deleted at this time!"));
      break;
    case DatabaseDeletion::NotPlainName:
    case DatabaseDeletion::NoEntry:
      showMessage(MsgKind::Error, QStringLiteral("Table Could Not Be Deleted!"));
      break;
  }
  fillList(0);
}

void LoadDatabaseDialog::onLoadClicked() {
  const QString file = selectedFile();
  if (file.isEmpty()) {
    if (selection_.isEmpty()) return;
  } else {
    QString problem;
    std::optional<QString> chosen;
    {
      BusyCursor busy;
      chosen = browser_->load(file, &problem);
    }
    if (!chosen) {
      if (!problem.isEmpty()) showMessage(MsgKind::Error, problem);
      return;
    }
    selection_ = *chosen;
  }
  accept();
}

void LoadDatabaseDialog::onCancelClicked() { reject(); }

void LoadDatabaseDialog::done(int result) {
  // Escape, the close box and shutdown cancel too: the caller's directory comes back.
  if (result != QDialog::Accepted) {
    selection_.clear();
    browser_->cancel();
  }
  browser_->finish();
  QDialog::done(result);
}

void LoadDatabaseDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    showHelpTopic(kHelpContext);
    return;
  }
  QDialog::keyPressEvent(event);
}
