#include "app/windows/ToolkitLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace {
std::unique_ptr<QTranslator> installed;
}

bool applyToolkitLanguage(int language)
{
    static const char *const codes[] = {"en", "es", "de", "ca"};
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language <= 0 || language > 3)
        return true;
    auto translator = std::make_unique<QTranslator>();
    // "qt_xx" loads qtbase's texts (the catalogue file of Qt's translations names them).
    if (!translator->load(QStringLiteral("qt_") + QLatin1String(codes[language]),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}
