#pragma once

#include "history/HistoryStore.h"

#include <QDialog>

class QChartView;
class QComboBox;

namespace history {

// Set and room temperature of one unit over the last day, week or month,
// with the unit's fault periods shaded. Times without samples (the program
// closed, the controller silent) stay blank instead of being bridged by a line.
class TrendChart final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrendChart)
public:
    enum Span { Day, Week, Month };
    static constexpr int KeptSpan = -1; // the span the chart shows already

    TrendChart(HistoryStore &store, int lang, QWidget *parent = nullptr);

    // Shows the unit over `span` (a Span, or KeptSpan). A chart not open yet
    // goes beside the window that is active, the one that asked for it.
    void showUnit(const QString &controller, int addr, int span = KeptSpan);
    void setLanguage(int lang);
    // Draws the shown unit again over the chosen span, when the window is up.
    void refresh(const QString &reloaded);
    int span() const;
    // What the chart shows once drawn: its samples are read by a worker thread.
    bool isLoading() const { return loading; }
    int pointCount() const { return points; }
    int lineCount() const { return lines; } // unbroken stretches of each temperature
    int shadedCount() const { return shaded; }

private:
    struct Drawing
    {
        QString controller;
        int addr = 0;
        int span = 0;
        QDateTime from, to;
    };
    void redraw();
    void draw(const Drawing &what, const QList<SeriesPoint> &series);

    HistoryStore &store;
    int lang;
    QString controller;
    int addr = 0;
    QComboBox *spanBox = nullptr;
    QChartView *view = nullptr;
    int points = 0;
    int lines = 0;
    int shaded = 0;
    bool loading = false;   // a worker reads the samples
    bool drawAgain = false; // asked for while it did
};

} // namespace history
