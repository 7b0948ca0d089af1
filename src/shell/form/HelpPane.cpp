#include "shell/form/HelpPane.h"

#include "shell/Texts.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QStackedLayout>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr double ZoomStep = 1.25;
constexpr double MinZoom = 0.25;
constexpr double MaxZoom = 6.0;

} // namespace

HelpPane::HelpPane(QWidget *parent)
    : QWidget(parent), AcroPDF1(new QPdfView(this)), manualMissing(new QLabel(this)),
      viewerBar(new QToolBar(this)), pageShown(new QLabel(this)), document(new QPdfDocument(this)),
      stack(new QStackedLayout(this))
{
    setObjectName(QStringLiteral("HelpPane"));
    AcroPDF1->setObjectName(QStringLiteral("AcroPDF1"));
    manualMissing->setObjectName(QStringLiteral("manualMissing"));
    viewerBar->setObjectName(QStringLiteral("viewerBar"));
    pageShown->setObjectName(QStringLiteral("pageShown"));

    manualMissing->setAlignment(Qt::AlignCenter);
    manualMissing->setWordWrap(true);
    manualMissing->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buildViewerBar();
    auto *viewer = new QWidget(this);
    auto *column = new QVBoxLayout(viewer);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(viewerBar);
    column->addWidget(AcroPDF1, 1);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(viewer);
    stack->addWidget(manualMissing);
}

void HelpPane::buildViewerBar()
{
    viewerBar->setIconSize(QSize(20, 20));
    const auto add = [this](const char *name, QStyle::StandardPixmap icon, const QString &symbol,
                            ExtraText tip, const QKeySequence &keys, auto slot) {
        QAction *action = viewerBar->addAction(symbol);
        action->setObjectName(QLatin1String(name));
        if (icon != QStyle::SP_CustomBase)
            action->setIcon(style()->standardIcon(icon));
        action->setProperty("tip", int(tip));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("zoomIn", QStyle::SP_CustomBase, QStringLiteral("+"), ExtraText::ZoomIn, QKeySequence::ZoomIn,
        [this] { zoomBy(ZoomStep); });
    add("zoomOut", QStyle::SP_CustomBase, QStringLiteral("\u2212"), ExtraText::ZoomOut, QKeySequence::ZoomOut,
        [this] { zoomBy(1 / ZoomStep); });
    add("fitWidth", QStyle::SP_CustomBase, QStringLiteral("\u2194"), ExtraText::FitWidth, QKeySequence(),
        [this] { AcroPDF1->setZoomMode(QPdfView::ZoomMode::FitToWidth); });
    viewerBar->addSeparator();
    add("pageUp", QStyle::SP_ArrowUp, QString(), ExtraText::PreviousPage, QKeySequence(Qt::Key_PageUp),
        [this] { turnPage(-1); });
    add("pageDown", QStyle::SP_ArrowDown, QString(), ExtraText::NextPage, QKeySequence(Qt::Key_PageDown),
        [this] { turnPage(1); });
    pageShown->setMinimumWidth(70);
    pageShown->setAlignment(Qt::AlignCenter);
    viewerBar->addWidget(pageShown);
    connect(AcroPDF1->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this,
            &HelpPane::showPageNumber);
}

void HelpPane::zoomBy(double factor)
{
    const double zoom = qBound(MinZoom, AcroPDF1->zoomFactor() * factor, MaxZoom);
    AcroPDF1->setZoomMode(QPdfView::ZoomMode::Custom);
    AcroPDF1->setZoomFactor(zoom);
}

void HelpPane::turnPage(int delta)
{
    QPdfPageNavigator *navigator = AcroPDF1->pageNavigator();
    const int page = qBound(0, navigator->currentPage() + delta, qMax(0, document->pageCount() - 1));
    navigator->jump(page, QPointF(), navigator->currentZoom());
    showPageNumber();
}

void HelpPane::showPageNumber()
{
    // Tooltips in the language shown: the pane is rebuilt on nothing else.
    for (QAction *action : viewerBar->actions())
        if (action->property("tip").isValid())
            action->setToolTip(extraText(ExtraText(action->property("tip").toInt())));
    const int pages = document->pageCount();
    pageShown->setText(
        pages > 0 ? QStringLiteral("%1 / %2").arg(AcroPDF1->pageNavigator()->currentPage() + 1).arg(pages)
                  : QString());
}

QString HelpPane::manualPath(const QString &appDir)
{
    const QString manual = QStringLiteral("man/%1/man.pdf").arg(texts.value(0));
    // An installed program started in a folder of the user's own finds its
    // manuals in its data folder; a man folder beside the settings file wins.
    if (!QDir(appDir).exists(QStringLiteral("man"))) {
        const QDir data(QCoreApplication::applicationDirPath() + QStringLiteral("/" BREZZANO_DATA_FROM_BIN));
        if (data.exists(QStringLiteral("man")))
            return data.filePath(manual);
    }
    return QDir(appDir).filePath(manual);
}

void HelpPane::showManual(const QString &path)
{
    AcroPDF1->setDocument(nullptr);
    document->close();
    const QPdfDocument::Error error = document->load(path);
    if (error != QPdfDocument::Error::None || document->pageCount() < 1) {
        document->close();
        // The application has no message of its own here; two languages are enough for one line.
        const bool italian = texts.value(0) == QLatin1String("It");
        const QString line = italian ? QStringLiteral("Il manuale non è stato trovato: %1")
                                     : QStringLiteral("The manual was not found: %1");
        manualMissing->setText(line.arg(QDir::toNativeSeparators(path)));
        stack->setCurrentWidget(manualMissing);
        return;
    }
    AcroPDF1->setPageMode(QPdfView::PageMode::MultiPage);
    AcroPDF1->setZoomMode(QPdfView::ZoomMode::Custom);
    AcroPDF1->setZoomFactor(ManualZoom);
    AcroPDF1->setDocument(document);
    stack->setCurrentWidget(AcroPDF1->parentWidget());
    showPageNumber();
}
