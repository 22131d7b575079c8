#pragma once

// The words the demo data is made of: towns with their codes, names, streets, notes, project
// descriptions and how states and project counts are shared out. Read by the demo data alone.
namespace DemoWords {

struct City
{
    const char *name;
    const char *registryCode; // the town's code inside a codice fiscale
    const char *phonePrefix;
    int capLow;
    int capHigh;
};

inline constexpr City kCities[] = {
    {"Roma", "H501", "06", 118, 199},
    {"Milano", "F205", "02", 20121, 20162},
    {"Napoli", "F839", "081", 80121, 80147},
    {"Torino", "L219", "011", 10121, 10156},
    {"Bologna", "A944", "051", 40121, 40141},
    {"Firenze", "D612", "055", 50121, 50145},
    {"Forlì", "D704", "0543", 47121, 47122},
    {"Cantù", "B639", "031", 22063, 22063},
    {"Paternò", "G371", "095", 95047, 95047},
    {"Santa Maria Capua Vetere", "I234", "0823", 81055, 81055},
    {"Genova", "D969", "010", 16121, 16167},
    {"Venezia", "L736", "041", 30121, 30176},
    {"Bari", "A662", "080", 70121, 70132},
    {"Palermo", "G273", "091", 90121, 90151},
    {"Catania", "C351", "095", 95121, 95131},
    {"Verona", "L781", "045", 37121, 37142},
    {"Padova", "G224", "049", 35121, 35143},
    {"Trieste", "L424", "040", 34121, 34151},
    {"Brescia", "B157", "030", 25121, 25136},
    {"Parma", "G337", "0521", 43121, 43126},
    {"Modena", "F257", "059", 41121, 41126},
    {"Perugia", "G478", "075", 6121, 6135},
    {"Cagliari", "B354", "070", 9121, 9134},
    {"Ancona", "A271", "071", 60121, 60131},
    {"Pescara", "G482", "085", 65121, 65129},
    {"Lecce", "E506", "0832", 73100, 73100},
    {"Bergamo", "A794", "035", 24121, 24129},
    {"Como", "C933", "031", 22100, 22100},
    {"Rimini", "H294", "0541", 47921, 47924},
    {"Ravenna", "H199", "0544", 48121, 48125},
    {"Cesena", "C573", "0547", 47521, 47522},
    {"Lucca", "E715", "0583", 55100, 55100},
    {"Pisa", "G702", "050", 56121, 56128},
    {"Siena", "I726", "0577", 53100, 53100},
    {"Arezzo", "A390", "0575", 52100, 52100},
    {"Trento", "L378", "0461", 38121, 38123},
    {"Bolzano", "A952", "0471", 39100, 39100},
    {"Udine", "L483", "0432", 33100, 33100},
    {"Vicenza", "L840", "0444", 36100, 36100},
    {"Treviso", "L407", "0422", 31100, 31100},
    {"Salerno", "H703", "089", 84121, 84135},
    {"Caserta", "B963", "0823", 81100, 81100},
    {"Sassari", "I452", "079", 7100, 7100},
    {"L'Aquila", "A345", "0862", 67100, 67100},
    {"Viterbo", "M082", "0761", 1100, 1100},
    {"Terni", "L117", "0744", 5100, 5100},
    {"Latina", "E472", "0773", 4100, 4100},
    {"Città di Castello", "C745", "075", 6012, 6012},
    {"Cefalù", "C421", "0921", 90015, 90015},
    {"Mondovì", "F351", "0174", 12084, 12084},
    {"Canicattì", "B602", "0922", 92024, 92024},
    {"Santa Croce sull'Arno", "I177", "0571", 56029, 56029},
};

inline constexpr const char *kSurnames[] = {
    "Rossi",      "Russo",        "Ferrari",  "Esposito",  "Bianchi",    "Romano",     "Colombo",   "Ricci",
    "Marino",     "Greco",        "Bruno",    "Gallo",     "Conti",      "De Luca",    "Mancini",   "Costa",
    "Giordano",   "Rizzo",        "Lombardi", "Moretti",   "Barbieri",   "Fontana",    "Santoro",   "Mariani",
    "Rinaldi",    "Caruso",       "Ferrara",  "Galli",     "Martini",    "Leone",      "Longo",     "Gentile",
    "Martinelli", "Vitale",       "Lombardo", "Serra",     "Coppola",    "De Santis",  "D'Angelo",  "D'Amico",
    "Dell'Acqua", "D'Alessandro", "Dall'Ara", "Sant'Elia", "Lo Russo",   "Di Stefano", "Marchetti", "Parisi",
    "Villa",      "Cattaneo",     "Fabbri",   "Bellini",   "Pellegrini", "Palumbo",    "Sanna",     "Fiore",
    "Riva",       "Monti",        "Cocco",    "Orlando",   "Benedetti",  "Nicolò",     "Mazzà",     "Fumagalli",
};

inline constexpr const char *kMaleNames[] = {
    "Mario",      "Giuseppe",  "Giovanni",  "Antonio",  "Luigi",     "Francesco", "Marco",   "Andrea",
    "Alessandro", "Roberto",   "Stefano",   "Paolo",    "Luca",      "Massimo",   "Claudio", "Fabio",
    "Davide",     "Matteo",    "Lorenzo",   "Riccardo", "Simone",    "Federico",  "Niccolò", "Nicolò",
    "Giò",        "Gian Luca", "Pierpaolo", "Emanuele", "Salvatore", "Vincenzo",  "Carlo",   "Enrico",
    "Alberto",    "Sergio",    "Giorgio",   "Franco",   "Raffaele",  "Domenico",  "Tommaso", "Filippo",
};

inline constexpr const char *kFemaleNames[] = {
    "Maria",        "Anna",       "Giulia",     "Francesca", "Chiara",  "Sara",  "Laura",     "Valentina",
    "Elena",        "Silvia",     "Alessandra", "Federica",  "Martina", "Paola", "Roberta",   "Cristina",
    "Maria Grazia", "Anna Maria", "Lucia",      "Giovanna",  "Teresa",  "Rosa",  "Angela",    "Barbara",
    "Elisabetta",   "Simona",     "Daniela",    "Monica",    "Ilaria",  "Noemi", "Benedetta", "Raffaella",
};

// The studio's own titles first: professionals are the clients most often seen.
inline constexpr const char *kMaleTitles[] = {
    "Sig.", "Sig.", "Ing.", "Arch.", "Geom.", "Dott.", "Avv.", "Rag.", "Prof.",
};
inline constexpr const char *kFemaleTitles[] = {
    "Sig.ra", "Sig.ra", "Ing.", "Arch.", "Geom.", "Dott.ssa", "Avv.", "Sig.na", "Prof.ssa",
};

inline constexpr const char *kPersonNotes[] = {
    "Cliente storico dello studio",          "Preferisce essere contattato via e-mail",
    "Pagamenti tramite bonifico bancario",   "Contattare solo al mattino",
    "Amministratore di condominio",          "Ha segnalato altri clienti",
    "Referente tecnico: geom. Galli",        "Richiede sempre il preventivo scritto",
    "Cliente presentato dall'impresa Bruno", "Attenzione: cambio d'indirizzo previsto",
};

inline constexpr const char *kStreetKinds[] = {
    "Via", "Via", "Via", "Viale", "Piazza", "Corso", "Largo", "Vicolo", "Strada",
};

inline constexpr const char *kStreetNames[] = {
    "Roma",
    "Garibaldi",
    "Giuseppe Mazzini",
    "Cavour",
    "Dante Alighieri",
    "XX Settembre",
    "Vittorio Emanuele II",
    "Giuseppe Verdi",
    "dei Mille",
    "della Repubblica",
    "dell'Indipendenza",
    "San Francesco",
    "Santa Lucia",
    "Aldo Moro",
    "Antonio Gramsci",
    "Galileo Galilei",
    "Guglielmo Marconi",
    "IV Novembre",
    "Nazionale",
    "della Libertà",
    "Giacomo Matteotti",
    "Leonardo da Vinci",
    "dei Tigli",
    "delle Rose",
    "Trieste",
    "Trento",
    "Giosuè Carducci",
    "Giovanni Pascoli",
    "Alessandro Manzoni",
    "Sant'Antonio",
    "dell'Università",
    "Niccolò Machiavelli",
};

inline constexpr const char *kMobilePrefixes[] = {
    "320", "328", "329", "330", "331", "333", "334", "335", "336", "338", "339",
    "340", "345", "347", "348", "349", "366", "388", "389", "391", "392", "393",
};

inline constexpr const char *kMailDomains[] = {
    "example.it",
    "example.com",
    "posta.example.it",
    "mail.example.it",
};

inline constexpr const char *kDescriptions[] = {
    "Ristrutturazione appartamento",
    "Progetto villa unifamiliare",
    "Pratica catastale",
    "Direzione lavori",
    "Certificazione energetica",
    "Ampliamento fabbricato",
    "Frazionamento unità immobiliare",
    "Rifacimento facciata",
    "Progetto di interni",
    "Condono edilizio",
    "Sanatoria edilizia",
    "Variazione catastale",
    "Ristrutturazione bagno e cucina",
    "Nuova costruzione bifamiliare",
    "Cambio di destinazione d'uso",
    "Adeguamento sismico",
    "Rilievo e restituzione grafica",
    "Perizia tecnica",
    "Pratica SCIA",
    "Permesso di costruire",
    "Recupero sottotetto",
    "Ristrutturazione negozio",
    "Progetto capannone artigianale",
    "Coordinamento sicurezza",
    "Accatastamento fabbricato rurale",
    "Superbonus condominiale",
    "Efficientamento energetico",
    "Manutenzione straordinaria tetto",
    "Progetto giardino e pertinenze",
    "Stima immobiliare",
};

inline constexpr const char *kProjectNotes[] = {
    "In attesa del parere della Soprintendenza",
    "Variante in corso d'opera",
    "Pratica presentata in Comune",
    "In attesa di documenti dal cliente",
    "Sollecitare il pagamento del saldo",
    "Concordato pagamento in tre rate",
    "Sopralluogo da fissare con l'impresa",
    "Permesso di costruire rilasciato",
    "Il cliente ha chiesto un nuovo preventivo",
    "Lavori sospesi per l'inverno",
};

// Project states with their share of all projects, in percent.
struct StateShare
{
    const char *name;
    int percent;
};
inline constexpr StateShare kStates[] = {
    {"Concluso", 30}, {"In corso", 30}, {"Da iniziare", 15}, {"Sospeso", 12}, {"Annullato", 13},
};

// How many projects a person has: most have a few, some none at all (about 3 on average).
inline constexpr int kProjectCountPercent[] = {10, 12, 16, 20, 18, 14, 10};

} // namespace DemoWords
