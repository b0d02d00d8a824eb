#pragma once
// The printer font size dialog: sets app().PrintFontSize (6 to 12 with the arrows).
#include <QDialog>
class QLineEdit;
class QPushButton;
class QSpinBox;
class TFontSize : public QDialog {
    Q_OBJECT
public:
    explicit TFontSize(QWidget *parent = nullptr);
    QSpinBox *UpDown1 = nullptr;      // arrows bound to the edit
    QPushButton *Button1 = nullptr;   // Ok
public Q_SLOTS:
    void Button1Click();
protected:
    void showEvent(QShowEvent *e) override;
};
