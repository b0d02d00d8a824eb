// The model catalogue "models.txt", and the identification of a meter against whatever
// catalogue was read: input = catalogue text, a NUL byte, then the meter's answer to "*?VE".

#include "FuzzSupport.h"
#include "app/Identification.h"
#include "app/ModelCatalogue.h"
#include "link/ErrorCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState();
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype split = input.indexOf('\0');
    const QByteArray catalogue = split < 0 ? input : input.left(split);
    const QByteArray answer = split < 0 ? QByteArray() : input.mid(split + 1);

    const QString path = fuzz::writeFile(QStringLiteral("models.txt"), catalogue);
    const int count = loadCatalogue(path);
    AppState &s = app();
    FUZZ_CHECK(count == s.catalogueCount);
    FUZZ_CHECK(count >= 0 && count <= kCatalogueSize);
    FUZZ_CHECK(s.currentModelIndex == kNoModel);
    for (int i = 0; i < count; ++i) {
        const ModelRecord &m = s.catalogue[size_t(i)];
        for (const QString *field : {&m.modelName, &m.firmwareFileType, &m.planFileType, &m.groupFileType,
                                     &m.modemLoggerFileType, &m.tvLoggerFileType})
            FUZZ_CHECK(!field->contains(QLatin1Char(';')) && !field->contains(QLatin1Char('\n')));
        // The last entry of a name is the one a manual choice finds.
        FUZZ_CHECK(catalogueIndexOf(m.modelName) >= i);
        chooseModel(i, true);
        FUZZ_CHECK(s.currentModelIndex == i && s.CurrentModel.modelName == m.modelName);
    }
    chooseModel(count, true);   // beyond the catalogue: no change
    FUZZ_CHECK(count == 0 ? s.currentModelIndex == kNoModel : s.currentModelIndex == count - 1);

    s.currentModelIndex = kNoModel;
    const int found = findModelInAnswer(answer);
    FUZZ_CHECK(found >= -1 && found < count);
    if (found >= 0) {
        const QString name = s.catalogue[size_t(found)].modelName;
        FUZZ_CHECK(!name.isEmpty() && QString::fromLatin1(answer.mid(3)).contains(name));
    }
    const int r = identifyModel(answer);
    FUZZ_CHECK(found >= 0 ? (r == 1 && s.currentModelIndex == found)
                          : (r == Err::NotRecognized && s.currentModelIndex == kNoModel));
    (void)answerIsLoader(answer);
    return 0;
}
