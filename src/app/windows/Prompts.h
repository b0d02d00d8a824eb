#pragma once
// Every message box, file or folder dialog, printer set-up and print dialog goes through this
// one seam. The real prompter shows Qt dialogs; tests install one that answers from a script
// and records what was asked.

#include <QMessageBox>
#include <QString>

class QPrinter;
class QWidget;

class Prompter {
public:
    enum class Icon { None, Information, Warning, Critical, Question };

    virtual ~Prompter() = default;

    // Returns the button pressed (QMessageBox::StandardButton).
    virtual QMessageBox::StandardButton message(QWidget *parent, const QString &caption, const QString &text,
                                                Icon icon, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;
    // filter in Qt form ("Data Files (*.ch26)" entries separated by ";;"). Empty: cancelled.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter) = 0;
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &suggestedPath,
                             const QString &filter) = 0;
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &folder) = 0;
    virtual bool printerSetup(QWidget *parent, QPrinter *printer) = 0;
    virtual bool printDialog(QWidget *parent, QPrinter *printer) = 0;
};

// The prompter in force (the real one unless a test installed another).
Prompter &prompts();
// Installs a prompter (not owned); nullptr restores the real one.
void setPrompter(Prompter *p);

// Shows a failure code through the error table: caption "Warning", one OK button, the stop icon
// for -91 and the information icon otherwise. Nothing for 0 and positive codes.
void ShowErrorCode(int code, QWidget *parent = nullptr);
