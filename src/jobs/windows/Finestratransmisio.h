#pragma once
// The transfer window: runs one job against the meter on a worker thread and shows its status
// line, progress and Cancel. Calling order: create, StartJob or StartNumberedJob, exec(); when
// exec() is not QDialog::Accepted read JobResult(); destroy.

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QThread;

class TTransmit : public QDialog {
    Q_OBJECT
public:
    explicit TTransmit(QWidget *parent = nullptr);
    ~TTransmit() override;

    // Accepts a job of a known kind: stores code and text and returns 1; otherwise 0.
    // The job starts about a second after the window is shown.
    int StartJob(int code, const QString &text);
    // Stores the number, then StartJob; returns 0.
    int StartNumberedJob(int code, const QString &text, int number);
    int JobResult() const { return jobResult; }

    // For tests: the delay before the job starts (1000 ms by default).
    void setStartDelay(int ms);
    // For tests: the start delay of every transfer window created from now on, including the
    // ones other windows create (ms < 0 restores the 1000 ms).
    static void setDefaultStartDelay(int ms);

    QLabel *File = nullptr;   // the status line
    QProgressBar *BarraProgres = nullptr;
    QProgressBar *LoggerProgress = nullptr;
    QPushButton *Sortida = nullptr;   // Cancel
    QTimer *Timer1 = nullptr;

    // Escape and the window system's close: ignored while the job runs; before the job
    // starts they cancel it like Sortida.
    void reject() override;

    bool jobRunning() const { return busy; }

public Q_SLOTS:
    void Timer2Timer();
    void SortidaClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    class Context;
    friend class Context;
    QProgressBar *bar(int index) const;
    void jobEnded(int result);

    int jobCode = -1;
    QString jobText;
    int jobNumber = 0;
    int jobResult = 0;
    bool busy = false;   // the job is running on the worker thread
    bool finished = false;   // the job has ended (or will never run): the window is closing
    Context *running = nullptr;
    QThread *worker = nullptr;
};
