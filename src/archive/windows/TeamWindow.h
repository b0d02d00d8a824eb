#pragma once
// The team archive's settings (General > Team Archive...): the server's connection, the
// technician's name, a test of the connection and the last synchronisation. OK writes team.stg.
// The password a run was given is kept for the run only (teamPassword), never written.

#include "archive/Team.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The password of this run (empty until the user typed one).
QString &teamPassword();
// Runs op with the run's password; when the server refuses it (or none was given yet) the user
// is asked once for it and op is run again. The code of the last run.
int withTeamPassword(QWidget *parent, const Team::Settings &s, const std::function<int(const QString &)> &op);

class TTeamArchive : public QDialog {
    Q_OBJECT
public:
    explicit TTeamArchive(QWidget *parent = nullptr);

    QLineEdit *Servidor = nullptr;
    QLineEdit *Port = nullptr;
    QLineEdit *BaseDades = nullptr;
    QLineEdit *Usuari = nullptr;
    QComboBox *Tls = nullptr;
    QLineEdit *Tecnic = nullptr;
    QPushButton *BotoProva = nullptr;
    QLabel *Darrera = nullptr;

    Team::Settings settings() const;
    void TestClick();
    void accept() override;
};
