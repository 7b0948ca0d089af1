#include "history/Csv.h"

#include <QRegularExpression>

namespace csv {

namespace {

// Sign, digits with at most one point, an exponent: nothing else. A wider reading
// (toDouble takes "-inf", "+inf" and blanks around) lets "-inf" through unmarked,
// which a spreadsheet runs as a formula.
bool plainNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return number.match(text).hasMatch();
}

// A spreadsheet runs a cell that begins like a formula, and some take a leading
// tab or line break as the cell's own and read what follows it; a number it only reads.
bool startsLikeFormula(const QString &text)
{
    if (text.isEmpty())
        return false;
    if (text.front().category() == QChar::Other_Control)
        return true;
    if (!QStringLiteral("=+-@").contains(text.front()))
        return false;
    return !plainNumber(text);
}

} // namespace

QString field(const QString &cell)
{
    static const QString special = QStringLiteral(",\"\r\n");
    const QString text = startsLikeFormula(cell) ? QLatin1Char('\'') + cell : cell;
    bool quote = false;
    for (const QChar c : text)
        quote = quote || special.contains(c);
    if (!quote)
        return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

namespace {

void appendRow(QString &out, const QStringList &row)
{
    for (int i = 0; i < row.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += field(row.at(i));
    }
    out += QLatin1String("\r\n");
}

QString safe(const QString &part)
{
    QString out;
    for (const QChar c : part) {
        const bool keep = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                          (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                          (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
                          c == QLatin1Char('-');
        out += keep ? c : QLatin1Char('_');
    }
    return out;
}

} // namespace

QByteArray document(const QStringList &header, const QList<QStringList> &rows)
{
    QString text;
    appendRow(text, header);
    for (const QStringList &row : rows)
        appendRow(text, row);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString fileName(const QString &what, const QString &controller, const QDateTime &reload)
{
    return QStringLiteral("brezzano-%1-%2-%3.csv")
        .arg(safe(what), safe(controller), reload.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

} // namespace csv
