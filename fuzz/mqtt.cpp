// What any MQTT client may publish to the bridge: a refused topic or payload
// always has a reason, an accepted change lies within the unit's limits, and
// the error message about it is valid JSON whatever the bytes.
#include "Check.h"

#include "bridge/Commands.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace {

// Valid UTF-8 with every control character escaped, as a JSON text must be.
bool plainJsonText(const QByteArray &json)
{
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(json);
    if (decode.hasError())
        return false;
    for (const char c : json)
        if (quint8(c) < 0x20)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    // Two bytes pick the unit's limits, then the topic up to the first NUL, then the payload.
    if (size < 2)
        return 0;
    bridge::Limits limits;
    limits.tmin = setting::MinTemp + bytes[0] % (setting::MaxTemp - setting::MinTemp + 1);
    limits.tmax = limits.tmin + bytes[1] % (setting::MaxTemp - limits.tmin + 1);
    const QByteArray rest(reinterpret_cast<const char *>(bytes) + 2, int(size - 2));
    const int split = rest.indexOf('\0');
    const QString topic = QString::fromUtf8(split < 0 ? rest : rest.left(split));
    const QByteArray payload = split < 0 ? QByteArray() : rest.mid(split + 1);

    QString reason;
    const bridge::Parsed<bridge::Target> target = bridge::parseTarget(QStringLiteral("brezzano"), topic);
    if (!target.ok) {
        FUZZ_CHECK(!target.reason.isEmpty());
        reason = target.reason;
    } else {
        FUZZ_CHECK(!target.value.controller.isEmpty() && !target.value.controller.contains(QLatin1Char('/')));
        FUZZ_CHECK(target.value.unit == setting::AllUnits ||
                   (target.value.unit >= 0 && target.value.unit < UnitRecords));
        const bridge::Parsed<bridge::Change> change =
            bridge::parseChange(target.value.field, payload, limits);
        if (!change.ok) {
            FUZZ_CHECK(!change.reason.isEmpty());
            reason = change.reason;
        } else {
            const bridge::Change &c = change.value;
            FUZZ_CHECK(c.field == target.value.field);
            switch (c.field) {
            case bridge::Field::Mode:
                FUZZ_CHECK(c.modeButton >= 0 && c.modeButton < int(setting::ModeValues.size()));
                break;
            case bridge::Field::FanMode:
                FUZZ_CHECK(c.fanButton >= 0 && c.fanButton < int(setting::FanValues.size()));
                break;
            case bridge::Field::Temperature:
                FUZZ_CHECK(c.temperature >= limits.tmin && c.temperature <= limits.tmax);
                break;
            case bridge::Field::Name:
                FUZZ_CHECK(!c.name.trimmed().isEmpty() && c.name.size() <= setting::UnitNameChars);
                for (const QChar ch : c.name)
                    FUZZ_CHECK(ch.unicode() >= 0x20 && ch.unicode() <= 0xFF && ch.unicode() != 0x7F &&
                               (ch.unicode() < 0x80 || ch.unicode() >= 0xA0));
                break;
            default:
                break;
            }
            const unitchange::Change named = bridge::unitChange(c, TunitRecord(), 0);
            if (c.field == bridge::Field::Temperature)
                FUZZ_CHECK(named.setTemp == c.temperature);
            // Every accepted payload is reported too when its controller is gone: the error
            // message must hold it as well.
            reason = QStringLiteral("controller gone");
        }
    }

    const QDateTime at = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    const QByteArray json = bridge::errorPayload(topic, payload, reason, at);
    FUZZ_CHECK(plainJsonText(json));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError && document.isObject());
    const QJsonObject object = document.object();
    FUZZ_CHECK(object.value(QStringLiteral("topic")).toString() == topic);
    FUZZ_CHECK(object.value(QStringLiteral("error")).toString() == reason);
    FUZZ_CHECK(object.value(QStringLiteral("payload")).isString());
    return 0;
}
