// The meter's answer to "*?VE" against the delivered catalogue: a model is named only when its
// name stands in the answer from the fourth character on, and the longer of two names that
// begin alike wins.

#include "FuzzSupport.h"
#include "app/Identification.h"
#include "link/ErrorCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState();
    const QByteArray answer = fuzz::bytes(data, size);
    const AppState &s = app();
    const QString identity = QString::fromLatin1(answer.mid(3));

    const int found = findModelInAnswer(answer);
    FUZZ_CHECK(found >= -1 && found < s.catalogueCount);
    for (int i = 0; i < s.catalogueCount; ++i) {
        const QString &name = s.catalogue[size_t(i)].modelName;
        if (!identity.contains(name))
            continue;
        // Some model was found, and never a shorter one that the longer found name begins with.
        FUZZ_CHECK(found >= 0);
        const QString &chosen = s.catalogue[size_t(found)].modelName;
        FUZZ_CHECK(!(name.startsWith(chosen) && name.size() > chosen.size()));
    }
    if (found >= 0)
        FUZZ_CHECK(identity.contains(s.catalogue[size_t(found)].modelName));

    const int r = identifyModel(answer);
    FUZZ_CHECK(found >= 0 ? (r == 1 && s.currentModelIndex == found)
                          : (r == Err::NotRecognized && s.currentModelIndex == kNoModel));
    FUZZ_CHECK(answerIsLoader(answer) == answer.contains("BOOT"));
    return 0;
}
