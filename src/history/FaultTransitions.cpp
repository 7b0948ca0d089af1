#include "history/FaultTransitions.h"

#include "shell/Texts.h"

namespace history {

quint64 faultCode(const TunitRecord &unit)
{
    quint64 code = 0;
    for (int byte = units::FirstFaultByte; byte <= units::LastFaultByte; ++byte)
        code |= quint64(unit.buffer[size_t(byte)]) << (8 * (byte - units::FirstFaultByte));
    return code;
}

TunitRecord faultRecord(quint64 code)
{
    TunitRecord unit;
    for (int byte = units::FirstFaultByte; byte <= units::LastFaultByte; ++byte)
        unit.buffer[size_t(byte)] = quint8(code >> (8 * (byte - units::FirstFaultByte)));
    return unit;
}

QString faultCodeText(quint64 code)
{
    // Without a text table the caption is empty: what is left is the codes alone.
    return units::faultText(faultRecord(code), QStringList()).trimmed();
}

QString faultText(quint64 code, int lang)
{
    // The panel's caption ends in a blank before its own: one is enough in a sentence.
    return units::faultText(faultRecord(code), languageTable(lang)).simplified();
}

QString unitLabel(int addr, const QString &name)
{
    return name.isEmpty() ? QString::number(addr) : QStringLiteral("%1 %2").arg(addr).arg(name);
}

ControllerState controllerState(const UnitTable &units, const OnlineTable &online)
{
    ControllerState state;
    for (int adr = 0; adr < PanelUnits; ++adr) {
        UnitState &unit = state[size_t(adr)];
        if (online[size_t(adr)] == 0) {
            unit.presence = UnitState::Presence::Offline;
            continue;
        }
        unit.presence = UnitState::Presence::Online;
        unit.code = faultCode(units[size_t(adr)]);
        unit.name = units[size_t(adr)].name;
    }
    return state;
}

std::vector<Transition> faultTransitions(const ControllerState &before, const ControllerState &after)
{
    using P = UnitState::Presence;
    std::vector<Transition> out;
    for (int adr = 0; adr < PanelUnits; ++adr) {
        const UnitState &was = before[size_t(adr)];
        const UnitState &is = after[size_t(adr)];
        const QString &name = is.presence == P::Online ? is.name : was.name;
        if (is.presence == P::Unknown)
            continue;
        if (is.presence == P::Offline) {
            if (was.presence == P::Online)
                out.push_back({adr, Change::Offline, was.code, name});
            continue;
        }
        if (was.presence == P::Offline)
            out.push_back({adr, Change::Online, 0, name});
        const quint64 old = was.presence == P::Online ? was.code : 0;
        if (old == is.code)
            continue;
        if (old != 0)
            out.push_back({adr, Change::Cleared, old, name});
        if (is.code != 0)
            out.push_back({adr, Change::Entered, is.code, name});
    }
    return out;
}

} // namespace history
