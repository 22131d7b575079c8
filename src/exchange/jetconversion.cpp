#include "exchange/jetconversion.h"

#include "core/passwordhash.h"
#include "exchange/jetreport.h"
#include "exchange/jetvalues.h"

#include <QHash>
#include <QMap>
#include <QSet>

#include <array>

namespace {

using Values::Kind;

struct ColumnSpec
{
    const char *name;
    Kind kind;
};

struct TableSpec
{
    const char *name;
    const char *key; // the column whose values must be present and distinct; null for none
    std::initializer_list<ColumnSpec> columns;
};

const std::array<TableSpec, 7> kTables = {{
    {"Committente",
     "IdCommittente",
     {{"IdCommittente", Kind::Integer},
      {"Cognome", Kind::Text},
      {"Nome", Kind::Text},
      {"Qualifica", Kind::Text},
      {"Codice_fiscale", Kind::Text},
      {"Partita_iva", Kind::Text},
      {"Note", Kind::Text}}},
    {"Indirizzo",
     "IdCommittente",
     {{"IdCommittente", Kind::Integer}, {"CAP", Kind::Text}, {"Città", Kind::Text}, {"Via", Kind::Text}}},
    {"Recapiti",
     "IdCommittente",
     {{"IdCommittente", Kind::Integer},
      {"Numero_telefono1", Kind::Text},
      {"Numero_telefono2", Kind::Text},
      {"Numero_fax", Kind::Text},
      {"Numero_cell1", Kind::Text},
      {"Numero_cell2", Kind::Text},
      {"E_mail", Kind::Text},
      {"Sito_internet", Kind::Text}}},
    {"Progetto",
     "IdProgetto",
     {{"IdProgetto", Kind::Integer},
      {"IdCommittente", Kind::Integer},
      {"Cognome_progettista", Kind::Text},
      {"Nome_progettista", Kind::Text},
      {"Descrizione", Kind::Text},
      {"Comune", Kind::Text},
      {"Stato", Kind::Text},
      {"Importo_totale", Kind::Amount},
      {"Importo_pagato", Kind::Amount},
      {"Data_inizio", Kind::Date},
      {"Data_fine", Kind::Date},
      {"Data_scadenza", Kind::Date},
      {"Archivio", Kind::Text},
      {"Nota", Kind::Text}}},
    {"Pagamenti",
     "IdFattura",
     {{"IdProgetto", Kind::Integer},
      {"IdFattura", Kind::Integer},
      {"Importo", Kind::Amount},
      {"Data", Kind::Date},
      {"Fattura", Kind::Text}}},
    {"Stato", nullptr, {{"Stato_progetto", Kind::Text}}},
    {"Applicazione", nullptr, {{"Codice", Kind::Text}}},
}};

// libmdb's column types (mdbtools.h), named as Access names them.
enum JetType : quint8 {
    kBool = 0x01,
    kByte = 0x02,
    kInt = 0x03,
    kLongInt = 0x04,
    kMoney = 0x05,
    kFloat = 0x06,
    kDouble = 0x07,
    kDateTime = 0x08,
    kText = 0x0a,
    kMemo = 0x0c,
};

QString typeName(quint8 type)
{
    switch (type) {
    case kBool:
        return QStringLiteral("Sì/No");
    case kByte:
        return QStringLiteral("Numerico (Byte)");
    case kInt:
        return QStringLiteral("Numerico (Intero)");
    case kLongInt:
        return QStringLiteral("Numerico (Intero lungo)");
    case kMoney:
        return QStringLiteral("Valuta");
    case kFloat:
        return QStringLiteral("Numerico (Precisione singola)");
    case kDouble:
        return QStringLiteral("Numerico (Precisione doppia)");
    case kDateTime:
        return QStringLiteral("Data/ora");
    case kText:
        return QStringLiteral("Testo");
    case kMemo:
        return QStringLiteral("Memo");
    default:
        return QStringLiteral("di codice %1").arg(type);
    }
}

bool canHold(Kind kind, quint8 type)
{
    switch (kind) {
    case Kind::Integer:
        return type == kByte || type == kInt || type == kLongInt;
    case Kind::Amount:
        // A single-precision number cannot hold every amount to the cent.
        return type == kMoney || type == kDouble || type == kByte || type == kInt || type == kLongInt;
    case Kind::Date:
        return type == kDateTime;
    case Kind::Text:
        return type == kText || type == kMemo;
    }
    return false;
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
        return QStringLiteral("un numero intero");
    case Kind::Amount:
        return QStringLiteral("un importo");
    case Kind::Date:
        return QStringLiteral("una data");
    case Kind::Text:
        return QStringLiteral("un testo");
    }
    return {};
}

QString keyText(const QString &column, const QVariant &value)
{
    return value.isValid() ? QStringLiteral("%1 %2").arg(column).arg(value.toLongLong()) : column;
}

// Values to report once the row's key is known.
struct PendingAmount
{
    int row;
    int column;
    JetValues::Amount amount;
};
struct PendingDate
{
    int row;
    int column;
    bool valid;
    bool hadTime;
};

bool isBlank(const QVariant &value) { return !value.isValid() || value.toByteArray().trimmed().isEmpty(); }

} // namespace

int ConvertedTable::column(const QString &wanted) const { return columns.indexOf(wanted); }

const ConvertedTable *JetConversion::table(const QString &name) const
{
    for (const ConvertedTable &t : tables_) {
        if (t.name == name)
            return &t;
    }
    return nullptr;
}

qint64 JetConversion::sumOfCents(const QString &tableName, const QString &columnName) const
{
    const ConvertedTable *t = table(tableName);
    const int c = t ? t->column(columnName) : -1;
    qint64 sum = 0;
    if (c < 0)
        return sum;
    for (const QList<QVariant> &row : t->rows) {
        if (row.at(c).isValid())
            sum = Values::addCents(sum, row.at(c).toLongLong());
    }
    return sum;
}

bool JetConversion::prepare(const JetData &data, JetReport *report)
{
    refusal_.clear();
    tables_.clear();
    if (!data.unreadable.isEmpty()) {
        refusal_ = QStringLiteral("la definizione della tabella %1 è danneggiata.").arg(data.unreadable.first());
        return false;
    }
    QStringList missing;
    for (const TableSpec &shape : kTables) {
        if (!data.table(QString::fromUtf8(shape.name)))
            missing << QString::fromUtf8(shape.name);
    }
    if (missing.size() == int(kTables.size())) {
        refusal_ = QStringLiteral("il file non contiene le tabelle dell'archivio (Committente, Indirizzo, Recapiti, "
                                  "Progetto, Pagamenti, Stato, Applicazione).");
        return false;
    }
    if (!missing.isEmpty()) {
        refusal_ = QStringLiteral("nel file %1 %2.")
                       .arg(missing.size() == 1 ? QStringLiteral("manca la tabella")
                                                : QStringLiteral("mancano le tabelle"),
                            missing.join(QStringLiteral(", ")));
        return false;
    }
    for (int i = 0; i < int(kTables.size()); ++i) {
        ConvertedTable converted;
        if (!convertTable(*data.table(QString::fromUtf8(kTables[std::size_t(i)].name)), i, &converted, report))
            return false;
        if (kTables[std::size_t(i)].key && !checkKeys(converted, QString::fromUtf8(kTables[std::size_t(i)].key)))
            return false;
        tables_ << std::move(converted);
    }
    completePersons(report);
    checkProjects(report);
    checkStates(report);
    return convertPassword(report);
}

bool JetConversion::convertTable(const JetTable &source, int specIndex, ConvertedTable *out, JetReport *report)
{
    const TableSpec &shape = kTables[std::size_t(specIndex)];
    out->name = QString::fromUtf8(shape.name);
    QList<int> sourceColumn;
    for (const ColumnSpec &c : shape.columns) {
        const QString name = QString::fromUtf8(c.name);
        const int at = source.column(name);
        if (at < 0) {
            refusal_ = QStringLiteral("nella tabella %1 manca la colonna %2.").arg(out->name, name);
            return false;
        }
        if (!canHold(c.kind, source.types.at(at))) {
            refusal_ = QStringLiteral("la colonna %1 della tabella %2 è di tipo %3, che non può contenere %4.")
                           .arg(name, out->name, typeName(source.types.at(at)), kindName(c.kind));
            return false;
        }
        out->columns << name;
        out->kinds << c.kind;
        sourceColumn << at;
    }
    for (int c = 0; c < source.columns.size(); ++c) {
        if (!sourceColumn.contains(c))
            report->add(out->name, QStringLiteral("tutte le righe"), source.columns.at(c),
                        QStringLiteral("colonna sconosciuta al programma, non convertita."));
    }
    report->count(out->name).read = source.rows.size();
    const int keyColumn = shape.key ? out->columns.indexOf(QString::fromUtf8(shape.key)) : -1;
    out->rows.reserve(source.rows.size());
    QList<PendingAmount> pendingAmounts;
    QList<PendingDate> pendingDates;
    for (int r = 0; r < source.rows.size(); ++r) {
        const QList<JetCell> &cells = source.rows.at(r);
        QList<QVariant> row;
        row.reserve(out->columns.size());
        for (int c = 0; c < out->columns.size(); ++c) {
            const JetCell &cell = cells.at(sourceColumn.at(c));
            if (cell.type == JetCell::Null) {
                row << QVariant();
                continue;
            }
            switch (out->kinds.at(c)) {
            case Kind::Text:
                row << QVariant(cell.text);
                break;
            case Kind::Integer:
                row << QVariant(cell.number);
                break;
            case Kind::Amount: {
                JetValues::Amount amount;
                if (cell.type == JetCell::Money)
                    amount = JetValues::fromMoney(cell.number);
                else if (cell.type == JetCell::Double)
                    amount = JetValues::fromDouble(cell.real);
                else
                    amount = JetValues::fromDecimal(QByteArray::number(cell.number));
                row << (amount.valid ? QVariant(amount.cents) : QVariant());
                if (!amount.valid || amount.roundedOff || !Values::isAmountInRange(amount.cents))
                    pendingAmounts.append({r, c, amount});
                break;
            }
            case Kind::Date: {
                const JetValues::Date date = JetValues::fromJetDate(cell.real);
                row << (date.valid ? QVariant(date.date) : QVariant());
                if (!date.valid || date.hadTime)
                    pendingDates.append({r, c, date.valid, date.hadTime});
                break;
            }
            }
        }
        out->rows << std::move(row);
    }
    // The findings name the row by its key, known only now.
    const auto rowKey = [&](int r) {
        return keyColumn >= 0 ? keyText(out->columns.at(keyColumn), out->rows.at(r).at(keyColumn))
                              : QStringLiteral("riga %1").arg(r + 1);
    };
    for (const PendingAmount &p : std::as_const(pendingAmounts)) {
        const QString column = out->columns.at(p.column);
        if (!p.amount.valid)
            report->add(out->name, rowKey(p.row), column,
                        QStringLiteral("il valore %1 non è un importo: lasciato vuoto.")
                            .arg(QString::fromLatin1(p.amount.decimal)));
        else if (p.amount.roundedOff)
            report->add(out->name, rowKey(p.row), column,
                        QStringLiteral("%1 ha frazioni di centesimo: arrotondato a %2.")
                            .arg(QString::fromLatin1(p.amount.decimal), JetValues::centsText(p.amount.cents)));
        if (p.amount.valid && !Values::isAmountInRange(p.amount.cents))
            report->add(out->name, rowKey(p.row), column,
                        QStringLiteral("%1 supera l'importo massimo che il programma accetta in modifica (%2): "
                                       "conservato.")
                            .arg(JetValues::centsText(p.amount.cents), Values::maxAmountText()));
    }
    for (const PendingDate &p : std::as_const(pendingDates)) {
        report->add(out->name, rowKey(p.row), out->columns.at(p.column),
                    p.valid ? QStringLiteral("la data aveva anche un'ora, non conservata.")
                            : QStringLiteral("la data non è valida: lasciata vuota."));
    }
    return true;
}

bool JetConversion::checkKeys(const ConvertedTable &t, const QString &keyColumn)
{
    const int c = t.column(keyColumn);
    QSet<qint64> seen;
    seen.reserve(t.rows.size());
    for (int r = 0; r < t.rows.size(); ++r) {
        const QVariant &key = t.rows.at(r).at(c);
        if (!key.isValid()) {
            refusal_ = QStringLiteral("la riga %1 della tabella %2 non ha %3.").arg(r + 1).arg(t.name, keyColumn);
            return false;
        }
        if (seen.contains(key.toLongLong())) {
            refusal_ = QStringLiteral("nella tabella %1 più righe hanno %2.").arg(t.name, keyText(keyColumn, key));
            return false;
        }
        seen.insert(key.toLongLong());
    }
    return true;
}

void JetConversion::completePersons(JetReport *report)
{
    ConvertedTable &persons = tables_[0];
    QSet<qint64> personKeys;
    for (const QList<QVariant> &row : std::as_const(persons.rows))
        personKeys.insert(row.at(0).toLongLong());
    // The persons queries join the three tables: a person without an address or contacts row
    // would not be shown at all. The missing row is made, empty.
    for (int t : {1, 2}) {
        ConvertedTable &part = tables_[t];
        QSet<qint64> present;
        for (const QList<QVariant> &row : std::as_const(part.rows)) {
            const qint64 key = row.at(0).toLongLong();
            present.insert(key);
            if (!personKeys.contains(key))
                report->add(part.name, keyText(QStringLiteral("IdCommittente"), key), QString(),
                            QStringLiteral("nessun committente ha questa chiave: riga conservata."));
        }
        for (const QList<QVariant> &person : std::as_const(persons.rows)) {
            const qint64 key = person.at(0).toLongLong();
            if (present.contains(key))
                continue;
            QList<QVariant> row(part.columns.size());
            row[0] = key;
            part.rows << row;
            report->add(part.name, keyText(QStringLiteral("IdCommittente"), key), QString(),
                        QStringLiteral("il committente non aveva la riga in %1: creata vuota, perché compaia "
                                       "nella rubrica.")
                            .arg(part.name));
        }
    }
}

void JetConversion::checkProjects(JetReport *report)
{
    const ConvertedTable &persons = tables_[0];
    const ConvertedTable &projects = tables_[3];
    const ConvertedTable &payments = tables_[4];
    QSet<qint64> personKeys;
    for (const QList<QVariant> &row : persons.rows)
        personKeys.insert(row.at(0).toLongLong());
    QHash<qint64, qint64> paid; // project -> sum of its payments, in cents
    QSet<qint64> projectKeys;
    for (const QList<QVariant> &row : projects.rows)
        projectKeys.insert(row.at(0).toLongLong());
    const int amount = payments.column(QStringLiteral("Importo"));
    for (const QList<QVariant> &row : payments.rows) {
        const QVariant &project = row.at(0);
        if (!project.isValid() || !projectKeys.contains(project.toLongLong())) {
            report->add(payments.name, keyText(QStringLiteral("IdFattura"), row.at(1)), QStringLiteral("IdProgetto"),
                        project.isValid()
                            ? QStringLiteral("il progetto %1 non esiste: pagamento conservato.").arg(project.toLongLong())
                            : QStringLiteral("il pagamento non è di alcun progetto: conservato."));
            continue;
        }
        if (row.at(amount).isValid())
            paid[project.toLongLong()] = Values::addCents(paid.value(project.toLongLong()), row.at(amount).toLongLong());
    }
    const int person = projects.column(QStringLiteral("IdCommittente"));
    const int paidColumn = projects.column(QStringLiteral("Importo_pagato"));
    const int state = projects.column(QStringLiteral("Stato"));
    for (const QList<QVariant> &row : projects.rows) {
        const QString key = keyText(QStringLiteral("IdProgetto"), row.at(0));
        if (!row.at(person).isValid())
            report->add(projects.name, key, QStringLiteral("IdCommittente"),
                        QStringLiteral("il progetto non è di alcun committente: conservato."));
        else if (!personKeys.contains(row.at(person).toLongLong()))
            report->add(projects.name, key, QStringLiteral("IdCommittente"),
                        QStringLiteral("il committente %1 non esiste più: progetto conservato.")
                            .arg(row.at(person).toLongLong()));
        const qint64 stored = row.at(paidColumn).isValid() ? row.at(paidColumn).toLongLong() : 0;
        const qint64 sum = paid.value(row.at(0).toLongLong());
        if (stored != sum)
            report->add(projects.name, key, QStringLiteral("Importo_pagato"),
                        QStringLiteral("l'importo pagato registrato (%1) differisce dalla somma dei pagamenti (%2): "
                                       "conservato com'era (\"Ricalcola importi pagati\" lo corregge).")
                            .arg(JetValues::centsText(stored), JetValues::centsText(sum)));
        if (isBlank(row.at(state)))
            report->add(projects.name, key, QStringLiteral("Stato"),
                        QStringLiteral("il progetto non ha uno stato: conservato così."));
    }
}

void JetConversion::checkStates(JetReport *report)
{
    // The state names the program gives a meaning to (queries, colours, new projects).
    static const QStringList known = {QStringLiteral("Da iniziare"), QStringLiteral("In corso"),
                                      QStringLiteral("Sospeso"), QStringLiteral("Annullato")};
    const auto isKnown = [](const QString &name) { return known.contains(name.trimmed(), Qt::CaseInsensitive); };
    ConvertedTable &states = tables_[5];
    QList<QList<QVariant>> kept;
    QSet<QString> names;
    for (int r = 0; r < states.rows.size(); ++r) {
        const QVariant &value = states.rows.at(r).at(0);
        const QString name = QString::fromUtf8(value.toByteArray());
        const QString key = QStringLiteral("riga %1").arg(r + 1);
        if (isBlank(value)) {
            report->add(states.name, key, QStringLiteral("Stato_progetto"),
                        QStringLiteral("uno stato senza nome non si può scegliere: riga non convertita."));
            continue;
        }
        // The program's list of states does not tell "In corso" from "in corso".
        if (names.contains(name.toCaseFolded())) {
            report->add(states.name, key, QStringLiteral("Stato_progetto"),
                        QStringLiteral("\"%1\" è già nell'elenco: riga doppia non convertita.").arg(name));
            continue;
        }
        names.insert(name.toCaseFolded());
        kept << states.rows.at(r);
        if (!isKnown(name))
            report->add(states.name, QStringLiteral("\"%1\"").arg(name), QStringLiteral("Stato_progetto"),
                        QStringLiteral("stato a cui il programma non dà un significato (nelle ricerche e nei colori): "
                                       "conservato."));
    }
    states.rows = kept;
    // Projects in a state the program does not know, counted by name.
    const ConvertedTable &projects = tables_[3];
    const int state = projects.column(QStringLiteral("Stato"));
    QMap<QString, QStringList> unknown;
    for (const QList<QVariant> &row : projects.rows) {
        const QString name = QString::fromUtf8(row.at(state).toByteArray());
        if (!isBlank(row.at(state)) && !isKnown(name))
            unknown[name] << QString::number(row.at(0).toLongLong());
    }
    for (auto it = unknown.cbegin(); it != unknown.cend(); ++it) {
        report->add(projects.name, QStringLiteral("IdProgetto %1").arg(it.value().join(QStringLiteral(", "))),
                    QStringLiteral("Stato"),
                    QStringLiteral("lo stato \"%1\" non ha un significato per il programma: conservato.").arg(it.key()));
    }
}

bool JetConversion::convertPassword(JetReport *report)
{
    ConvertedTable &application = tables_[6];
    if (application.rows.isEmpty()) {
        application.rows << QList<QVariant>{QVariant(QByteArray(""))};
        report->add(application.name, QStringLiteral("riga 1"), QString(),
                    QStringLiteral("la tabella era vuota: creata la riga, senza password."));
    }
    while (application.rows.size() > 1) {
        report->add(application.name, QStringLiteral("riga %1").arg(application.rows.size()), QString(),
                    QStringLiteral("il programma usa soltanto la prima riga: questa non è convertita."));
        application.rows.removeLast();
    }
    QVariant &codice = application.rows[0][0];
    const QString password = QString::fromUtf8(codice.toByteArray());
    if (password.isEmpty() || PasswordHash::isHash(password))
        return true;
    const QString hash = PasswordHash::hash(password);
    if (hash.isEmpty()) {
        refusal_ = QStringLiteral("la password d'avvio non può essere cifrata: memoria insufficiente.");
        return false;
    }
    codice = hash.toUtf8();
    report->add(application.name, QStringLiteral("riga 1"), QStringLiteral("Codice"),
                QStringLiteral("la password d'avvio era scritta in chiaro: ora è conservata cifrata (la stessa "
                               "password apre il programma)."));
    return true;
}
