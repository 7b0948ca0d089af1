#include "history/HistoryTexts.h"

#include <array>

namespace history {
namespace {

using Table = std::array<const char *, size_t(Text::Count)>;

// clang-format off
const Table English = {
    "History is off: %1",
    "History",
    "%1 unit(s) in fault",
    "Unit in fault",
    "%1 (address %2): %3",
    "Faults",
    "Operations",
    "Start",
    "End",
    "Duration",
    "Unit",
    "Code",
    "Description",
    "Time",
    "What",
    "Units",
    "Result",
    "taken",
    "not taken",
    "still open",
    "offline",
    "All units",
    "From",
    "To",
    "Export CSV",
    "Exported to %1",
    "Could not write %1",
    "Last 24 hours",
    "Last 7 days",
    "Last 30 days",
    "Set temperature",
    "Room temperature",
};

const Table Italian = {
    "Storico disattivato: %1",
    "Storico",
    "%1 unità in errore",
    "Unità in errore",
    "%1 (indirizzo %2): %3",
    "Errori",
    "Operazioni",
    "Inizio",
    "Fine",
    "Durata",
    "Unità",
    "Codice",
    "Descrizione",
    "Ora",
    "Operazione",
    "Unità",
    "Esito",
    "accettata",
    "non accettata",
    "ancora aperto",
    "non in linea",
    "Tutte le unità",
    "Dal",
    "Al",
    "Esporta CSV",
    "Esportato in %1",
    "Impossibile scrivere %1",
    "Ultime 24 ore",
    "Ultimi 7 giorni",
    "Ultimi 30 giorni",
    "Temperatura impostata",
    "Temperatura ambiente",
};
// clang-format on

} // namespace

QString text(Text id, int lang)
{
    return QString::fromUtf8((lang == 1 ? Italian : English)[size_t(id)]);
}

} // namespace history
