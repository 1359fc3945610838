#include "prefs/optionsmodel.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include "core/filetext.h"
#include "core/prompt.h"

namespace prefs {

const QStringList& pageNames() {
  static const QStringList names = {"User Interface", "Data", "Colors", "Security", "Users"};
  return names;
}

bool pageAllowed(int page, bool supervisor) {
  return page >= 0 && page < kPageCount && (supervisor || page <= kPageCount - 3);
}

int lastAllowedPage(bool supervisor) { return supervisor ? kPageCount - 1 : kPageCount - 3; }

QString pageRefusedMessage() {
  return QStringLiteral("You have to be logged in as Supervisor to access this options page!");
}

const std::vector<ChoiceGroup>& choiceGroups(int page) {
  using S = AppSettings;
  static const std::vector<ChoiceGroup> pages[kPageCount] = {
      {{"Menus and Speed Bars",
        {"Show Both Menus and Speed Bars", "Show Only Menus", "Show Only Speed Bars"},
        &S::menusAndSpeedBars},
       {"Letter Tabs (A..Z)", {"Use Letter Tabs", "Don't Use Letter Tabs"}, &S::letterTabs},
       {"Letter Tabs Location", {"Center", "Right"}, &S::letterTabsLocation},
       {"Hint Messages", {"Show Hint Messages", "Hide Hint Messages"}, &S::hintMessages},
       {"SpeedBar Location", {"Top", "Bottom"}, &S::speedBarLocation},
       {"Book Model", {"One Level", "Two Levels"}, &S::bookModel},
       {"Record Delete Mode", {"Ask User To Confirm", "Immediate Delete"}, &S::deleteMode}},
      {{"Initial Data File", {"Load Default File", "Load Last Used File"}, &S::initialDataFile},
       {"Date Format", {"MM/DD/YYYY", "DD/MM/YYYY", "YYYY/MM/DD"}, &S::dateFormat}},
      {},
      {{"Password", {"Password Required", "Password Not Required"}, &S::passwordMode},
       {"Public Files Access Rights (All Users)",
        {"As Specified In Accounts", "Read and Write", "Read Only", "None"},
        &S::publicAccess}},
      {{"Users Count", {"1-User System", "Multi-User System"}, &S::usersCount}}};
  static const std::vector<ChoiceGroup> none;
  return page >= 0 && page < kPageCount ? pages[page] : none;
}

namespace {

constexpr int kReadAndWrite = 1;

template <class F>
void forEachGroup(F f) {
  for (int page = 0; page < kPageCount; ++page)
    for (const ChoiceGroup& g : choiceGroups(page)) f(g);
}

}  // namespace

OptionsModel::OptionsModel(AppSettings& settings, const QStringList& labelList)
    : labels(labelList), dataRoot(settings.dataRootDir), settings_(settings) {
  // Values a damaged file left outside their group show as the first item.
  forEachGroup([&](const ChoiceGroup& g) {
    const uint16_t v = settings.*g.field;
    edited_.*g.field = v < g.items.size() ? v : 0;
  });
  if (!accountsEnabled()) edited_.publicAccess = kReadAndWrite;
  colors_ = opened_ = colors::schemeOf(settings);
}

void OptionsModel::setChoice(uint16_t AppSettings::*field, int value) {
  edited_.*field = static_cast<uint16_t>(value);
  if (field == &AppSettings::usersCount && !accountsEnabled()) edited_.publicAccess = kReadAndWrite;
}

int OptionsModel::colorOf(int element) const {
  if (element < 0 || element >= AppSettings::kElementCount) return -1;
  return colors_[static_cast<size_t>(element)] % AppSettings::kPaletteSize;
}

void OptionsModel::setColor(int element, int paletteIndex) {
  if (element < 0 || element >= AppSettings::kElementCount || paletteIndex < 0 ||
      paletteIndex >= AppSettings::kPaletteSize)
    return;
  colors_[static_cast<size_t>(element)] = static_cast<uint8_t>(paletteIndex);
  colors::setScheme(settings_, colors_);
}

void OptionsModel::applyScheme(const colors::Scheme& scheme) {
  colors_ = colors::soundOrDefault(scheme);
  colors::setScheme(settings_, colors_);
}

QString OptionsModel::saveTemplate(const QString& name, const QString& path) const {
  if (!fitsFileText(name)) return unstorableTextMessage(name);
  colors::ColorList list;
  list.load(path);
  // Like every string of our files, a longer name is cut.
  if (!list.add(name.left(colors::kMaxNameBytes), colors_))
    return QStringLiteral("Duplicate name - template not saved!");
  if (!list.save(path))
    return QStringLiteral("Could not write the color templates to\r%1").arg(path);
  return {};
}

void OptionsModel::close() {
  forEachGroup([&](const ChoiceGroup& g) { settings_.*g.field = edited_.*g.field; });
  colors::setScheme(settings_, colors_);
  // Not saved is not reported: the colours still hold for this run.
  colors::saveColors(joinPath(settings_.databaseDir, colors::kColorFileName), colors_);
  ::labels() = labels;
  saveLabels();
  if (dataRoot == settings_.dataRootDir) return;
  if (const QString problem = dataRootProblem(dataRoot); !problem.isEmpty()) {
    showMessage(MsgKind::Warning, problem);
    return;
  }
  if (!askYesNo(MsgKind::Warning,
                QStringLiteral("You may have to move all your data files to a new directory.\rAre "
                               "you sure you want to change your Data Directory?")))
    return;
  settings_.dataRootDir = dataRoot;
  showMessage(MsgKind::Information,
              QStringLiteral("Data Root Directory changed.\rYou have to restart the program for "
                             "the change to take effect."));
}

QString dataRootProblem(const QString& dir) {
  const QFileInfo info(dir);
  const QString kept = QStringLiteral("\rThe Data Root Directory is not changed.");
  if (dir.isEmpty() || !info.exists())
    return QStringLiteral("The directory \"%1\" does not exist.").arg(dir) + kept;
  if (!info.isDir()) return QStringLiteral("\"%1\" is a file, not a directory.").arg(dir) + kept;
  // Permission bits do not tell what the file system allows: try it.
  QTemporaryFile probe(joinPath(dir, QStringLiteral("tomeXXXXXX.tmp")));
  if (!info.isExecutable() || !probe.open())
    return QStringLiteral("The directory \"%1\" cannot be written to.").arg(dir) + kept;
  return {};
}

}  // namespace prefs
