#pragma once
// Identification of the connected meter from its answer to "*?VE". The port search that asks
// for the answer (searchPorts, probePort, identifyOnPort) is in link/PortSearch.h.

#include <QByteArray>

// Matches the answer (from its fourth character on) against the catalogue's names, tested in
// descending order so that the longer of two names with the same beginning wins. On a match
// sets currentModelIndex and returns 1; otherwise returns -209. The caller refreshes the
// main window's commands and labels.
int identifyModel(const QByteArray &answer);

// The same match without changing any state: the catalogue index of the model the answer
// names, or -1. Safe to call from a worker thread while the windows read the state.
int findModelInAnswer(const QByteArray &answer);

// Whether the answer says that the meter runs only its loader ("BOOT" anywhere in it).
bool answerIsLoader(const QByteArray &answer);
