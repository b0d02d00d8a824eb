#pragma once
// The firmware list: one item per firmware file of the current model in the firmware folder;
// Upgrade (or a double-click) sends the selected file to the meter through the transfer window.

#include "app/AppState.h"
#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

class TUpGradeFiles : public QDialog {
    Q_OBJECT
public:
    explicit TUpGradeFiles(QWidget *parent = nullptr);

    // Lists the firmware folder's files of the model's firmware type, one item
    // "VERSION <model> : <file>" each, the last one selected. False when there is none.
    bool FillFirmwareList(const ModelRecord &model);

    // Full path of the file of the selected item, or empty.
    QString selectedPath() const;

    // For tests: the delay before each transfer window starts its job (its own default if < 0).
    void setTransmitStartDelay(int ms) { transmitStartDelay = ms; }

    QLabel *Label2 = nullptr;
    QListWidget *LlistatVersions = nullptr;
    QPushButton *Enviar = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Note = nullptr;   // the status line
    QListWidget *LlistatFitxers = nullptr;   // hidden: item i is the file of visible item i

public Q_SLOTS:
    void EnviarClick();
    void LlistatVersionsDblClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void upgrade();
    void showReady();

    int transmitStartDelay = -1;
    bool upgrading = false;
};
