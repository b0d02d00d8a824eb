#include "app/ModelCatalogue.h"
// PLACEHOLDER: being written.
int loadCatalogue() { return 0; }
int loadCatalogue(const QString &) { return 0; }
int catalogueIndexOf(const QString &) { return -1; }
void chooseModel(int, bool) {}
