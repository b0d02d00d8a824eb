#pragma once
// The printer font size dialog: sets app().PrintFontSize (6 to 12 with the arrows).
#include <QDialog>
class QLineEdit;
class QPushButton;
class QToolButton;

// Up-down arrows bound to an edit: each step writes the new position into the edit, between
// a lower and an upper bound, without wrapping.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit *associate, int min, int max, QWidget *parent = nullptr);
    int position() const { return pos; }
    void setPosition(int p);
    QToolButton *Up = nullptr;
    QToolButton *Down = nullptr;
public Q_SLOTS:
    void stepUp() { step(+1); }
    void stepDown() { step(-1); }

private:
    void step(int delta);
    QLineEdit *edit;
    int lo, hi, pos;
};

class TFontSize : public QDialog {
    Q_OBJECT
public:
    explicit TFontSize(QWidget *parent = nullptr);
    QLineEdit *TamanyFont = nullptr;   // the size as text
    TUpDown *UpDown1 = nullptr;   // arrows bound to the edit
    QPushButton *Button1 = nullptr;   // Ok
public Q_SLOTS:
    void Button1Click();

protected:
    void showEvent(QShowEvent *e) override;
};
