#pragma once
// The folder chooser of the settings window: a folder tree and a drive box.

#include <QDialog>
#include <functional>

class QComboBox;
class QFileSystemModel;
class QPushButton;
class QTimer;
class QTreeView;

class TSelectionFolder : public QDialog {
    Q_OBJECT
public:
    explicit TSelectionFolder(QWidget *parent = nullptr);

    // Positions the tree on a folder and the drive box on that folder's drive.
    void setFolder(const QString &folder);
    // The tree's current folder ("/" separators).
    QString selectedFolder() const;

    QTreeView *Directory = nullptr;
    QComboBox *SeleccioDirectory = nullptr;
    QPushButton *Button1 = nullptr;   // Ok
    QPushButton *Button2 = nullptr;   // Cancel

public Q_SLOTS:
    void SeleccioDirectoryChange(int index);
    void DirectoryDblClick();

protected:
    void showEvent(QShowEvent *e) override;

private:
    void syncDriveBox();
    void keepShownFolderInView();
    bool eventFilter(QObject *watched, QEvent *event) override;
    QString shownFolder;   // the folder setFolder chose, kept in view while the tree fills
    bool followShownFolder = false;   // until the user scrolls, clicks or types
    QTimer *followTimer = nullptr;
    QString driveOf(const QString &folder) const;
    QFileSystemModel *model = nullptr;
};

// Lets the user choose a folder starting at start. True with the chosen folder on OK.
// The settings window's Change buttons come here; the program shows a TSelectionFolder.
bool chooseFolderWithSelectionWindow(QWidget *parent, const QString &start, QString &chosen);

// Replaces the window above (tests answer without a modal window); an empty function restores it.
using FolderChooserFunction = std::function<bool(QWidget *parent, const QString &start, QString &chosen)>;
void setFolderChooser(FolderChooserFunction f);
