#include "history/form/TrendChart.h"

#include "history/HistoryTexts.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace history {

namespace {

struct Span
{
    Text name;
    int days;
    int bucketSecs; // a month of raw samples would be tens of thousands of points
};
const Span Spans[] = {{Text::Day, 1, 0}, {Text::Week, 7, 600}, {Text::Month, 30, 3600}};

} // namespace

TrendChart::TrendChart(HistoryStore &store, int lang, QWidget *parent)
    : QDialog(parent), store(store), lang(lang)
{
    setObjectName(QStringLiteral("trendChart"));
    resize(900, 520);
    auto *layout = new QVBoxLayout(this);
    span = new QComboBox(this);
    span->setObjectName(QStringLiteral("trendSpan"));
    for (const Span &s : Spans)
        span->addItem(text(s.name, lang));
    layout->addWidget(span, 0, Qt::AlignLeft);
    view = new QChartView(this);
    view->setObjectName(QStringLiteral("trendView"));
    view->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view);
    connect(span, &QComboBox::currentIndexChanged, this, &TrendChart::redraw);
}

void TrendChart::showUnit(const QString &ctrl, int unit)
{
    controller = ctrl;
    addr = unit;
    redraw();
}

void TrendChart::setLanguage(int value)
{
    lang = value;
    for (int i = 0; i < span->count(); ++i)
        span->setItemText(i, text(Spans[i].name, lang));
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
    const Span &s = Spans[std::clamp(span->currentIndex(), 0, 2)];
    const QDateTime to = QDateTime::currentDateTime();
    const QDateTime from = to.addDays(-s.days);
    const QList<SeriesPoint> series = store.series(controller, addr, from, to, s.bucketSecs);

    auto *chart = new QChart;
    auto *set = new QLineSeries(chart);
    auto *room = new QLineSeries(chart);
    set->setName(text(Text::SetTemperature, lang));
    room->setName(text(Text::RoomTemperature, lang));
    // The theme colours series in the order added, and the shaded faults come first.
    set->setColor(QColor(32, 96, 200));
    room->setColor(QColor(220, 110, 20));
    double low = 1e9;
    double high = -1e9;
    for (const SeriesPoint &p : series) {
        const double t = double(p.time.toMSecsSinceEpoch());
        set->append(t, p.set);
        room->append(t, p.room);
        low = std::min({low, p.setMin, p.roomMin});
        high = std::max({high, p.setMax, p.roomMax});
    }
    points = int(series.size());
    if (series.isEmpty()) {
        low = 15;
        high = 30;
    }
    low = std::floor(low - 1);
    high = std::ceil(high + 1);

    Filter filter;
    filter.controller = controller;
    filter.addr = addr;
    filter.from = from;
    filter.to = to;
    shaded = 0;
    QList<QAbstractSeries *> all;
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
        ++shaded;
    }
    all << set << room;
    auto *timeAxis = new QDateTimeAxis(chart);
    timeAxis->setFormat(s.days == 1 ? QStringLiteral("HH:mm") : QStringLiteral("dd/MM"));
    timeAxis->setRange(from, to);
    auto *tempAxis = new QValueAxis(chart);
    tempAxis->setRange(low, high);
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(tempAxis, Qt::AlignLeft);
    for (QAbstractSeries *series : all) {
        chart->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(tempAxis);
    }
    // Fault shading explains itself by its colour.
    for (QAbstractSeries *series : all)
        if (qobject_cast<QAreaSeries *>(series))
            for (auto *marker : chart->legend()->markers(series))
                marker->setVisible(false);
    QString name;
    for (const KnownUnit &unit : store.units())
        if (unit.controller == controller && unit.addr == addr)
            name = unit.name;
    chart->setTitle(unitLabel(addr, name));
    setWindowTitle(QStringLiteral("%1 (%2)").arg(unitLabel(addr, name), controller));
    QChart *old = view->chart();
    view->setChart(chart);
    delete old;
}

} // namespace history
