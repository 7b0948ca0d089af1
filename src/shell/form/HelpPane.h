#pragma once

#include <QWidget>

class QLabel;
class QPdfDocument;
class QPdfView;
class QStackedLayout;
class QToolBar;

// The help tab's content: the manual as a PDF, or a line naming the file when it cannot be read.
class HelpPane final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpPane)

public:
    explicit HelpPane(QWidget *parent = nullptr);

    static constexpr double ManualZoom = 1.5;

    // appDir/man/<language code>/man.pdf, the language code being text #0.
    static QString manualPath(const QString &appDir);

    // Loads `path` anew, also when it is already shown, at 150 % in pages one under another.
    void showManual(const QString &path);

    QPdfView *const AcroPDF1;
    QLabel *const manualMissing;
    QToolBar *const viewerBar; // zoom in and out, fit width, page up and down, the page shown
    QLabel *const pageShown;   // "3 / 12"

private:
    void buildViewerBar();
    void zoomBy(double factor);
    void turnPage(int delta);
    void showPageNumber();

    QPdfDocument *const document;
    QStackedLayout *const stack;
};
