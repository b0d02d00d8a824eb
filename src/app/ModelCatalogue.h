#pragma once
// The model catalogue "models.txt" and the choice of the current model.

#include "app/AppState.h"
#include <QString>

// Loads "models.txt" from the current directory into app().catalogue. Returns the count.
int loadCatalogue();
int loadCatalogue(const QString &path);

// Index of the catalogue entry of that exact name (the last one of several), or -1.
int catalogueIndexOf(const QString &name);

// Makes the catalogue entry the current model (copies it into CurrentModel).
void chooseModel(int index, bool manually);
