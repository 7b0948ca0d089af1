#include "Messages.h"

#include "shell/Texts.h"

#include <array>
#include <utility>

namespace {

int language = 0;

// clang-format off
const std::array<std::pair<const char *, const char *>, 37> table{{
    {"Usage: brezzano-cli --host ADDR [options] COMMAND\n"
     "\n"
     "Commands:\n"
     "  units                     the controller's units, faults first\n"
     "  set UNITS FIELD=VALUE...  set units; UNITS is an address (0 to 63), a list such as 1,4,7, or all\n"
     "                            mode=off|auto|cooling|heating|drying|ventilation  fan=auto|low|medium|high\n"
     "                            temp=17..30  tmin=17..30  tmax=17..30  schedule=on|off\n"
     "                            remote=on|off  flap=on|off  name=TEXT (one unit only)\n"
     "                            each unit is read right before its write: fields not named keep what it holds\n"
     "  schedule get UNIT         a unit's weekly schedule\n"
     "  schedule set UNIT FILE    write a schedule in the JSON form that get --json prints (- reads standard input)\n"
     "  module                    the network settings of the controller's Wi-Fi module\n"
     "\n"
     "Options:\n"
     "  --host ADDR        the controller's address: four numbers from 0 to 255 separated by dots\n"
     "  --password TEXT    the controller's password, for controllers that ask for one\n"
     "  --language N       texts in English (0, the default) or Italian (1)\n"
     "  --json             print JSON\n"
     "  --timeout SECONDS  silence after which the link is dropped and tried again, 5 times (default 15)\n"
     "  --verbose          the communication log on standard error\n"
     "  --help, --version\n"
     "\n"
     "Exit status: 0 done, 1 internal error, 2 bad arguments or a value outside a unit's limits (nothing sent\n"
     "to it), 3 controller unreachable, 4 controller not answering or a unit not taking what was sent,\n"
     "5 password missing or wrong.\n",
     "Uso: brezzano-cli --host INDIRIZZO [opzioni] COMANDO\n"
     "\n"
     "Comandi:\n"
     "  units                     le unità del controllo, prima quelle in errore\n"
     "  set UNITÀ CAMPO=VALORE... imposta unità; UNITÀ è un indirizzo (da 0 a 63), un elenco come 1,4,7, o all\n"
     "                            mode=off|auto|cooling|heating|drying|ventilation  fan=auto|low|medium|high\n"
     "                            temp=17..30  tmin=17..30  tmax=17..30  schedule=on|off\n"
     "                            remote=on|off  flap=on|off  name=TESTO (una sola unità)\n"
     "                            ogni unità è letta subito prima della scrittura: i campi non indicati restano come sono\n"
     "  schedule get UNITÀ        la programmazione settimanale di un'unità\n"
     "  schedule set UNITÀ FILE   scrive una programmazione nella forma JSON di get --json (- legge lo standard input)\n"
     "  module                    i parametri di rete del modulo Wi-Fi del controllo\n"
     "\n"
     "Opzioni:\n"
     "  --host INDIRIZZO   l'indirizzo del controllo: quattro numeri da 0 a 255 separati da punti\n"
     "  --password TESTO   la password del controllo, per i controlli che la richiedono\n"
     "  --language N       testi in inglese (0, predefinito) o in italiano (1)\n"
     "  --json             stampa in JSON\n"
     "  --timeout SECONDI  silenzio dopo il quale il collegamento è chiuso e riprovato, 5 volte (predefinito 15)\n"
     "  --verbose          il registro della comunicazione sullo standard error\n"
     "  --help, --version\n"
     "\n"
     "Stato di uscita: 0 fatto, 1 errore interno, 2 argomenti errati o un valore fuori dai limiti di un'unità\n"
     "(nulla inviato a quell'unità), 3 controllo irraggiungibile, 4 il controllo non risponde o un'unità non\n"
     "ha accettato quanto inviato, 5 password mancante o errata.\n"},
    {"--host ADDR is required", "manca --host INDIRIZZO"},
    {"%1: unknown option", "%1: opzione sconosciuta"},
    {"%1 needs a value", "%1 richiede un valore"},
    {"--language: 0 (English) or 1 (Italian)", "--language: 0 (inglese) o 1 (italiano)"},
    {"--timeout: a number of seconds from 0.1 to 3600", "--timeout: un numero di secondi da 0.1 a 3600"},
    {"--password: from 6 to 15 characters", "--password: da 6 a 15 caratteri"},
    {"no command: units, set, schedule or module", "nessun comando: units, set, schedule o module"},
    {"%1: unknown command", "%1: comando sconosciuto"},
    {"%1: wrong arguments (see --help)", "%1: argomenti errati (vedere --help)"},
    {"%1: not a unit address from 0 to 63, a comma-separated list of them, or all",
     "%1: non è un indirizzo di unità da 0 a 63, un loro elenco separato da virgole, o all"},
    {"%1: not a unit address from 0 to 63", "%1: non è un indirizzo di unità da 0 a 63"},
    {"%1: unknown field (mode, fan, temp, remote, flap, name)",
     "%1: campo sconosciuto (mode, fan, temp, remote, flap, name)"},
    {"%1 is given twice", "%1 è indicato due volte"},
    {"%1=%2: one of %3", "%1=%2: uno tra %3"},
    {"temp=%1: a whole number from %2 to %3", "temp=%1: un numero intero da %2 a %3"},
    {"name: at most %1 characters, none of them a control character or outside Latin-1",
     "name: al massimo %1 caratteri, nessuno di controllo o fuori da Latin-1"},
    {"name= sets one unit: give a single address", "name= imposta una sola unità: indicare un solo indirizzo"},
    {"nothing to set: give at least one FIELD=VALUE", "niente da impostare: indicare almeno un CAMPO=VALORE"},
    {"%1: not a schedule (a JSON object with an \"entries\" list)",
     "%1: non è una programmazione (un oggetto JSON con un elenco \"entries\")"},
    {"%1: entry %2: \"%3\" is missing or not valid", "%1: voce %2: \"%3\" manca o non è valido"},
    {"%1: more than %2 entries", "%1: più di %2 voci"},
    {"%1: entry %2 falls on the minute of an earlier one",
     "%1: la voce %2 cade nello stesso minuto di una precedente"},
    {"unit %1 is not on the controller", "l'unità %1 non è presente sul controllo"},
    {"the controller asks for its password: give it with --password",
     "il controllo richiede la password: indicarla con --password"},
    {"the link to the controller was cut before the exchange ended",
     "il collegamento con il controllo si è interrotto prima della fine dello scambio"},
    {"the controller's answers did not make a whole unit list",
     "le risposte del controllo non formano un elenco completo delle unità"},
    {"The controller lists no units.", "Il controllo non elenca alcuna unità."},
    {"Unit %1 holds no schedule.", "L'unità %1 non ha programmazioni."},
    {"Address", "Indirizzo"},
    {"Connecting to %1...", "Connessione a %1..."},
    {"No link to %1, trying again...", "Nessun collegamento con %1, nuovo tentativo..."},
    {"Reading the units...", "Lettura delle unità..."},
    {"Sending the settings...", "Invio delle impostazioni..."},
    {"Reading the schedule of unit %1...", "Lettura della programmazione dell'unità %1..."},
    {"Writing the schedule of unit %1...", "Scrittura della programmazione dell'unità %1..."},
    {"Reading the module's network settings...", "Lettura dei parametri di rete del modulo..."},
}};
// clang-format on
static_assert(int(CliText::ReadingModule) + 1 == int(table.size()), "one entry per text");

} // namespace

void setCliLanguage(int lang)
{
    language = lang == 1 ? 1 : 0;
    loadLanguage(language);
}

QString cliText(CliText id)
{
    const auto &entry = table.at(size_t(id));
    return QString::fromUtf8(language == 1 ? entry.second : entry.first);
}
