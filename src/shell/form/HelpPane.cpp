#include "shell/form/HelpPane.h"

#include "shell/Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfView>
#include <QStackedLayout>

HelpPane::HelpPane(QWidget *parent)
    : QWidget(parent), AcroPDF1(new QPdfView(this)), manualMissing(new QLabel(this)),
      document(new QPdfDocument(this)), stack(new QStackedLayout(this))
{
    setObjectName(QStringLiteral("HelpPane"));
    AcroPDF1->setObjectName(QStringLiteral("AcroPDF1"));
    manualMissing->setObjectName(QStringLiteral("manualMissing"));

    manualMissing->setAlignment(Qt::AlignCenter);
    manualMissing->setWordWrap(true);
    manualMissing->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(AcroPDF1);
    stack->addWidget(manualMissing);
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
    stack->setCurrentWidget(AcroPDF1);
}
