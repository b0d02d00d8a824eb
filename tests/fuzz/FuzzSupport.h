#pragma once
// What every fuzz target shares: one scratch folder per run for the files a target reads and
// writes (nothing outside it is touched), the input written there as a file, the program
// state reset to a catalogue model before each input, and a check that fails the run.

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Fails the input: libFuzzer keeps it as a crash.
#define FUZZ_CHECK(cond)                                                                                               \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                        \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

namespace fuzz {

inline QTemporaryDir &scratchDir()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/kv-fuzz-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a scratch folder in %s\n", qPrintable(QDir::tempPath()));
        std::abort();
    }
    return dir;
}

inline QString scratchPath()
{
    return scratchDir().path();
}
inline QString scratch(const QString &name)
{
    return scratchDir().filePath(name);
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

inline QString writeFile(const QString &name, const QByteArray &content)
{
    const QString path = scratch(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

inline QString writeFile(const QString &name, const uint8_t *data, size_t size)
{
    return writeFile(name, bytes(data, size));
}

inline void removeFile(const QString &name)
{
    QFile::remove(scratch(name));
}

// Resets the program state, every folder pointing at the scratch folder, and makes the
// delivered catalogue's model of that name the current model (none for nullptr). The catalogue
// is read once per run.
inline void resetState(const char *model = nullptr)
{
    static AppState loaded = [] {
        resetAppState();
        StringTable::fillStringTable();
        loadCatalogue(QStringLiteral(KV_SOURCE_DIR "/data/models.txt"));
        return app();
    }();
    app() = loaded;
    AppState &s = app();
    s.programFolder = s.libraryFolder = s.tempFolder = s.firmwareFolder = scratchPath();
    s.currentModelIndex = kNoModel;
    s.CurrentModel = CurrentModelRecord{};
    if (model) {
        const int index = catalogueIndexOf(QString::fromLatin1(model));
        FUZZ_CHECK(index >= 0);
        chooseModel(index, true);
    }
}

// Latin-1 text of the bytes: what a file or the meter's line gives the program.
inline QString latin1(const QByteArray &b)
{
    return QString::fromLatin1(b);
}

}   // namespace fuzz
