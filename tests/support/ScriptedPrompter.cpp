#include "ScriptedPrompter.h"
#include <QTest>

ScriptedPrompter::ScriptedPrompter()
{
    setPrompter(this);
}
ScriptedPrompter::~ScriptedPrompter()
{
    setPrompter(nullptr);
}

QStringList ScriptedPrompter::messageTexts() const
{
    QStringList out;
    for (const Asked &a : asked)
        if (a.kind == QLatin1String("message"))
            out << a.text;
    return out;
}

bool ScriptedPrompter::take(const QString &kind, Answer &out)
{
    if (answers.empty() || answers.front().kind != kind) {
        unexpected = true;
        qWarning("ScriptedPrompter: unexpected %s prompt", qPrintable(kind));
        return false;
    }
    out = answers.front();
    answers.pop_front();
    return true;
}

QMessageBox::StandardButton ScriptedPrompter::message(QWidget *, const QString &caption, const QString &text, Icon icon,
                                                      QMessageBox::StandardButtons, QMessageBox::StandardButton)
{
    asked.push_back({QStringLiteral("message"), caption, text, icon, {}});
    Answer a;
    if (!take(QStringLiteral("message"), a))
        return QMessageBox::Cancel;
    return a.button;
}

QString ScriptedPrompter::openFile(QWidget *, const QString &title, const QString &folder, const QString &)
{
    asked.push_back({QStringLiteral("openFile"), title, folder, Icon::None, {}});
    Answer a;
    return take(QStringLiteral("openFile"), a) ? a.path : QString();
}

QString ScriptedPrompter::saveFile(QWidget *parent, const QString &title, const QString &suggestedPath,
                                   const QString &filter, const QString &defaultSuffix)
{
    asked.push_back({QStringLiteral("saveFile"), title, suggestedPath, Icon::None, defaultSuffix});
    Answer a;
    if (!take(QStringLiteral("saveFile"), a))
        return QString();
    const QString chosen = withDefaultSuffix(a.path, defaultSuffix, filter);
    if (chosen.isEmpty() || !confirmOverwrite(parent, title, chosen))
        return QString();
    return chosen;
}

QString ScriptedPrompter::chooseFolder(QWidget *, const QString &title, const QString &folder)
{
    asked.push_back({QStringLiteral("chooseFolder"), title, folder, Icon::None, {}});
    Answer a;
    return take(QStringLiteral("chooseFolder"), a) ? a.path : QString();
}

QString ScriptedPrompter::password(QWidget *, const QString &title, const QString &label)
{
    asked.push_back({QStringLiteral("password"), title, label, Icon::None, {}});
    Answer a;
    return take(QStringLiteral("password"), a) ? a.path : QString();
}

bool ScriptedPrompter::printerSetup(QWidget *, QPrinter *printer)
{
    asked.push_back({QStringLiteral("printerSetup"), QString(), QString(), Icon::None, {}});
    Answer a;
    if (!take(QStringLiteral("printerSetup"), a))
        return false;
    if (a.onPrinter)
        a.onPrinter(printer);
    return a.accept;
}

bool ScriptedPrompter::printDialog(QWidget *, QPrinter *printer)
{
    asked.push_back({QStringLiteral("printDialog"), QString(), QString(), Icon::None, {}});
    Answer a;
    if (!take(QStringLiteral("printDialog"), a))
        return false;
    if (a.onPrinter)
        a.onPrinter(printer);
    return a.accept;
}
