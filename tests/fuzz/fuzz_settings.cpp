// The settings file "st.stg": any content is read without harm, every value keeps to its
// length limit, and what the loader took is what it takes again after the program writes it
// back (the settings window saves exactly the values it loaded), in whichever encoding.

#include "FuzzSupport.h"
#include "app/Settings.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState();
    // The loader reads the settings of the current directory: the scratch folder.
    static const bool inScratch = QDir::setCurrent(fuzz::scratchPath());
    FUZZ_CHECK(inScratch);
    const QString path = fuzz::writeFile(QStringLiteral("st.stg"), data, size);
    FUZZ_CHECK(settingsPath() == path);

    for (const char *key : {"PORT", "LIBRARY", "VERSION", "TEMP", "[END]", "OTHER"}) {
        const SettingValue v = readSetting(QString::fromLatin1(key));
        FUZZ_CHECK(settingValueLength(v.value) <= kSettingValueLimit);
        FUZZ_CHECK(v.found || !v.hasValue);
        FUZZ_CHECK(v.hasValue || v.value.isEmpty());
    }

    loadSettings();
    const AppState first = app();
    FUZZ_CHECK(!first.PortName.isEmpty());

    // Every value read fits (the defaults are short in the scratch folder), so it is written.
    FUZZ_CHECK(writeSettings(path, first.PortName, first.libraryFolder, first.firmwareFolder, first.tempFolder));
    fuzz::resetState();
    loadSettings();
    FUZZ_CHECK(app().PortName == first.PortName);
    FUZZ_CHECK(app().libraryFolder == first.libraryFolder);
    FUZZ_CHECK(app().firmwareFolder == first.firmwareFolder);
    FUZZ_CHECK(app().tempFolder == first.tempFolder);
    return 0;
}
