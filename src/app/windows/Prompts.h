#pragma once
// Every message box, file or folder dialog, printer set-up and print dialog goes through this
// one seam. The real prompter shows Qt dialogs; tests install one that answers from a script
// and records what was asked.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>

class QFileDialog;
class QPrinter;
class QWidget;

class Prompter {
public:
    enum class Icon { None, Information, Warning, Critical, Question };

    virtual ~Prompter() = default;

    // Returns the button pressed (QMessageBox::StandardButton).
    virtual QMessageBox::StandardButton message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                                                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;
    // filter in Qt form ("Data Files (*.ch26)" entries separated by ";;"). Empty: cancelled.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter) = 0;
    // Several files at once; a prompter that picks one file at a time gives that one. Empty: cancelled.
    virtual QStringList openFiles(QWidget *parent, const QString &title, const QString &folder, const QString &filter)
    {
        const QString one = openFile(parent, title, folder, filter);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }
    // The save dialog. defaultSuffix (without the dot, "ch26") is added to a typed name that has
    // no extension before the dialog checks it: the question whether to replace an existing
    // file is asked about the name that will be written. Returns that final name; empty:
    // cancelled, or the user would not replace the file.
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &suggestedPath, const QString &filter,
                             const QString &defaultSuffix) = 0;
    virtual QString chooseFolder(QWidget *parent, const QString &title, const QString &folder) = 0;
    // A password typed without echo. Empty: cancelled.
    virtual QString password(QWidget *parent, const QString &title, const QString &label)
    {
        (void)parent;
        (void)title;
        (void)label;
        return QString();
    }
    virtual bool printerSetup(QWidget *parent, QPrinter *printer) = 0;
    virtual bool printDialog(QWidget *parent, QPrinter *printer) = 0;
};

// The prompter in force (the real one unless a test installed another).
Prompter &prompts();
// Installs a prompter (not owned); nullptr restores the real one.
void setPrompter(Prompter *p);

// The name a save dialog with that default suffix makes of a typed name: the suffix is added
// when the file name holds no "." at all (the rule of QFileDialog::setDefaultSuffix), and, when
// the filter names the extensions it takes ("(*.png *.jpg)"), when the name ends in none of
// them ("roof.v2" gives "roof.v2.png"): a dot in a name is not an extension of the kind saved.
QString withDefaultSuffix(const QString &path, const QString &defaultSuffix, const QString &filter = QString());

// The save dialog the real prompter shows, set up but not shown: a save dialog with the
// default suffix and the question before replacing a file, asked about the name with its
// suffix (withDefaultSuffix with the dialog's filter).
std::unique_ptr<QFileDialog> makeSaveDialog(QWidget *parent, const QString &title, const QString &suggestedPath,
                                            const QString &filter, const QString &defaultSuffix);
void setUpSaveDialog(QFileDialog &dialog, const QString &defaultSuffix);

// Asks whether an existing file may be replaced (row "... already exists. Do you want to
// replace it?", Yes/No, No by default). True when the file does not exist or the answer is Yes.
// For names the program makes itself from a name the user chose (one file per printed
// logger, say): the user confirmed the chosen name, not these.
bool confirmOverwrite(QWidget *parent, const QString &caption, const QString &path);

// Shows a failure code through the error table: caption "Warning", one OK button, the stop icon
// for -91 and the information icon otherwise. Nothing for 0 and positive codes.
void ShowErrorCode(int code, QWidget *parent = nullptr);
// The same with a second line that tells more (where an upgrade stopped, say).
void ShowErrorCode(int code, QWidget *parent, const QString &detail);
