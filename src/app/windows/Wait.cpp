#include "app/windows/Wait.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "app/windows/MainWindowView.h"
#include "app/windows/Prompts.h"
#include "link/ErrorCodes.h"
#include "link/PortMessages.h"
#include "link/PortSearch.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>

namespace {

const QColor kPortOpened(Qt::black);
const QColor kPortAbsent(Qt::red);

// One run of the search. It lives on the window thread; its worker thread runs the scan and
// reaches the windows only through queued calls on this object, so that every label change and
// the loader question happen on the window thread, in the order the scan produced them.
class IdentificationRun : public QObject, public PortSearchHost {
public:
    IdentificationRun(MainWindowView &mainView, TWait *waitWindow)
        : QObject(waitWindow), view(mainView), wait(waitWindow)
    {
        // The search ends at its next step; the port is closed and the result is User Break.
        connect(waitWindow, &TWait::searchCancelled, this, [this] {
            stop = true;
            answerQuestion(false);
        });
    }

    ~IdentificationRun() override { stopAndWait(); }

    void start()
    {
        worker.reset(QThread::create([this] { result = searchPorts(thePort(), *this); }));
        connect(
            worker.get(), &QThread::finished, this, [this] { finish(); }, Qt::QueuedConnection);
        worker->start();
    }

    // Called when the window goes away while the scan still runs: no further question is
    // asked and the scan ends at its next port.
    void stopAndWait()
    {
        stop = true;
        answerQuestion(false);
        if (worker) {
            worker->wait();
            worker.reset();
        }
    }

    // --- PortSearchHost, called on the worker thread ---
    void portTried(int number, bool opened) override
    {
        QMetaObject::invokeMethod(
            this,
            [this, number, opened] {
                app().PortName = QString::number(number);
                view.setPortLabel(QStringLiteral("COM%1").arg(number), opened ? kPortOpened : kPortAbsent);
            },
            Qt::QueuedConnection);
    }

    // A port that is there but did not open (permission, another program, not a serial port)
    // is told after a search that found nothing: it may be where the meter is.
    void portNotOpened(int number, const PortFailure &why) override
    {
        if (why.kind == PortFailure::Kind::Missing)
            return;
        const QString text = QStringLiteral("COM%1: ").arg(number) + portFailureText(why);
        QMetaObject::invokeMethod(
            this, [this, text] { unopened << text; }, Qt::QueuedConnection);
    }

    // Every port of the table is asked at once: the label and the please-wait window show
    // which ones are still being asked.
    void portsAsked(const QList<int> &numbers, const QStringList &devices) override
    {
        QStringList parts;
        for (int i = 0; i < numbers.size(); ++i)
            parts << PortTable::numberWithDevice(numbers[i], devices.value(i));
        QMetaObject::invokeMethod(
            this,
            [this, numbers, parts] {
                if (numbers.isEmpty())
                    return;
                if (numbers.size() == 1) {
                    view.setPortLabel(parts.first(), kPortOpened);
                } else {
                    QStringList names;
                    for (int n : numbers)
                        names << QStringLiteral("COM%1").arg(n);
                    view.setPortLabel(names.join(QStringLiteral(", ")), kPortOpened);
                }
                if (wait && !wait->isModal())
                    wait->showPortsAsked(parts.join(QStringLiteral(", ")));
            },
            Qt::QueuedConnection);
    }

    bool chooseManually(const QString &portName) override
    {
        std::future<bool> answer;
        {
            std::lock_guard<std::mutex> l(questionLock);
            if (stop)
                return false;
            question = std::promise<bool>();
            questionOpen = true;
            answer = question.get_future();
        }
        QMetaObject::invokeMethod(
            this,
            [this, portName] {
                QApplication::setOverrideCursor(Qt::ArrowCursor);
                const int r = wait ? wait->askLoaderQuestion(portName) : 0;
                QApplication::restoreOverrideCursor();
                answerQuestion(r == TWait::ResultNo);
            },
            Qt::QueuedConnection);
        // The worker waits for the user; the window thread stays free to run the question.
        return answer.get();
    }

    bool stopRequested() override { return stop; }

private:
    void answerQuestion(bool manual)
    {
        std::lock_guard<std::mutex> l(questionLock);
        if (questionOpen) {
            questionOpen = false;
            question.set_value(manual);
        }
    }

    void finish();

    MainWindowView &view;
    QPointer<TWait> wait;
    std::unique_ptr<QThread> worker;
    PortSearchResult result;
    std::atomic<bool> stop{false};
    std::mutex questionLock;
    std::promise<bool> question;
    bool questionOpen = false;
    QStringList unopened;   // why ports of the table did not open, window thread only
};

QPointer<IdentificationRun> currentRun;

void IdentificationRun::finish()
{
    currentRun = nullptr;   // the scan is over and the port closed
    if (worker) {
        worker->wait();
        worker.reset();
    }
    QApplication::restoreOverrideCursor();
    if (wait)
        wait->hide();
    view.refreshCommands();   // the commands that talk to the meter were held during the scan

    const AppState &s = app();
    switch (result.code) {
        case 1: {
            app().PortName = QString::number(result.portNumber);
            app().currentModelIndex = result.modelIndex;
            view.setPortLabel(PortTable::numberWithDevice(result.portNumber, result.device), kPortOpened);
            view.refreshCommands();
            const QString name = s.catalogue[size_t(result.modelIndex)].modelName;
            view.setModelLabel(name);
            if (wait)
                wait->ModelEquip->hide();
            prompts().message(view.widget(), QStringLiteral("Kelvatrone"),
                              QStringLiteral("COM") + s.PortName + QStringLiteral("-> ") + name, Prompter::Icon::None);
            chooseModel(result.modelIndex, false);
            break;
        }
        case Err::ManualSelection:
            app().PortName = QString::number(result.portNumber);
            if (wait)
                wait->showModelList();
            break;
        case Err::UserBreak: break;   // the window is going away
        default:
            app().PortName = QString::number(result.portNumber);
            view.setModelLabel(QStringLiteral("Model:"));
            view.setPortLabel(QStringLiteral("COM ?"), kPortAbsent);
            app().currentModelIndex = kNoModel;
            view.refreshCommands();
            view.setModelLabel(StringTable::text(187 /* "Not recognized equipment" */));
            ShowErrorCode(Err::NotRecognized, view.widget());
            if (!unopened.isEmpty())
                prompts().message(view.widget(), QStringLiteral("Kelvatrone"), unopened.join(QStringLiteral("\n\n")),
                                  Prompter::Icon::Warning);
            break;
    }
    deleteLater();
}

}   // namespace

TWait::TWait(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TWait"));
    setFixedSize(479, 94);
    setModal(false);

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setGeometry(0, 0, 479, 94);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setBold(true);
    f.setPixelSize(16);
    Label1->setFont(f);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 8, 479, 26);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(0, 36, 479, 20);

    ButtonNo = new QPushButton(this);
    ButtonNo->setObjectName(QStringLiteral("ButtonNo"));
    ButtonNo->setGeometry(50, 60, 180, 26);
    connect(ButtonNo, &QPushButton::clicked, this, [this] { done(ResultNo); });

    ButtonYes = new QPushButton(this);
    ButtonYes->setObjectName(QStringLiteral("ButtonYes"));
    ButtonYes->setGeometry(249, 60, 180, 26);
    connect(ButtonYes, &QPushButton::clicked, this, [this] { done(ResultYes); });

    ModelEquip = new QComboBox(this);
    ModelEquip->setObjectName(QStringLiteral("ModelEquip"));
    ModelEquip->setGeometry(140, 60, 200, 26);
    ModelEquip->installEventFilter(this);
    connect(ModelEquip, &QComboBox::activated, this, &TWait::ModelEquipChange);

    ModelEquip->hide();
    fillModels();
}

void TWait::fillModels()
{
    ModelEquip->clear();
    const AppState &s = app();
    for (int i = 0; i < kCatalogueSize && i < s.catalogueCount; ++i) {
        const QString &name = s.catalogue[size_t(i)].modelName;
        if (name.isEmpty())
            break;
        ModelEquip->addItem(name);
    }
    ModelEquip->setCurrentIndex(ModelEquip->count() > 0 ? 0 : -1);
}

void TWait::centreOnParent()
{
    QWidget *p = parentWidget();
    const QRect area =
        p ? p->frameGeometry() : (screen() ? screen()->availableGeometry() : QRect(0, 0, width(), height()));
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TWait::showSearching()
{
    ButtonNo->hide();
    ButtonYes->hide();
    Label1->setText(StringTable::text(189 /* "Searching COM, please wait..." */));
    Label2->hide();
    ModelEquip->hide();
    setWindowModality(Qt::NonModal);
    centreOnParent();
    show();
}

void TWait::showPortsAsked(const QString &ports)
{
    const QString line = StringTable::text(286 /* "Asking: %1" */).arg(ports);
    Label2->setText(Label2->fontMetrics().elidedText(line, Qt::ElideRight, Label2->width() - 8));
    Label2->setToolTip(line);
    Label2->show();
}

int TWait::askLoaderQuestion(const QString &portName)
{
    hide();
    ButtonNo->setText(StringTable::text(190 /* "MANUAL SELECTION" */));
    ButtonNo->show();
    ButtonYes->setText(StringTable::text(191 /* "AUTOMATIC SEARCH" */));
    ButtonYes->show();
    Label1->setText(StringTable::text(192 /* "Equipment not recognized in COM" */) + portName);
    Label2->setText(StringTable::text(193 /* "Continue searching automatically or manually select the model" */));
    Label2->setToolTip(QString());
    Label2->show();
    ModelEquip->hide();
    setWindowModality(Qt::ApplicationModal);
    centreOnParent();
    const int r = exec();
    setWindowModality(Qt::NonModal);
    if (r == ResultYes)
        showSearching();
    return r;
}

void TWait::showModelList()
{
    fillModels();
    ModelEquip->setCurrentIndex(-1);   // empty text until the user picks
    ModelEquip->show();
    ButtonNo->hide();
    ButtonYes->hide();
    Label2->setText(StringTable::text(194 /* "Select model" */));
    Label2->show();
    setWindowModality(Qt::NonModal);
    centreOnParent();
    show();
}

void TWait::ModelEquipChange(int index)
{
    if (index < 0 || index >= app().catalogueCount)
        return;
    MainWindowView *view = mainView ? mainView : mainWindowView();
    chooseModel(index, true);   // currentModelIndex, chosenManually = 1, CurrentModel
    if (view) {
        view->setModelLabel(ModelEquip->itemText(index));
        view->refreshCommands();
    }
    hide();
}

bool TWait::ModelEquipKeyPress(const QKeyEvent *key) const
{
    // The list only offers the catalogue's models: typed characters are dropped, so a key
    // cannot select a model by its first letter. Navigation keys still work.
    return !key->text().isEmpty() && key->text().at(0).isPrint();
}

bool TWait::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ModelEquip && event->type() == QEvent::KeyPress
        && ModelEquipKeyPress(static_cast<const QKeyEvent *>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TWait::reject()
{
    // While the search runs the window is not modal: hiding it alone would leave the search
    // going on out of sight.
    if (!isModal() && identificationRunning())
        emit searchCancelled();
    QDialog::reject();
}

TWait *waitWindow(MainWindowView &view)
{
    static QPointer<TWait> window;
    if (!window || window->parentWidget() != view.widget())
        window = new TWait(view.widget());
    window->setView(&view);
    return window;
}

bool identificationRunning()
{
    return !currentRun.isNull();
}

void autoIdentify(MainWindowView &view)
{
    if (currentRun)
        return;   // one search at a time: it holds the port
    TWait *wait = waitWindow(view);
    wait->fillModels();
    wait->showSearching();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    auto *run = new IdentificationRun(view, wait);
    currentRun = run;
    view.refreshCommands();   // holds the commands that talk to the meter until the scan ends
    run->start();
}
