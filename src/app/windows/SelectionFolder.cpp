#include "app/windows/SelectionFolder.h"
#include "app/StringTable.h"

#include <QComboBox>
#include <QEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
FolderChooserFunction folderChooser;
}

TSelectionFolder::TSelectionFolder(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SelectionFolder"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(360, 420);

    model = new QFileSystemModel(this);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model->setRootPath(QString());

    SeleccioDirectory = new QComboBox(this);
    SeleccioDirectory->setObjectName(QStringLiteral("SeleccioDirectory"));
    for (const QFileInfo &drive : QDir::drives())
        SeleccioDirectory->addItem(QDir::fromNativeSeparators(drive.absoluteFilePath()));

    Directory = new QTreeView(this);
    Directory->setObjectName(QStringLiteral("Directory"));
    Directory->setModel(model);
    for (int c = 1; c < model->columnCount(); ++c)
        Directory->hideColumn(c);
    Directory->header()->hide();
    Directory->setRootIndex(model->index(QString()));

    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    Button2->setObjectName(QStringLiteral("Button2"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Directory, 1);
    layout->addWidget(SeleccioDirectory);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(SeleccioDirectory, &QComboBox::activated, this, &TSelectionFolder::SeleccioDirectoryChange);
    connect(Directory, &QTreeView::doubleClicked, this, &TSelectionFolder::DirectoryDblClick);
    connect(Directory->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { syncDriveBox(); });
    followTimer = new QTimer(this);
    followTimer->setSingleShot(true);
    followTimer->setInterval(20);
    connect(followTimer, &QTimer::timeout, this, [this] {
        if (followShownFolder && selectedFolder() == shownFolder)
            Directory->scrollTo(Directory->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    connect(model, &QFileSystemModel::directoryLoaded, this, &TSelectionFolder::keepShownFolderInView);
    connect(model, &QAbstractItemModel::rowsInserted, this, &TSelectionFolder::keepShownFolderInView);
    connect(model, &QAbstractItemModel::layoutChanged, this, &TSelectionFolder::keepShownFolderInView);
    for (QObject *o :
         std::initializer_list<QObject *>{Directory, Directory->viewport(), Directory->verticalScrollBar()})
        o->installEventFilter(this);
}

QString TSelectionFolder::driveOf(const QString &folder) const
{
    const QString clean = QDir::fromNativeSeparators(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    QString best;
    for (int i = 0; i < SeleccioDirectory->count(); ++i) {
        const QString d = SeleccioDirectory->itemText(i);
        if (clean.startsWith(d, Qt::CaseInsensitive) && d.size() > best.size())
            best = d;
    }
    return best;
}

void TSelectionFolder::syncDriveBox()
{
    const int i = SeleccioDirectory->findText(driveOf(selectedFolder()));
    if (i >= 0)
        SeleccioDirectory->setCurrentIndex(i);
}

void TSelectionFolder::setFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QModelIndex idx = model->index(clean);
    if (!idx.isValid())
        return;
    shownFolder = clean;
    followShownFolder = true;
    Directory->setCurrentIndex(idx);
    Directory->expand(idx);
    Directory->scrollTo(idx, QAbstractItemView::PositionAtCenter);
    syncDriveBox();
}

void TSelectionFolder::keepShownFolderInView()
{
    // The tree lists folders as they are read, after the window has opened, and sorts them as
    // they come: the rows above the chosen folder grow and push it out of view. It is brought
    // back after every change of the listing until the user scrolls, clicks or types.
    if (followShownFolder && !shownFolder.isEmpty() && selectedFolder() == shownFolder)
        followTimer->start();
}

bool TSelectionFolder::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::KeyPress: followShownFolder = false; break;
        default: break;
    }
    return QDialog::eventFilter(watched, event);
}

QString TSelectionFolder::selectedFolder() const
{
    const QModelIndex idx = Directory->currentIndex();
    if (!idx.isValid())
        return QString();
    return QDir::fromNativeSeparators(model->filePath(idx));
}

void TSelectionFolder::SeleccioDirectoryChange(int index)
{
    if (index < 0)
        return;
    setFolder(SeleccioDirectory->itemText(index));
    syncDriveBox();
}

void TSelectionFolder::DirectoryDblClick()
{
    const QModelIndex idx = Directory->currentIndex();
    if (idx.isValid())
        Directory->expand(idx);
}

void TSelectionFolder::showEvent(QShowEvent *e)
{
    setWindowTitle(StringTable::text(26 /* "Selection Folder" */));
    Button1->setText(StringTable::text(18 /* "Ok" */));
    Button2->setText(StringTable::text(19 /* "Cancel" */));
    QDialog::showEvent(e);
    // Laid out only now: scroll to the folder once the tree has its size.
    keepShownFolderInView();
}

bool chooseFolderWithSelectionWindow(QWidget *parent, const QString &start, QString &chosen)
{
    if (folderChooser)
        return folderChooser(parent, start, chosen);
    TSelectionFolder w(parent);
    w.setFolder(start);
    if (w.exec() != QDialog::Accepted)
        return false;
    chosen = w.selectedFolder();
    return !chosen.isEmpty();
}

void setFolderChooser(FolderChooserFunction f)
{
    folderChooser = std::move(f);
}
