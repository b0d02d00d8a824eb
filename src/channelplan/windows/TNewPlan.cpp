#include "channelplan/windows/TNewPlan.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "app/windows/WorkingFilesLock.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/GroupFile.h"
#include "channelplan/PlanFile.h"
#include "channelplan/windows/Editarcanalitzacio.h"
#include "datalogger/windows/Alertchannelplan.h"
#include "jobs/GroupJobs.h"
#include "jobs/Jobs.h"
#include "jobs/windows/Finestratransmisio.h"
#include "link/ErrorCodes.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kFolderRole = Qt::UserRole + 1;   // set on the library list's folder entries

QPushButton *button(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}   // namespace

TNewPlan::TNewPlan(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NewPlan"));
    setWindowTitle(StringTable::text(29 /* "Channel Plan Group" */));
    makeControls();
    layOutControls();
    connectControls();
    setGroupButtons(false);
    setLibraryControls(true);
}

void TNewPlan::makeControls()
{
    Label1 = new QLabel(StringTable::text(38 /* "Channel Plan Library" */), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(StringTable::text(29 /* "Channel Plan Group" */), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    LlistatLlibreria = new QListWidget(this);
    LlistatLlibreria->setObjectName(QStringLiteral("LlistatLlibreria"));
    LlistatCanalitzacio = new QListWidget(this);
    LlistatCanalitzacio->setObjectName(QStringLiteral("LlistatCanalitzacio"));
    NomGroup = new QLineEdit(this);
    NomGroup->setObjectName(QStringLiteral("NomGroup"));
    NomGroup->setReadOnly(true);

    NovaLlibreria = button(this, QStringLiteral("NovaLlibreria"), StringTable::text(32 /* "New" */));
    EditarLlibreria = button(this, QStringLiteral("EditarLlibreria"), StringTable::text(33 /* "Edit" */));
    SumaGroup = button(this, QStringLiteral("SumaGroup"), QStringLiteral("<<"));
    SumaLlibreria = button(this, QStringLiteral("SumaLlibreria"), QStringLiteral(">>"));
    OpenGroup = button(this, QStringLiteral("OpenGroup"), StringTable::text(30 /* "Open" */));
    SaveGroup = button(this, QStringLiteral("SaveGroup"), StringTable::text(31 /* "Save" */));
    NewGroup = button(this, QStringLiteral("NewGroup"), StringTable::text(32 /* "New" */));
    EditarGroup = button(this, QStringLiteral("EditarGroup"), StringTable::text(33 /* "Edit" */));
    EsborrarGroup = button(this, QStringLiteral("EsborrarGroup"), StringTable::text(34 /* "Delete" */));
    RenameGroup = button(this, QStringLiteral("RenameGroup"), StringTable::text(35 /* "Rename" */));
    TransmitGroup = button(this, QStringLiteral("TransmitGroup"), StringTable::text(36 /* "Transmit" */));
    ReceiveGroup = button(this, QStringLiteral("ReceiveGroup"), StringTable::text(37 /* "Receive" */));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Missatge = new QLabel(Panel1);
    Missatge->setObjectName(QStringLiteral("Missatge"));
    auto *panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(6, 2, 6, 2);
    panelLayout->addWidget(Missatge);
}

void TNewPlan::layOutControls()
{
    // Library on the left, the two transfer arrows in the middle, the group on the right.
    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(LlistatLlibreria, 1, 0);
    auto *arrows = new QVBoxLayout;
    arrows->addStretch();
    arrows->addWidget(SumaGroup);
    arrows->addWidget(SumaLlibreria);
    arrows->addStretch();
    grid->addLayout(arrows, 1, 1);
    auto *groupColumn = new QVBoxLayout;
    groupColumn->addWidget(LlistatCanalitzacio);
    groupColumn->addWidget(NomGroup);
    grid->addLayout(groupColumn, 1, 2);
    auto *libraryButtons = new QHBoxLayout;
    libraryButtons->addWidget(NovaLlibreria);
    libraryButtons->addWidget(EditarLlibreria);
    libraryButtons->addStretch();
    grid->addLayout(libraryButtons, 2, 0);
    auto *groupButtons = new QGridLayout;
    groupButtons->addWidget(OpenGroup, 0, 0);
    groupButtons->addWidget(SaveGroup, 0, 1);
    groupButtons->addWidget(NewGroup, 0, 2);
    groupButtons->addWidget(EditarGroup, 1, 0);
    groupButtons->addWidget(EsborrarGroup, 1, 1);
    groupButtons->addWidget(RenameGroup, 1, 2);
    groupButtons->addWidget(TransmitGroup, 2, 0, 1, 2);
    groupButtons->addWidget(ReceiveGroup, 2, 2);
    grid->addLayout(groupButtons, 2, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Panel1);
    resize(560, 380);
}

void TNewPlan::connectControls()
{
    connect(NovaLlibreria, &QPushButton::clicked, this, &TNewPlan::NovaLlibreriaClick);
    connect(EditarLlibreria, &QPushButton::clicked, this, &TNewPlan::EditarLlibreriaClick);
    connect(SumaGroup, &QPushButton::clicked, this, &TNewPlan::SumaGroupClick);
    connect(SumaLlibreria, &QPushButton::clicked, this, &TNewPlan::SumaLlibreriaClick);
    connect(OpenGroup, &QPushButton::clicked, this, &TNewPlan::OpenGroupClick);
    connect(SaveGroup, &QPushButton::clicked, this, &TNewPlan::SaveGroupClick);
    connect(NewGroup, &QPushButton::clicked, this, &TNewPlan::NewGroupClick);
    connect(EditarGroup, &QPushButton::clicked, this, &TNewPlan::EditarGroupClick);
    connect(EsborrarGroup, &QPushButton::clicked, this, &TNewPlan::EsborrarGroupClick);
    connect(RenameGroup, &QPushButton::clicked, this, &TNewPlan::RenameGroupClick);
    connect(TransmitGroup, &QPushButton::clicked, this, &TNewPlan::TransmitGroupClick);
    connect(ReceiveGroup, &QPushButton::clicked, this, &TNewPlan::ReceiveGroupClick);
    connect(LlistatLlibreria, &QListWidget::itemDoubleClicked, this, [this] { EditarLlibreriaClick(); });
    connect(LlistatCanalitzacio, &QListWidget::itemDoubleClicked, this, [this] { EditarGroupClick(); });
}

TNewPlan::~TNewPlan()
{
    // The window may go without a close (the caller destroys it): the copies go all the same.
    if (!busy)
        emptyGroup();
}

// --- types, masks, status line ----------------------------------------------------------------

QString TNewPlan::planType() const
{
    const QString t = app().CurrentModel.planFileType;
    return app().currentModelIndex == kNoModel || t.isEmpty() ? QStringLiteral("ch26") : t;
}

QString TNewPlan::groupType() const
{
    const QString t = app().CurrentModel.groupFileType;
    return app().currentModelIndex == kNoModel || t.isEmpty() ? QStringLiteral("tx26") : t;
}

QString TNewPlan::planFilter() const
{
    return StringTable::text(20 /* "Channel Plan Files" */) + QStringLiteral(" (*.") + planType() + QLatin1Char(')');
}

QString TNewPlan::groupFilter() const
{
    return StringTable::text(29 /* "Channel Plan Group" */) + QStringLiteral(" (*.") + groupType() + QLatin1Char(')');
}

void TNewPlan::showText(const QString &text)
{
    Missatge->setText(text);
    // The short queries to the meter run on this thread: let the line show before they block.
    Missatge->repaint();
}

void TNewPlan::showStatus(int row)
{
    showText(StringTable::text(84 /* "Status" */) + QStringLiteral(" : ") + StringTable::text(row));
}

void TNewPlan::setGroupButtons(bool enabled)
{
    for (QPushButton *b : {SaveGroup, NewGroup, EditarGroup, EsborrarGroup, RenameGroup, SumaLlibreria})
        b->setEnabled(enabled);
    // Sending and receiving need a model: its plan type decides the commands and file names.
    const bool model = app().currentModelIndex != kNoModel;
    TransmitGroup->setEnabled(enabled && model);
    ReceiveGroup->setEnabled((enabled || LlistatLlibreria->isEnabled()) && model);
}

void TNewPlan::setLibraryControls(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{LlistatLlibreria, LlistatCanalitzacio, NovaLlibreria,
                                                       EditarLlibreria, SumaGroup, OpenGroup})
        w->setEnabled(enabled);
    ReceiveGroup->setEnabled((enabled || SaveGroup->isEnabled()) && app().currentModelIndex != kNoModel);
    if (enabled)
        afterLibraryChange();
}

void TNewPlan::afterLibraryChange()
{
    const bool empty = LlistatLlibreria->count() == 0;
    SumaGroup->setEnabled(!empty && LlistatLlibreria->isEnabled());
    EditarLlibreria->setEnabled(!empty && LlistatLlibreria->isEnabled());
    if (!empty && !LlistatLlibreria->currentItem())
        LlistatLlibreria->setCurrentRow(0);
}

// --- library ------------------------------------------------------------------------------------

int TNewPlan::FillLibrary()
{
    const QString selected = LlistatLlibreria->currentItem() ? LlistatLlibreria->currentItem()->text() : QString();
    LlistatLlibreria->clear();
    QDir dir(app().libraryFolder);
    // The library is one folder of plan files; on any system "AB.CH26" is a plan like "ab.ch26".
    dir.setNameFilters({QStringLiteral("*.") + planType()});
    dir.setFilter(QDir::Files | QDir::Readable);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    LlistatLlibreria->addItems(dir.entryList());
    // Its subfolders are offered after the plans, in brackets as a file list shows folders.
    // They are never plans: Edit and "<<" refuse them, and a group file cannot name one.
    QDir folders(app().libraryFolder);
    folders.setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    folders.setSorting(QDir::Name | QDir::IgnoreCase);
    for (const QString &folder : folders.entryList()) {
        auto *item = new QListWidgetItem(QLatin1Char('[') + folder + QLatin1Char(']'), LlistatLlibreria);
        item->setData(kFolderRole, true);
    }
    const auto found = LlistatLlibreria->findItems(selected, Qt::MatchExactly);
    if (!found.isEmpty())
        LlistatLlibreria->setCurrentItem(found.first());
    return LlistatLlibreria->count();
}

QString TNewPlan::libraryMatch(const QString &name) const
{
    for (int i = 0; i < LlistatLlibreria->count(); ++i)
        if (!LlistatLlibreria->item(i)->data(kFolderRole).toBool()
            && LlistatLlibreria->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            return LlistatLlibreria->item(i)->text();
    return QString();
}

void TNewPlan::planSaved()
{
    EditarLlibreria->setEnabled(true);
    FillLibrary();
}

void TNewPlan::editorHidden()
{
    if (LlistatLlibreria->count() == 0) {
        SumaGroup->setEnabled(false);
        EditarLlibreria->setEnabled(false);
    } else {
        LlistatLlibreria->setCurrentRow(0);
    }
}

void TNewPlan::NovaLlibreriaClick()
{
    runEditor(QString());
}

void TNewPlan::EditarLlibreriaClick()
{
    QListWidgetItem *item = LlistatLlibreria->currentItem();
    if (!item || !LlistatLlibreria->isEnabled())
        return;
    const QString path = app().libraryFolder + QLatin1Char('/') + item->text();
    if (item->data(kFolderRole).toBool() || !isPlanFile(path)) {
        ShowErrorCode(Err::IncorrectFormatFile, this);
        return;
    }
    runEditor(path);
}

void TNewPlan::EditarGroupClick()
{
    QListWidgetItem *item = LlistatCanalitzacio->currentItem();
    if (!item)
        return;
    const QString path = memberCopy(item->text());
    if (!isPlanFile(path)) {
        ShowErrorCode(Err::IncorrectFormatFile, this);
        return;
    }
    runEditor(path);
}

// --- the group ----------------------------------------------------------------------------------

QStringList TNewPlan::members() const
{
    QStringList out;
    for (int i = 0; i < LlistatCanalitzacio->count(); ++i)
        out << LlistatCanalitzacio->item(i)->text();
    return out;
}

QString TNewPlan::memberCopy(const QString &member) const
{
    return app().tempFolder + QLatin1Char('/') + member;
}

void TNewPlan::selectLastMember()
{
    if (LlistatCanalitzacio->count() > 0)
        LlistatCanalitzacio->setCurrentRow(LlistatCanalitzacio->count() - 1);
}

bool TNewPlan::addMember(const QString &member)
{
    LlistatCanalitzacio->addItem(member);
    ownCopies.insert(memberCopy(member));
    return true;
}

void TNewPlan::removeCopy(const QString &member)
{
    const QString path = memberCopy(member);
    // Only a copy this window made, and never a file of the library (a temporary folder set
    // to the library folder would otherwise lose the user's plans).
    if (!ownCopies.contains(path))
        return;
    ownCopies.remove(path);
    if (GroupTransfers::sameFolder(app().tempFolder, app().libraryFolder))
        return;
    deleteFile(path);
}

void TNewPlan::emptyGroup()
{
    for (const QString &m : members())
        removeCopy(m);
    LlistatCanalitzacio->clear();
    NomGroup->clear();
    setGroupButtons(false);
}

void TNewPlan::SumaGroupClick()
{
    if (LlistatCanalitzacio->count() >= kMaxGroupPlans) {
        ShowErrorCode(Err::Limit10Plans, this);
        return;
    }
    QListWidgetItem *item = LlistatLlibreria->currentItem();
    if (LlistatLlibreria->count() == 0 || !item)
        return;
    const QString name = item->text();
    if (members().contains(name, Qt::CaseInsensitive))
        return;
    const QString source = app().libraryFolder + QLatin1Char('/') + name;
    if (item->data(kFolderRole).toBool() || !isPlanFile(source)) {
        ShowErrorCode(Err::IncorrectFormatFile, this);
        return;
    }
    if (const int copied = copyTextFileCode(source, memberCopy(name)); copied != 0) {
        ShowErrorCode(copied, this);
        return;
    }
    addMember(name);
    setGroupButtons(true);
    selectLastMember();
}

void TNewPlan::SumaLlibreriaClick()
{
    QListWidgetItem *item = LlistatCanalitzacio->currentItem();
    if (!item)
        return;
    const QString member = item->text();
    // A library file of that name in another case is the same plan: it is the one replaced.
    const QString existing = libraryMatch(member);
    const int question = existing.isEmpty() ? 172 /* "Do you wish to add channel Plan?" */
                                            : 49 /* "Library already exists.Save Anyway?" */;
    const auto answer = prompts().message(this, StringTable::text(51 /* "Warning" */), StringTable::text(question),
                                          Prompter::Icon::Warning, QMessageBox::Ok | QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;
    const QString target = app().libraryFolder + QLatin1Char('/') + (existing.isEmpty() ? member : existing);
    if (const int copied = copyTextFileCode(memberCopy(member), target); copied != 0) {
        ShowErrorCode(copied, this);
        return;
    }
    FillLibrary();
    afterLibraryChange();
}

void TNewPlan::EsborrarGroupClick()
{
    QListWidgetItem *item = LlistatCanalitzacio->currentItem();
    if (LlistatCanalitzacio->count() == 0 || !item)
        return;
    removeCopy(item->text());
    delete LlistatCanalitzacio->takeItem(LlistatCanalitzacio->row(item));
    if (LlistatCanalitzacio->count() > 0) {
        selectLastMember();
    } else {
        NomGroup->clear();
        setGroupButtons(false);
    }
}

void TNewPlan::RenameGroupClick()
{
    QListWidgetItem *item = LlistatCanalitzacio->currentItem();
    if (!item)
        return;
    const QString chosen = prompts().saveFile(this, StringTable::text(48 /* "Save a Channel Plan Group" */),
                                              app().tempFolder + QLatin1Char('/'), planFilter(), planType());
    if (chosen.isEmpty())
        return;
    const QString old = item->text();
    // Members live in the temporary folder, and only plan files are members: the new name
    // keeps both, whatever folder or name the dialog returned.
    QString name = QFileInfo(chosen).fileName();
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().compare(planType(), Qt::CaseInsensitive) != 0)
        name += QLatin1Char('.') + planType();
    if (name == old)
        return;
    QStringList others = members();
    others.removeAt(LlistatCanalitzacio->row(item));
    if (others.contains(name, Qt::CaseInsensitive)) {
        ShowErrorCode(Err::FileAlreadyExists, this);
        return;
    }
    if (name.compare(old, Qt::CaseInsensitive) == 0) {
        // Only the case changes: on a system that ignores case the copy and the original are
        // one file, which a copy-then-delete would lose. A rename keeps it on every system.
        if (!QFile::rename(memberCopy(old), memberCopy(name))) {
            ShowErrorCode(Err::UnableToOpenFile, this);
            return;
        }
        ownCopies.remove(memberCopy(old));
    } else {
        // The copy goes to the temporary folder under the chosen name, wherever the dialog was
        // pointed: a file of that name there is replaced only when the user says so.
        if (QFileInfo(memberCopy(name)).absoluteFilePath() != QFileInfo(chosen).absoluteFilePath()
            && !confirmOverwrite(this, StringTable::text(48 /* "Save a Channel Plan Group" */), memberCopy(name)))
            return;
        if (const int copied = copyTextFileCode(memberCopy(old), memberCopy(name)); copied != 0) {
            ShowErrorCode(copied, this);
            return;
        }
        removeCopy(old);
    }
    delete LlistatCanalitzacio->takeItem(LlistatCanalitzacio->row(item));
    addMember(name);
    selectLastMember();
}

void TNewPlan::NewGroupClick()
{
    const auto answer = prompts().message(this, StringTable::text(51 /* "Warning" */),
                                          StringTable::text(50 /* "Do you want erase channel plan selected?" */),
                                          Prompter::Icon::Warning, QMessageBox::Ok | QMessageBox::Cancel);
    if (answer == QMessageBox::Ok)
        emptyGroup();
}

// --- group files --------------------------------------------------------------------------------

int TNewPlan::readGroupFile(const QString &path)
{
    const GroupFile::Contents contents = GroupFile::read(path);
    if (!contents.readable)
        return 0;
    // A member list, even in a file too long to be a group, empties the group first.
    if (contents.hasFiles)
        emptyGroup();
    GroupFile::Added added;
    if (contents.hasFiles && !contents.tooLong) {
        QStringList library;
        for (int i = 0; i < LlistatLlibreria->count(); ++i) {
            if (!LlistatLlibreria->item(i)->data(kFolderRole).toBool())
                library << LlistatLlibreria->item(i)->text();
        }
        QStringList group = members();
        added =
            GroupFile::addNames(contents.names, library, group, [this](const QString &member, const QString &match) {
                if (!copyTextFile(app().libraryFolder + QLatin1Char('/') + match, memberCopy(member)))
                    return false;
                addMember(member);
                return true;
            });
        NomGroup->setText(QFileInfo(path).fileName());
        if (LlistatCanalitzacio->count() > 0) {
            selectLastMember();
            setGroupButtons(true);
        }
    }
    return GroupFile::resultOf(contents, added);
}

int TNewPlan::writeGroupFile(const QString &path) const
{
    return GroupFile::write(path, members());
}

void TNewPlan::OpenGroupClick()
{
    const QString path = prompts().openFile(this, StringTable::text(47 /* "Open a Channel Plan Group" */),
                                            app().libraryFolder, groupFilter());
    if (path.isEmpty())
        return;
    const int result = readGroupFile(path);
    if (result < 0)
        ShowErrorCode(result, this);
}

void TNewPlan::SaveGroupClick()
{
    // The dialog adds the extension itself, so that it asks about the file that will be written.
    const QString path = prompts().saveFile(this, StringTable::text(48 /* "Save a Channel Plan Group" */),
                                            app().libraryFolder + QLatin1Char('/'), groupFilter(), groupType());
    if (path.isEmpty())
        return;
    const int result = writeGroupFile(path);
    // A group that could not be saved is said so: the user would otherwise count on the file.
    if (result < 0) {
        ShowErrorCode(result, this);
        return;
    }
    NomGroup->setText(QFileInfo(path).fileName());
}

// --- sending and receiving ------------------------------------------------------------------------

int TNewPlan::runTransfer(int code, const QString &path, int number)
{
    TTransmit transfer(this);
    if ((code & JobCode::KindMask) == JobCode::ReceivePlan)
        transfer.StartNumberedJob(code, path, number);
    else
        transfer.StartJob(code, path);
    if (transfer.exec() == QDialog::Accepted)
        return 0;
    return transfer.JobResult();
}

void TNewPlan::TransmitGroupClick()
{
    setGroupButtons(false);
    setLibraryControls(false);
    showText(StringTable::text(40 /* "Checking Device Version" */));
    busy = true;

    // The combined file and the script have fixed names: no other job may write them between
    // this window's writing and sending them.
    WorkspaceLock lock;
    stopWaiting = false;
    int result = lockWorkingFiles(
        this, lock, WorkspaceJob::SendGroup, [this](const QString &t) { showText(t); }, &stopWaiting);
    if (result == 0) {
        NomGroup->setText(QStringLiteral("temp.") + groupType());
        QStringList copies;
        for (const QString &m : members())
            copies << memberCopy(m);
        result = GroupTransfers::sendGroup(copies, *this);
    }
    if (result < 0 && result != Err::WorkspaceBusy)
        ShowErrorCode(result, this);
    showStatus(39 /* "Ready" */);
    busy = false;
    setLibraryControls(true);
    setGroupButtons(LlistatCanalitzacio->count() > 0);
}

bool TNewPlan::confirmSend()
{
    TChannelPlanAlert alert(this);
    return alert.exec() == QDialog::Accepted;
}

void TNewPlan::ReceiveGroupClick()
{
    emptyGroup();
    setLibraryControls(false);
    showText(StringTable::text(40 /* "Checking Device Version" */));
    receiveLock = std::make_unique<WorkspaceLock>();
    const int result = GroupTransfers::receivePlans(*this);
    receiveLock.reset();
    if (result != 0)
        emptyGroup();
    else if (LlistatCanalitzacio->count() > 0) {
        selectLastMember();
        setGroupButtons(true);
    }
    busy = false;
    if (result < 0 && result != Err::WorkspaceBusy)
        ShowErrorCode(result, this);
    showStatus(39 /* "Ready" */);
    setLibraryControls(true);
}

int TNewPlan::beginReceiving()
{
    setGroupButtons(false);
    busy = true;
    stopWaiting = false;
    const int locked = lockWorkingFiles(
        this, *receiveLock, WorkspaceJob::ReceivePlans, [this](const QString &t) { showText(t); }, &stopWaiting);
    showText(StringTable::text(45 /* "Receiving Channel Plan" */));
    return locked;
}

QString TNewPlan::receiveTarget(const QString &name)
{
    // Where the temporary folder is the library, a received plan never replaces a plan of the
    // library.
    const bool sharedFolders = GroupTransfers::sameFolder(app().tempFolder, app().libraryFolder);
    receivingMember = GroupTransfers::receivedPlanName(name, members(), app().tempFolder, sharedFolders);
    const QString target = memberCopy(receivingMember);
    showText(StringTable::text(45 /* "Receiving Channel Plan" */) + QLatin1Char(' ') + target);
    ownCopies.insert(target);   // a partial plan left by a broken job is this window's too
    return target;
}

int TNewPlan::planReceived(const QString &, const QString &)
{
    showText(StringTable::text(84 /* "Status" */) + QStringLiteral(" : ")
             + StringTable::text(163 /* "Adding Channel Plan" */) + QLatin1Char(' ') + receivingMember);
    addMember(receivingMember);
    return 0;
}

void TNewPlan::planFailed(const QString &)
{
    removeCopy(receivingMember);
}

// --- opening and closing --------------------------------------------------------------------------

void TNewPlan::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    showStatus(39 /* "Ready" */);
    emptyGroup();
    FillLibrary();
    setGroupButtons(false);
    setLibraryControls(true);
}

void TNewPlan::closeEvent(QCloseEvent *event)
{
    if (busy) {
        // While a send or a reception waits for another job's working files, a close gives up
        // the wait; once it runs, the window stays until it ends.
        stopWaiting = true;
        event->ignore();
        return;
    }
    emptyGroup();
    QDialog::closeEvent(event);
}

void TNewPlan::reject()
{
    if (busy) {
        stopWaiting = true;
        return;
    }
    emptyGroup();
    QDialog::reject();
}

void TNewPlan::runEditor(const QString &path)
{
    {
        TChannelPlan editor(this);
        connect(&editor, &TChannelPlan::planSaved, this, [this] { planSaved(); });
        if (path.isEmpty())
            editor.newPlan();
        else if (!editor.loadPlan(path))
            return;   // the editor has said why
        editor.exec();
    }
    // Whatever the editor saved, and wherever, the library list shows the folder as it is now.
    FillLibrary();
    if (LlistatLlibreria->count() > 0)
        EditarLlibreria->setEnabled(true);
    editorHidden();
}
