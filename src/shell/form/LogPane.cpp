#include "shell/form/LogPane.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <memory>

void capLogPane(QPlainTextEdit *pane, int maxLines, int maxChars)
{
    pane->setMaximumBlockCount(maxLines);
    QTextDocument *document = pane->document();
    auto trimQueued = std::make_shared<bool>(false);
    // The document is not changed from inside its own change signal: the trim runs just after.
    QObject::connect(document, &QTextDocument::contentsChanged, pane, [document, maxChars, trimQueued] {
        if (*trimQueued || document->characterCount() <= maxChars)
            return;
        *trimQueued = true;
        QTimer::singleShot(0, document, [document, maxChars, trimQueued] {
            *trimQueued = false;
            const int excess = document->characterCount() - maxChars;
            if (excess <= 0)
                return;
            // A tenth more than needed, so a steady stream trims once in a while, not per line.
            const QTextBlock last = document->findBlock(excess + maxChars / 10);
            if (!last.isValid() || !last.next().isValid())
                return;
            QTextCursor cursor(document);
            cursor.setPosition(last.next().position(), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        });
    });
}
