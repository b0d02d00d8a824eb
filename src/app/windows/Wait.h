#pragma once
// TWait: the please-wait window of the meter search. Shown without blocking while the ports
// are searched and while the user picks a model by hand; shown modally only for the question
// asked when a meter answers that it runs only its loader.

#include <QDialog>
#include <QString>

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class MainWindowView;

class TWait : public QDialog {
    Q_OBJECT
public:
    // Modal results of the loader question.
    enum { ResultYes = 6, ResultNo = 7 };

    explicit TWait(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;   // status line
    QLabel *Label2 = nullptr;   // question line
    QPushButton *ButtonYes = nullptr;
    QPushButton *ButtonNo = nullptr;
    QComboBox *ModelEquip = nullptr;   // the catalogue's model names, for a choice by hand

    // The main window whose labels a manual choice updates.
    void setView(MainWindowView *view) { mainView = view; }

    // The catalogue names, in catalogue order, up to the first empty name.
    void fillModels();
    // "Searching COM, please wait...", no question, no list; shown without blocking.
    void showSearching();
    // The ports still being asked, on the question line while the search runs.
    void showPortsAsked(const QString &ports);
    // The loader question for that port, shown modally. ResultYes (go on searching),
    // ResultNo (choose by hand) or anything else (closed otherwise).
    int askLoaderQuestion(const QString &portName);
    // The model list with "Select model", shown without blocking; Label1 keeps its text.
    void showModelList();

    // Escape (or a close) while the search runs cancels the search, not only the window.
    void reject() override;

Q_SIGNALS:
    void searchCancelled();

public Q_SLOTS:
    // The user picked a model from the list.
    void ModelEquipChange(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // True when the key is swallowed (every typed character).
    bool ModelEquipKeyPress(const QKeyEvent *key) const;

private:
    void centreOnParent();
    MainWindowView *mainView = nullptr;
};

// The one TWait of the main window (created on first use, hidden).
TWait *waitWindow(MainWindowView &view);

// Whether an automatic identification is running (its scan holds the serial port).
bool identificationRunning();
