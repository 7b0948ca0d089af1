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

namespace {

const char *partKey(unitchange::Part part)
{
    switch (part) {
    case unitchange::Part::Settings:
        return "settings";
    case unitchange::Part::Lock:
        return "lock";
    case unitchange::Part::Name:
        return "name";
    }
    return "";
}

const char *outcomeKey(WriteOutcome outcome)
{
    switch (outcome) {
    case WriteOutcome::Applied:
        return "applied";
    case WriteOutcome::NotApplied:
        return "not-applied";
    case WriteOutcome::NotConfirmed:
        return "not-confirmed";
    case WriteOutcome::NotSent:
        return "not-sent";
    case WriteOutcome::Refused:
        return "refused";
    }
    return "";
}

} // namespace

QString written(const ControllerModel &model, const WriteReport &report, bool json)
{
    if (json) {
        QJsonArray list;
        for (const UnitReport &unit : report.units) {
            // A unit never read is known by its address alone.
            QJsonObject object = unit.readBack ? unitObject(model.unit_par[size_t(unit.addr)], unit.addr)
                                               : QJsonObject{{QStringLiteral("address"), unit.addr}};
            if (object.value(QStringLiteral("name")).toString().isEmpty())
                object.remove(QStringLiteral("name")); // not read: only a write reads the name back
            QJsonObject write;
            for (const PartReport &part : unit.parts) {
                QJsonObject result{{QStringLiteral("outcome"), QLatin1String(outcomeKey(part.outcome))}};
                if (!part.reason.isEmpty())
                    result.insert(QStringLiteral("reason"), part.reason);
                write.insert(QLatin1String(partKey(part.part)), result);
            }
            object.insert(QStringLiteral("write"), write);
            list.append(object);
        }
        return jsonText(QJsonObject{{QStringLiteral("units"), list}});
    }
    QString text;
    for (const UnitReport &unit : report.units) {
        // A name is known only where it was written and read back.
        const QString name = model.unit_par[size_t(unit.addr)].name.trimmed();
        const QString who =
            name.isEmpty() ? QString::number(unit.addr) : QStringLiteral("%1 (%2)").arg(name).arg(unit.addr);
        text += who + QStringLiteral(": ") + describe(unit) + QLatin1Char('\n');
    }
    return text;
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
