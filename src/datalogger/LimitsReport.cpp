#include "datalogger/LimitsReport.h"

#include "app/AppState.h"
#include "app/Files.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "datalogger/LevelChart.h"
#include "link/ErrorCodes.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <functional>

namespace LimitsReport {

using Limits::ChannelResult;
using Limits::Judgement;
using Limits::Limit;
using Limits::Verdict;

QColor colourOf(Verdict v)
{
    switch (v) {
        case Verdict::Pass: return kPass;
        case Verdict::Fail: return kFail;
        case Verdict::NotJudged: break;
    }
    return kNotJudged;
}

// --- settings ------------------------------------------------------------------------------

namespace {

const QString kSiteSection = QStringLiteral("[SITE]");

// A value kept on one line of the settings file.
QString oneLine(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t.trimmed();
}

}   // namespace

Site Settings::siteFor(const QString &location) const
{
    const QString key = location.trimmed();
    for (const Site &s : sites) {
        if (s.location.compare(key, Qt::CaseInsensitive) == 0)
            return s;
    }
    Site s;
    s.location = key;
    return s;
}

void Settings::remember(const Site &site)
{
    Site s = site;
    s.location = s.location.trimmed();
    sites.erase(std::remove_if(sites.begin(), sites.end(),
                               [&](const Site &x) { return x.location.compare(s.location, Qt::CaseInsensitive) == 0; }),
                sites.end());
    sites.prepend(s);
    while (sites.size() > kMaxSites)
        sites.removeLast();
}

QString settingsPath()
{
    return app().programFolder + QStringLiteral("/limits.stg");
}

Settings readSettings(const QString &path)
{
    Settings s;
    QByteArray bytes;
    if (!readFileBytes(path, bytes, 4 * 1024 * 1024))
        return s;
    Site *site = nullptr;
    for (const QString &raw : decodeSettingsFile(bytes).split(QLatin1Char('\n'))) {
        const QString line = raw.endsWith(QLatin1Char('\r')) ? raw.left(raw.size() - 1) : raw;
        if (line == kSiteSection) {
            if (s.sites.size() >= kMaxSites)
                break;
            s.sites.append(Site());
            site = &s.sites.last();
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        if (site) {
            if (key == QLatin1String("LOCATION"))
                site->location = value;
            else if (key == QLatin1String("CUSTOMER"))
                site->customer = value;
            else if (key == QLatin1String("ADDRESS"))
                site->address = value;
            else if (key == QLatin1String("OUTLET"))
                site->outlet = value;
        } else if (key == QLatin1String("COMPANY")) {
            s.company = value;
        } else if (key == QLatin1String("COMPANY ADDRESS")) {
            s.companyAddress = value;
        } else if (key == QLatin1String("INSTALLER")) {
            s.installer = value;
        } else if (key == QLatin1String("LOGO")) {
            s.logo = value;
        } else if (key == QLatin1String("PROFILE")) {
            s.profile = value;
        }
    }
    return s;
}

int writeSettings(const QString &path, const Settings &s)
{
    QStringList lines{QStringLiteral("# Kelvatrone: the installation report's settings"),
                      QStringLiteral("COMPANY=") + oneLine(s.company),
                      QStringLiteral("COMPANY ADDRESS=") + oneLine(s.companyAddress),
                      QStringLiteral("INSTALLER=") + oneLine(s.installer),
                      QStringLiteral("LOGO=") + oneLine(s.logo),
                      QStringLiteral("PROFILE=") + oneLine(s.profile)};
    for (const Site &site : s.sites) {
        lines << kSiteSection << QStringLiteral("LOCATION=") + oneLine(site.location)
              << QStringLiteral("CUSTOMER=") + oneLine(site.customer)
              << QStringLiteral("ADDRESS=") + oneLine(site.address) << QStringLiteral("OUTLET=") + oneLine(site.outlet);
    }
    return writeBytesAtomicallyCode(path, encodeSettingsFile(lines));
}

QString chosenProfilePath(const Settings &settings)
{
    const QString dir = Limits::folder() + QLatin1Char('/');
    // Only a plain file name of the Limits folder is taken from the settings.
    if (!settings.profile.isEmpty() && !settings.profile.contains(QLatin1Char('/'))
        && !settings.profile.contains(QLatin1Char('\\')) && QFileInfo(dir + settings.profile).isFile())
        return dir + settings.profile;
    if (QFileInfo(dir + Limits::kDefaultProfileName).isFile())
        return dir + Limits::kDefaultProfileName;
    return QString();
}

bool chosenProfile(const Settings &settings, Limits::Profile &profile, QString &path, QStringList &problems,
                   QStringList *warnings)
{
    problems.clear();
    if (warnings)
        warnings->clear();
    path = chosenProfilePath(settings);
    if (path.isEmpty()) {
        profile = Limits::defaultProfile();
        return true;
    }
    QList<Limits::Problem> errors, overlaps;
    const bool ok = Limits::readFile(path, profile, errors, overlaps);
    problems = Limits::describe(path, errors);
    if (warnings)
        *warnings = Limits::describe(path, overlaps);
    return ok;
}

// --- the chart ------------------------------------------------------------------------------

namespace {

QFont fontOf(qreal pointSize, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QString levelAxisTitle()
{
    return Limits::limitName(Limit::Level) + QStringLiteral(" (dBuV)");
}

}   // namespace

void paintChart(QPainter &p, const QRectF &area, const Judgement &j, qreal pointSize)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QFont font = fontOf(pointSize);
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    const qreal line = fm.height();

    // The range covers every level and every window edge, and 0.
    double lo = 0, hi = 10;
    for (const ChannelResult &c : j.channels) {
        if (c.hasLevel) {
            lo = std::min(lo, c.level);
            hi = std::max(hi, c.level);
        }
        if (c.rule >= 0) {
            const Limits::Range &w = j.profile.rules.at(c.rule).of(Limit::Level);
            if (w.hasMin)
                hi = std::max(hi, w.min);
            if (w.hasMax)
                hi = std::max(hi, w.max);
        }
    }
    // A damaged logger's absurd figure must not make the axis arithmetic overflow.
    lo = std::clamp(lo, -1e6, 1e6);
    hi = std::clamp(hi, -1e6, 1e6);
    double step = LevelChart::tickStep(lo, hi);
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step + step;
    // On a short chart the ticks thin out so that their numbers never overlap.
    const qreal plotHeight = area.height() - line * 1.8 - line * 4;
    while (plotHeight > 0 && (hi - lo) / step * line * 1.2 > plotHeight && step < 1e6)
        step *= 2;
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;

    // Legend on top, axis title at the left, channel names under the plot.
    qreal longestName = 0;
    for (const ChannelResult &c : j.channels)
        longestName = std::max(longestName, fm.horizontalAdvance(c.name()));
    longestName = std::min(longestName, fm.horizontalAdvance(QStringLiteral("MMMMMMMMMM")));
    qreal tickWidth = 0;
    for (double v = lo; v <= hi + step / 2; v += step)
        tickWidth = std::max(tickWidth, fm.horizontalAdvance(QString::number(v)));
    const QRectF plot(area.left() + line * 1.4 + tickWidth + line * 0.4, area.top() + line * 1.8,
                      area.width() - (line * 1.8 + tickWidth + line * 0.4), 0);
    const qreal bottomRoom = longestName + line * 0.6;
    QRectF pr = plot;
    pr.setBottom(area.bottom() - bottomRoom);
    if (pr.height() < line * 3 || pr.width() < line * 3) {
        p.restore();
        return;
    }
    auto yOf = [&](double v) { return pr.bottom() - (std::clamp(v, lo, hi) - lo) / (hi - lo) * pr.height(); };

    // Legend.
    qreal x = pr.left();
    const std::pair<QColor, QString> legend[] = {{kPass, Limits::verdictText(Verdict::Pass)},
                                                 {kFail, Limits::verdictText(Verdict::Fail)},
                                                 {kNotJudged, Limits::verdictText(Verdict::NotJudged)},
                                                 {kWindow, StringTable::text(481 /* "Level window" */)}};
    for (const auto &[colour, text] : legend) {
        const QRectF box(x, area.top() + line * 0.2, line * 0.8, line * 0.8);
        p.fillRect(box, colour);
        p.setPen(Qt::black);
        p.drawRect(box);
        p.drawText(QPointF(box.right() + line * 0.3, box.bottom() - fm.descent() * 0.3), text);
        x = box.right() + line * 0.3 + fm.horizontalAdvance(text) + line * 1.5;
    }

    // Grid and level axis.
    p.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 0));
    for (double v = lo; v <= hi + step / 2; v += step) {
        const qreal y = yOf(v);
        p.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 0));
        p.drawLine(QPointF(pr.left(), y), QPointF(pr.right(), y));
        p.setPen(Qt::black);
        const QString t = QString::number(v);
        p.drawText(QRectF(pr.left() - tickWidth - line * 0.4, y - line / 2, tickWidth, line),
                   Qt::AlignRight | Qt::AlignVCenter, t);
    }
    p.save();
    p.translate(area.left() + line * 0.1, pr.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-pr.height() / 2, 0, pr.height(), line), Qt::AlignCenter, levelAxisTitle());
    p.restore();
    p.setPen(QPen(Qt::black, 0));
    p.drawLine(pr.bottomLeft(), pr.bottomRight());
    p.drawLine(pr.bottomLeft(), pr.topLeft());

    const int n = int(j.channels.size());
    if (n == 0) {
        p.restore();
        return;
    }
    const qreal slot = pr.width() / n;
    // Names are written upwards, every k-th when they would overlap.
    const int labelEvery = LevelChart::labelStep(slot, line);
    const double base = std::clamp(0.0, lo, hi);
    for (int i = 0; i < n; ++i) {
        const ChannelResult &c = j.channels.at(i);
        const qreal cx = pr.left() + slot * (i + 0.5);
        if (c.rule >= 0) {
            const Limits::Range &w = j.profile.rules.at(c.rule).of(Limit::Level);
            if (w.isSet()) {
                const qreal top = yOf(w.hasMax ? w.max : hi), bottom = yOf(w.hasMin ? w.min : lo);
                const QRectF band(cx - slot * 0.45, top, slot * 0.9, bottom - top);
                p.fillRect(band, kWindow);
                p.setPen(QPen(QColor(0x30, 0x50, 0x80), 0));
                if (w.hasMax)
                    p.drawLine(band.topLeft(), band.topRight());
                if (w.hasMin)
                    p.drawLine(band.bottomLeft(), band.bottomRight());
            }
        }
        if (c.hasLevel) {
            const qreal top = yOf(c.level), bottom = yOf(base);
            QRectF bar(cx - slot * 0.28, std::min(top, bottom), slot * 0.56, std::abs(bottom - top));
            p.fillRect(bar, c.levelBound ? QBrush(colourOf(c.verdict), Qt::BDiagPattern) : QBrush(colourOf(c.verdict)));
            p.setPen(QPen(colourOf(c.verdict).darker(130), 0));
            p.drawRect(bar);
        }
        if (i % labelEvery == 0) {
            p.save();
            p.setPen(Qt::black);
            p.translate(cx + line * 0.35, pr.bottom() + line * 0.3);
            p.rotate(-90);
            p.drawText(QRectF(-longestName, -line, longestName, line), Qt::AlignRight | Qt::AlignVCenter,
                       fm.elidedText(c.name(), Qt::ElideRight, longestName));
            p.restore();
        }
    }
    p.restore();
}

// --- the report -----------------------------------------------------------------------------

namespace {

struct Column {
    QString title;
    qreal weight;
    std::function<QString(const ChannelResult &)> cell;
};

QString levelCell(const Judgement &j, const ChannelResult &c)
{
    Q_UNUSED(j);
    if (!c.hasLevel)
        return QString();
    return (c.levelBound ? QStringLiteral("<") : QString()) + Limits::valueText(c.level, Limit::Level);
}

QString windowCell(const Judgement &j, const ChannelResult &c)
{
    if (c.rule < 0)
        return QString();
    return Limits::rangeText(j.profile.rules.at(c.rule).of(Limit::Level), Limit::Level);
}

// The other limits the rule sets, with the channel's figure: "MER 31.0 (>= 28)".
QString qualityCell(const Judgement &j, const ChannelResult &c)
{
    if (c.rule < 0)
        return QString();
    QStringList parts;
    const Limits::Rule &rule = j.profile.rules.at(c.rule);
    for (Limit l : {Limit::Mer, Limit::Cn, Limit::Ber, Limit::Va}) {
        if (!rule.of(l).isSet())
            continue;
        QString value;
        for (const Limits::Check &ch : c.checks) {
            if (ch.limit == l && ch.known)
                value = Limits::valueText(ch.value, l);
        }
        parts << Limits::limitName(l) + QLatin1Char(' ') + (value.isEmpty() ? QStringLiteral("?") : value)
                     + QStringLiteral(" (") + Limits::rangeText(rule.of(l), l) + QLatin1Char(')');
    }
    return parts.join(QStringLiteral(", "));
}

class ReportPainter {
public:
    ReportPainter(QPdfWriter &writer, const Judgement &j, const Details &d, const QImage &logo)
        : writer(writer), j(j), d(d), logo(logo)
    {
        const qreal dpi = writer.resolution();
        mm = dpi / 25.4;
        page = QRectF(0, 0, writer.width(), writer.height());
        body = fontOf(9);
        small = fontOf(7.5);
        bold = fontOf(9, true);
        title = fontOf(16, true);
        columns = {
            {StringTable::text(79 /* "Name" */), 1.0, [](const ChannelResult &c) { return c.name(); }},
            {StringTable::text(146 /* "Freq." */), 1.05,
             [](const ChannelResult &c) { return c.m.field[TvMeasurement::FREQ]; }},
            {StringTable::text(89 /* "Mod." */), 1.1,
             [](const ChannelResult &c) { return c.m.field[TvMeasurement::MOD]; }},
            {StringTable::text(431 /* "Rule" */), 1.9,
             [this](const ChannelResult &c) {
                 return c.rule >= 0 ? this->j.profile.rules.at(c.rule).name : QString();
             }},
            {Limits::limitName(Limit::Level) + QStringLiteral(" dBuV"), 0.9,
             [this](const ChannelResult &c) { return levelCell(this->j, c); }},
            {StringTable::text(481 /* "Level window" */), 1.1,
             [this](const ChannelResult &c) { return windowCell(this->j, c); }},
            {StringTable::text(432 /* "Verdict" */), 1.45,
             [](const ChannelResult &c) { return Limits::verdictText(c.verdict); }},
            {StringTable::text(433 /* "Reason" */), 2.65,
             [this](const ChannelResult &c) {
                 const QString q = qualityCell(this->j, c);
                 const QString r = c.reasons.join(QStringLiteral("; "));
                 return q.isEmpty() ? r : r.isEmpty() ? q : q + QStringLiteral("; ") + r;
             }},
        };
        qreal total = 0;
        for (const Column &c : columns)
            total += c.weight;
        for (Column &c : columns)
            c.weight = c.weight / total * page.width();
        // A heading's longest word ("Pegelfenster") cannot be wrapped: its column is widened
        // to hold it, and the reason column, the last, gives up the room.
        const QFontMetricsF fb(bold, &writer);
        for (qsizetype k = 0; k + 1 < columns.size(); ++k) {
            qreal need = 0;
            for (const QString &word : columns[k].title.split(QLatin1Char(' ')))
                need = std::max(need, fb.horizontalAdvance(word) + 2 * mm);
            if (columns[k].weight < need) {
                columns.last().weight -= need - columns[k].weight;
                columns[k].weight = need;
            }
        }
    }

    // Lays the pages out (draw false) or draws them; returns the number of pages.
    int run(QPainter *p)
    {
        painter = p;
        pageNo = 1;
        y = 0;
        drawHeader();
        drawDetails();
        drawVerdict();
        drawChart();
        drawTable();
        drawSignatures();
        drawFooter();
        return pageNo;
    }

    int pages = 1;

private:
    qreal lineOf(const QFont &f) const { return QFontMetricsF(f, &writer).height(); }

    void newPage()
    {
        drawFooter();
        if (painter)
            writer.newPage();
        ++pageNo;
        y = 0;
    }

    qreal footerRoom() const { return lineOf(small) * 1.8; }

    void ensureRoom(qreal h)
    {
        if (y + h > page.bottom() - footerRoom())
            newPage();
    }

    void text(const QRectF &r, int flags, const QString &t, const QFont &f, const QColor &c = Qt::black)
    {
        if (!painter)
            return;
        painter->setFont(f);
        painter->setPen(c);
        painter->drawText(r, flags, t);
    }

    void drawHeader()
    {
        const qreal logoHeight = 18 * mm;
        qreal logoWidth = 0;
        if (!logo.isNull()) {
            logoWidth = std::min(60 * mm, logoHeight * logo.width() / std::max(1, logo.height()));
            if (painter)
                painter->drawImage(QRectF(page.right() - logoWidth, 0, logoWidth, logoHeight), logo);
        }
        const qreal textWidth = page.width() - logoWidth - 4 * mm;
        text(QRectF(0, 0, textWidth, lineOf(title)), Qt::AlignLeft | Qt::AlignTop,
             StringTable::text(449 /* "Installation Report" */), title);
        qreal yy = lineOf(title) * 1.1;
        for (const QString &t : {d.company, d.companyAddress}) {
            if (t.isEmpty())
                continue;
            text(QRectF(0, yy, textWidth, lineOf(body)), Qt::AlignLeft | Qt::TextSingleLine, t,
                 t == d.company ? bold : body);
            yy += lineOf(body);
        }
        y = std::max(yy, logo.isNull() ? 0.0 : logoHeight) + 4 * mm;
        if (painter) {
            painter->setPen(QPen(Qt::black, 0.3 * mm));
            painter->drawLine(QPointF(0, y - 2 * mm), QPointF(page.right(), y - 2 * mm));
        }
    }

    void drawDetails()
    {
        const TvLoggerHeader &h = j.header;
        const QString measured = (h.date + QLatin1Char(' ') + h.time).trimmed();
        const QString meter = d.meterModel.isEmpty() ? h.device : d.meterModel;
        QString logger = h.loggerNumber;
        if (!h.location.isEmpty())
            logger += QStringLiteral(" - ") + h.location;
        if (!d.loggerFile.isEmpty())
            logger += QStringLiteral(" (") + QFileInfo(d.loggerFile).fileName() + QLatin1Char(')');
        QString profile = j.profile.name;
        if (!d.profileFile.isEmpty())
            profile += QStringLiteral(" (") + QFileInfo(d.profileFile).fileName() + QLatin1Char(')');
        const QList<std::pair<QString, QString>> left = {{StringTable::text(450 /* "Customer" */), d.site.customer},
                                                         {StringTable::text(451 /* "Address" */), d.site.address},
                                                         {StringTable::text(452 /* "Outlet" */), d.site.outlet},
                                                         {StringTable::text(153 /* "Location" */), h.location},
                                                         {StringTable::text(453 /* "Installer" */), d.installer},
                                                         {StringTable::text(454 /* "Company" */), d.company}};
        const QList<std::pair<QString, QString>> right = {{StringTable::text(457 /* "Measured" */), measured},
                                                          {StringTable::text(458 /* "Meter" */), meter},
                                                          {StringTable::text(1 /* "Datalogger" */), logger},
                                                          {StringTable::text(155 /* "Units" */), h.units},
                                                          {StringTable::text(459 /* "Limit profile" */), profile},
                                                          {StringTable::text(460 /* "Source" */), j.profile.source}};
        const qreal half = page.width() / 2;
        const QFontMetricsF fb(bold, &writer);
        auto column = [&](const QList<std::pair<QString, QString>> &rows, qreal x0) {
            qreal labelWidth = 0;
            for (const auto &r : rows)
                labelWidth = std::max(labelWidth, fb.horizontalAdvance(r.first + QLatin1Char(':')));
            qreal yy = y;
            for (const auto &r : rows) {
                const QRectF valueRect(x0 + labelWidth + 2 * mm, yy, half - labelWidth - 5 * mm, lineOf(body) * 3);
                const QRectF used = QFontMetricsF(body, &writer).boundingRect(valueRect, Qt::TextWordWrap, r.second);
                text(QRectF(x0, yy, labelWidth, lineOf(body)), Qt::AlignLeft, r.first + QLatin1Char(':'), bold);
                text(valueRect, Qt::AlignLeft | Qt::TextWordWrap, r.second, body);
                yy += std::max(lineOf(body), std::min(used.height(), lineOf(body) * 3)) + 0.8 * mm;
            }
            return yy;
        };
        y = std::max(column(left, 0), column(right, half)) + 3 * mm;
    }

    void drawVerdict()
    {
        const Verdict v = j.overall();
        const qreal h = lineOf(title) * 1.4;
        const QRectF box(0, y, page.width(), h);
        if (painter) {
            painter->fillRect(box, colourOf(v).lighter(165));
            painter->setPen(QPen(colourOf(v), 0.5 * mm));
            painter->drawRect(box);
        }
        QString t = StringTable::text(448 /* "Overall verdict" */) + QStringLiteral(": ") + Limits::verdictText(v);
        text(box.adjusted(3 * mm, 0, -3 * mm, 0), Qt::AlignLeft | Qt::AlignVCenter, t, title);
        y += h + 1.5 * mm;
        text(QRectF(0, y, page.width(), lineOf(bold)), Qt::AlignLeft, j.summary(), bold);
        y += lineOf(bold);
        if (v == Verdict::NotJudged) {
            text(QRectF(0, y, page.width(), lineOf(bold) * 2), Qt::AlignLeft | Qt::TextWordWrap,
                 StringTable::text(
                     464 /* "No channel could be judged: this report does not say that the installation passes." */),
                 bold, kFail);
            y += lineOf(bold) * 2;
        }
        y += 3 * mm;
    }

    void drawChart()
    {
        const qreal h = 70 * mm;
        ensureRoom(h);
        if (painter)
            paintChart(*painter, QRectF(0, y, page.width(), h), j, 7.5);
        y += h + 4 * mm;
    }

    qreal rowHeight(const ChannelResult &c) const
    {
        qreal h = lineOf(body);
        const QFontMetricsF fm(body, &writer);
        for (const Column &col : columns) {
            const QRectF r = fm.boundingRect(QRectF(0, 0, col.weight - 1.5 * mm, 1e6), Qt::TextWordWrap, col.cell(c));
            h = std::max(h, std::min(r.height(), lineOf(body) * 4));
        }
        return h + 1 * mm;
    }

    void drawTableHeader()
    {
        const qreal h = lineOf(bold) * 2.2;
        if (painter)
            painter->fillRect(QRectF(0, y, page.width(), h), QColor(0xE8, 0xE8, 0xE8));
        qreal x = 0;
        for (const Column &c : columns) {
            text(QRectF(x + 0.75 * mm, y, c.weight - 1.5 * mm, h), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                 c.title, bold);
            x += c.weight;
        }
        y += h;
    }

    void drawTable()
    {
        ensureRoom(lineOf(bold) * 2.2 + lineOf(body) * 2);
        drawTableHeader();
        for (int i = 0; i < j.channels.size(); ++i) {
            const ChannelResult &c = j.channels.at(i);
            const qreal h = rowHeight(c);
            if (y + h > page.bottom() - footerRoom()) {
                newPage();
                drawTableHeader();
            }
            if (painter) {
                if (i % 2)
                    painter->fillRect(QRectF(0, y, page.width(), h), QColor(0xF6, 0xF6, 0xF6));
            }
            qreal x = 0;
            for (int k = 0; k < columns.size(); ++k) {
                const Column &col = columns.at(k);
                const bool verdictColumn = k == 6;
                text(QRectF(x + 0.75 * mm, y + 0.5 * mm, col.weight - 1.5 * mm, h - 0.5 * mm),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, col.cell(c), verdictColumn ? bold : body,
                     verdictColumn ? colourOf(c.verdict).darker(120) : QColor(Qt::black));
                x += col.weight;
            }
            y += h;
        }
        y += 6 * mm;
    }

    void drawSignatures()
    {
        const qreal h = 32 * mm;
        ensureRoom(h);
        const qreal w = page.width() / 2 - 8 * mm;
        const QString who[] = {StringTable::text(461 /* "Signature of the installer" */),
                               StringTable::text(462 /* "Signature of the customer" */)};
        for (int k = 0; k < 2; ++k) {
            const qreal x = k * (page.width() / 2 + 8 * mm);
            if (painter) {
                painter->setPen(QPen(Qt::black, 0.2 * mm));
                painter->drawLine(QPointF(x, y + 18 * mm), QPointF(x + w, y + 18 * mm));
            }
            text(QRectF(x, y + 19 * mm, w, lineOf(body)), Qt::AlignLeft, who[k], body);
            text(QRectF(x, y + 19 * mm + lineOf(body), w, lineOf(body)), Qt::AlignLeft,
                 StringTable::text(116 /* "Date" */) + QStringLiteral(":"), body);
        }
        y += h;
    }

    void drawFooter()
    {
        const qreal h = lineOf(small);
        const QRectF r(0, page.bottom() - h, page.width(), h);
        text(r, Qt::AlignLeft,
             QStringLiteral("Kelvatrone ") + app().ProgramVersion + QStringLiteral(" - ")
                 + StringTable::text(449 /* "Installation Report" */),
             small, QColor(0x60, 0x60, 0x60));
        text(r, Qt::AlignRight, StringTable::text(463 /* "Page %1 of %2" */).arg(pageNo).arg(pages), small,
             QColor(0x60, 0x60, 0x60));
    }

    QPdfWriter &writer;
    const Judgement &j;
    const Details &d;
    QImage logo;
    QPainter *painter = nullptr;
    QList<Column> columns;
    QFont body, small, bold, title;
    QRectF page;
    qreal mm = 1;
    qreal y = 0;
    int pageNo = 1;
};

}   // namespace

int writePdf(const QString &path, const Judgement &j, const Details &d, QStringList *warnings)
{
    QImage logo;
    if (!d.logo.isEmpty()) {
        QImageReader reader(d.logo);
        // A logo is a small picture; a huge one is refused before it is decoded.
        const QSize size = reader.size();
        if (size.isValid() && qint64(size.width()) * size.height() <= 40LL * 1000 * 1000)
            logo = reader.read();
        if (logo.isNull() && warnings)
            *warnings << StringTable::text(478 /* "The logo picture cannot be read: %1" */).arg(d.logo);
    }

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setTitle(StringTable::text(449 /* "Installation Report" */));
        writer.setCreator(QStringLiteral("Kelvatrone"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 12),
                                         QPageLayout::Millimeter));
        ReportPainter report(writer, j, d, logo);
        report.pages = report.run(nullptr);
        QPainter p;
        if (!p.begin(&writer))
            return Err::UnableToOpenFile;
        report.run(&p);
        p.end();
    }
    buffer.close();
    return writeBytesAtomicallyCode(path, bytes);
}

}   // namespace LimitsReport
