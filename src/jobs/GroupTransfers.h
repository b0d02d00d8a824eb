#pragma once
// Sending a group of channel plans to the meter and receiving the meter's plans: the steps of
// both workflows, run by the group editor and by the command line alike. What differs between
// them (the status line, the warning before the meter's plans are replaced, the window or the
// terminal that shows a job, where a received plan is kept) is asked of the caller through
// GroupTransferSteps.

#include <QString>
#include <QStringList>

class GroupTransferSteps {
public:
    virtual ~GroupTransferSteps() = default;
    // A status line: a row of the string table.
    virtual void status(int row) { (void)row; }
    // The warning that the meter's dataloggers go with its old plans: whether to send.
    virtual bool confirmSend() { return true; }
    // Runs a job on the meter (JobCode::GroupScript with the combined file, JobCode::ReceivePlan
    // with the target file and the plan's number): 0, or the job's code.
    virtual int runTransfer(int code, const QString &path, int number) = 0;
    // Whether the user asked to stop; looked at between plans.
    virtual bool stopped() const { return false; }

    // Receiving only. Called once the meter said it holds plans, before any is received (the
    // editor takes the working files' lock there): 0 to go on, or a code that ends the run.
    virtual int beginReceiving() { return 0; }
    // The file a plan of that name (as GroupJobs makes it from the meter's answer) is received
    // into.
    virtual QString receiveTarget(const QString &name) = 0;
    // The plan arrived whole in target: 0, or a code that ends the run.
    virtual int planReceived(const QString &name, const QString &target) = 0;
    // The job for target failed: the file may hold part of a plan.
    virtual void planFailed(const QString &target) = 0;
};

namespace GroupTransfers {

// Sends the plan files, in order, as one group: their combined file, the command script for the
// current model, its copy beside the combined file, the warning, and the send job. 0 (also when
// the user declined at the warning), or a code: those of writeCombinedFile, -153 for a plan the
// script cannot be made of (failedLine then gets the combined-file line), -8 when the script
// could not be made or copied, -254 when it could not be written whole, or the job's code.
int sendGroup(const QStringList &planFiles, GroupTransferSteps &steps, QString *failedLine = nullptr);

// Receives every plan the meter holds: asks whether it holds any (Err::NoChannelPlan when it
// says it holds none), how many, and each one's name, then receives each into the target the
// caller gives. 0, or the code of the first failure (Err::NotFreePort when the port cannot be
// opened for a name, Err::CommunicationError when a name does not arrive).
int receivePlans(GroupTransferSteps &steps);

// The name a received plan takes: unique among taken (letter case aside) and, with
// protectExisting, not the name of a file already in folder (a folder that is the library
// never loses a plan to a reception).
QString receivedPlanName(const QString &name, const QStringList &taken, const QString &folder, bool protectExisting);

// Whether two folders are the same folder (links followed).
bool sameFolder(const QString &a, const QString &b);

}   // namespace GroupTransfers
