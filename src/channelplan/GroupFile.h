#pragma once
// The channel plan group file (".tx26"): the names of up to ten plans of the library, after a
// "[FILES]" line and up to "[END]". The group editor and the command line both read and write
// it through here, so that its rules live in one place.
//
// Reading stops at "[END]"; a file of more lines than kMaxLines before it is no group file. Each
// "[FILES]" line starts the list again. Names are matched to the library without letter case;
// a name no longer in the library is left out, a name met twice counts once, and the group takes
// the first ten.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace GroupFile {

constexpr int kMaxLines = 50;

struct Contents {
    bool readable = false;   // the file could be opened (an unreadable file changes nothing)
    bool hasFiles = false;   // a "[FILES]" line was met within the lines read
    bool tooLong = false;   // more than kMaxLines lines before "[END]"
    QStringList names;   // after the last "[FILES]", trimmed, blank lines left out
};

Contents read(const QString &path);

// Adds the names to the group: each name found among libraryFiles (letter case aside) becomes
// the member of its name in lower case, unless the group holds it already. place(member,
// libraryFile) puts the member's copy in place and says whether it could. At most kMaxGroupPlans
// members: tooMany tells that names were left out for that.
struct Added {
    int failedCopies = 0;
    bool tooMany = false;
};
Added addNames(const QStringList &names, const QStringList &libraryFiles, QStringList &members,
               const std::function<bool(const QString &member, const QString &libraryFile)> &place);

// The code the editor reports for a read: 0; Err::UnableToOpenFile for a file too long or a
// copy that failed; Err::IncorrectFormatFile without "[FILES]"; Err::Limit10Plans when names
// were left out beyond ten.
int resultOf(const Contents &contents, const Added &added);

// The file's bytes for the members, its last line "[END]" without a line break.
QByteArray bytes(const QStringList &members);
// Writes the group beside path and moves it over path when complete: 0; Err::NoChannelPlan for
// no member, Err::Limit10Plans for more than ten, or the write's code (the old file stays).
int write(const QString &path, const QStringList &members);

}   // namespace GroupFile
