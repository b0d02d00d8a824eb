#pragma once
// Qt's own texts (the buttons of a message box, the file dialogs, the replace question) in the
// program's language: Qt's translations for Spanish, German and Catalan, as Debian's
// qt6-translations-l10n installs them, switched with the language.

// Installs Qt's translation of the language (0 English: none). False when it is not installed;
// Qt's texts then stay in English.
bool applyToolkitLanguage(int language);
