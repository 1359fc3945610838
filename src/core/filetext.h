#pragma once

// Text in the program's own files: Windows-1252, one byte per character, the
// code page the tables use, so every byte read is written back unchanged.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Characters without a code become '?': callers refuse such text where it is
// typed (see unstorableTextMessage) so this never happens to user text.
QByteArray toFileText(const QString& s);
QString fromFileText(QByteArrayView bytes);

// The characters of `s` that Windows-1252 cannot hold, each once, in order.
QString charsWithoutCode(const QString& s);
bool fitsFileText(const QString& s);
// "the character Č" or "the characters Č ř"; empty when all fit.
QString unstorableCharsPhrase(const QString& s);
// The refusal for typed text holding such characters ("The characters Č ř
// cannot be stored - please type others."); empty when all fit.
QString unstorableTextMessage(const QString& s);
