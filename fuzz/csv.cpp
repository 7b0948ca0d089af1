// The history's CSV export, where device names and texts go: every cell reads
// back with a plain CSV reader to its text (a leading "'" added only before what
// starts like a formula or with a control character), and no cell read back
// starts a formula.
#include "Check.h"

#include "history/Csv.h"

#include <QRegularExpression>

namespace {

// A strict reader of the format: fields split by ',', rows ended by CRLF, a
// quoted field doubles its quotes; anything else is malformed (false).
bool readCsv(const QString &text, QList<QStringList> *rows)
{
    QStringList row;
    QString cell;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        if (text.at(i) == QLatin1Char('"')) {
            for (++i;; ++i) {
                if (i >= n)
                    return false;
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        cell += QLatin1Char('"');
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += text.at(i);
            }
        } else {
            while (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\r')) {
                if (text.at(i) == QLatin1Char('"') || text.at(i) == QLatin1Char('\n'))
                    return false;
                cell += text.at(i++);
            }
        }
        if (i >= n)
            return false; // every row ends with CRLF
        row << cell;
        cell.clear();
        if (text.at(i) == QLatin1Char(',')) {
            ++i;
            continue;
        }
        if (text.mid(i, 2) != QLatin1String("\r\n"))
            return false;
        i += 2;
        *rows << row;
        row.clear();
    }
    return row.isEmpty();
}

// What a spreadsheet runs: a cell that begins with one of these and is no plain number.
bool startsFormula(const QString &cell)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    if (cell.isEmpty())
        return false;
    if (cell.front().category() == QChar::Other_Control)
        return true;
    return QStringLiteral("=+-@").contains(cell.front()) && !number.match(cell).hasMatch();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    // The first byte gives the columns (1 to 8), the rest the cells split by NUL, row by row.
    if (size < 1)
        return 0;
    const int columns = 1 + bytes[0] % 8;
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char *>(bytes) + 1, int(size - 1)).split('\0');
    QList<QStringList> table;
    for (int i = 0; i < parts.size(); ++i) {
        if (i % columns == 0)
            table << QStringList();
        table.last() << QString::fromUtf8(parts.at(i));
    }
    while (table.last().size() < columns)
        table.last() << QString();
    const QStringList header = table.takeFirst();

    const QByteArray document = csv::document(header, table);
    FUZZ_CHECK(document.startsWith("\xEF\xBB\xBF"));
    QList<QStringList> read;
    FUZZ_CHECK(readCsv(QString::fromUtf8(document.mid(3)), &read));
    table.prepend(header);
    FUZZ_CHECK(read.size() == table.size());
    for (int r = 0; r < table.size(); ++r) {
        FUZZ_CHECK(read.at(r).size() == columns);
        for (int c = 0; c < columns; ++c) {
            const QString &given = table.at(r).at(c);
            const QString &back = read.at(r).at(c);
            FUZZ_CHECK(back == given || (back == QLatin1Char('\'') + given && startsFormula(given)));
            FUZZ_CHECK(!startsFormula(back));
        }
    }
    return 0;
}
