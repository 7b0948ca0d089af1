#include "Output.h"

#include "Messages.h"
#include "schedules/ProgramJson.h"
#include "shell/Texts.h"
#include "units/Setting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cerrno>
#include <cstdio>

namespace output {

namespace {

// Qt escapes C0 in strings; DEL and C1 would reach a terminal raw. Outside strings JSON
// is ASCII, so every such character here lies inside one.
QString jsonText(const QJsonObject &object)
{
    const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x7F && c.unicode() <= 0x9F)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// One line of tab-separated fields, none of which can hold a tab or a line end.
QString tsvLine(const QStringList &fields)
{
    QStringList shown;
    for (const QString &field : fields)
        shown << escapeControls(field);
    return shown.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
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
            widths[c] = std::max(widths[c], escapeControls(row.at(c)).size());
        }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QString cell = escapeControls(row.at(c));
            line += c + 1 < row.size() ? cell.leftJustified(widths[c] + 2) : cell;
        }
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
        {QStringLiteral("temp"), unit.buffer[::units::SetTempByte]},
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

QString units(const ControllerModel &model, const std::vector<int> &addresses, Form form)
{
    if (form == Form::Json) {
        QJsonArray list;
        for (int adr : addresses)
            list.append(unitObject(model.unit_par[size_t(adr)], adr));
        return jsonText(QJsonObject{{QStringLiteral("units"), list}});
    }
    if (form == Form::Tsv) {
        QString text;
        for (int adr : addresses) {
            const QJsonObject unit = unitObject(model.unit_par[size_t(adr)], adr);
            QStringList faults;
            for (const QJsonValue &code : unit.value(QStringLiteral("faults")).toArray())
                faults << code.toString();
            text += tsvLine({QString::number(adr), unit.value(QStringLiteral("name")).toString(),
                             unit.value(QStringLiteral("mode")).toString(),
                             unit.value(QStringLiteral("fan")).toString(),
                             onOff(unit.value(QStringLiteral("remote")).toBool()),
                             QString::number(unit.value(QStringLiteral("temp")).toInt()),
                             QString::number(unit.value(QStringLiteral("roomTemp")).toDouble(), 'f', 1),
                             faults.join(QLatin1Char(' '))});
        }
        return text;
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

QString written(const ControllerModel &model, const WriteReport &report, Form form)
{
    if (form == Form::Json) {
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
    if (form == Form::Tsv) {
        for (const UnitReport &unit : report.units)
            for (const PartReport &part : unit.parts)
                text += tsvLine({QString::number(unit.addr), QLatin1String(partKey(part.part)),
                                 QLatin1String(outcomeKey(part.outcome)), part.reason});
        return text;
    }
    for (const UnitReport &unit : report.units) {
        // A name is known only where it was written and read back.
        const QString name = model.unit_par[size_t(unit.addr)].name.trimmed();
        const QString who =
            name.isEmpty() ? QString::number(unit.addr) : QStringLiteral("%1 (%2)").arg(name).arg(unit.addr);
        text += escapeControls(who + QStringLiteral(": ") + describe(unit)) + QLatin1Char('\n');
    }
    return text;
}

QString schedule(int unit, const std::vector<TprogRecord> &entries, Form form)
{
    const QJsonObject object = ::schedule::toJson(unit, entries);
    if (form == Form::Json)
        return jsonText(object);
    QString text;
    if (form == Form::Tsv) {
        for (const QJsonValue &value : object.value(QStringLiteral("entries")).toArray()) {
            const QJsonObject entry = value.toObject();
            const auto word = [&](const char *key) {
                return entry.value(QLatin1String(key)).toVariant().toString();
            };
            text += tsvLine({word("at"), word("temp"), word("mode"), word("fan")});
        }
        return text;
    }
    if (entries.empty())
        return cliText(CliText::NoSchedule).arg(unit) + QLatin1Char('\n');
    for (const TprogRecord &entry : entries)
        text += escapeControls(::schedule::entryLine(entry, texts)) + QLatin1Char('\n');
    return text;
}

QString module(const netmodule::NetworkSettings &settings, Form form)
{
    const std::vector<std::pair<QString, QJsonValue>> fields{
        {QStringLiteral("network"), settings.netName}, {QStringLiteral("passPhrase"), settings.passPhrase},
        {QStringLiteral("dhcp"), settings.dhcp},       {QStringLiteral("ipAddress"), settings.address},
        {QStringLiteral("gateway"), settings.gateway}, {QStringLiteral("dns"), settings.dns}};
    if (form == Form::Json) {
        QJsonObject object;
        for (const auto &[key, value] : fields)
            object.insert(key, value);
        return jsonText(object);
    }
    if (form == Form::Tsv) {
        QString text;
        for (const auto &[key, value] : fields)
            text += tsvLine({key, value.isBool() ? onOff(value.toBool()) : value.toString()});
        return text;
    }
    return table({{texts.value(128), settings.netName},
                  {texts.value(129), settings.passPhrase},
                  {texts.value(131), texts.value(settings.dhcp ? 77 : 76)},
                  {texts.value(132), settings.address},
                  {texts.value(133), settings.gateway},
                  {texts.value(134), settings.dns}});
}

QString book(const QString &path, const std::vector<std::pair<QString, QString>> &devices, Form form)
{
    if (form == Form::Json) {
        QJsonArray list;
        for (const auto &[name, address] : devices)
            list.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("address"), address}});
        return jsonText(
            QJsonObject{{QStringLiteral("addressBook"), path}, {QStringLiteral("devices"), list}});
    }
    QString text;
    if (form == Form::Tsv) {
        for (const auto &[name, address] : devices)
            text += tsvLine({name, address});
        return text;
    }
    if (devices.empty())
        return cliText(CliText::BookEmpty).arg(escapeControls(path)) + QLatin1Char('\n');
    QList<QStringList> rows{{texts.value(168), texts.value(169)}};
    for (const auto &[name, address] : devices)
        rows << QStringList{name, address};
    return table(rows);
}

bool toStdout(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const bool whole =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    return std::fflush(stdout) == 0 && whole && !std::ferror(stdout);
}

} // namespace output
