#pragma once
// A prompter for tests: answers each prompt from a queue of scripted answers, in order, and
// records what was asked. A prompt that the script did not expect fails the test.

#include "app/windows/Prompts.h"
#include <QStringList>
#include <deque>
#include <functional>

class ScriptedPrompter : public Prompter {
public:
    struct Asked {
        QString kind;   // "message", "openFile", "saveFile", "chooseFolder", "printerSetup", "printDialog"
        QString caption;   // message caption or dialog title
        QString text;   // message text, folder or suggested path
        Icon icon = Icon::None;
        QString suffix;   // a save dialog's default suffix
    };
    struct Answer {
        QString kind;   // the prompt kind this answer is for
        QMessageBox::StandardButton button = QMessageBox::Ok;
        QString path;   // for file and folder dialogs; empty = cancel
        bool accept = true;   // for printer dialogs
        std::function<void(QPrinter *)> onPrinter;   // e.g. set PDF output
    };

    ScriptedPrompter();   // installs itself
    ~ScriptedPrompter() override;   // uninstalls itself

    void expect(const Answer &a) { answers.push_back(a); }
    void expectMessage(QMessageBox::StandardButton b = QMessageBox::Ok)
    {
        expect({QStringLiteral("message"), b, {}, true, {}});
    }
    void expectOpenFile(const QString &path) { expect({QStringLiteral("openFile"), QMessageBox::Ok, path, true, {}}); }
    void expectSaveFile(const QString &path) { expect({QStringLiteral("saveFile"), QMessageBox::Ok, path, true, {}}); }
    void expectFolder(const QString &path)
    {
        expect({QStringLiteral("chooseFolder"), QMessageBox::Ok, path, true, {}});
    }
    // The password typed (in path); empty: the dialog cancelled.
    void expectPassword(const QString &text) { expect({QStringLiteral("password"), QMessageBox::Ok, text, true, {}}); }

    std::vector<Asked> asked;
    bool unexpected = false;   // a prompt came that the script did not hold
    int pending() const { return int(answers.size()); }
    QStringList messageTexts() const;

    QMessageBox::StandardButton message(QWidget *, const QString &caption, const QString &text, Icon icon,
                                        QMessageBox::StandardButtons, QMessageBox::StandardButton) override;
    QString openFile(QWidget *, const QString &title, const QString &folder, const QString &filter) override;
    // Plays the save dialog as the real one behaves: the scripted answer is the name as typed;
    // the default suffix is added to it, and when that file exists the dialog asks whether to
    // replace it (a "message" prompt the script must answer; No cancels the dialog).
    QString saveFile(QWidget *parent, const QString &title, const QString &suggestedPath, const QString &filter,
                     const QString &defaultSuffix) override;
    QString chooseFolder(QWidget *, const QString &title, const QString &folder) override;
    QString password(QWidget *, const QString &title, const QString &label) override;
    bool printerSetup(QWidget *, QPrinter *printer) override;
    bool printDialog(QWidget *, QPrinter *printer) override;

private:
    bool take(const QString &kind, Answer &out);
    std::deque<Answer> answers;
};
