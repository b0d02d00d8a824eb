#include "app/windows/Prompts.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"
#include "link/PortMessages.h"
#include "link/SerialPort.h"

#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {

class RealPrompter : public Prompter {
public:
    QMessageBox::StandardButton message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        QMessageBox::Icon qi = QMessageBox::NoIcon;
        switch (icon) {
        case Icon::None: qi = QMessageBox::NoIcon; break;
        case Icon::Information: qi = QMessageBox::Information; break;
        case Icon::Warning: qi = QMessageBox::Warning; break;
        case Icon::Critical: qi = QMessageBox::Critical; break;
        case Icon::Question: qi = QMessageBox::Question; break;
        }
        QMessageBox box(qi, caption, text, buttons, parent);
        if (defaultButton != QMessageBox::NoButton)
            box.setDefaultButton(defaultButton);
        return QMessageBox::StandardButton(box.exec());
    }
    QString openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(parent, title, folder, filter);
    }
    QString saveFile(QWidget *parent, const QString &title, const QString &suggestedPath,
                     const QString &filter) override
    {
        return QFileDialog::getSaveFileName(parent, title, suggestedPath, filter);
    }
    QString chooseFolder(QWidget *parent, const QString &title, const QString &folder) override
    {
        return QFileDialog::getExistingDirectory(parent, title, folder);
    }
    bool printerSetup(QWidget *parent, QPrinter *printer) override
    {
        QPageSetupDialog d(printer, parent);
        return d.exec() == QDialog::Accepted;
    }
    bool printDialog(QWidget *parent, QPrinter *printer) override
    {
        QPrintDialog d(printer, parent);
        return d.exec() == QDialog::Accepted;
    }
};

RealPrompter realPrompter;
Prompter *current = nullptr;

} // namespace

Prompter &prompts()
{
    return current ? *current : realPrompter;
}

void setPrompter(Prompter *p)
{
    current = p;
}

void ShowErrorCode(int code, QWidget *parent)
{
    QString text = ErrorCodeText(code);
    if (text.isEmpty())
        return;
    // "Not Free Port" alone does not help: say why the port did not open, when it did not.
    if (code == Err::NotFreePort && !thePort().isOpen()) {
        const QString why = portFailureText(thePort().lastFailure());
        if (!why.isEmpty())
            text += QStringLiteral("\n\n") + why;
    }
    prompts().message(parent, StringTable::text(51 /* "Warning" */), text,
                      errorCodeUsesStopIcon(code) ? Prompter::Icon::Critical : Prompter::Icon::Information);
}
