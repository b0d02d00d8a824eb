#include "app/windows/Prompts.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"
#include "link/PortMessages.h"
#include "link/SerialPort.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

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
    QString password(QWidget *parent, const QString &title, const QString &label) override
    {
        return QInputDialog::getText(parent, title, label, QLineEdit::Password);
    }
    QStringList openFiles(QWidget *parent, const QString &title, const QString &folder, const QString &filter) override
    {
        return QFileDialog::getOpenFileNames(parent, title, folder, filter);
    }
    QString saveFile(QWidget *parent, const QString &title, const QString &suggestedPath, const QString &filter,
                     const QString &defaultSuffix) override
    {
        const auto dialog = makeSaveDialog(parent, title, suggestedPath, filter, defaultSuffix);
        if (dialog->exec() != QDialog::Accepted)
            return {};
        return dialog->selectedFiles().value(0);
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

// The extensions a filter names: "PNG Images (*.png);;JPEG Images (*.jpg *.jpeg)" gives png,
// jpg, jpeg. Empty when any entry takes every file.
QStringList filterSuffixes(const QString &filter)
{
    QStringList suffixes;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)\\b"));
    for (const QString &entry : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        if (entry.contains(QStringLiteral("*)")) || entry.contains(QStringLiteral("* "))
            || entry.contains(QStringLiteral("*.*")))
            return {};
        for (auto it = pattern.globalMatch(entry); it.hasNext();)
            suffixes << it.next().captured(1).toLower();
    }
    return suffixes;
}

// The toolkit's save dialog, which puts the default suffix on a name whose extension is not one
// the filter takes before it asks whether to replace the file (its own rule adds the suffix only
// to a name without any dot).
class SuffixingSaveDialog : public QFileDialog {
public:
    SuffixingSaveDialog(QWidget *parent, const QString &title, const QString &path, const QString &filter)
        : QFileDialog(parent, title, path, filter), filterText(filter)
    {
    }
    void accept() override
    {
        const QString typed = selectedFiles().value(0);
        const QString named = withDefaultSuffix(typed, defaultSuffix(), filterText);
        if (!typed.isEmpty() && named != typed && !QFileInfo(typed).isDir())
            selectFile(named);
        QFileDialog::accept();
    }

private:
    QString filterText;
};

RealPrompter realPrompter;
Prompter *current = nullptr;

}   // namespace

Prompter &prompts()
{
    return current ? *current : realPrompter;
}

void setPrompter(Prompter *p)
{
    current = p;
}

QString withDefaultSuffix(const QString &path, const QString &defaultSuffix, const QString &filter)
{
    if (path.isEmpty() || defaultSuffix.isEmpty() || QFileInfo(path).isDir())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.contains(QLatin1Char('.'))) {
        const QStringList known = filterSuffixes(filter);
        if (known.isEmpty() || known.contains(QFileInfo(name).suffix().toLower()))
            return path;
    }
    return path + QLatin1Char('.') + defaultSuffix;
}

std::unique_ptr<QFileDialog> makeSaveDialog(QWidget *parent, const QString &title, const QString &suggestedPath,
                                            const QString &filter, const QString &defaultSuffix)
{
    auto dialog = std::make_unique<SuffixingSaveDialog>(parent, title, suggestedPath, filter);
    setUpSaveDialog(*dialog, defaultSuffix);
    return dialog;
}

void setUpSaveDialog(QFileDialog &dialog, const QString &defaultSuffix)
{
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
    // The desktop's own dialog here (GTK, the portal) asks about the name as typed and the
    // suffix is added only after it closed, so "keep" would go over "keep.ch26" unasked. The
    // toolkit's dialog adds the suffix before its question; the Windows and macOS dialogs do
    // so themselves.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
#endif
}

bool confirmOverwrite(QWidget *parent, const QString &caption, const QString &path)
{
    if (!QFileInfo::exists(path))
        return true;
    const QString text = StringTable::text(205 /* "%1 already exists. Do you want to replace it?" */)
                             .arg(QDir::toNativeSeparators(path));
    return prompts().message(parent, caption, text, Prompter::Icon::Warning, QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::No)
           == QMessageBox::Yes;
}

void ShowErrorCode(int code, QWidget *parent)
{
    ShowErrorCode(code, parent, QString());
}

void ShowErrorCode(int code, QWidget *parent, const QString &detail)
{
    QString text = ErrorCodeText(code);
    if (text.isEmpty())
        return;
    if (!detail.isEmpty())
        text += QLatin1Char('\n') + detail;
    // "Not Free Port" alone does not help: say why the port did not open, when it did not.
    if (code == Err::NotFreePort && !thePort().isOpen()) {
        const QString why = portFailureText(thePort().lastFailure());
        if (!why.isEmpty())
            text += QStringLiteral("\n\n") + why;
    }
    prompts().message(parent, StringTable::text(51 /* "Warning" */), text,
                      errorCodeUsesStopIcon(code) ? Prompter::Icon::Critical : Prompter::Icon::Information);
}
