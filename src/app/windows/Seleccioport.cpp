#include "app/windows/Seleccioport.h"
#include "app/AppState.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "app/windows/SelectionFolder.h"
#include "link/ErrorCodes.h"
#include "link/PortTable.h"
#include "link/SerialPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>

// One folder row of the window: its edit, its working copy and the global it stands for.
struct TPortComunicacio::Field {
    QLineEdit *edit;
    QString *work;
    QString *global;
};

namespace {

QLabel *directoryLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(10, 26, 76, 20);
    return l;
}

QGroupBox *folderBox(QWidget *parent, const char *name, int top)
{
    auto *b = new QGroupBox(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(8, top, 441, 64);
    return b;
}

}   // namespace

TPortComunicacio::TPortComunicacio(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PortComunicacio"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(457, 355);

    Library = folderBox(this, "Library", 8);
    Firmware = folderBox(this, "Firmware", 80);
    Temporary = folderBox(this, "Temporary", 152);
    Label4 = directoryLabel(Library, "Label4");
    Label5 = directoryLabel(Firmware, "Label5");
    Label1 = directoryLabel(Temporary, "Label1");

    auto makeEdit = [](QGroupBox *box, const char *name) {
        auto *e = new QLineEdit(box);
        e->setObjectName(QLatin1String(name));
        e->setGeometry(88, 24, 250, 24);
        return e;
    };
    Directory1 = makeEdit(Library, "Directory1");
    Directory2 = makeEdit(Firmware, "Directory2");
    Directory3 = makeEdit(Temporary, "Directory3");
    auto makeChange = [](QGroupBox *box, const char *name) {
        auto *b = new QPushButton(box);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(346, 23, 86, 26);
        return b;
    };
    CanviChannelPlan = makeChange(Library, "CanviChannelPlan");
    CanviFirmware = makeChange(Firmware, "CanviFirmware");
    CanviTemporal = makeChange(Temporary, "CanviTemporal");

    // The port buttons stay hidden: the port comes from the settings file and identification.
    PortC = new QGroupBox(this);
    PortC->setObjectName(QStringLiteral("PortC"));
    PortC->setGeometry(8, 224, 250, 60);
    QRadioButton **ports[] = {&Port1, &Port2, &Port3, &Port4};
    for (int i = 0; i < 4; ++i) {
        *ports[i] = new QRadioButton(QStringLiteral("COM%1").arg(i + 1), PortC);
        (*ports[i])->setObjectName(QStringLiteral("Port%1").arg(i + 1));
        (*ports[i])->setGeometry(10 + i * 60, 26, 58, 22);
        (*ports[i])->setVisible(false);
    }
    PortC->setVisible(false);

    PortChoice = new QGroupBox(this);
    PortChoice->setObjectName(QStringLiteral("PortChoice"));
    PortChoice->setGeometry(8, 224, 441, 84);
    PortList = new QComboBox(PortChoice);
    PortList->setObjectName(QStringLiteral("PortList"));
    PortList->setEditable(true);
    PortList->setInsertPolicy(QComboBox::NoInsert);
    PortList->setGeometry(10, 24, 421, 24);
    PortById = new QCheckBox(PortChoice);
    PortById->setObjectName(QStringLiteral("PortById"));
    PortById->setGeometry(10, 54, 421, 22);
    connect(PortList, &QComboBox::currentIndexChanged, this, [this] { PortListChange(); });
    connect(PortList, &QComboBox::editTextChanged, this, [this] { PortListChange(); });

    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(268, 316, 86, 30);
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(362, 316, 86, 30);

    connect(Button1, &QPushButton::clicked, this, &TPortComunicacio::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(CanviChannelPlan, &QPushButton::clicked, this, &TPortComunicacio::CanviChannelPlanClick);
    connect(CanviFirmware, &QPushButton::clicked, this, &TPortComunicacio::Button7Click);
    connect(CanviTemporal, &QPushButton::clicked, this, &TPortComunicacio::Button8Click);
}

void TPortComunicacio::showEvent(QShowEvent *e)
{
    if (!e->spontaneous())
        FormShow();
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}

void TPortComunicacio::FormShow()
{
    AppState &s = app();
    workLibrary = s.libraryFolder;
    workFirmware = s.firmwareFolder;
    workTemp = s.tempFolder;
    Directory1->setText(workLibrary);
    Directory2->setText(workFirmware);
    Directory3->setText(workTemp);
    workPort = s.PortName;
    for (QRadioButton *b : {Port1, Port2, Port3, Port4})
        b->setChecked(b->text() == workPort);

    setWindowTitle(StringTable::text(6 /* "General Settings" */));
    Button1->setText(StringTable::text(18 /* "Ok" */));
    Button2->setText(StringTable::text(19 /* "Cancel" */));
    for (QPushButton *b : {CanviChannelPlan, CanviFirmware, CanviTemporal})
        b->setText(StringTable::text(22 /* "Change" */));
    Library->setTitle(StringTable::text(20 /* "Channel Plan Files" */));
    Firmware->setTitle(StringTable::text(23 /* "Firmware Files" */));
    Temporary->setTitle(StringTable::text(24 /* "Temporary Files" */));
    for (QLabel *l : {Label1, Label4, Label5})
        l->setText(StringTable::text(21 /* "Directory" */));
    PortC->setTitle(StringTable::text(25 /* "Communication Port" */));
    PortChoice->setTitle(StringTable::text(25 /* "Communication Port" */));
    PortById->setText(StringTable::text(287 /* "Remember this adapter in any socket (by-id)" */));
    fillPortList();
}

void TPortComunicacio::fillPortList()
{
    const QList<PortEntry> table = PortTable::build();
    const QSignalBlocker block(PortList);
    PortList->clear();
    for (int i = 0; i < table.size() && i < 40; ++i) {
        PortList->addItem(PortTable::choiceLine(i + 1, table[i]), QStringLiteral("COM%1").arg(i + 1));
        PortList->setItemData(i, table[i].byId, Qt::UserRole + 1);
        PortList->setItemData(i, table[i].device, Qt::ToolTipRole);
    }
    // The port in force: its entry when the table has one, otherwise its text as typed.
    int index = -1;
    bool byId = false;
    const int n = PortTable::numberOf(workPort);
    if (n > 0 && n <= PortList->count()) {
        index = n - 1;
    } else if (PortTable::isDevicePath(workPort)) {
        for (int i = 0; i < PortList->count() && i < table.size(); ++i) {
            if (table[i].device == workPort || (!table[i].byId.isEmpty() && table[i].byId == workPort)) {
                index = i;
                byId = table[i].byId == workPort;
                break;
            }
        }
    }
    PortList->setCurrentIndex(index);
    if (index < 0)
        PortList->setEditText(workPort);
    PortById->setChecked(byId);
    PortListChange();
    shownPortText = PortList->currentText();
    shownById = PortById->isChecked();
}

void TPortComunicacio::PortListChange()
{
    const int index = PortList->findText(PortList->currentText(), Qt::MatchExactly);
    const QString link = index >= 0 ? PortList->itemData(index, Qt::UserRole + 1).toString() : QString();
    PortById->setEnabled(!link.isEmpty());
    PortById->setToolTip(link);
    if (link.isEmpty())
        PortById->setChecked(false);
}

QString TPortComunicacio::chosenPort() const
{
    const QString text = PortList->currentText();
    if (text == shownPortText && PortById->isChecked() == shownById)
        return workPort;   // untouched: the port in force stays exactly as it was
    const int index = PortList->findText(text, Qt::MatchExactly);
    if (index >= 0) {
        const QString link = PortList->itemData(index, Qt::UserRole + 1).toString();
        return PortById->isChecked() && !link.isEmpty() ? link : PortList->itemData(index).toString();
    }
    const QString typed = text.trimmed();
    const int n = PortTable::numberOf(typed);
    if ((n >= 1 && n <= 40) || PortTable::isDevicePath(typed))
        return typed;
    return QString();
}

TPortComunicacio::Field TPortComunicacio::field(int which)
{
    AppState &s = app();
    switch (which) {
        case 0: return {Directory1, &workLibrary, &s.libraryFolder};
        case 1: return {Directory2, &workFirmware, &s.firmwareFolder};
        default: return {Directory3, &workTemp, &s.tempFolder};
    }
}

// A field passes when it names an existing folder; the working copy then takes that folder's
// full path. Whether the settings file can hold it is OK's question, for every value alike.
bool TPortComunicacio::validateField(const Field &f)
{
    const QString typed = f.edit->text();
    if (typed.isEmpty())
        return false;
    const QFileInfo info(typed);
    if (!info.isDir())
        return false;
    *f.work = QDir::fromNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
    return true;
}

void TPortComunicacio::Button1Click()
{
    for (int i = 0; i < 3; ++i) {
        const Field f = field(i);
        if (!validateField(f)) {
            *f.work = *f.global;
            f.edit->setText(*f.global);
        }
    }
    for (QRadioButton *b : {Port1, Port2, Port3, Port4})
        if (b->isChecked())
            workPort = b->text();
    const QString port = chosenPort();
    if (port.isNull()) {
        prompts().message(this, StringTable::text(25 /* "Communication Port" */),
                          StringTable::text(288 /* "A port is COMn, a port number or a device path." */),
                          Prompter::Icon::Warning);
        PortList->setFocus();
        return;   // nothing written: the user corrects the port or cancels
    }
    // A search leaves the port in force as the number of the table entry it found the meter on;
    // the settings keep what names that device at the next start.
    workPort = PortTable::stableDesignation(port, readSetting(QStringLiteral("PORT")).value);

    // A value the settings file would give back different (typed, or the folder in force, say
    // a long default) would put the next start in a wrong folder: nothing is written, and the
    // window stays open on the field to mend.
    // Every field that does not fit is named, so that one correction is enough.
    static const int fieldRows[] = {25 /* "Communication Port" */, 20 /* "Channel Plan Files" */,
                                    23 /* "Firmware Files" */, 24 /* "Temporary Files" */};
    const QString values[] = {workPort, workLibrary, workFirmware, workTemp};
    QStringList unfit;
    for (int i = 0; i < 4; ++i)
        if (!settingValueFits(values[i]))
            unfit << StringTable::text(206 /* "%1: the value cannot be kept in the settings ..." */)
                         .arg(StringTable::text(fieldRows[i]));
    if (!unfit.isEmpty()) {
        prompts().message(this, StringTable::text(51 /* "Warning" */), unfit.join(QLatin1Char('\n')),
                          Prompter::Icon::Warning);
        return;
    }

    if (writeSettings(settingsPath(), workPort, workLibrary, workFirmware, workTemp)) {
        AppState &s = app();
        s.PortName = workPort;
        s.libraryFolder = workLibrary;
        s.firmwareFolder = workFirmware;
        s.tempFolder = workTemp;
        if (workPort.contains(QLatin1Char('/')))
            SerialPort::setExtraDevice(workPort);
    } else {
        // The globals stay as they were; say so (which file, which folder, why) rather than let
        // the user believe it was kept.
        ShowErrorCode(Err::WriteFailed, this);
    }
    accept();
}

void TPortComunicacio::changeFolder(int which)
{
    const Field f = field(which);
    if (!QFileInfo(f.edit->text()).isDir()) {
        // The folder in force no longer exists: fall back to the program folder at once.
        *f.global = app().programFolder;
        *f.work = *f.global;
        f.edit->setText(*f.global);
    }
    QString chosen;
    if (chooseFolderWithSelectionWindow(this, f.edit->text(), chosen)) {
        f.edit->setText(chosen);
        if (!validateField(f)) {
            *f.work = *f.global;
            f.edit->setText(*f.global);
        }
    }
}

void TPortComunicacio::CanviChannelPlanClick()
{
    changeFolder(0);
}
void TPortComunicacio::Button7Click()
{
    changeFolder(1);
}
void TPortComunicacio::Button8Click()
{
    changeFolder(2);
}
