#pragma once

#include <QString>
#include <QStringList>

class PageRenderer;
class QPrinter;
class QWidget;
struct Summary;

// The summary as a boxed table: the title, the grid's header row, one row per
// group and the total row, on as many pages as it takes.
void layoutSummary(PageRenderer& r, const QString& title, const QStringList& headers,
                   const Summary& summary);

// Asks for the printer (the print chooser of the reports) and prints the
// summary on Letter paper; a printer that cannot be used is reported.
void printSummary(const QString& title, const QStringList& headers, const Summary& summary,
                  QWidget* parent);
