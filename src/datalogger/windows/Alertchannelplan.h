#pragma once
// Warning shown before a group of channel plans is sent: sending erases the meter's dataloggers.
#include <QDialog>
class QLabel;
class QPushButton;
class TChannelPlanAlert : public QDialog {
    Q_OBJECT
public:
    explicit TChannelPlanAlert(QWidget *parent = nullptr);
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QPushButton *Button1 = nullptr;   // Ok
    QPushButton *Button2 = nullptr;   // Cancel
protected:
    void showEvent(QShowEvent *e) override;   // FormShow: texts from the string table
};
