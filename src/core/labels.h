#pragma once

#include <QString>
#include <QStringList>

// Display names of the user fields: entry k names user field k.
QStringList& labels();

inline constexpr char kLabelsFileName[] = "labels.dat";

// Fills the list from HomeDir/labels.dat; when the home has none, from the
// copy shipped in ProgramDir. An unreadable file leaves the list empty.
void loadLabels();
// Writes the list to HomeDir/labels.dat; on failure shows the error box.
bool saveLabels();

// Reads and writes the file format: one label per line, CR LF ended,
// Windows-1252.
QStringList readLabelsFile(const QString& path, bool* ok = nullptr);
bool writeLabelsFile(const QString& path, const QStringList& labels);

enum class RenameResult { Renamed, EmptyLabel, NoSelection, Duplicate, Unstorable };

// The rename rule of the label list: no empty labels, no two equal labels
// (case ignored), none the file cannot hold; a label may change to itself in
// another letter case.
RenameResult renameLabel(QStringList& labels, int selected, const QString& newText);
// The information text for a refused rename of `newText`; empty for Renamed.
QString renameMessage(RenameResult result, const QString& newText = {});
