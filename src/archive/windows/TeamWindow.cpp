#include "archive/windows/TeamWindow.h"

#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "link/ErrorCodes.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

namespace Row {
constexpr int Warning = 51;   // "Warning"
constexpr int Title = 401;   // "Team Archive"
constexpr int Server = 402;   // "Server:"
constexpr int Port = 403;   // "Port:"
constexpr int Database = 404;   // "Database:"
constexpr int User = 405;   // "User:"
constexpr int Tls = 406;   // "TLS:"
constexpr int Technician = 407;   // "Technician:"
constexpr int Test = 408;   // "Test Connection"
constexpr int LastSync = 409;   // "Last synchronisation:"
constexpr int Never = 410;   // "Never"
constexpr int PasswordFor = 412;   // "Password for %1:"
constexpr int Works = 413;   // "The connection works."
}   // namespace Row

}   // namespace

QString &teamPassword()
{
    static QString password;
    return password;
}

int withTeamPassword(QWidget *parent, const Team::Settings &s, const std::function<int(const QString &)> &op)
{
    int r = op(teamPassword());
    if (r != Err::ServerPassword)
        return r;
    // libpq's password file did not do, or the password typed before no longer does: asked once.
    const QString typed =
        prompts().password(parent, StringTable::text(Row::Title),
                           StringTable::text(Row::PasswordFor).arg(s.user + QLatin1Char('@') + s.host));
    if (typed.isEmpty())
        return r;
    r = op(typed);
    if (r != Err::ServerPassword)
        teamPassword() = typed;
    return r;
}

TTeamArchive::TTeamArchive(QWidget *parent) : QDialog(parent)
{
    using StringTable::text;
    setObjectName(QStringLiteral("TTeamArchive"));
    setWindowTitle(text(Row::Title));
    const Team::Settings s = Team::readSettings();

    auto edit = [this](const char *name, const QString &value) {
        auto *e = new QLineEdit(value, this);
        e->setObjectName(QLatin1String(name));
        e->setMinimumWidth(260);
        return e;
    };
    Servidor = edit("Servidor", s.host);
    Port = edit("Port", s.port);
    BaseDades = edit("BaseDades", s.database);
    Usuari = edit("Usuari", s.user);
    Tecnic = edit("Tecnic", s.technician);
    Tls = new QComboBox(this);
    Tls->setObjectName(QStringLiteral("Tls"));
    Tls->addItems(Team::tlsModes());
    Tls->setCurrentText(s.tls);
    BotoProva = new QPushButton(text(Row::Test), this);
    BotoProva->setObjectName(QStringLiteral("BotoProva"));
    BotoProva->setAutoDefault(false);
    const QString last = Team::lastSynchronisation();
    Darrera = new QLabel(last.isEmpty() ? text(Row::Never) : last, this);
    Darrera->setObjectName(QStringLiteral("Darrera"));

    auto *form = new QFormLayout;
    form->addRow(text(Row::Server), Servidor);
    form->addRow(text(Row::Port), Port);
    form->addRow(text(Row::Database), BaseDades);
    form->addRow(text(Row::User), Usuari);
    form->addRow(text(Row::Tls), Tls);
    form->addRow(text(Row::Technician), Tecnic);
    form->addRow(QString(), BotoProva);
    form->addRow(text(Row::LastSync), Darrera);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TTeamArchive::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TTeamArchive::reject);
    connect(BotoProva, &QPushButton::clicked, this, &TTeamArchive::TestClick);
}

Team::Settings TTeamArchive::settings() const
{
    Team::Settings s;
    s.host = Servidor->text().trimmed();
    s.port = Port->text().trimmed();
    s.database = BaseDades->text().trimmed();
    s.user = Usuari->text().trimmed();
    s.tls = Tls->currentText();
    s.technician = Tecnic->text().trimmed();
    return s;
}

void TTeamArchive::TestClick()
{
    const Team::Settings s = settings();
    QString detail;
    const int r =
        withTeamPassword(this, s, [&](const QString &password) { return Team::testConnection(s, password, detail); });
    if (r == 0)
        prompts().message(this, StringTable::text(Row::Title), StringTable::text(Row::Works),
                          Prompter::Icon::Information);
    else
        prompts().message(this, StringTable::text(Row::Warning), Team::failureText(r, detail), Prompter::Icon::Warning);
}

void TTeamArchive::accept()
{
    if (const int r = Team::writeSettings(settings()); r != 0) {
        ShowErrorCode(r, this);
        return;
    }
    QDialog::accept();
}

void openTeamArchive(QWidget *parent)
{
    TTeamArchive w(parent);
    w.exec();
}
