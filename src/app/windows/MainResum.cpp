#include "app/windows/MainResum.h"
#include "datalogger/Limits.h"
#include "app/AppState.h"
#include "app/Files.h"
#include "app/ModelCatalogue.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/windows/Pictures.h"
#include "app/windows/Prompts.h"
#include "app/windows/ToolkitLanguage.h"
#include "app/windows/Seleccioport.h"
#include "app/windows/SobreTQ025.h"
#include "app/windows/Wait.h"
#include "app/windows/WindowEntry.h"
#include "link/ErrorCodes.h"
#include "link/SerialPort.h"

#include <QAction>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr int kLogoLift = 50;   // the logo sits this many pixels above the window's centre

QToolButton *speedButton(QWidget *parent, const char *name, int x, Pictures::Glyph g)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, 8, 37, 41);
    b->setIcon(QIcon(Pictures::glyph(g)));
    b->setIconSize(QSize(28, 28));
    b->setAutoRaise(true);
    return b;
}

// The model entry refreshCommands() judges: the catalogue entry at the current index.
const ModelRecord *currentEntry()
{
    const AppState &s = app();
    if (s.currentModelIndex < 0 || s.currentModelIndex >= kCatalogueSize)
        return nullptr;
    return &s.catalogue[size_t(s.currentModelIndex)];
}

}   // namespace

TMainResum::TMainResum(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainResum"));
    setWindowTitle(QStringLiteral("Kelvatrone"));
    resize(1078, 571);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Fons"));
    central->setAutoFillBackground(true);
    QPalette pal = central->palette();
    pal.setColor(QPalette::Window, QColor(0, 128, 128));
    central->setPalette(pal);
    setCentralWidget(central);

    Image1 = new QLabel(central);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(Pictures::logo());
    Image1->resize(Image1->pixmap().size());

    buildToolbar(central);
    buildMenus();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    // Start-up: catalogue, commands for "no model", settings, language, logo, flags.
    AppState &s = app();
    s.catalogueCount = 0;
    s.catalogue.fill(ModelRecord{});
    if (loadCatalogue() == 0)
        ShowErrorCode(Err::NoModelsFound);
    refreshCommands();
    loadSettings();
    // The limit profiles come with the program: a workspace without its Limits folder (a new
    // one, or one from before limits were known) gets it with the delivered profile. A
    // workspace that cannot take it simply has none until the folder can be made.
    Limits::ensureFolder();
    if (s.PortName.contains(QLatin1Char('/')))
        SerialPort::setExtraDevice(s.PortName);
    applyLanguage();
    FormResize();
    setWindowState(Qt::WindowMaximized);
    Image2->setVisible(true);
    Image3->setVisible(false);
    Image4->setVisible(false);
    Image5->setVisible(false);

    setMainWindowView(this);
}

TMainResum::~TMainResum()
{
    if (mainWindowView() == this)
        setMainWindowView(nullptr);
}

void TMainResum::buildToolbar(QWidget *central)
{
    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, QColor(212, 208, 200));
    Panel1->setPalette(pal);
    Panel1->setGeometry(0, 0, central->width(), 57);

    BotoAutoID = speedButton(Panel1, "BotoAutoID", 13, Pictures::Glyph::AutoIdentify);
    BotoChannelPlan = speedButton(Panel1, "BotoChannelPlan", 63, Pictures::Glyph::ChannelPlan);
    BotoLoggers = speedButton(Panel1, "BotoLoggers", 113, Pictures::Glyph::Loggers);
    BotoUpdate = speedButton(Panel1, "BotoUpdate", 163, Pictures::Glyph::Upgrade);
    connect(BotoAutoID, &QToolButton::clicked, this, &TMainResum::BotoAutoIDClick);
    connect(BotoChannelPlan, &QToolButton::clicked, this, &TMainResum::ChannelPlan1Click);
    connect(BotoLoggers, &QToolButton::clicked, this, &TMainResum::ReceiveLogger1Click);
    connect(BotoUpdate, &QToolButton::clicked, this, &TMainResum::Firmware1Click);

    auto *sep = new QFrame(Panel1);
    sep->setFrameShape(QFrame::VLine);
    sep->setFrameShadow(QFrame::Sunken);
    sep->setGeometry(210, 6, 4, 45);

    NomModel = new QLabel(QStringLiteral("Model:"), Panel1);
    NomModel->setObjectName(QStringLiteral("NomModel"));
    QFont big = NomModel->font();
    big.setPixelSize(19);
    big.setBold(true);
    NomModel->setFont(big);
    NomModel->setGeometry(226, 14, 360, 28);

    Label2 = new QLabel(QStringLiteral("Port:"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(600, 18, 36, 20);

    viewCOM = new QLabel(QStringLiteral("COM ?"), Panel1);
    viewCOM->setObjectName(QStringLiteral("viewCOM"));
    QFont bold = viewCOM->font();
    bold.setBold(true);
    viewCOM->setFont(bold);
    viewCOM->setGeometry(638, 18, 110, 20);
    setPortLabel(QStringLiteral("COM ?"), Qt::red);

    Bevel1 = new QFrame(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(760, 8, 52, 41);

    QLabel **flags[] = {&Image2, &Image3, &Image4, &Image5};
    for (int l = 0; l < 4; ++l) {
        *flags[l] = new QLabel(Panel1);
        (*flags[l])->setObjectName(QStringLiteral("Image%1").arg(l + 2));
        (*flags[l])->setPixmap(Pictures::flag(l));
        (*flags[l])->setGeometry(768, 16, 36, 24);
    }
}

void TMainResum::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuPrincipal"));
    auto action = [this](QMenu *menu, const char *name, const QString &caption, void (TMainResum::*slot)()) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        menu->addAction(a);
        return a;
    };
    auto menu = [this](QWidget *owner, const char *name, const QString &caption) {
        auto *m = new QMenu(caption, owner);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    Model1 = menu(bar, "Model1", QStringLiteral("General"));
    bar->addMenu(Model1);
    Language1 = menu(Model1, "Language1", QStringLiteral("Language"));
    Model1->addMenu(Language1);
    English1 = action(Language1, "English1", QStringLiteral("English"), &TMainResum::English1Click);
    Espaol1 = action(Language1, "Espaol1", QStringLiteral("Espa\u00f1ol"), &TMainResum::Espaol1Click);
    Deustch1 = action(Language1, "Deustch1", QStringLiteral("Deustch"), &TMainResum::Deustch1Click);
    Catal1 = action(Language1, "Catal1", QStringLiteral("Catal\u00e0"), &TMainResum::Catal1Click);
    GeneralSettings1 =
        action(Model1, "GeneralSettings1", QStringLiteral("General Settings"), &TMainResum::GeneralSettings1Click);
    TeamArchive1 = action(Model1, "TeamArchive1", QStringLiteral("Team Archive..."), &TMainResum::TeamArchive1Click);
    Exit3 = action(Model1, "Exit3", QStringLiteral("Exit"), &TMainResum::Exit3Click);

    Config1 = menu(bar, "Config1", QStringLiteral("Config"));
    bar->addMenu(Config1);
    AddChannelFile1 =
        action(Config1, "AddChannelFile1", QStringLiteral("Add Channel File"), &TMainResum::AddChannelFile1Click);
    ChannelPlan1 = action(Config1, "ChannelPlan1", QStringLiteral("ChannelPlan"), &TMainResum::ChannelPlan1Click);

    Datalogger1 = menu(bar, "Datalogger1", QStringLiteral("Datalogger"));
    bar->addMenu(Datalogger1);
    OpenLoggerFile1 = menu(Datalogger1, "OpenLoggerFile1", QStringLiteral("Open Logger File"));
    Datalogger1->addMenu(OpenLoggerFile1);
    ModemLogger = action(OpenLoggerFile1, "ModemLogger", QStringLiteral("Modem Logger"), &TMainResum::ModemLoggerClick);
    TvLogger = action(OpenLoggerFile1, "TvLogger", QStringLiteral("TV Logger"), &TMainResum::TvLoggerClick);
    ReceiveLogger1 =
        action(Datalogger1, "ReceiveLogger1", QStringLiteral("Receive Logger"), &TMainResum::ReceiveLogger1Click);
    Datalogger1->addSeparator();
    Archive1 = action(Datalogger1, "Archive1", QStringLiteral("Measurement Archive..."), &TMainResum::Archive1Click);
    ImportArchive1 = action(Datalogger1, "ImportArchive1", QStringLiteral("Import into Archive..."),
                            &TMainResum::ImportArchive1Click);
    LimitProfiles1 =
        action(Datalogger1, "LimitProfiles1", QStringLiteral("Limit Profiles..."), &TMainResum::LimitProfiles1Click);

    UpGradeFiles1 = menu(bar, "UpGradeFiles1", QStringLiteral("Upgrade"));
    bar->addMenu(UpGradeFiles1);
    Add1 = action(UpGradeFiles1, "Add1", QStringLiteral("Add Upgrade File"), &TMainResum::FirmwareFile1Click);
    UpgradeCablemodem1 =
        action(UpGradeFiles1, "UpgradeCablemodem1", QStringLiteral("Upgrade "), &TMainResum::Firmware1Click);

    About1 = new QAction(QStringLiteral("About"), this);
    About1->setObjectName(QStringLiteral("About1"));
    connect(About1, &QAction::triggered, this, &TMainResum::About1Click);
    bar->addAction(About1);
}

void TMainResum::setModelLabel(const QString &text)
{
    NomModel->setText(text);
}

void TMainResum::setPortLabel(const QString &text, const QColor &c)
{
    // "COM3 (ttyUSB0)" where it fits; otherwise the number alone, the whole text as a tooltip.
    QString shown = text;
    const QFontMetrics fm(viewCOM->font());
    if (fm.horizontalAdvance(shown) > viewCOM->width()) {
        const int device = int(shown.indexOf(QLatin1String(" (")));
        shown = device > 0 && fm.horizontalAdvance(shown.left(device)) <= viewCOM->width()
                    ? shown.left(device)
                    : fm.elidedText(shown, Qt::ElideRight, viewCOM->width());
    }
    viewCOM->setText(shown);
    viewCOM->setToolTip(text);
    QPalette pal = viewCOM->palette();
    pal.setColor(QPalette::WindowText, c);
    viewCOM->setPalette(pal);
}

void TMainResum::refreshCommands()
{
    refreshModelCommands();
    // A scan holds the port: nothing that talks to the meter starts until it is over.
    if (identificationRunning()) {
        for (QAction *a : {ReceiveLogger1, ChannelPlan1, UpgradeCablemodem1})
            a->setEnabled(false);
        for (QToolButton *b : {BotoAutoID, BotoLoggers, BotoChannelPlan, BotoUpdate})
            b->setEnabled(false);
    } else {
        BotoAutoID->setEnabled(true);
    }
}

void TMainResum::refreshModelCommands()
{
    for (QAction *a : {ReceiveLogger1, OpenLoggerFile1->menuAction(), Datalogger1->menuAction(), AddChannelFile1,
                       ChannelPlan1, UpgradeCablemodem1, Config1->menuAction()})
        a->setEnabled(false);
    for (QToolButton *b : {BotoLoggers, BotoChannelPlan, BotoUpdate})
        b->setEnabled(false);

    const ModelRecord *m = app().currentModelIndex == kNoModel ? nullptr : currentEntry();
    if (!m) {
        // No model: the files can still be handled, but nothing that needs the meter's type.
        for (QAction *a : {Datalogger1->menuAction(), Config1->menuAction(), AddChannelFile1, ChannelPlan1,
                           OpenLoggerFile1->menuAction()})
            a->setEnabled(true);
        return;
    }
    if (m->modelTypeCode != 0) {
        ReceiveLogger1->setEnabled(true);
        OpenLoggerFile1->menuAction()->setEnabled(true);
        BotoLoggers->setEnabled(true);
        Datalogger1->menuAction()->setEnabled(true);
    }
    if (!m->planFileType.isEmpty()) {
        AddChannelFile1->setEnabled(true);
        ChannelPlan1->setEnabled(true);
        BotoChannelPlan->setEnabled(true);
        Config1->menuAction()->setEnabled(true);
    }
    if (!m->firmwareFileType.isEmpty()) {
        BotoUpdate->setEnabled(true);
        UpgradeCablemodem1->setEnabled(true);
    }
}

void TMainResum::applyLanguage()
{
    using StringTable::text;
    Config1->setTitle(text(0 /* "Config" */));
    UpGradeFiles1->setTitle(text(2 /* "Upgrade" */));
    Datalogger1->setTitle(text(1 /* "Datalogger" */));
    About1->setText(text(3 /* "About" */));
    Language1->setTitle(text(4 /* "Language" */));
    GeneralSettings1->setText(text(6 /* "General Settings" */));
    Exit3->setText(text(7 /* "Exit" */));
    AddChannelFile1->setText(text(8 /* "Add Channel Plan" */));
    ChannelPlan1->setText(text(9 /* "Channel Plan" */));
    OpenLoggerFile1->setTitle(text(10 /* "Open Logger File" */));
    ReceiveLogger1->setText(text(11 /* "Receive Logger" */));
    Archive1->setText(text(323 /* "Measurement Archive..." */));
    TeamArchive1->setText(text(400 /* "Team Archive..." */));
    ImportArchive1->setText(text(324 /* "Import into Archive..." */));
    LimitProfiles1->setText(text(417 /* "Limit Profiles..." */));
    ModemLogger->setText(text(113 /* "Modem Logger" */));
    TvLogger->setText(text(114 /* "TV Logger" */));
    Add1->setText(text(12 /* "Add UpGrade File" */));
    UpgradeCablemodem1->setText(text(2 /* "Upgrade" */));
    const std::pair<QToolButton *, int> hints[] = {
        {BotoUpdate, 2 /* "Upgrade" */},
        {BotoChannelPlan, 9 /* "Channel Plan" */},
        {BotoLoggers, 1 /* "Datalogger" */},
        {BotoAutoID, 204 /* "Auto Identify" */},
    };
    for (const auto &[button, row] : hints) {
        button->setToolTip(text(row));
        button->setStatusTip(text(row));
    }
}

void TMainResum::setLanguage(int language)
{
    StringTable::setLanguage(language);
    const int l = app().CurrentLanguage;
    applyToolkitLanguage(l);
    QLabel *flags[] = {Image2, Image3, Image4, Image5};
    for (int i = 0; i < 4; ++i)
        flags[i]->setVisible(i == l);
    applyLanguage();
}

void TMainResum::FormResize()
{
    const QSize outer = frameGeometry().size();
    const int left = outer.width() / 2 - Image1->width() / 2;
    const int top = outer.height() / 2 - Image1->height() / 2 - kLogoLift;
    Image1->move(left, top);
    if (QWidget *c = centralWidget())
        Panel1->setGeometry(0, 0, c->width(), 57);
}

void TMainResum::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    FormResize();
}

void TMainResum::moveEvent(QMoveEvent *e)
{
    // The window frame is known only once the window manager has placed the window.
    QMainWindow::moveEvent(e);
    FormResize();
}

void TMainResum::BotoAutoIDClick()
{
    autoIdentify(*this);
}

void TMainResum::ChannelPlan1Click()
{
    openChannelPlanLibrary(this);
}

void TMainResum::ReceiveLogger1Click()
{
    openLoggerIndex(this);
}

void TMainResum::Archive1Click()
{
    openArchive(this);
}

void TMainResum::TeamArchive1Click()
{
    openTeamArchive(this);
}

void TMainResum::ImportArchive1Click()
{
    openArchive(this, true);
}

void TMainResum::LimitProfiles1Click()
{
    openLimitProfiles(this);
}

void TMainResum::Firmware1Click()
{
    openFirmwareList(this);
}

void TMainResum::AddChannelFile1Click()
{
    addFileToFolder(AddKind::Channel);
}

void TMainResum::FirmwareFile1Click()
{
    addFileToFolder(AddKind::Firmware);
}

void TMainResum::addFileToFolder(AddKind kind)
{
    const AppState &s = app();
    const ModelRecord *m = s.currentModelIndex == kNoModel ? nullptr : currentEntry();
    QString title, folder;
    QStringList filters;
    if (kind == AddKind::Firmware) {
        title = StringTable::text(12 /* "Add UpGrade File" */);
        folder = s.firmwareFolder;
        if (!m) {
            for (int i = 0; i < s.catalogueCount; ++i) {
                const ModelRecord &e = s.catalogue[size_t(i)];
                if (!e.firmwareFileType.isEmpty())   // a model without upgrades has no files to offer
                    filters << QStringLiteral("%1 (*.%2)").arg(e.modelName, e.firmwareFileType);
            }
        } else {
            filters << QStringLiteral("%1 (*.%2)").arg(m->modelName, m->firmwareFileType);
        }
    } else {
        title = StringTable::text(27 /* "Add Channel File" */);
        folder = s.libraryFolder;
        const QString type = m ? m->planFileType : QStringLiteral("ch26");
        filters << QStringLiteral("%1 (*.%2)").arg(StringTable::text(28 /* "Data Files" */), type);
    }

    const QString chosen = prompts().openFile(this, title, s.programFolder, filters.join(QStringLiteral(";;")));
    if (chosen.isEmpty())
        return;
    const QString plain = QFileInfo(chosen).fileName();
    const QString destination = folder + QLatin1Char('/') + plain;
    if (fileExists(destination)) {
        ShowErrorCode(Err::FileAlreadyExists, this);
        return;
    }
    // A copy that fails (unreadable source, missing folder) is reported rather than passed
    // over in silence: the user would otherwise believe the file was added.
    if (const int copied = copyTextFileCode(chosen, destination); copied != 0)
        ShowErrorCode(copied, this);
}

void TMainResum::openLoggerFile(bool modem)
{
    const AppState &s = app();
    QString filter;
    if (s.currentModelIndex == kNoModel) {
        filter = modem ? QStringLiteral("*.lg26m (*.lg26m);;*.lg27m (*.lg27m)")
                       : QStringLiteral("*.lg26t (*.lg26t);;*.lg27t (*.lg27t)");
    } else {
        const QString type = modem ? s.CurrentModel.modemLoggerFileType : s.CurrentModel.tvLoggerFileType;
        filter = QStringLiteral("*.%1 (*.%1)").arg(type);
    }
    const QString chosen =
        prompts().openFile(this, StringTable::text(10 /* "Open Logger File" */), s.programFolder, filter);
    if (chosen.isEmpty())
        return;
    if (modem)
        openModemLoggerFile(this, chosen);
    else
        openTvLoggerFile(this, chosen);
}

void TMainResum::ModemLoggerClick()
{
    openLoggerFile(true);
}
void TMainResum::TvLoggerClick()
{
    openLoggerFile(false);
}

void TMainResum::GeneralSettings1Click()
{
    TPortComunicacio w(this);
    w.exec();
}

void TMainResum::About1Click()
{
    TSobreTQ025 w(this);
    w.exec();
}

void TMainResum::English1Click()
{
    setLanguage(0);
}
void TMainResum::Espaol1Click()
{
    setLanguage(1);
}
void TMainResum::Deustch1Click()
{
    setLanguage(2);
}
void TMainResum::Catal1Click()
{
    setLanguage(3);
}

void TMainResum::Exit3Click()
{
    close();
}
