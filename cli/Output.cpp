#include "Output.h"

#include "Messages.h"
#include "schedules/ProgramJson.h"
#include "shell/Texts.h"
#include "units/Setting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace output {

namespace {

QString jsonText(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QJsonValue wordOrNull(const QString &word)
{
    return word.isEmpty() ? QJsonValue() : QJsonValue(word);
}

// Columns padded to their widest cell; the last one is not padded.
QString table(const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows)
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.append(0);
            widths[c] = std::max(widths[c], row.at(c).size());
        }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row.at(c).leftJustified(widths[c] + 2) : row.at(c);
        text += line.trimmed().isEmpty() ? QString() : line + QLatin1Char('\n');
    }
    return text;
}

QJsonObject unitObject(const TunitRecord &unit, int adr)
{
    QJsonArray faults;
    // The panel's own fault text without its heading: "E3 PA 2# ".
    for (const QString &code :
         ::units::faultText(unit, QStringList()).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        faults.append(code);
    const setting::Controls shown = setting::unitControls(unit);
    return QJsonObject{
        {QStringLiteral("address"), adr},
        {QStringLiteral("name"), unit.name},
        {QStringLiteral("mode"), wordOrNull(setting::modeWord(unit.buffer[::units::ModeByte]))},
        {QStringLiteral("fan"), wordOrNull(setting::fanWord(unit.buffer[::units::FanByte]))},
        {QStringLiteral("setTemp"), unit.buffer[::units::SetTempByte]},
        {QStringLiteral("roomTemp"), ::units::halfDegree(unit.buffer[::units::RoomTempByte])},
        {QStringLiteral("remote"), shown.remoteEnabled},
        {QStringLiteral("flap"), shown.flap},
        {QStringLiteral("tmin"), unit.tmin},
        {QStringLiteral("tmax"), unit.tmax},
        {QStringLiteral("schedule"), shown.schedule},
        {QStringLiteral("faults"), faults},
    };
}

QLocale numbers()
{
    return texts.value(0) == QLatin1String("It") ? QLocale(QLocale::Italian, QLocale::Italy) : QLocale::c();
}

} // namespace

QString units(const ControllerModel &model, const std::vector<int> &addresses, bool json)
{
    if (json) {
        QJsonArray list;
        for (int adr : addresses)
            list.append(unitObject(model.unit_par[size_t(adr)], adr));
        return jsonText(QJsonObject{{QStringLiteral("units"), list}});
    }
    if (addresses.empty())
        return cliText(CliText::NoUnits) + QLatin1Char('\n');
    QList<QStringList> rows{{cliText(CliText::Address), texts.value(151), texts.value(84), texts.value(89),
                             texts.value(94), texts.value(92), texts.value(93)}};
    for (int adr : addresses) {
        const ::units::UnitRow row = ::units::unitRow(model.unit_par[size_t(adr)], adr, texts, numbers());
        rows << QStringList{row.address, row.name,    row.mode.trimmed(),    row.fan,
                            row.remote,  row.setTemp, row.roomTemp.trimmed()};
    }
    return table(rows);
}

QString schedule(int unit, const std::vector<TprogRecord> &entries, bool json)
{
    if (json)
        return jsonText(::schedule::toJson(unit, entries));
    if (entries.empty())
        return cliText(CliText::NoSchedule).arg(unit) + QLatin1Char('\n');
    QString text;
    for (const TprogRecord &entry : entries)
        text += ::schedule::entryLine(entry, texts) + QLatin1Char('\n');
    return text;
}

QString module(const netmodule::NetworkSettings &settings, bool json)
{
    if (json)
        return jsonText(QJsonObject{
            {QStringLiteral("netName"), settings.netName},
            {QStringLiteral("passPhrase"), settings.passPhrase},
            {QStringLiteral("dhcp"), settings.dhcp},
            {QStringLiteral("address"), settings.address},
            {QStringLiteral("gateway"), settings.gateway},
            {QStringLiteral("dns"), settings.dns},
        });
    return table({{texts.value(128), settings.netName},
                  {texts.value(129), settings.passPhrase},
                  {texts.value(131), texts.value(settings.dhcp ? 77 : 76)},
                  {texts.value(132), settings.address},
                  {texts.value(133), settings.gateway},
                  {texts.value(134), settings.dns}});
}

} // namespace output
