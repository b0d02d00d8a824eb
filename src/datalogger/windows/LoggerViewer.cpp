#include "datalogger/windows/LoggerViewer.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "datalogger/LoggerFiles.h"
#include "datalogger/Reports.h"
#include "datalogger/windows/LoggerPrinting.h"
#include "datalogger/windows/Tamanyfont.h"
#include "link/ErrorCodes.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kRowExit = 7;
constexpr int kRowSave = 31;
constexpr int kRowFile = 90;
constexpr int kRowSaveAs = 91;
constexpr int kRowPrintSetup = 110;
constexpr int kRowFontSize = 111;
constexpr int kRowPrint = 117;

bool samePath(const QString &a, const QString &b)
{
    // Compared as the user sees them, ignoring letter case.
    return QFileInfo(a).absoluteFilePath().compare(QFileInfo(b).absoluteFilePath(), Qt::CaseInsensitive) == 0;
}

}   // namespace

TLoggerViewer::TLoggerViewer(QWidget *parent, const QSize &clientSize, const char *timerName, int loadDelayMs)
    : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    MainMenu1 = new QMenuBar(this);
    File1 = MainMenu1->addMenu(QString());
    Save1 = File1->addAction(QString(), this, &TLoggerViewer::Save1Click);
    SaveAs1 = File1->addAction(QString(), this, &TLoggerViewer::SaveAs1Click);
    FontSize1 = File1->addAction(QString(), this, &TLoggerViewer::FontSize1Click);
    Print1 = File1->addAction(QString(), this, &TLoggerViewer::Print1Click);
    PrintSetup1 = File1->addAction(QString(), this, &TLoggerViewer::PrintSetup1Click);
    File1->addSeparator();
    ExportCsv1 = File1->addAction(QString(), this, &TLoggerViewer::ExportCsv1Click);
    SavePdf1 = File1->addAction(QString(), this, &TLoggerViewer::SavePdf1Click);
    File1->addSeparator();
    Exit1 = File1->addAction(QString(), this, &TLoggerViewer::Exit1Click);

    client = new QWidget(this);
    client->setFixedSize(clientSize);
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(client);

    loadTimer = new QTimer(this);
    loadTimer->setObjectName(QString::fromLatin1(timerName));
    loadTimer->setInterval(loadDelayMs);
    loadTimer->setSingleShot(true);
}

void TLoggerViewer::makePrintButton(const QRect &geometry)
{
    Imprimir = new QPushButton(client);
    Imprimir->setObjectName(QStringLiteral("Imprimir"));
    Imprimir->setGeometry(geometry);
    Imprimir->setAutoDefault(false);
    connect(Imprimir, &QPushButton::clicked, this, &TLoggerViewer::ImprimirClick);
}

void TLoggerViewer::fixSize()
{
    layout->activate();
    setFixedSize(sizeHint());
}

void TLoggerViewer::setFile(const QString &path)
{
    filePath = path;
    fileGiven = !path.isEmpty();
}

void TLoggerViewer::setLoadDelay(int ms)
{
    loadTimer->setInterval(std::max(0, ms));
}

void TLoggerViewer::done(int r)
{
    loadTimer->stop();
    QDialog::done(r);
}

void TLoggerViewer::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    // A window without a file closes with its message once it is on screen.
    if (!loaded)
        loadTimer->start();
    FormShow();
    Imprimir->setText(StringTable::text(kRowPrint));
    File1->setTitle(StringTable::text(kRowFile));
    Save1->setText(StringTable::text(kRowSave));
    SaveAs1->setText(StringTable::text(kRowSaveAs));
    FontSize1->setText(StringTable::text(kRowFontSize));
    Print1->setText(StringTable::text(kRowPrint));
    PrintSetup1->setText(StringTable::text(kRowPrintSetup));
    Exit1->setText(StringTable::text(kRowExit));
    captionFileItems();
}

bool TLoggerViewer::saveEdits(const QString &target)
{
    // The file is Latin-1: a character it cannot hold would come back as "?". Nothing is
    // written until the user has changed them.
    QString refused;
    for (const QChar c : editedText())
        if (c.unicode() > 0xFF && !refused.contains(c))
            refused += c;
    if (!refused.isEmpty()) {
        prompts().message(this, StringTable::text(51 /* "Warning" */),
                          StringTable::text(308 /* "These characters cannot be kept in the file: %1" */)
                              .arg(refused.split(QString(), Qt::SkipEmptyParts).join(QLatin1Char(' '))),
                          Prompter::Icon::Warning);
        return false;
    }
    const int result = saveTo(target);
    if (result < 0) {
        ShowErrorCode(result, this);
        return false;
    }
    setEditsSaved();
    return true;
}

void TLoggerViewer::Save1Click()
{
    if (!loaded)
        return;
    saveEdits(filePath);
}

void TLoggerViewer::reject()
{
    if (loaded && hasUnsavedEdits()) {
        const auto answer = prompts().message(
            this, StringTable::text(51 /* "Warning" */),
            StringTable::text(307 /* "The changes have not been saved. Save them?" */), Prompter::Icon::Question,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !saveEdits(filePath)))
            return;
    }
    QDialog::reject();
}

void TLoggerViewer::SaveAs1Click()
{
    if (!loaded)
        return;
    const QString modelType = modelFileType();
    const QString ext = modelType.isEmpty() ? QFileInfo(filePath).suffix() : modelType;
    const QString filter = QStringLiteral("Data Files (*.%1)").arg(ext);
    // The dialog adds the extension itself, so that it asks about the file that will be written.
    const QString chosen = prompts().saveFile(this, StringTable::text(kRowSaveAs), app().tempFolder, filter, ext);
    if (chosen.isEmpty())
        return;
    if (samePath(chosen, filePath)) {
        Save1Click();
        return;
    }
    if (!saveEdits(chosen))
        return;
    // The window goes on with the file it was opened on; the caption names the copy.
    setWindowTitle(copyCaption(chosen));
}

QString TLoggerViewer::writePrintReport(int number)
{
    const QString report = Logger::printTextPath(number);
    if (const int written = writeReport(filePath, report); written < 0) {
        ShowErrorCode(written == Err::WriteFailed ? written : int(Err::UnableToOpenFile), this);
        return QString();
    }
    return report;
}

void TLoggerViewer::ImprimirClick()
{
    if (!loaded)
        return;
    const int number = Logger::leadingInt(LoggerNumber->text());
    const QString report = writePrintReport(number);
    if (report.isEmpty())
        return;
    const int result = printLoggerReport(this, Report::printTitle(number), report);
    if (result < 0)
        ShowErrorCode(result, this);
}

void TLoggerViewer::FontSize1Click()
{
    TFontSize dialog(this);
    dialog.exec();
}

void TLoggerViewer::PrintSetup1Click()
{
    loggerPrintSetup(this);
}

void TLoggerViewer::Exit1Click()
{
    reject();
}
