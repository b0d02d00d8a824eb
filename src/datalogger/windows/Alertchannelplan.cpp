#include "datalogger/windows/Alertchannelplan.h"
#include "app/StringTable.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TChannelPlanAlert::TChannelPlanAlert(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ChannelPlanAlert"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(331, 144);

    auto *Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setGeometry(8, 8, 315, 90);

    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setBold(true);
    Label1->setFont(f);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(4, 4, 307, 20);
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(pal);

    Label3 = new QLabel(Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setWordWrap(true);
    Label3->setGeometry(4, 26, 307, 60);

    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(74, 106, 86, 30);
    Button2 = new QPushButton(this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(170, 106, 86, 30);
    Button2->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TChannelPlanAlert::showEvent(QShowEvent *e)
{
    setWindowTitle(StringTable::text(158 /* "Warning !!!" */));
    Label1->setText(StringTable::text(158 /* "Warning !!!" */));
    Label3->setText(StringTable::text(159 /* the three-line warning */));
    Button1->setText(StringTable::text(18 /* "Ok" */));
    Button2->setText(StringTable::text(19 /* "Cancel" */));
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}
