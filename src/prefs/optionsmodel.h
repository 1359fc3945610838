#pragma once

// What the options dialog edits and decides, apart from its widgets: the
// choices of its radio groups, the labels, the colours and the data root,
// which pages a user may open, and what "Close" writes. Widget-free.

#include <QString>
#include <QStringList>
#include <cstdint>

#include "core/labels.h"
#include "core/settings.h"
#include "prefs/colorscheme.h"

namespace prefs {

inline constexpr int kOptionsHelpTopic = 29;
inline constexpr int kLoadColorsHelpTopic = 108;

// The pages in order; the modem settings are kept by the dialer, not here.
const QStringList& pageNames();
inline constexpr int kPageCount = 5;
// The supervisor opens every page, others the first three.
bool pageAllowed(int page, bool supervisor);
int lastAllowedPage(bool supervisor);
QString pageRefusedMessage();

// One radio group: its caption, its items, the settings field it edits.
struct ChoiceGroup {
  const char* caption;
  QStringList items;
  uint16_t AppSettings::*field;
};
// The groups of a page, in the order they are shown.
const std::vector<ChoiceGroup>& choiceGroups(int page);

class OptionsModel {
 public:
  // Reads the settings and the label list as the dialog opens.
  OptionsModel(AppSettings& settings, const QStringList& labels);

  uint16_t choice(uint16_t AppSettings::*field) const { return edited_.*field; }
  void setChoice(uint16_t AppSettings::*field, int value);
  // In a 1-user system there are no accounts, and every user reads and
  // writes the public databases.
  bool accountsEnabled() const { return edited_.usersCount == 1; }

  QStringList labels;
  RenameResult renameLabel(int selected, const QString& newText) {
    return ::renameLabel(labels, selected, newText);
  }

  const colors::Scheme& colors() const { return colors_; }
  int colorOf(int element) const;
  // A colour click takes effect in the settings at once.
  void setColor(int element, int paletteIndex);
  void applyScheme(const colors::Scheme& scheme);
  // Any of the 27 entries differs from when the dialog opened.
  bool colorsChanged() const { return colors_ != opened_; }

  // "&Save" of the Colors page into the template file at `path`; the
  // message to show, empty when saved.
  QString saveTemplate(const QString& name, const QString& path) const;

  QString dataRoot;

  // "&Close": the choices into the settings, color.lst of the database
  // directory, labels.dat, and the data root after its question.
  void close();

 private:
  AppSettings& settings_;
  AppSettings edited_;  // only the choice fields are used
  colors::Scheme colors_, opened_;
};

// Why `dir` cannot become the data root; empty when it can.
QString dataRootProblem(const QString& dir);

}  // namespace prefs
