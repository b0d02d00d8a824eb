#include "datalogger/windows/Tamanyfont.h"
#include "app/AppState.h"
#include "app/StringTable.h"
#include "app/windows/Prompts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kMinArrow = 6;
constexpr int kMaxArrow = 12;
// A size typed by hand is taken outside the arrows' range too, but only within what a
// printer font can be: zero or a negative size would print nothing readable.
constexpr int kMinTyped = 1;
constexpr int kMaxTyped = 99;
}   // namespace

TUpDown::TUpDown(QLineEdit *associate, int min, int max, QWidget *parent)
    : QWidget(parent), edit(associate), lo(min), hi(max), pos(min)
{
    Up = new QToolButton(this);
    Up->setObjectName(QStringLiteral("Up"));
    Up->setArrowType(Qt::UpArrow);
    Up->setFixedSize(17, 12);
    Down = new QToolButton(this);
    Down->setObjectName(QStringLiteral("Down"));
    Down->setArrowType(Qt::DownArrow);
    Down->setFixedSize(17, 12);
    auto *l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    l->addWidget(Up);
    l->addWidget(Down);
    connect(Up, &QToolButton::clicked, this, &TUpDown::stepUp);
    connect(Down, &QToolButton::clicked, this, &TUpDown::stepDown);
}

void TUpDown::setPosition(int p)
{
    pos = p;
    edit->setText(QString::number(p));
}

void TUpDown::step(int delta)
{
    // The arrows start from what the edit shows when it holds a number.
    bool ok = false;
    const int typed = edit->text().trimmed().toInt(&ok);
    int from = ok ? typed : pos;
    from = qBound(lo, from, hi);
    setPosition(qBound(lo, from + delta, hi));
}

TFontSize::TFontSize(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FontSize"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(144, 80);

    TamanyFont = new QLineEdit(this);
    TamanyFont->setObjectName(QStringLiteral("TamanyFont"));
    TamanyFont->setGeometry(30, 10, 50, 24);
    TamanyFont->setMaxLength(3);
    UpDown1 = new TUpDown(TamanyFont, kMinArrow, kMaxArrow, this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(80, 10, 17, 24);
    UpDown1->setPosition(app().PrintFontSize);

    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(30, 44, 84, 28);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFontSize::Button1Click);
}

void TFontSize::showEvent(QShowEvent *e)
{
    setWindowTitle(StringTable::text(111 /* "Font Size" */));
    Button1->setText(StringTable::text(18 /* "Ok" */));
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}

void TFontSize::Button1Click()
{
    const QString typed = TamanyFont->text().trimmed();
    bool ok = false;
    const int size = typed.toInt(&ok);
    if (!ok || size < kMinTyped || size > kMaxTyped) {
        // The dialog stays open and the size in force is kept.
        prompts().message(this, QStringLiteral("Kelvatrone"),
                          QStringLiteral("'%1' is not a valid font size").arg(TamanyFont->text()),
                          Prompter::Icon::Critical);
        TamanyFont->setFocus();
        TamanyFont->selectAll();
        return;
    }
    app().PrintFontSize = size;
    accept();
}
