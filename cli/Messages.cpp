#include "Messages.h"

#include "shell/Texts.h"

#include <array>
#include <utility>

namespace {

int language = 0;

// clang-format off
const std::array<std::pair<const char *, const char *>, 52> table{{
    {"Usage: brezzano-cli [--host CONTROLLER] [options] COMMAND [ARGUMENTS]\n"
     "       brezzano-cli help [COMMAND]\n"
     "\n"
     "Commands:\n"
     "  units [UNITS]             the controller's units, faults first; UNITS picks some: 3, or 1,4\n"
     "  set UNITS FIELD=VALUE...  set units; UNITS is an address (0 to 63), a list such as 1,4,7, or all\n"
     "                            mode=off|auto|cooling|heating|drying|ventilation\n"
     "                            fan=auto|low|medium|high|very-low  temp=17..30  tmin=17..30  tmax=17..30\n"
     "                            schedule=on|off  remote=on|off  flap=on|off  name=TEXT (one unit only)\n"
     "                            each unit is read right before its write: fields not named keep what it holds\n"
     "  schedule get UNIT         a unit's weekly schedule\n"
     "  schedule set UNIT FILE    write a schedule in the JSON form that get --json prints (- reads standard input)\n"
     "  module                    the network settings of the controller's Wi-Fi module\n"
     "  book                      the devices of the address book\n"
     "  help [COMMAND]            this text, or one command's (also COMMAND --help)\n"
     "\n"
     "Options:\n"
     "  --host CONTROLLER     an address, ADDR:PORT, a host name or a device's name in the address book\n"
     "                        (default $BREZZANO_HOST)\n"
     "  --address-book PATH   the window's settings file (default $BREZZANO_ADDRESS_BOOK, else ./brezzano.ini)\n"
     "  --password-file PATH  the controller's password: the file's first line; group and others must not read it\n"
     "  --password TEXT       the password on the command line, where every user sees it (better: --password-file\n"
     "                        or $BREZZANO_PASSWORD)\n"
     "  --timeout SECONDS     the whole run, connecting included (default 30)\n"
     "  --json, --tsv         print JSON, or tab-separated words\n"
     "  --language N          texts in English (0, the default) or Italian (1)\n"
     "  --verbose             the communication log on standard error, passwords hidden\n"
     "  --help, --version\n"
     "\n"
     "Exit status: 0 done; 1 internal error or standard output not writable; 2 bad arguments, a unit not on\n"
     "the controller or a value outside a unit's limits (nothing sent to it); 3 controller unreachable;\n"
     "4 controller not answering, deadline passed, or a unit not taking what was sent; 5 password missing\n"
     "or wrong.\n",
     "Uso: brezzano-cli [--host CONTROLLO] [opzioni] COMANDO [ARGOMENTI]\n"
     "     brezzano-cli help [COMANDO]\n"
     "\n"
     "Comandi:\n"
     "  units [UNITÀ]             le unità del controllo, prima quelle in errore; UNITÀ ne sceglie alcune: 3, o 1,4\n"
     "  set UNITÀ CAMPO=VALORE... imposta unità; UNITÀ è un indirizzo (da 0 a 63), un elenco come 1,4,7, o all\n"
     "                            mode=off|auto|cooling|heating|drying|ventilation\n"
     "                            fan=auto|low|medium|high|very-low  temp=17..30  tmin=17..30  tmax=17..30\n"
     "                            schedule=on|off  remote=on|off  flap=on|off  name=TESTO (una sola unità)\n"
     "                            ogni unità è letta subito prima della scrittura: i campi non indicati restano come sono\n"
     "  schedule get UNITÀ        la programmazione settimanale di un'unità\n"
     "  schedule set UNITÀ FILE   scrive una programmazione nella forma JSON di get --json (- legge lo standard input)\n"
     "  module                    i parametri di rete del modulo Wi-Fi del controllo\n"
     "  book                      i dispositivi della rubrica\n"
     "  help [COMANDO]            questo testo, o quello di un comando (anche COMANDO --help)\n"
     "\n"
     "Opzioni:\n"
     "  --host CONTROLLO      un indirizzo, INDIRIZZO:PORTA, un nome host o il nome di un dispositivo della rubrica\n"
     "                        (predefinito $BREZZANO_HOST)\n"
     "  --address-book FILE   il file delle impostazioni della finestra (predefinito $BREZZANO_ADDRESS_BOOK,\n"
     "                        altrimenti ./brezzano.ini)\n"
     "  --password-file FILE  la password del controllo: la prima riga del file; gruppo e altri non devono leggerlo\n"
     "  --password TESTO      la password sulla riga di comando, dove ogni utente la vede (meglio: --password-file\n"
     "                        o $BREZZANO_PASSWORD)\n"
     "  --timeout SECONDI     l'intera esecuzione, connessione compresa (predefinito 30)\n"
     "  --json, --tsv         stampa in JSON, o parole separate da tabulazioni\n"
     "  --language N          testi in inglese (0, predefinito) o in italiano (1)\n"
     "  --verbose             il registro della comunicazione sullo standard error, senza password\n"
     "  --help, --version\n"
     "\n"
     "Stato di uscita: 0 fatto; 1 errore interno o standard output non scrivibile; 2 argomenti errati, un'unità\n"
     "non presente sul controllo o un valore fuori dai limiti di un'unità (nulla inviato a quell'unità);\n"
     "3 controllo irraggiungibile; 4 il controllo non risponde, tempo scaduto, o un'unità non ha accettato\n"
     "quanto inviato; 5 password mancante o errata.\n"},
    {"no controller: give --host or set BREZZANO_HOST", "nessun controllo: indicare --host o impostare BREZZANO_HOST"},
    {"%1: unknown option", "%1: opzione sconosciuta"},
    {"%1 needs a value", "%1 richiede un valore"},
    {"--language: 0 (English) or 1 (Italian)", "--language: 0 (inglese) o 1 (italiano)"},
    {"--timeout: a number of seconds from 0.1 to 3600", "--timeout: un numero di secondi da 0.1 a 3600"},
    {"%1: a password from 6 to 15 characters", "%1: una password da 6 a 15 caratteri"},
    {"no command: units, set, schedule or module", "nessun comando: units, set, schedule o module"},
    {"%1: unknown command", "%1: comando sconosciuto"},
    {"%1: wrong arguments (see --help)", "%1: argomenti errati (vedere --help)"},
    {"%1: not a unit address from 0 to 63, a comma-separated list of them, or all",
     "%1: non è un indirizzo di unità da 0 a 63, un loro elenco separato da virgole, o all"},
    {"%1: not a unit address from 0 to 63", "%1: non è un indirizzo di unità da 0 a 63"},
    {"%1: unknown field (mode, fan, temp, tmin, tmax, schedule, remote, flap, name)",
     "%1: campo sconosciuto (mode, fan, temp, tmin, tmax, schedule, remote, flap, name)"},
    {"%1 is given twice", "%1 è indicato due volte"},
    {"%1=%2: one of %3", "%1=%2: uno tra %3"},
    {"%1=%2: a whole number from %3 to %4", "%1=%2: un numero intero da %3 a %4"},
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
    {"the controller asks for its password: give it with --password-file or BREZZANO_PASSWORD",
     "il controllo richiede la password: indicarla con --password-file o BREZZANO_PASSWORD"},
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
    {"give the password once: --password or --password-file", "indicare la password una volta sola: --password o --password-file"},
    {"%1: more than one device of that name in %2: %3", "%1: più dispositivi con quel nome in %2: %3"},
    {"%1 in %2: its address %3 is neither an address nor a host name",
     "%1 in %2: il suo indirizzo %3 non è né un indirizzo né un nome host"},
    {"--host %1: not an address, ADDR:PORT, a host name or a device's name in %2",
     "--host %1: non è un indirizzo, INDIRIZZO:PORTA, un nome host o il nome di un dispositivo in %2"},
    {"%1: group or others may read it; make it yours alone (chmod 600 %1)",
     "%1: gruppo o altri possono leggerlo; renderlo solo proprio (chmod 600 %1)"},
    {"%1: the %2 s deadline passed (--timeout)", "%1: il tempo di %2 s è scaduto (--timeout)"},
    {"not finished: %1", "non terminato: %1"},
    {"nothing was changed", "nulla è stato modificato"},
    {"cannot write standard output: %1", "impossibile scrivere lo standard output: %1"},
    {"%1: the password given is not the controller's", "%1: la password indicata non è quella del controllo"},
    {"%1: the link was cut before the exchange ended: %2", "%1: il collegamento si è interrotto prima della fine dello scambio: %2"},
    {"%1: no link: %2", "%1: nessun collegamento: %2"},
    {"no answer to the connection", "nessuna risposta alla connessione"},
    {"%1: no such command (units, set, schedule, module, book, help)",
     "%1: comando inesistente (units, set, schedule, module, book, help)"},
    {"The address book %1 holds no devices.", "La rubrica %1 non contiene dispositivi."},
}};
// clang-format on
static_assert(int(CliText::BookEmpty) + 1 == int(table.size()), "one entry per text");

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

namespace {

struct Help
{
    const char *command;
    const char *english;
    const char *italian;
};

// clang-format off
const std::array<Help, 6> helps{{
    {"units",
     "Usage: brezzano-cli --host CONTROLLER units [UNITS] [--json | --tsv]\n"
     "The controller's units, faults first; UNITS picks some: an address (0 to 63) or a list such as 1,4.\n"
     "A unit given that the controller does not list is named on standard error (exit status 2).\n"
     "--tsv: one line a unit: address, name, mode, fan, remote, temp, roomTemp, faults (separated by blanks).\n",
     "Uso: brezzano-cli --host CONTROLLO units [UNITÀ] [--json | --tsv]\n"
     "Le unità del controllo, prima quelle in errore; UNITÀ ne sceglie alcune: un indirizzo (da 0 a 63) o un\n"
     "elenco come 1,4. Un'unità indicata che il controllo non elenca è nominata sullo standard error (stato 2).\n"
     "--tsv: una riga per unità: address, name, mode, fan, remote, temp, roomTemp, faults (separati da spazi).\n"},
    {"set",
     "Usage: brezzano-cli --host CONTROLLER set UNITS FIELD=VALUE... [--json | --tsv]\n"
     "UNITS: an address (0 to 63), a list such as 1,4,7, or all (every unit the controller lists).\n"
     "Fields: mode=off|auto|cooling|heating|drying|ventilation  fan=auto|low|medium|high|very-low\n"
     "        temp=17..30 (within the unit's limits)  tmin=17..30  tmax=17..30  schedule=on|off\n"
     "        remote=on|off  flap=on|off  name=TEXT (one unit, at most 15 Latin-1 characters)\n"
     "Each unit is read right before its write and read back after it; fields not named keep what it holds.\n"
     "A value outside the unit's limits is refused before anything is sent to it (exit status 2); a unit\n"
     "that does not show what was sent exits 4. One line a unit: \"Lobby (2): settings applied\".\n",
     "Uso: brezzano-cli --host CONTROLLO set UNITÀ CAMPO=VALORE... [--json | --tsv]\n"
     "UNITÀ: un indirizzo (da 0 a 63), un elenco come 1,4,7, o all (ogni unità elencata dal controllo).\n"
     "Campi: mode=off|auto|cooling|heating|drying|ventilation  fan=auto|low|medium|high|very-low\n"
     "       temp=17..30 (entro i limiti dell'unità)  tmin=17..30  tmax=17..30  schedule=on|off\n"
     "       remote=on|off  flap=on|off  name=TESTO (una unità, al massimo 15 caratteri Latin-1)\n"
     "Ogni unità è letta subito prima della scrittura e riletta dopo; i campi non indicati restano come sono.\n"
     "Un valore fuori dai limiti dell'unità è rifiutato prima di inviare alcunché (stato 2); un'unità che\n"
     "non mostra quanto inviato esce con 4. Una riga per unità: \"Lobby (2): impostazioni applicate\".\n"},
    {"schedule",
     "Usage: brezzano-cli --host CONTROLLER schedule get UNIT [--json | --tsv]\n"
     "       brezzano-cli --host CONTROLLER schedule set UNIT FILE\n"
     "get prints a unit's weekly schedule; set writes FILE (- for standard input) in the form that\n"
     "get --json prints and reads the schedule back. A unit the controller does not list: exit status 2.\n",
     "Uso: brezzano-cli --host CONTROLLO schedule get UNITÀ [--json | --tsv]\n"
     "     brezzano-cli --host CONTROLLO schedule set UNITÀ FILE\n"
     "get stampa la programmazione settimanale di un'unità; set scrive FILE (- per lo standard input) nella\n"
     "forma di get --json e la rilegge. Un'unità che il controllo non elenca: stato 2.\n"},
    {"module",
     "Usage: brezzano-cli --host CONTROLLER module [--json | --tsv]\n"
     "The network settings of the controller's Wi-Fi module, its pass phrase included.\n",
     "Uso: brezzano-cli --host CONTROLLO module [--json | --tsv]\n"
     "I parametri di rete del modulo Wi-Fi del controllo, passphrase compresa.\n"},
    {"book",
     "Usage: brezzano-cli [--address-book PATH] book [--json | --tsv]\n"
     "The devices of the address book that --host takes by name, with their addresses.\n",
     "Uso: brezzano-cli [--address-book FILE] book [--json | --tsv]\n"
     "I dispositivi della rubrica che --host accetta per nome, con i loro indirizzi.\n"},
    {"help",
     "Usage: brezzano-cli help [COMMAND]\n"
     "The usage of the program, or of one command: units, set, schedule, module, book.\n",
     "Uso: brezzano-cli help [COMANDO]\n"
     "L'uso del programma, o di un comando: units, set, schedule, module, book.\n"},
}};
// clang-format on

} // namespace

QString commandHelp(const QString &command)
{
    for (const Help &help : helps)
        if (command == QLatin1String(help.command))
            return QString::fromUtf8(language == 1 ? help.italian : help.english);
    return {};
}
