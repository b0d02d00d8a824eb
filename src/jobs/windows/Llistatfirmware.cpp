#include "jobs/windows/Llistatfirmware.h"

#include "app/StringTable.h"
#include "app/windows/MainWindowView.h"
#include "app/windows/Prompts.h"
#include "app/windows/WorkingFilesLock.h"
#include "jobs/FirmwareJob.h"
#include "jobs/Jobs.h"
#include "jobs/windows/Finestratransmisio.h"
#include "link/ErrorCodes.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString statusText(const QString &state)
{
    return StringTable::text(84 /* "Status" */) + QStringLiteral(" : ") + state;
}

QString stoppedText(const QString &step)
{
    return StringTable::text(209 /* "Stopped at:" */) + QLatin1Char(' ') + step;
}

}   // namespace

TUpGradeFiles::TUpGradeFiles(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("UpGradeFiles"));
    setFixedSize(398, 218);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));

    LlistatVersions = new QListWidget(this);
    LlistatVersions->setObjectName(QStringLiteral("LlistatVersions"));
    LlistatVersions->setSelectionMode(QAbstractItemView::SingleSelection);

    LlistatFitxers = new QListWidget(this);
    LlistatFitxers->setObjectName(QStringLiteral("LlistatFitxers"));
    LlistatFitxers->hide();

    Enviar = new QPushButton(this);
    Enviar->setObjectName(QStringLiteral("Enviar"));
    Enviar->setDefault(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Note = new QLabel(Panel1);
    Note->setObjectName(QStringLiteral("Note"));
    Note->setAlignment(Qt::AlignCenter);
    Note->setWordWrap(true);
    // Room for two lines: a failed upgrade says where it stopped.
    Note->setMinimumHeight(2 * Note->fontMetrics().lineSpacing() + 2);
    auto *panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(4, 2, 4, 2);
    panelLayout->addWidget(Note);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Enviar);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label2);
    layout->addWidget(LlistatVersions, 1);
    layout->addLayout(buttons);
    layout->addWidget(Panel1);

    connect(Enviar, &QPushButton::clicked, this, &TUpGradeFiles::EnviarClick);
    connect(LlistatVersions, &QListWidget::itemDoubleClicked, this, &TUpGradeFiles::LlistatVersionsDblClick);

    setWindowTitle(StringTable::text(156 /* "Firmware Upgrade Files" */));
    Label2->setText(StringTable::text(23 /* "Firmware Files" */));
    Enviar->setText(StringTable::text(2 /* "Upgrade" */));
    Note->setText(statusText(StringTable::text(39 /* "Ready" */)));
}

bool TUpGradeFiles::FillFirmwareList(const ModelRecord &model)
{
    LlistatFitxers->clear();
    LlistatVersions->clear();
    // A model without a firmware type takes no upgrade; "*." would list files of no type.
    if (model.firmwareFileType.isEmpty())
        return false;

    QDir folder(app().firmwareFolder);
    folder.setNameFilters({QStringLiteral("*.") + model.firmwareFileType});
    folder.setFilter(QDir::Files);
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    const QStringList names = folder.entryList();
    for (const QString &name : names) {
        LlistatFitxers->addItem(name);
        LlistatVersions->addItem(QStringLiteral("VERSION %1 : %2").arg(model.modelName, name));
        LlistatVersions->setCurrentRow(LlistatVersions->count() - 1);
    }
    return !names.isEmpty();
}

QString TUpGradeFiles::selectedPath() const
{
    const int row = LlistatVersions->currentRow();
    if (row < 0 || row >= LlistatFitxers->count())
        return {};
    return app().firmwareFolder + QLatin1Char('/') + LlistatFitxers->item(row)->text();
}

void TUpGradeFiles::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TUpGradeFiles::FormShow()
{
    LlistatFitxers->hide();
    setWindowTitle(StringTable::text(156 /* "Firmware Upgrade Files" */));
    Label2->setText(StringTable::text(23 /* "Firmware Files" */));
    Enviar->setText(StringTable::text(2 /* "Upgrade" */));
    showReady();
    const bool any = FillFirmwareList(app().CurrentModel);
    LlistatVersions->setEnabled(any);
    Enviar->setEnabled(any);
    if (any) {
        LlistatVersions->setCurrentRow(LlistatVersions->count() - 1);
    } else {
        // Reported once the window is on the screen, not from inside its show.
        QTimer::singleShot(0, this, [this] { ShowErrorCode(Err::NoUpgradeFiles, this); });
    }
}

void TUpGradeFiles::showReady()
{
    Note->setText(statusText(StringTable::text(39 /* "Ready" */)));
}

void TUpGradeFiles::EnviarClick()
{
    upgrade();
}

void TUpGradeFiles::LlistatVersionsDblClick()
{
    upgrade();
}

void TUpGradeFiles::upgrade()
{
    // The window system is serviced below before the transfer window takes over: a second
    // click or double-click must not start a second upgrade inside the first.
    if (upgrading)
        return;
    const QString path = selectedPath();
    if (path.isEmpty())
        return;
    upgrading = true;
    const QString chosenFile = LlistatFitxers->item(LlistatVersions->currentRow())->text();

    Note->setText(StringTable::text(40 /* "Checking Device Version" */));
    Enviar->setEnabled(false);
    QCoreApplication::processEvents();

    // The folder may have changed since the list was filled. When no firmware file is left,
    // there is nothing to send: the window closes without starting the job.
    if (!FillFirmwareList(app().CurrentModel)) {
        LlistatVersions->setEnabled(false);
        ShowErrorCode(Err::NoUpgradeFiles, this);
        upgrading = false;
        reject();
        return;
    }
    // Keep the user's choice selected when it is still listed.
    const auto same = LlistatFitxers->findItems(chosenFile, Qt::MatchExactly);
    if (!same.isEmpty())
        LlistatVersions->setCurrentRow(LlistatFitxers->row(same.first()));
    showReady();
    Enviar->setEnabled(true);

    Note->setText(statusText(StringTable::text(165 /* "Sending Firmware" */)));
    QCoreApplication::processEvents();

    // The upgrade log is a working file: no other job of this workspace runs meanwhile.
    WorkspaceLock lock;
    if (lockWorkingFiles(this, lock, WorkspaceJob::Upgrade, [this](const QString &t) { Note->setText(t); }) != 0) {
        showReady();
        Enviar->setEnabled(true);
        upgrading = false;
        return;
    }
    Note->setText(statusText(StringTable::text(165 /* "Sending Firmware" */)));

    takeLastFirmwareRun();   // forget what an earlier upgrade left
    int result = 0;
    {
        TTransmit transmit(this);
        if (transmitStartDelay >= 0)
            transmit.setStartDelay(transmitStartDelay);
        transmit.StartJob(JobCode::Firmware, path);
        if (transmit.exec() != QDialog::Accepted)
            result = transmit.JobResult();
    }
    const FirmwareRun run = takeLastFirmwareRun();

    // The restarted meter named a model: the main window shows it and offers its commands.
    if (run.identifiedIndex >= 0) {
        applyRestartedMeter(run);
        if (MainWindowView *view = mainWindowView()) {
            view->refreshCommands();
            view->setModelLabel(run.identifiedName);
        }
    }
    // A failure says where the upgrade stopped; a port that could not be opened (54) shows
    // nothing. The list is ready for the next upgrade either way.
    const QString detail = !run.fileProblem.isEmpty()            ? run.fileProblem
                           : run.ran && !run.stoppedAt.isEmpty() ? stoppedText(run.stoppedAt)
                                                                 : QString();
    ShowErrorCode(result, this, detail);
    showReady();
    Enviar->setEnabled(true);
    upgrading = false;
}
