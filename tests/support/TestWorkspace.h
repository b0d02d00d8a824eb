#pragma once
// A fresh program folder for one test: Channel, Version and Temp folders, the delivered
// "models.txt", and the application state pointed at it. The folder is removed afterwards.

#include <QString>
#include <QTemporaryDir>

class TestWorkspace {
public:
    // Resets the application state and points its folders at a new temporary program folder.
    // With withCatalogue, copies data/models.txt there and loads nothing (call loadCatalogue).
    explicit TestWorkspace(bool withCatalogue = true);
    // Leaves the folder if it is the current one: Windows removes no folder that a process
    // works in.
    ~TestWorkspace();
    TestWorkspace(const TestWorkspace &) = delete;
    TestWorkspace &operator=(const TestWorkspace &) = delete;

    QString root() const { return dir.path(); }
    QString library() const { return dir.path() + QStringLiteral("/Channel"); }
    QString firmware() const { return dir.path() + QStringLiteral("/Version"); }
    QString temp() const { return dir.path() + QStringLiteral("/Temp"); }
    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }

    // Writes bytes to a file under the workspace (relative path); returns the full path.
    QString write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;

    // Path of a file delivered in the source tree (data/..., tests/...).
    static QString source(const QString &relative);

private:
    QTemporaryDir dir;
};
