#pragma once
// The About box: product name, version and picture.

#include <QDialog>

class QLabel;
class QPushButton;

class TSobreTQ025 : public QDialog {
    Q_OBJECT
public:
    explicit TSobreTQ025(QWidget *parent = nullptr);

    QLabel *ProgramIcon = nullptr;
    QLabel *ProductName = nullptr;   // fixed: "Kelvatrone"
    QLabel *Version = nullptr;
    QPushButton *OKButton = nullptr;

protected:
    void showEvent(QShowEvent *e) override;
};
