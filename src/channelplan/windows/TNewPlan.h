#pragma once
// The channel plan library and group editor: the library folder's plan files on one side, the
// group (up to 10 plans, kept as copies in the temporary folder) on the other; group files,
// sending the group to the meter and receiving the meter's plans as a group.

#include "app/WorkspaceLock.h"
#include "jobs/GroupTransfers.h"

#include <QDialog>
#include <QSet>
#include <QString>
#include <QStringList>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The window is its own side of the send and receive workflows (GroupTransferSteps): its status
// line, the warning, the transfer window, and the group's copies as the plans' targets.
class TNewPlan : public QDialog, private GroupTransferSteps {
    Q_OBJECT
public:
    explicit TNewPlan(QWidget *parent = nullptr);
    ~TNewPlan() override;

    // Points the library list at the library folder with the plan mask and refreshes it.
    // Returns the number of entries.
    int FillLibrary();

    // Group files (".tx26"). Reading: 0, -65 (more than 50 lines), -153 (no "[FILES]"), -17
    // (more than 10 members: the first 10 are kept); a file that cannot be opened is 0 and
    // changes nothing. Writing: 0, -16 (no member), -17, -65.
    int readGroupFile(const QString &path);
    int writeGroupFile(const QString &path) const;

    QStringList members() const;   // the group list, in order
    QString memberCopy(const QString &member) const;   // its copy in the temporary folder
    bool isBusy() const { return busy; }

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *LlistatLlibreria = nullptr;
    QListWidget *LlistatCanalitzacio = nullptr;
    QLineEdit *NomGroup = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Missatge = nullptr;
    QPushButton *NovaLlibreria = nullptr;
    QPushButton *EditarLlibreria = nullptr;
    QPushButton *SumaGroup = nullptr;
    QPushButton *SumaLlibreria = nullptr;
    QPushButton *OpenGroup = nullptr;
    QPushButton *SaveGroup = nullptr;
    QPushButton *NewGroup = nullptr;
    QPushButton *EditarGroup = nullptr;
    QPushButton *EsborrarGroup = nullptr;
    QPushButton *RenameGroup = nullptr;
    QPushButton *TransmitGroup = nullptr;
    QPushButton *ReceiveGroup = nullptr;

    void reject() override;

public Q_SLOTS:
    void NovaLlibreriaClick();
    void EditarLlibreriaClick();
    void SumaGroupClick();
    void SumaLlibreriaClick();
    void OpenGroupClick();
    void SaveGroupClick();
    void NewGroupClick();
    void EditarGroupClick();
    void EsborrarGroupClick();
    void RenameGroupClick();
    void TransmitGroupClick();
    void ReceiveGroupClick();

    // What the plan editor asks of this window: after a save, the Edit button and a fresh
    // library list; after it hides, the library's first item selected (or nothing to select).
    void planSaved();
    void editorHidden();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The constructor's parts: the controls, their places, their handlers.
    void makeControls();
    void layOutControls();
    void connectControls();
    QString planType() const;
    QString groupType() const;
    QString planFilter() const;
    QString groupFilter() const;
    void showStatus(int row);
    void showText(const QString &text);
    void setGroupButtons(bool enabled);
    void setLibraryControls(bool enabled);
    void afterLibraryChange();
    void emptyGroup();
    void removeCopy(const QString &member);
    bool addMember(const QString &member);
    void selectLastMember();
    QString libraryMatch(const QString &name) const;   // the library's spelling, or empty
    void runEditor(const QString &path);

    // GroupTransferSteps
    void status(int row) override { showStatus(row); }
    bool confirmSend() override;
    int runTransfer(int code, const QString &path, int number) override;
    bool stopped() const override { return !busy; }
    int beginReceiving() override;
    QString receiveTarget(const QString &name) override;
    int planReceived(const QString &name, const QString &target) override;
    void planFailed(const QString &target) override;
    std::unique_ptr<WorkspaceLock> receiveLock;   // held from beginReceiving to the run's end
    QString receivingMember;   // the member the plan being received becomes

    bool busy = false;
    bool stopWaiting = false;   // a close while a send or reception waits for the working files
    QSet<QString> ownCopies;   // copies this window made in the temporary folder
};
