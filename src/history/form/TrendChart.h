#pragma once

#include "history/HistoryStore.h"

#include <QDialog>

class QChartView;
class QComboBox;

namespace history {

// Set and room temperature of one unit over the last day, week or month,
// with the unit's fault periods shaded.
class TrendChart final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrendChart)
public:
    TrendChart(HistoryStore &store, int lang, QWidget *parent = nullptr);

    void showUnit(const QString &controller, int addr);
    void setLanguage(int lang);
    // Draws the shown unit again over the chosen span, when the window is up.
    void refresh(const QString &reloaded);
    int pointCount() const { return points; }
    int shadedCount() const { return shaded; }

private:
    void redraw();

    HistoryStore &store;
    int lang;
    QString controller;
    int addr = 0;
    QComboBox *span = nullptr;
    QChartView *view = nullptr;
    int points = 0;
    int shaded = 0;
};

} // namespace history
