#pragma once

#include "history/HistoryStore.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeWidget;

namespace history {

// The faults and the operations the store holds, newest first, filtered by
// unit and by date range, each list exported as CSV into `folder`.
class HistoryWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryWindow)
public:
    HistoryWindow(HistoryStore &store, QString folder, int lang, QWidget *parent = nullptr);

    void refresh();
    // Captions, headings and rows in language `lang` (0 English, 1 Italian).
    void setLanguage(int lang);
    // Writes the list on show; returns the file written, empty on failure.
    QString exportShown();
    // The list on show through the print dialog (a printer, or a PDF file).
    void printShown();
    // What the list on show is, for a printed page: its tab, the range and the filters.
    QString shownTitle() const;
    QString shownSubtitle() const;
    QTreeWidget *shownList() const;
    QTreeWidget *faultList() const { return faultsView; }
    QTreeWidget *operationList() const { return operationsView; }
    QTreeWidget *summaryList() const { return summaryView; }

    // How a controller is named in the filter and the lists: its address when unset.
    std::function<QString(const QString &)> controllerLabel;
    QString labelOf(const QString &controller) const;
    // A unit's row was double-clicked: (controller, address).
    std::function<void(const QString &, int)> unitChosen;

private:
    Filter filter() const;
    void retranslate();
    // The units the history knows, the one chosen kept.
    void fillUnits();
    // Open faults' durations, counted up to now.
    void tickOpenFaults();
    // The codes of the faults listed, the one chosen kept.
    void fillCodes(const QList<FaultPeriod> &faults);
    void fillSummary(const QList<FaultPeriod> &faults, const Filter &f, const QDateTime &now);
    void showSummary(const QList<UnitRun> &runs);
    // The run hours of the summary come from a worker thread: a month of raw samples takes seconds.
    void countRunHours();
    struct SummaryInput
    {
        QList<FaultPeriod> faults;
        Filter filter;
        QDateTime now;
        QString code;
    };
    SummaryInput summaryInput;
    quint64 summaryGeneration = 0; // a newer refresh makes older run hours stale
    bool runHoursWanted = false;   // counted when the Summary tab is shown
    quint64 runHoursShown = 0;     // the generation whose run hours the summary shows
    // The Summary is not exported or printed without its run hours.
    void enableOutput();
    bool manyControllers = false;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

    HistoryStore &store;
    QString folder;
    int lang;
    QComboBox *controllerFilter = nullptr; // shown when the file holds more than one
    QComboBox *unitFilter = nullptr;
    QComboBox *codeFilter = nullptr;
    QLabel *unitCaption = nullptr;
    QLabel *fromCaption = nullptr;
    QLabel *toCaption = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *printButton = nullptr;
    QDateEdit *from = nullptr;
    QDateEdit *to = nullptr;
    QTabWidget *tabs = nullptr;
    QTreeWidget *faultsView = nullptr;
    QTreeWidget *operationsView = nullptr;
    QTreeWidget *summaryView = nullptr;
    QLabel *note = nullptr;
    QTimer *openTick = nullptr;
    // The range ends today, whatever the day, until the user picks another end.
    bool toFollowsToday = true;
};

} // namespace history
