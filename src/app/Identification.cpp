#include "app/Identification.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "link/ErrorCodes.h"

#include <QStringList>
#include <algorithm>

int findModelInAnswer(const QByteArray &answer)
{
    const AppState &s = app();
    QStringList names;
    for (int i = 0; i < s.catalogueCount && i < kCatalogueSize; ++i) {
        // An empty name would be found in every answer and claim any meter as its model.
        if (!s.catalogue[size_t(i)].modelName.isEmpty())
            names << s.catalogue[size_t(i)].modelName;
    }
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    // The meter repeats the command's three characters before its identity.
    const QString identity = QString::fromLatin1(answer.mid(3));
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        if (identity.contains(*it, Qt::CaseSensitive))
            return catalogueIndexOf(*it);
    return -1;
}

int identifyModel(const QByteArray &answer)
{
    const int index = findModelInAnswer(answer);
    if (index < 0)
        return Err::NotRecognized;
    app().currentModelIndex = index;
    app().meterIdentity = QString::fromLatin1(answer.mid(3)).trimmed();
    return 1;
}

bool answerIsLoader(const QByteArray &answer)
{
    return answer.contains("BOOT");
}
