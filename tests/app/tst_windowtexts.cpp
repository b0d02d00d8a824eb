// Every window in every language: no caption, label, button, tab, list or grid heading shows
// less than its whole text. Each window is also saved as a screenshot in each language
// ("<window>-<en|es|de|ca>.png"), to be looked at after a change of texts or layout.

#include "ScriptedPrompter.h"
#include "TestData.h"
#include "TestWorkspace.h"

#include "app/AppState.h"
#include "app/ModelCatalogue.h"
#include "app/StringTable.h"
#include "app/windows/MainResum.h"
#include "app/windows/Seleccioport.h"
#include "app/windows/SelectionFolder.h"
#include "app/windows/SobreTQ025.h"
#include "app/windows/Wait.h"
#include "channelplan/windows/Editarcanalitzacio.h"
#include "channelplan/windows/TNewPlan.h"
#include "datalogger/windows/Alertchannelplan.h"
#include "datalogger/windows/Dataloggerkv25.h"
#include "datalogger/windows/Dataloggerresumkv25.h"
#include "datalogger/windows/Dloggerkv27.h"
#include "datalogger/windows/StringGrid.h"
#include "datalogger/windows/Tamanyfont.h"
#include "jobs/windows/Finestratransmisio.h"
#include "jobs/windows/Llistatfirmware.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <functional>
#include <memory>

namespace {

const char *const kLanguageTags[] = {"en", "es", "de", "ca"};

QString plain(QString text)
{
    // "&&" is a shown "&"; a single "&" marks the shortcut and takes no room.
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(1), QLatin1Char('&'));
    return text;
}

int widestLine(const QFontMetrics &fm, const QString &text)
{
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// Whether the widget is on show, or would be on another page of a tab widget.
bool shown(QWidget *w, QWidget *window)
{
    for (QWidget *p = w; p && p != window; p = p->parentWidget())
        if (p->isHidden() && !qobject_cast<QStackedWidget *>(p->parentWidget()))
            return false;
    return true;
}

// Each visible text of the window that does not fit the room its control gives it.
QStringList clippedTexts(QWidget *window)
{
    QStringList clipped;
    const auto report = [&clipped](QWidget *w, const QString &text, int needed, int room) {
        if (needed > room)
            clipped << QStringLiteral("%1 \"%2\": needs %3 px, has %4")
                           .arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                          : w->objectName(),
                                text)
                           .arg(needed)
                           .arg(room);
    };
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!shown(w, window))
            continue;
        const QFontMetrics fm = w->fontMetrics();
        if (auto *label = qobject_cast<QLabel *>(w)) {
            const QString text = label->text();
            if (text.isEmpty() || label->wordWrap() || Qt::mightBeRichText(text))
                continue;
            const int margin = 2 * label->margin() + std::max(0, label->indent());
            report(label, text, widestLine(fm, text) + margin, label->contentsRect().width());
            const int lines = int(text.count(QLatin1Char('\n'))) + 1;
            report(label, text, lines * fm.height() - fm.leading(), label->contentsRect().height() + 2);
        } else if (auto *box = qobject_cast<QCheckBox *>(w)) {
            report(box, box->text(), box->sizeHint().width(), box->width());
        } else if (auto *radio = qobject_cast<QRadioButton *>(w)) {
            report(radio, radio->text(), radio->sizeHint().width(), radio->width());
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            const QString text = plain(button->text());
            if (text.isEmpty())
                continue;
            // The style's frame on either side, and a pixel of air.
            const int frame = 2 * (w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w) + 1);
            report(button, text, widestLine(fm, text) + frame, button->width());
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            if (!group->title().isEmpty())
                report(group, group->title(), fm.horizontalAdvance(plain(group->title())) + 16, group->width());
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            for (int i = 0; i < combo->count(); ++i) {
                QStyleOptionComboBox option;
                option.initFrom(combo);
                const QSize content(fm.horizontalAdvance(combo->itemText(i)), fm.height());
                const int needed =
                    combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, combo).width();
                report(combo, combo->itemText(i), needed, combo->width());
            }
        } else if (auto *bar = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < bar->count(); ++i)
                report(bar, bar->tabText(i), fm.horizontalAdvance(plain(bar->tabText(i))) + 8, bar->tabRect(i).width());
            if (auto *tabs = qobject_cast<QTabWidget *>(bar->parentWidget()))
                report(bar, QStringLiteral("(all tabs)"), bar->sizeHint().width(), tabs->width());
        } else if (auto *grid = qobject_cast<TStringGrid *>(w)) {
            QFont bold = grid->font();
            bold.setBold(true);
            const QFontMetrics bfm(bold);
            for (int r = 0; r < grid->fixedRows(); ++r)
                for (int c = 0; c < grid->colCount(); ++c)
                    if (!grid->cell(c, r).isEmpty())
                        report(grid, grid->cell(c, r), bfm.horizontalAdvance(grid->cell(c, r)) + 2, grid->colWidth(c));
        }
    }
    return clipped;
}

using WindowFactory = std::function<std::unique_ptr<QWidget>()>;

}   // namespace

Q_DECLARE_METATYPE(WindowFactory)

class TestWindowTexts : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWorkspace> ws;
    std::unique_ptr<ScriptedPrompter> prompter;

private Q_SLOTS:
    void initTestCase()
    {
        TTransmit::setDefaultStartDelay(3600 * 1000);   // shown, never started
    }

    void init()
    {
        ws = std::make_unique<TestWorkspace>();
        loadCatalogue();
        chooseModel(catalogueIndexOf(QStringLiteral("KV-27")), true);
        ws->write(QStringLiteral("Channel/a.ch26"),
                  planText(QStringLiteral("A"),
                           {QStringLiteral("1,C21,471.25,474.00,0.0,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,PAL/BG")}));
        ws->write(QStringLiteral("Version/fw.hx27"), "S0030000FC\r\n");
        // Windows that have something to say when they open say it here; it is not looked at.
        prompter = std::make_unique<ScriptedPrompter>();
    }

    void cleanup()
    {
        StringTable::setLanguage(0);
        prompter.reset();
        ws.reset();
    }

    void everyWindowFits_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<WindowFactory>("make");
        const auto add = [](const char *name, WindowFactory f) {
            QTest::newRow(name) << QString::fromLatin1(name) << f;
        };
        add("main-window", [] {
            auto w = std::make_unique<TMainResum>();
            w->refreshCommands();
            w->setLanguage(app().CurrentLanguage);
            return w;
        });
        add("settings", [] { return std::make_unique<TPortComunicacio>(); });
        add("folder-chooser", [] { return std::make_unique<TSelectionFolder>(); });
        add("about", [] { return std::make_unique<TSobreTQ025>(); });
        add("plan-editor", [] { return std::make_unique<TChannelPlan>(); });
        add("group-editor", [] {
            auto w = std::make_unique<TNewPlan>();
            w->FillLibrary();
            return w;
        });
        add("plan-alert", [] { return std::make_unique<TChannelPlanAlert>(); });
        add("index-window", [] { return std::make_unique<TResumLogger>(); });
        add("tv-viewer", [] {
            auto w = std::make_unique<TKv27Datalogger>();
            w->setLoadDelay(3600 * 1000);
            return w;
        });
        add("modem-viewer", [] {
            auto w = std::make_unique<TLoggerKv25>();
            w->setLoadDelay(3600 * 1000);
            return w;
        });
        add("font-size", [] { return std::make_unique<TFontSize>(); });
        add("transfer", [] { return std::make_unique<TTransmit>(); });
        add("firmware-list", [] { return std::make_unique<TUpGradeFiles>(); });
    }

    void everyWindowFits()
    {
        QFETCH(QString, name);
        QFETCH(WindowFactory, make);
        QStringList clipped;
        for (int language = 0; language < StringTable::kLanguages; ++language) {
            StringTable::setLanguage(language);
            std::unique_ptr<QWidget> w = make();
            w->show();
            if (auto *main = qobject_cast<QMainWindow *>(w.get())) {
                main->showNormal();   // the size of a usual screen, not the offscreen one's
                main->resize(1078, 571);
            }
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            QCoreApplication::processEvents();
            saveScreenshot(w.get(), QStringLiteral("%1-%2").arg(name, QLatin1String(kLanguageTags[language])));
            for (const QString &c : clippedTexts(w.get()))
                clipped << QStringLiteral("%1: %2").arg(QLatin1String(kLanguageTags[language]), c);
            w->close();
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }

    // The please-wait window in its two shapes: searching, and the model list.
    void waitWindowFits()
    {
        QStringList clipped;
        for (int language = 0; language < StringTable::kLanguages; ++language) {
            StringTable::setLanguage(language);
            TMainResum main;
            TWait *wait = waitWindow(main);
            wait->showSearching();
            QVERIFY(QTest::qWaitForWindowExposed(wait));
            saveScreenshot(wait, QStringLiteral("wait-searching-%1").arg(QLatin1String(kLanguageTags[language])));
            clipped << clippedTexts(wait);
            wait->showModelList();
            QCoreApplication::processEvents();
            saveScreenshot(wait, QStringLiteral("wait-models-%1").arg(QLatin1String(kLanguageTags[language])));
            clipped << clippedTexts(wait);
            wait->hide();
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
