#pragma once
// The settings window: the three working folders and the serial port, written to "st.stg".

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TPortComunicacio : public QDialog {
    Q_OBJECT
public:
    explicit TPortComunicacio(QWidget *parent = nullptr);

    QGroupBox *Library = nullptr;
    QGroupBox *Firmware = nullptr;
    QGroupBox *Temporary = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Directory1 = nullptr;
    QLineEdit *Directory2 = nullptr;
    QLineEdit *Directory3 = nullptr;
    QPushButton *CanviChannelPlan = nullptr;
    QPushButton *CanviFirmware = nullptr;
    QPushButton *CanviTemporal = nullptr;
    QGroupBox *PortC = nullptr;
    QRadioButton *Port1 = nullptr;
    QRadioButton *Port2 = nullptr;
    QRadioButton *Port3 = nullptr;
    QRadioButton *Port4 = nullptr;
    // The port choice: every port of the table with its device and description, a device path
    // typed by hand, and for a USB adapter its stable by-id name.
    QGroupBox *PortChoice = nullptr;
    QComboBox *PortList = nullptr;
    QCheckBox *PortById = nullptr;
    QPushButton *Button1 = nullptr;   // Ok
    QPushButton *Button2 = nullptr;   // Cancel

    // The window's working copies while it is open.
    QString workLibrary, workFirmware, workTemp, workPort;

public Q_SLOTS:
    void FormShow();
    void Button1Click();   // OK
    void CanviChannelPlanClick();   // Change (library)
    void Button7Click();   // Change (firmware)
    void Button8Click();   // Change (temporary)

protected:
    void showEvent(QShowEvent *e) override;

private:
    struct Field;
    Field field(int which);
    bool validateField(const Field &f);
    void changeFolder(int which);
    void fillPortList();
    void PortListChange();
    // The port the choice names ("COMn", a by-id link or a typed designation); a null text
    // when the typed text designates no port.
    QString chosenPort() const;
    QString shownPortText;   // the choice as shown, to tell whether the user changed it
    bool shownById = false;
};
