#include "history/form/TrendChart.h"

#include "history/HistoryTexts.h"
#include "history/form/Worker.h"
#include "shell/form/Placement.h"

#include <QApplication>
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QSet>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <vector>

namespace history {

namespace {

struct SpanInfo
{
    Text name;
    int days;
    int bucketSecs; // a month of raw samples would be tens of thousands of points
    int tickHours;  // hours between time ticks below a day
    int tickDays;   // days between ticks at midnight
};
const SpanInfo Spans[] = {{Text::Day, 1, 0, 3, 1}, {Text::Week, 7, 600, 0, 1}, {Text::Month, 30, 3600, 0, 3}};
constexpr int SpanCount = int(std::size(Spans));

// A pause longer than this many times the usual spacing of samples is a gap.
constexpr qint64 GapFactor = 4;
constexpr qint64 HourSecs = 3600;

QLocale localeOf(int lang)
{
    return lang == 1 ? QLocale(QLocale::Italian, QLocale::Italy) : QLocale::c();
}

// Where the samples break: the index of each point that starts a new stretch.
// The usual spacing is taken from the samples themselves: the median step of
// the raw ones (reloads every second or every few minutes alike), an hour for
// rolled-up rows, the bucket when they are grouped, and the smaller of the
// steps on either side, so that a part read less often is not cut up.
std::vector<int> gapsIn(const QList<SeriesPoint> &series, int bucketSecs)
{
    const int n = int(series.size());
    std::vector<qint64> steps; // steps[i]: from point i to point i + 1
    for (int i = 0; i + 1 < n; ++i)
        steps.push_back(series[i].time.secsTo(series[i + 1].time));
    std::vector<qint64> raw;
    for (int i = 0; i + 1 < n; ++i)
        if (!series[i].hourly && !series[i + 1].hourly)
            raw.push_back(steps[size_t(i)]);
    qint64 median = 0;
    if (!raw.empty()) {
        std::nth_element(raw.begin(), raw.begin() + raw.size() / 2, raw.end());
        median = raw[raw.size() / 2];
    }
    std::vector<int> starts;
    for (int i = 0; i + 1 < n; ++i) {
        const qint64 step = steps[size_t(i)];
        const qint64 before = i > 0 ? steps[size_t(i - 1)] : step;
        const qint64 after = i + 2 < n ? steps[size_t(i + 1)] : step;
        const bool hourly = series[i].hourly || series[i + 1].hourly;
        const qint64 usual =
            std::max({median, qint64(bucketSecs), hourly ? HourSecs : 0, std::min(before, after)});
        if (step > GapFactor * usual)
            starts.push_back(i + 1);
    }
    return starts;
}

// Ticks where a person expects them: on whole hours for a day, on midnights
// for longer spans, counted in local time so a change of daylight time keeps them there.
QCategoryAxis *timeAxis(const QDateTime &from, const QDateTime &to, const SpanInfo &span,
                        const QLocale &locale, QObject *parent)
{
    auto *axis = new QCategoryAxis(parent);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setRange(double(from.toMSecsSinceEpoch()), double(to.toMSecsSinceEpoch()));
    axis->setStartValue(double(from.toMSecsSinceEpoch()));
    QSet<QString> used; // the axis wants each label once
    const auto tick = [&](const QDateTime &at, const QString &label) {
        if (at > from && at <= to && !used.contains(label)) {
            used.insert(label);
            axis->append(label, double(at.toMSecsSinceEpoch()));
        }
    };
    for (QDate day = from.date(); day <= to.date(); day = day.addDays(1)) {
        if (span.tickHours > 0) {
            for (int hour = 0; hour < 24; hour += span.tickHours) {
                const QDateTime at(day, QTime(hour, 0));
                tick(at, hour == 0 ? locale.toString(day, QStringLiteral("dd/MM"))
                                   : at.toString(QStringLiteral("HH:mm")));
            }
        } else if (day.toJulianDay() % span.tickDays == 0) {
            tick(day.startOfDay(), locale.toString(day, span.days <= 7 ? QStringLiteral("ddd dd/MM")
                                                                       : QStringLiteral("dd/MM")));
        }
    }
    return axis;
}

// Whole or half degrees, as few ticks as read well.
QValueAxis *temperatureAxis(double low, double high, QObject *parent)
{
    double step = 5;
    for (const double candidate : {0.5, 1.0, 2.0})
        if ((high - low) / candidate <= 10) {
            step = candidate;
            break;
        }
    low = std::floor(low / step) * step;
    high = std::ceil(high / step) * step;
    auto *axis = new QValueAxis(parent);
    axis->setRange(low, high);
    axis->setTickType(QValueAxis::TicksFixed);
    axis->setTickCount(int(std::lround((high - low) / step)) + 1);
    axis->setLabelFormat(step < 1 ? QStringLiteral("%.1f °C") : QStringLiteral("%.0f °C"));
    return axis;
}

} // namespace

TrendChart::TrendChart(HistoryStore &store, int lang, QWidget *parent)
    : QDialog(parent), store(store), lang(lang)
{
    setObjectName(QStringLiteral("trendChart"));
    resize(900, 520);
    auto *layout = new QVBoxLayout(this);
    spanBox = new QComboBox(this);
    spanBox->setObjectName(QStringLiteral("trendSpan"));
    // The Italian names are longer: the box follows the language.
    spanBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const SpanInfo &s : Spans)
        spanBox->addItem(text(s.name, lang));
    layout->addWidget(spanBox, 0, Qt::AlignLeft);
    view = new QChartView(this);
    view->setObjectName(QStringLiteral("trendView"));
    view->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view);
    connect(spanBox, &QComboBox::currentIndexChanged, this, &TrendChart::redraw);
}

void TrendChart::showUnit(const QString &ctrl, int unit, int chosen)
{
    if (!isVisible())
        if (QWidget *opener = QApplication::activeWindow(); opener && opener != this)
            placeBeside(this, opener);
    controller = ctrl;
    addr = unit;
    if (chosen >= 0 && chosen < SpanCount && chosen != spanBox->currentIndex()) {
        spanBox->setCurrentIndex(chosen); // draws
        return;
    }
    redraw();
}

int TrendChart::span() const
{
    return spanBox->currentIndex();
}

void TrendChart::setLanguage(int value)
{
    lang = value;
    for (int i = 0; i < spanBox->count(); ++i)
        spanBox->setItemText(i, text(Spans[i].name, lang));
    if (!controller.isEmpty())
        redraw();
}

void TrendChart::refresh(const QString &reloaded)
{
    if (isVisible() && !controller.isEmpty() && reloaded == controller)
        redraw();
}

void TrendChart::redraw()
{
    // One reading at a time; what was asked meanwhile is read once it is done.
    if (loading) {
        drawAgain = true;
        return;
    }
    loading = true;
    drawAgain = false;
    Drawing what;
    what.controller = controller;
    what.addr = addr;
    what.span = std::clamp(spanBox->currentIndex(), 0, SpanCount - 1);
    what.to = QDateTime::currentDateTime();
    what.from = what.to.addDays(-Spans[what.span].days);
    const ReadSource source = store.readSource();
    const int bucketSecs = Spans[what.span].bucketSecs;
    inWorker(
        this,
        [source, what, bucketSecs] {
            return seriesIn(source, what.controller, what.addr, what.from, what.to, bucketSecs);
        },
        [this, what](const QList<SeriesPoint> &series) {
            loading = false;
            if (drawAgain)
                redraw();
            else
                draw(what, series);
        });
}

void TrendChart::draw(const Drawing &what, const QList<SeriesPoint> &series)
{
    const SpanInfo &s = Spans[what.span];
    const QDateTime &from = what.from;
    const QDateTime &to = what.to;
    auto *chart = new QChart;
    chart->setLocalizeNumbers(true);
    chart->setLocale(localeOf(lang));
    double low = 1e9;
    double high = -1e9;
    for (const SeriesPoint &p : series) {
        low = std::min({low, p.setMin, p.roomMin});
        high = std::max({high, p.setMax, p.roomMax});
    }
    points = int(series.size());
    if (series.isEmpty()) {
        low = 15;
        high = 30;
    }
    QValueAxis *tempAxis = temperatureAxis(std::floor(low - 1), std::ceil(high + 1), chart);
    low = tempAxis->min();
    high = tempAxis->max();

    Filter filter;
    filter.controller = what.controller;
    filter.addr = what.addr;
    filter.from = from;
    filter.to = to;
    shaded = 0;
    QList<QAbstractSeries *> all;   // in the order drawn
    QList<QAbstractSeries *> quiet; // kept out of the legend
    for (const FaultPeriod &fault : store.faults(filter)) {
        const double start = double(std::max(fault.start, from).toMSecsSinceEpoch());
        const double end = double((fault.end.isValid() ? std::min(fault.end, to) : to).toMSecsSinceEpoch());
        auto *top = new QLineSeries(chart);
        auto *bottom = new QLineSeries(chart);
        top->append(start, high);
        top->append(end, high);
        bottom->append(start, low);
        bottom->append(end, low);
        auto *area = new QAreaSeries(top, bottom);
        area->setColor(QColor(255, 0, 0, 50));
        area->setBorderColor(Qt::transparent);
        all << area;
        quiet << area; // the shading explains itself by its colour
        ++shaded;
    }
    // One line for each stretch between gaps. The theme colours series in the
    // order added, and the shaded faults come first: the colours are set here.
    const std::vector<int> gaps = gapsIn(series, s.bucketSecs);
    lines = series.isEmpty() ? 0 : int(gaps.size()) + 1;
    struct Temperature
    {
        Text name;
        QColor colour;
        double SeriesPoint::*value;
    };
    const Temperature temperatures[] = {{Text::SetTemperature, QColor(32, 96, 200), &SeriesPoint::set},
                                        {Text::RoomTemperature, QColor(220, 110, 20), &SeriesPoint::room}};
    for (const Temperature &t : temperatures) {
        int begin = 0;
        for (size_t g = 0; g <= gaps.size() && begin < series.size(); ++g) {
            const int end = g < gaps.size() ? gaps[g] : int(series.size());
            auto *line = new QLineSeries(chart);
            line->setName(text(t.name, lang));
            line->setColor(t.colour);
            line->setPointsVisible(end - begin == 1); // a lone reading is a dot
            for (int i = begin; i < end; ++i)
                line->append(double(series[i].time.toMSecsSinceEpoch()), series[i].*t.value);
            all << line;
            if (begin > 0)
                quiet << line;
            begin = end;
        }
    }
    QCategoryAxis *times = timeAxis(from, to, s, localeOf(lang), chart);
    chart->addAxis(times, Qt::AlignBottom);
    chart->addAxis(tempAxis, Qt::AlignLeft);
    for (QAbstractSeries *each : all) {
        chart->addSeries(each);
        each->attachAxis(times);
        each->attachAxis(tempAxis);
    }
    for (QAbstractSeries *each : quiet)
        for (QLegendMarker *marker : chart->legend()->markers(each))
            marker->setVisible(false);
    QString name;
    for (const KnownUnit &unit : store.units())
        if (unit.controller == what.controller && unit.addr == what.addr)
            name = unit.name;
    chart->setTitle(unitLabel(what.addr, name));
    setWindowTitle(QStringLiteral("%1 (%2)").arg(unitLabel(what.addr, name), what.controller));
    QChart *old = view->chart();
    view->setChart(chart);
    delete old;
}

} // namespace history
