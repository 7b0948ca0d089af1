// The manuals keep up with the program: every tab and button of the main window is named in the
// manual of its language, and the settings chapter lists exactly the keys the program reads.
//
// Markup the manuals keep to: the settings chapter's table <table class="keys"> has a row per key,
// section in the first cell and key in the second ("NAME0, NAME1, ..." for a numbered key);
// anywhere else a key is written with its equals sign, KEY=value.
#include "session/form/SiteTab.h"
#include "shell/Settings.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace {

QString manualHtml(const QString &lang)
{
    QFile file(QStringLiteral(BREZZANO_MANUAL_SOURCE "/%1/man.html").arg(lang));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// As a reader sees it: entities decoded, every run of blanks and line ends one blank.
QString plain(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText().simplified();
}

struct Key
{
    QString section;
    QString key;
    bool numbered = false;
    bool operator==(const Key &o) const
    {
        return section == o.section && key == o.key && numbered == o.numbered;
    }
};

QString describe(const Key &k)
{
    return QStringLiteral("[%1] %2%3").arg(k.section, k.key, k.numbered ? QStringLiteral("n") : QString());
}

QList<Key> keysRead()
{
    QList<Key> keys;
    for (int i = 0; i < int(SettingsKey::Count); ++i) {
        const SettingsKeyName &k = settingsKeyName(SettingsKey(i));
        keys.append({QLatin1String(k.section), QLatin1String(k.key), k.numbered});
    }
    return keys;
}

// The rows of the settings chapter's table of keys.
QList<Key> keysTabled(const QString &html)
{
    const QRegularExpression table(QStringLiteral("<table class=\"keys\".*?</table>"),
                                   QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression row(QStringLiteral("<tr><td>(\\w+)</td><td>([A-Z_]+)(0?)"));
    QList<Key> keys;
    for (auto it = row.globalMatch(table.match(html).captured()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        keys.append({m.captured(1), m.captured(2), !m.captured(3).isEmpty()});
    }
    return keys;
}

} // namespace

class TestManual : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useFastIntervals(); }

    void captionsAreNamed_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("manual");
        QTest::newRow("English") << 0 << QStringLiteral("En");
        QTest::newRow("Italian") << 1 << QStringLiteral("It");
    }

    // The window as the program builds it, Site tab, history buttons and alarm bar included.
    void captionsAreNamed()
    {
        QFETCH(int, lang);
        QFETCH(QString, manual);
        const QString text = plain(manualHtml(manual));
        QVERIFY(!text.isEmpty());

        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QFile ini(dir.filePath(QStringLiteral("brezzano.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(
            QStringLiteral("[SENS]\nNETTYPE=1\nIP=127.0.0.85\nAUTOAUPD=0\nLANGUAGE=%1\n[SITE]\nPERIOD=0\n")
                .arg(lang)
                .toUtf8());
        ini.close();
        ScriptedPrompts prompts;
        TForm1 *form = createForms();
        form->FormShow();
        form->Timer_startup->stop();
        createSite(form, dir.path(), createHistory(form, dir.path()));

        QStringList captions;
        for (int i = 0; i < form->PageControl1->count(); ++i)
            captions << form->PageControl1->tabText(i);
        for (const QAbstractButton *button : form->findChildren<QAbstractButton *>())
            if (button->window() == form)
                captions << button->text();
        QStringList missing;
        for (QString caption : captions) {
            caption = caption.remove(QLatin1Char('&')).simplified();
            const bool words =
                std::any_of(caption.begin(), caption.end(), [](QChar c) { return c.isLetter(); });
            if (words && !text.contains(caption) && !missing.contains(caption))
                missing << caption;
        }
        destroyForms();
        QDir::setCurrent(previous);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(" | "))));
    }

    void settingsKeysAreTheProgramsOwn_data() { captionsAreNamed_data(); }

    void settingsKeysAreTheProgramsOwn()
    {
        QFETCH(QString, manual);
        const QString html = manualHtml(manual);
        const QList<Key> read = keysRead();
        const QList<Key> tabled = keysTabled(html);
        for (const Key &k : read)
            QVERIFY2(tabled.contains(k), qPrintable(describe(k) + QStringLiteral(" is not in the table")));
        for (const Key &k : tabled)
            QVERIFY2(read.contains(k), qPrintable(describe(k) + QStringLiteral(" is not read")));

        // KEY=value anywhere: a key of the list, a numbered one with its number.
        const QRegularExpression written(QStringLiteral("\\b([A-Z][A-Z_]*?)([0-9]*)="));
        for (auto it = written.globalMatch(plain(html)); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const bool known = std::any_of(read.begin(), read.end(), [&m](const Key &k) {
                return k.key == m.captured(1) && k.numbered != m.captured(2).isEmpty();
            });
            QVERIFY2(known, qPrintable(m.captured(0) + QStringLiteral(" is not read")));
        }
    }
};

QTEST_MAIN(TestManual)
#include "tst_manual.moc"
