#include "app/ModelCatalogue.h"

#include <QFile>

namespace {

constexpr int kMaxLineLength = 99;
constexpr int kFieldCount = 8;

// Field 6 is read like the C library's atoi: leading blanks, an optional sign, then digits up
// to the first non-digit; no digits at all gives 0. Absurdly long numbers are clamped instead
// of overflowing.
int typeCodeOf(const QString &text)
{
    int i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > 1000000000LL)
            value = 1000000000LL;
        ++i;
    }
    return int(negative ? -value : value);
}

// Splits a catalogue line into its eight ";"-ended fields. False when the line has fewer than
// eight ";": such a line is not a model, and reading its fields shifted would be worse than
// leaving it out.
bool splitFields(const QString &line, QStringList &fields)
{
    fields.clear();
    int start = 0;
    for (int f = 0; f < kFieldCount; ++f) {
        const int end = line.indexOf(QLatin1Char(';'), start);
        if (end < 0)
            return false;
        fields << line.mid(start, end - start);
        start = end + 1;
    }
    return true;
}

}   // namespace

int loadCatalogue()
{
    return loadCatalogue(QStringLiteral("models.txt"));
}

int loadCatalogue(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;

    AppState &s = app();
    s.catalogue.fill(ModelRecord{});
    s.catalogueCount = 0;
    QStringList fields;
    // The catalogue is the first 20 lines of the file, whatever they hold: a comment or a
    // short line uses up one of them, and a 21st line is never read.
    for (int lineNumber = 0; lineNumber < kCatalogueSize && !f.atEnd(); ++lineNumber) {
        // A line is read no further than it can matter; the rest of an overlong one is skipped.
        QByteArray raw = f.readLine(kMaxLineLength + 2);
        if (!raw.endsWith('\n')) {
            while (!f.atEnd()) {
                const QByteArray rest = f.readLine(4096);
                if (rest.isEmpty() || rest.endsWith('\n'))
                    break;
            }
        }
        if (raw.endsWith('\n'))
            raw.chop(1);
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromLatin1(raw.left(kMaxLineLength));
        if (!splitFields(line, fields))
            continue;
        ModelRecord &m = s.catalogue[size_t(s.catalogueCount++)];
        m.modelName = fields[1];
        m.firmwareFileType = fields[2];
        m.planFileType = fields[3];
        m.groupFileType = fields[4];
        m.modelTypeCode = typeCodeOf(fields[5]);
        m.modemLoggerFileType = fields[6];
        m.tvLoggerFileType = fields[7];
    }
    s.currentModelIndex = kNoModel;
    return s.catalogueCount;
}

int catalogueIndexOf(const QString &name)
{
    const AppState &s = app();
    for (int i = s.catalogueCount - 1; i >= 0; --i)
        if (s.catalogue[size_t(i)].modelName == name)
            return i;
    return -1;
}

void chooseModel(int index, bool manually)
{
    AppState &s = app();
    if (index < 0 || index >= s.catalogueCount)
        return;
    static_cast<ModelRecord &>(s.CurrentModel) = s.catalogue[size_t(index)];
    s.CurrentModel.chosenManually = manually ? 1 : 0;
    s.currentModelIndex = index;
}
