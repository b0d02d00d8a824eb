#pragma once
// What the two logger viewers have in common: the File menu (Save, Save As, Font Size, Print,
// Print Setup, Exit), the Print button, and the timer that reads the file a moment after the
// window appears, so the window is on screen before a long file is read. Each viewer shows its
// own kind of file and says how it is read, saved and printed.

#include "datalogger/LoggerFiles.h"

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;
class QVBoxLayout;
class QWidget;

class TLoggerViewer : public QDialog {
    Q_OBJECT
public:
    // The file to show; called before the window is shown.
    void setFile(const QString &path);
    QString file() const { return filePath; }
    // For tests: the delay between showing and loading.
    void setLoadDelay(int ms);
    // Whether the file was read and is on show.
    bool isLoaded() const { return loaded; }

    // The logger's number as shown (made by the viewer); the report is named and titled after it.
    QLineEdit *LoggerNumber = nullptr;
    QPushButton *Imprimir = nullptr;
    QMenuBar *MainMenu1 = nullptr;
    QMenu *File1 = nullptr;
    QAction *Save1 = nullptr, *SaveAs1 = nullptr, *FontSize1 = nullptr, *Print1 = nullptr, *PrintSetup1 = nullptr,
            *Exit1 = nullptr;
    // The logger as a CSV file and as a PDF of its report (LoggerViewerFiles.cpp).
    QAction *ExportCsv1 = nullptr, *SavePdf1 = nullptr;

public Q_SLOTS:
    void Save1Click();
    void SaveAs1Click();
    void FontSize1Click();
    void ImprimirClick();
    void Print1Click() { ImprimirClick(); }
    void PrintSetup1Click();
    void Exit1Click();
    void ExportCsv1Click();
    void SavePdf1Click();

    // A window closed before its file was read does not read it afterwards.
    void done(int r) override;
    // Closing with edits not yet saved asks whether to save them first (Yes, No, Cancel).
    void reject() override;

protected:
    // Builds the menu, a client area of the given size under it and the load timer with its name
    // and delay.
    TLoggerViewer(QWidget *parent, const QSize &clientSize, const char *timerName, int loadDelayMs);
    // The Print button at its place on the client area; made by the viewer where its widgets'
    // order puts it, as that order is the tab order.
    void makePrintButton(const QRect &geometry);
    // Fixes the window's size once the derived viewer has placed its widgets.
    void fixSize();

    void showEvent(QShowEvent *e) override;   // FormShow
    // Captions the viewer's own labels; the menu and the Print button are captioned here.
    virtual void FormShow() = 0;
    // Writes the shown file with the user's edits to target: 0, -65 or -254 (see AtomicFile).
    virtual int saveTo(const QString &target) = 0;
    // The extension the current model gives this kind of logger file (empty: none).
    virtual QString modelFileType() const = 0;
    // The window's caption once a copy has been saved under target.
    virtual QString copyCaption(const QString &target) const = 0;
    // Writes the printable report of the file source to report: 0 or negative.
    virtual int writeReport(const QString &source, const QString &report) const = 0;
    virtual LoggerFamily loggerFamily() const = 0;
    // The text the user edits in this viewer (the location, the comments), whether it changed
    // since it was loaded or saved, and marking it saved.
    virtual QString editedText() const = 0;
    virtual bool hasUnsavedEdits() const = 0;
    virtual void setEditsSaved() = 0;

    // The one save prompt of the files made from the logger (CSV, chart, PDF): the dialog titled
    // with the row's text, the filters ("PNG Images (*.png)"), a name after the logger's in the
    // temporary folder; ext is added to a name given without an extension. Empty: cancelled.
    QString askSavePath(int titleRow, const QStringList &filters, const QString &ext);
    // Writes the report of the file on disk under its print name (edits not yet saved do not
    // appear) and returns that name; empty, after saying so, when it cannot be written, so that
    // an older report of the same name is never used.
    QString writePrintReport(int number);
    // Captions of the items above, with the other captions of the menu.
    void captionFileItems();

    QWidget *client = nullptr;
    QTimer *loadTimer = nullptr;
    QString filePath;
    bool fileGiven = false;
    bool loaded = false;

private:
    // Saves into target after checking that the file can hold the edited text; says why not.
    bool saveEdits(const QString &target);

    QVBoxLayout *layout = nullptr;
};
