#pragma once
// The main window: toolbar, menus, the model and port labels, the language flags. Every other
// window is opened from here.

#include "app/windows/MainWindowView.h"
#include <QMainWindow>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QToolButton;

class TMainResum : public QMainWindow, public MainWindowView {
    Q_OBJECT
public:
    explicit TMainResum(QWidget *parent = nullptr);
    ~TMainResum() override;

    // MainWindowView
    QWidget *widget() override { return this; }
    void setModelLabel(const QString &text) override;
    void setPortLabel(const QString &text, const QColor &c) override;
    void refreshCommands() override;

    void applyLanguage();
    // Switches the language (0 English, 1 Spanish, 2 German, 3 Catalan) and re-captions.
    void setLanguage(int language);

    // Toolbar
    QFrame *Panel1 = nullptr;
    QToolButton *BotoAutoID = nullptr;
    QToolButton *BotoChannelPlan = nullptr;
    QToolButton *BotoLoggers = nullptr;
    QToolButton *BotoUpdate = nullptr;
    QLabel *NomModel = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *viewCOM = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *Image1 = nullptr;   // logo
    QLabel *Image2 = nullptr;   // English flag
    QLabel *Image3 = nullptr;   // Spanish
    QLabel *Image4 = nullptr;   // German
    QLabel *Image5 = nullptr;   // Catalan

    // Menus
    QMenu *Model1 = nullptr;
    QMenu *Language1 = nullptr;
    QAction *English1 = nullptr;
    QAction *Espaol1 = nullptr;
    QAction *Deustch1 = nullptr;
    QAction *Catal1 = nullptr;
    QAction *GeneralSettings1 = nullptr;
    QAction *Exit3 = nullptr;
    QMenu *Config1 = nullptr;
    QAction *AddChannelFile1 = nullptr;
    QAction *ChannelPlan1 = nullptr;
    QMenu *Datalogger1 = nullptr;
    QMenu *OpenLoggerFile1 = nullptr;
    QAction *ModemLogger = nullptr;
    QAction *TvLogger = nullptr;
    QAction *ReceiveLogger1 = nullptr;
    QAction *Archive1 = nullptr;
    QAction *TeamArchive1 = nullptr;
    QAction *ImportArchive1 = nullptr;
    QAction *LimitProfiles1 = nullptr;
    QMenu *UpGradeFiles1 = nullptr;
    QAction *Add1 = nullptr;
    QAction *UpgradeCablemodem1 = nullptr;
    QAction *About1 = nullptr;

public Q_SLOTS:
    void FormResize();
    void BotoAutoIDClick();
    void ChannelPlan1Click();
    void ReceiveLogger1Click();
    void Archive1Click();
    void TeamArchive1Click();
    void ImportArchive1Click();
    void LimitProfiles1Click();
    void Firmware1Click();
    void AddChannelFile1Click();
    void FirmwareFile1Click();
    void ModemLoggerClick();
    void TvLoggerClick();
    void GeneralSettings1Click();
    void About1Click();
    void English1Click();
    void Espaol1Click();
    void Deustch1Click();
    void Catal1Click();
    void Exit3Click();

protected:
    void resizeEvent(QResizeEvent *e) override;
    void moveEvent(QMoveEvent *e) override;

private:
    enum class AddKind { Channel, Firmware };
    void addFileToFolder(AddKind kind);
    void openLoggerFile(bool modem);
    void buildToolbar(QWidget *central);
    void buildMenus();
    void refreshModelCommands();
};
