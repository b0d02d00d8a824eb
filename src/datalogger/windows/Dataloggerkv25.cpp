#include "datalogger/windows/Dataloggerkv25.h"
#include "archive/Capture.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/StringTable.h"
#include "app/windows/FitTexts.h"
#include "app/windows/Prompts.h"
#include "datalogger/LoggerFiles.h"
#include "datalogger/Reports.h"
#include "link/ErrorCodes.h"

#include <QFrame>
#include <QTextDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <tuple>

namespace {

constexpr int kRowDownstream = 122;
constexpr int kRowUpstream = 132;
constexpr int kRowHeadend = 133;
constexpr int kRowPingReport = 143;
constexpr int kRowComments = 130;

// The memo shows line breaks as the toolkit does; the file holds CR LF.
QString commentsForDisplay(const QString &comments)
{
    QString s = comments;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

}   // namespace

QLineEdit *TLoggerKv25::field(QWidget *parent, const char *name, int labelRow, int x, int y, int labelWidth, int width)
{
    auto *label = new QLabel(parent);
    label->setGeometry(x, y + 2, labelWidth, 20);
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(x + labelWidth + 4, y, width, 22);
    e->setReadOnly(true);
    captions.append({label, labelRow, false, e, labelWidth});
    return e;
}

TLoggerKv25::TLoggerKv25(QWidget *parent) : TLoggerViewer(parent, QSize(538, 456), "Timer5", 100)
{
    setObjectName(QStringLiteral("LoggerKv25"));
    // Made in the form's order, which is the tab order.
    makeSlotFields();
    makeDownstreamPanel();
    makePages();
    makeComments();
    makePrintButton(QRect(430, 420, 100, 28));
    Comments->setFocus();

    Timer5 = loadTimer;
    connect(Timer5, &QTimer::timeout, this, &TLoggerKv25::Timer5Timer);

    fixSize();
}

void TLoggerKv25::makeSlotFields()
{
    // The slot: number, time, date, description.
    LoggerNumber = field(client, "LoggerNumber", 1 /* "Datalogger" */, 8, 10, 70, 40);
    Time = field(client, "Time", 115 /* "Time" */, 150, 10, 50, 110);
    Date = field(client, "Date", 116 /* "Date" */, 340, 10, 50, 140);
    Description = field(client, "Description", 128 /* "Description" */, 8, 40, 84, 434);
}

void TLoggerKv25::makeDownstreamPanel()
{
    // Downstream, always on show.
    auto *down = new QFrame(client);
    down->setObjectName(QStringLiteral("DownstreamPanel"));
    down->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    down->setGeometry(8, 72, 252, 226);
    auto *label11 = new QLabel(down);
    label11->setObjectName(QStringLiteral("Label11"));
    label11->setGeometry(8, 6, 236, 20);
    label11->setAlignment(Qt::AlignCenter);
    captions.append({label11, kRowDownstream, true});
    Down_Power = field(down, "Down_Power", 123 /* "Power" */, 8, 30, 138, 98);
    Down_MER = field(down, "Down_MER", 124 /* "MER" */, 8, 57, 138, 98);
    Down_Freq = field(down, "Down_Freq", 125 /* "Frequency" */, 8, 84, 138, 98);
    Down_Ch = field(down, "Down_Ch", 126 /* "Channel/Channel Plan" */, 8, 111, 138, 98);
    Down_Mod = field(down, "Down_Mod", 101 /* "Modulation" */, 8, 138, 138, 98);
    Down_SR = field(down, "Down_SR", 100 /* "Symbol Rate" */, 8, 165, 138, 98);
    Down_BER = field(down, "Down_BER", 127 /* "PreBER" */, 8, 192, 138, 98);
}

void TLoggerKv25::makePages()
{
    // The three pages. Their tabs keep fixed English captions.
    DadesUpstream = new QTabWidget(client);
    DadesUpstream->setObjectName(QStringLiteral("DadesUpstream"));
    DadesUpstream->setGeometry(268, 70, 262, 228);
    DadesUpstream->setDocumentMode(true);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto *label34 = new QLabel(TabSheet1);
    label34->setObjectName(QStringLiteral("Label34"));
    label34->setGeometry(4, 6, 250, 20);
    label34->setAlignment(Qt::AlignCenter);
    captions.append({label34, kRowUpstream, true});
    Up_Power = field(TabSheet1, "Up_Power", 123 /* "Power" */, 4, 30, 100, 140);
    Up_Att = field(TabSheet1, "Up_Att", 131 /* "Attenuation" */, 4, 57, 100, 140);
    Up_Freq = field(TabSheet1, "Up_Freq", 125 /* "Frequency" */, 4, 84, 100, 140);
    Up_Bw = field(TabSheet1, "Up_Bw", 99 /* "Bandwidth" */, 4, 111, 100, 140);
    Up_Mod = field(TabSheet1, "Up_Mod", 101 /* "Modulation" */, 4, 138, 100, 140);
    Up_SR = field(TabSheet1, "Up_SR", 100 /* "Symbol Rate" */, 4, 165, 100, 140);
    DadesUpstream->addTab(TabSheet1, QStringLiteral("Upstream"));

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto *inner = new QFrame(TabSheet2);
    inner->setObjectName(QStringLiteral("HeadendPanel"));
    inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
    inner->setGeometry(2, 2, 254, 190);
    auto *label35 = new QLabel(inner);
    label35->setObjectName(QStringLiteral("Label35"));
    label35->setGeometry(4, 6, 246, 20);
    label35->setAlignment(Qt::AlignCenter);
    captions.append({label35, kRowHeadend, true});
    HD_IPCableModem = field(inner, "HD_IPCableModem", 134 /* "IP Cable Modem" */, 4, 34, 100, 140);
    HD_IPTod = field(inner, "HD_IPTod", 135 /* "IP ToD Server" */, 4, 64, 100, 140);
    HD_IPtftpServer = field(inner, "HD_IPtftpServer", 136 /* "IP TFTP Server" */, 4, 94, 100, 140);
    HD_Configfile = field(inner, "HD_Configfile", 137 /* "Config File" */, 4, 124, 100, 140);
    DadesUpstream->addTab(TabSheet2, QStringLiteral("Headend"));

    TabSheet5 = new QWidget;
    TabSheet5->setObjectName(QStringLiteral("TabSheet5"));
    auto *label46 = new QLabel(TabSheet5);
    label46->setObjectName(QStringLiteral("Label46"));
    label46->setGeometry(4, 2, 250, 18);
    label46->setAlignment(Qt::AlignCenter);
    captions.append({label46, kRowPingReport, true});
    PG_Address = field(TabSheet5, "PG_Address", 138 /* "Ping Address" */, 4, 22, 100, 140);
    PG_Send = field(TabSheet5, "PG_Send", 139 /* "Send" */, 4, 46, 100, 140);
    PG_Receive = field(TabSheet5, "PG_Receive", 178 /* "Receive" */, 4, 70, 100, 140);
    PG_PLR = field(TabSheet5, "PG_PLR", 140 /* "PLR" */, 4, 94, 100, 140);
    PG_TimeMin = field(TabSheet5, "PG_TimeMin", 141 /* "Time Min" */, 4, 118, 100, 140);
    PG_TimeMax = field(TabSheet5, "PG_TimeMax", 142 /* "Time Max" */, 4, 142, 100, 140);
    PG_TimeAvg = field(TabSheet5, "PG_TimeAvg", 129 /* "Time Avg" */, 4, 166, 100, 140);
    DadesUpstream->addTab(TabSheet5, QStringLiteral("Ping Report"));
}

void TLoggerKv25::makeComments()
{
    // Comments, the one thing the user edits.
    auto *label20 = new QLabel(client);
    label20->setObjectName(QStringLiteral("Label20"));
    label20->setGeometry(8, 306, 200, 20);
    captions.append({label20, kRowComments, false});
    Comments = new QPlainTextEdit(client);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setGeometry(8, 328, 522, 84);
}

bool TLoggerKv25::pageVisible(Page page) const
{
    return DadesUpstream->isTabVisible(int(page));
}

void TLoggerKv25::FormShow()
{
    for (const Caption &c : captions)
        c.label->setText(c.upper ? StringTable::text(c.row).toUpper() : StringTable::text(c.row));
    // The labels of one column (same panel, same left edge, same width in the form) share the
    // width of the longest.
    QMap<std::tuple<QWidget *, int, int>, QList<std::pair<QLabel *, QWidget *>>> columns;
    for (const Caption &c : captions)
        if (c.field)
            columns[{c.label->parentWidget(), c.label->x(), c.formWidth}].append({c.label, c.field});
    for (const auto &column : std::as_const(columns))
        fitLabelColumn(column);
}

void TLoggerKv25::Timer5Timer()
{
    Timer5->stop();
    if (loaded)
        return;
    ModemLoggerRecord rec;
    int result = Err::UnableToOpenFile;
    if (fileGiven) {
        setWindowTitle(filePath);
        result = ModemLoggerFile::read(filePath, rec);
    }
    if (result < 0) {
        ShowErrorCode(Err::UnableToOpenFile, this);
        reject();
        return;
    }
    LoggerNumber->setText(rec.hasLoggerNumber ? QString::number(rec.loggerNumber) : QString());
    Time->setText(rec.info[0]);
    Date->setText(rec.info[1]);
    Description->setText(rec.info[2]);

    QLineEdit *const down[] = {Down_Power, Down_MER, Down_Freq, Down_Ch, Down_Mod, Down_SR, Down_BER};
    for (std::size_t i = 0; i < std::size(down); ++i)
        down[i]->setText(rec.downstream[i]);
    QLineEdit *const up[] = {Up_Power, Up_Att, Up_Freq, Up_Bw, Up_Mod, Up_SR};
    for (std::size_t i = 0; i < std::size(up); ++i)
        up[i]->setText(rec.upstream[i]);
    QLineEdit *const head[] = {HD_IPCableModem, HD_IPTod, HD_IPtftpServer, HD_Configfile};
    for (std::size_t i = 0; i < std::size(head); ++i)
        head[i]->setText(rec.headend[i]);
    QLineEdit *const ping[] = {PG_Address, PG_Send, PG_Receive, PG_PLR, PG_TimeMin, PG_TimeMax, PG_TimeAvg};
    for (std::size_t i = 0; i < std::size(ping); ++i)
        ping[i]->setText(rec.pingReport[i]);

    // The upstream page is always there; headend and ping report only for a registered modem
    // of a model that carries registration details.
    const bool details = rec.showsRegistrationDetails();
    DadesUpstream->setTabVisible(UpstreamPage, true);
    DadesUpstream->setTabVisible(HeadendPage, details);
    DadesUpstream->setTabVisible(PingReportPage, details);
    DadesUpstream->setCurrentIndex(UpstreamPage);

    Comments->setPlainText(commentsForDisplay(rec.comments));
    loaded = true;
}

int TLoggerKv25::saveTo(const QString &target)
{
    // The bytes saved from name the archive entry the saved copy is linked to.
    QByteArray source;
    readFileBytes(filePath, source);
    const int r = ModemLoggerFile::saveWithComments(filePath, target, Comments->toPlainText());
    if (r != 0)
        return r;
    // The saved file is kept in the archive as an entry of its own; a failure there is told but
    // does not undo the save.
    const QString warning = Archive::captureWarning(target, Archive::captureSaved(target, LoggerFamily::Modem, source));
    if (!warning.isEmpty())
        prompts().message(this, StringTable::text(51 /* "Warning" */), warning, Prompter::Icon::Warning);
    return 0;
}

QString TLoggerKv25::editedText() const
{
    return Comments->toPlainText();
}

bool TLoggerKv25::hasUnsavedEdits() const
{
    return Comments->document()->isModified();
}

void TLoggerKv25::setEditsSaved()
{
    Comments->document()->setModified(false);
}

QString TLoggerKv25::modelFileType() const
{
    return app().CurrentModel.modemLoggerFileType;
}

QString TLoggerKv25::copyCaption(const QString &target) const
{
    return displayTitle(target, TitleStyle::Datalogger);
}

int TLoggerKv25::writeReport(const QString &source, const QString &report) const
{
    return writeModemReport(source, report);
}
