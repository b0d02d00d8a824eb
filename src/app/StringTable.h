#pragma once
// Every visible text, in four languages. Rows are numbered; callers name the row they fetch
// by its English wording in a comment beside the number.

#include <QString>

namespace StringTable {

constexpr int kRows = 500;   // room for 500 rows; rows 0..204 and the later blocks are used
constexpr int kLanguages = 4;

// Fills the table. Called once at start, before any window exists; calling it again is harmless.
void fillStringTable();

// Row text in the current language (app().CurrentLanguage).
QString text(int row);

// Row text in the given language (0 English, 1 Spanish, 2 German, 3 Catalan).
QString text(int row, int language);

// Sets app().CurrentLanguage (the main window re-captions itself afterwards).
void setLanguage(int language);

}   // namespace StringTable
