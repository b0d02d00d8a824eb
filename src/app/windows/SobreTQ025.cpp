#include "app/windows/SobreTQ025.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/Pictures.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TSobreTQ025::TSobreTQ025(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SobreTQ025"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(330, 190);

    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(8, 8, 314, 130);

    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(Pictures::meter());
    ProgramIcon->setGeometry(10, 16, 96, 96);

    ProductName = new QLabel(QStringLiteral("Kelvatrone"), panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont f = ProductName->font();
    f.setPixelSize(22);
    f.setBold(true);
    ProductName->setFont(f);
    ProductName->setGeometry(120, 30, 186, 32);

    Version = new QLabel(panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(120, 70, 186, 22);

    OKButton = new QPushButton(this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(122, 148, 86, 30);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TSobreTQ025::showEvent(QShowEvent *e)
{
    setWindowTitle(StringTable::text(3 /* "About" */) + QStringLiteral(" Kelvatrone"));
    Version->setText(StringTable::text(157 /* "Version" */) + QLatin1Char(' ') + app().ProgramVersion);
    OKButton->setText(StringTable::text(18 /* "Ok" */));
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}
