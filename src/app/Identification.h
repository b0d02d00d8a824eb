#pragma once
// Identification of the connected meter from its answer to "*?VE".

#include <QByteArray>

// Matches the answer (from its fourth character on) against the catalogue's names, tested in
// descending order so that the longer of two names with the same beginning wins. On a match
// sets currentModelIndex and returns 1; otherwise returns -209. The caller refreshes the
// main window's commands and labels.
int identifyModel(const QByteArray &answer);
