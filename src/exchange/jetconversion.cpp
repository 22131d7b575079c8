#include "exchange/jetconversion.h"

#include "core/passwordhash.h"
#include "exchange/jetlayout.h"
#include "exchange/jetreport.h"
#include "exchange/jetvalues.h"

#include <QVarLengthArray>

namespace {

using Values::Kind;
using namespace JetLayout;

QString keyText(const QString &column, const QVariant &value)
{
    return value.isValid() ? QStringLiteral("%1 %2").arg(column).arg(value.toLongLong()) : column;
}

bool isBlank(const QVariant &value) { return !value.isValid() || value.toByteArray().trimmed().isEmpty(); }

// The state names the program gives a meaning to (queries, colours, new projects).
bool isKnownState(const QString &name)
{
    static const QStringList known = {QStringLiteral("Da iniziare"), QStringLiteral("In corso"),
                                      QStringLiteral("Sospeso"), QStringLiteral("Annullato")};
    return known.contains(name.trimmed(), Qt::CaseInsensitive);
}

// The converted rows kept in memory.
class MemoryRows : public ConvertedRows
{
public:
    void beginTable(const ConvertedTable &table) override { tables << table; }
    void addRow(const QList<QVariant> &row) override { tables.last().rows << row; }

    QList<ConvertedTable> tables;
};

} // namespace

int ConvertedTable::column(const QString &wanted) const { return columns.indexOf(wanted); }

JetConversion::JetConversion() : memory_(std::make_unique<MemoryRows>()), out_(memory_.get()) {}

JetConversion::JetConversion(ConvertedRows *out) : out_(out) {}

JetConversion::~JetConversion() = default;

const QList<ConvertedTable> &JetConversion::tables() const
{
    static const QList<ConvertedTable> none;
    return memory_ ? static_cast<const MemoryRows *>(memory_.get())->tables : none;
}

const ConvertedTable *JetConversion::table(const QString &name) const
{
    for (const ConvertedTable &t : tables()) {
        if (t.name == name)
            return &t;
    }
    return nullptr;
}

void JetConversion::start(JetReport *report)
{
    report_ = report;
    if (memory_)
        static_cast<MemoryRows *>(memory_.get())->tables.clear();
    refusal_.clear();
    written_.clear();
    unreadable_.clear();
    seen_.fill(false, int(JetLayout::tables().size()));
    next_ = 0;
    current_ = -1;
    persons_.clear();
    personKeys_.clear();
    projectAt_.clear();
    projects_.clear();
    unknownStates_.clear();
    stateNames_.clear();
    password_.clear();
    passwordRows_ = 0;
}

bool JetConversion::prepare(const JetData &data, JetReport *report)
{
    start(report);
    for (const QString &name : data.unreadable)
        unreadableTable(name);
    for (const TableSpec &layout : JetLayout::tables()) {
        const JetTable *source = data.table(QString::fromUtf8(layout.name));
        if (!source)
            continue;
        beginTable(*source);
        for (const QList<JetCell> &cells : source->rows)
            row(cells);
        endTable();
    }
    return finish();
}

bool JetConversion::refuse(const QString &reason)
{
    if (refusal_.isEmpty())
        refusal_ = reason;
    current_ = -1;
    return false;
}

void JetConversion::unreadableTable(const QString &name) { unreadable_ << name; }

void JetConversion::beginTable(const JetTable &source)
{
    current_ = -1;
    const int index = tableIndex(source.name);
    // A table of no interest, or one already read (the first one counts): passed over.
    if (index < next_)
        return;
    next_ = index + 1;
    seen_[index] = true;
    // After a refusal, or with a table missing before this one (the archive is refused at the
    // end), the rest is only read.
    if (!refusal_.isEmpty() || index != int(written_.size()))
        return;
    const TableSpec &layout = JetLayout::tables()[std::size_t(index)];
    shape_ = ConvertedTable();
    shape_.name = QString::fromUtf8(layout.name);
    sourceColumn_.clear();
    for (const ColumnSpec &c : layout.columns) {
        const QString name = QString::fromUtf8(c.name);
        const int at = source.column(name);
        if (at < 0) {
            refuse(QStringLiteral("nella tabella %1 manca la colonna %2.").arg(shape_.name, name));
            return;
        }
        if (!canHold(c.kind, source.types.at(at))) {
            refuse(QStringLiteral("la colonna %1 della tabella %2 è di tipo %3, che non può contenere %4.")
                       .arg(name, shape_.name, typeName(source.types.at(at)), kindName(c.kind)));
            return;
        }
        shape_.columns << name;
        shape_.kinds << c.kind;
        sourceColumn_ << at;
    }
    for (int c = 0; c < source.columns.size(); ++c) {
        if (!sourceColumn_.contains(c))
            report_->add(shape_.name, QStringLiteral("tutte le righe"), source.columns.at(c),
                         QStringLiteral("colonna sconosciuta al programma, non convertita."));
    }
    report_->count(shape_.name); // the tables in the report in their order
    keyColumn_ = layout.key ? shape_.columns.indexOf(QString::fromUtf8(layout.key)) : -1;
    rowsRead_ = 0;
    keys_.clear();
    amountFindings_.clear();
    dateFindings_.clear();
    linkFindings_.clear();
    written_ << WrittenTable{shape_.name, shape_.columns, shape_.kinds, 0, QList<qint64>(shape_.columns.size(), 0)};
    out_->beginTable(shape_);
    current_ = index;
}

void JetConversion::row(const QList<JetCell> &cells)
{
    if (current_ < 0)
        return;
    ++rowsRead_;
    if (!convertRow(cells))
        return;
    switch (current_) {
    case kPersons:
        persons_ << converted_.at(0).toLongLong();
        put(converted_);
        break;
    case kAddresses:
    case kContacts:
        checkPersonPart(converted_);
        put(converted_);
        break;
    case kProjects:
        checkProject(converted_);
        put(converted_);
        break;
    case kPayments:
        checkPayment(converted_);
        put(converted_);
        break;
    case kStates:
        if (keepState(converted_))
            put(converted_);
        break;
    case kApplication:
        // The program uses the first row only: written once its password is hashed.
        if (++passwordRows_ == 1)
            password_ = converted_;
        break;
    }
}

void JetConversion::endTable()
{
    if (current_ < 0)
        return;
    report_->count(shape_.name).read = rowsRead_;
    for (const QList<JetReport::Finding> *findings : {&amountFindings_, &dateFindings_, &linkFindings_}) {
        for (const JetReport::Finding &f : *findings)
            report_->add(f.table, f.key, f.column, f.text);
    }
    amountFindings_.clear();
    dateFindings_.clear();
    linkFindings_.clear();
    switch (current_) {
    case kPersons:
        personKeys_ = std::move(keys_);
        break;
    case kAddresses:
    case kContacts:
        completePersonPart();
        break;
    case kPayments:
        reportProjects();
        break;
    case kStates:
        reportUnknownStates();
        break;
    case kApplication:
        convertPassword();
        break;
    }
    keys_.clear();
    current_ = -1;
}

bool JetConversion::finish()
{
    current_ = -1;
    QStringList missing;
    for (int i = 0; i < int(JetLayout::tables().size()); ++i) {
        if (!seen_.at(i))
            missing << QString::fromUtf8(JetLayout::tables()[std::size_t(i)].name);
    }
    // What is wrong with the file as a whole is said before what is wrong in a table.
    if (!unreadable_.isEmpty()) {
        refusal_ = QStringLiteral("la definizione della tabella %1 è danneggiata.").arg(unreadable_.first());
    } else if (missing.size() == int(JetLayout::tables().size())) {
        refusal_ = QStringLiteral("il file non contiene le tabelle dell'archivio (Committente, Indirizzo, Recapiti, "
                                  "Progetto, Pagamenti, Stato, Applicazione).");
    } else if (!missing.isEmpty()) {
        refusal_ = QStringLiteral("nel file %1 %2.")
                       .arg(missing.size() == 1 ? QStringLiteral("manca la tabella")
                                                : QStringLiteral("mancano le tabelle"),
                            missing.join(QStringLiteral(", ")));
    }
    return refusal_.isEmpty();
}

void JetConversion::put(const QList<QVariant> &row)
{
    out_->addRow(row);
    WrittenTable &written = written_.last();
    ++written.rows;
    for (int c = 0; c < row.size(); ++c) {
        if (written.kinds.at(c) == Kind::Amount && row.at(c).isValid())
            written.sums[c] = Values::addCents(written.sums.at(c), row.at(c).toLongLong());
    }
}

QString JetConversion::rowKey(const QList<QVariant> &row) const
{
    return keyColumn_ >= 0 ? keyText(shape_.columns.at(keyColumn_), row.at(keyColumn_))
                           : QStringLiteral("riga %1").arg(rowsRead_);
}

bool JetConversion::convertRow(const QList<JetCell> &cells)
{
    struct Pending
    {
        int column;
        JetValues::Amount amount;
        JetValues::Date date;
    };
    QVarLengthArray<Pending, 4> pending;
    converted_.resize(shape_.columns.size());
    for (int c = 0; c < shape_.columns.size(); ++c) {
        const JetCell &cell = cells.at(sourceColumn_.at(c));
        QVariant &value = converted_[c];
        if (cell.type == JetCell::Null) {
            value = QVariant();
            continue;
        }
        switch (shape_.kinds.at(c)) {
        case Kind::Text:
            value = QVariant(cell.text);
            break;
        case Kind::Integer:
            value = QVariant(cell.number);
            break;
        case Kind::Amount: {
            JetValues::Amount amount;
            if (cell.type == JetCell::Money)
                amount = JetValues::fromMoney(cell.number);
            else if (cell.type == JetCell::Double)
                amount = JetValues::fromDouble(cell.real);
            else
                amount = JetValues::fromDecimal(QByteArray::number(cell.number));
            value = amount.valid ? QVariant(amount.cents) : QVariant();
            if (!amount.valid || amount.roundedOff || !Values::isAmountInRange(amount.cents))
                pending.append({c, amount, {}});
            break;
        }
        case Kind::Date: {
            const JetValues::Date date = JetValues::fromJetDate(cell.real);
            value = date.valid ? QVariant(date.date) : QVariant();
            if (!date.valid || date.hadTime)
                pending.append({c, {}, date});
            break;
        }
        }
    }
    if (keyColumn_ >= 0) {
        const QVariant &key = converted_.at(keyColumn_);
        const QString &column = shape_.columns.at(keyColumn_);
        if (!key.isValid())
            return refuse(
                QStringLiteral("la riga %1 della tabella %2 non ha %3.").arg(rowsRead_).arg(shape_.name, column));
        if (keys_.contains(key.toLongLong()))
            return refuse(QStringLiteral("nella tabella %1 più righe hanno %2.").arg(shape_.name, keyText(column, key)));
        keys_.insert(key.toLongLong());
    }
    // The findings name the row by its key, known only now.
    for (const Pending &p : pending) {
        const QString column = shape_.columns.at(p.column);
        if (shape_.kinds.at(p.column) == Kind::Date) {
            dateFindings_ << JetReport::Finding{shape_.name, rowKey(converted_), column,
                                                p.date.valid
                                                    ? QStringLiteral("la data aveva anche un'ora, non conservata.")
                                                    : QStringLiteral("la data non è valida: lasciata vuota.")};
            continue;
        }
        const JetValues::Amount &amount = p.amount;
        if (!amount.valid)
            amountFindings_ << JetReport::Finding{shape_.name, rowKey(converted_), column,
                                                  QStringLiteral("il valore %1 non è un importo: lasciato vuoto.")
                                                      .arg(QString::fromLatin1(amount.decimal))};
        else if (amount.roundedOff)
            amountFindings_ << JetReport::Finding{shape_.name, rowKey(converted_), column,
                                                  QStringLiteral("%1 ha frazioni di centesimo: arrotondato a %2.")
                                                      .arg(QString::fromLatin1(amount.decimal),
                                                           JetValues::centsText(amount.cents))};
        if (amount.valid && !Values::isAmountInRange(amount.cents))
            amountFindings_ << JetReport::Finding{
                shape_.name, rowKey(converted_), column,
                QStringLiteral("%1 supera l'importo massimo che il programma accetta in modifica (%2): conservato.")
                    .arg(JetValues::centsText(amount.cents), Values::maxAmountText())};
    }
    return true;
}

void JetConversion::checkPersonPart(const QList<QVariant> &row)
{
    const qint64 key = row.at(0).toLongLong();
    if (!personKeys_.contains(key))
        linkFindings_ << JetReport::Finding{shape_.name, keyText(QStringLiteral("IdCommittente"), key), QString(),
                                            QStringLiteral("nessun committente ha questa chiave: riga conservata.")};
}

void JetConversion::completePersonPart()
{
    // The persons queries join the three tables: a person without an address or contacts row
    // would not be shown at all. The missing row is made, empty.
    for (const qint64 key : std::as_const(persons_)) {
        if (keys_.contains(key))
            continue;
        QList<QVariant> row(shape_.columns.size());
        row[0] = key;
        put(row);
        report_->add(shape_.name, keyText(QStringLiteral("IdCommittente"), key), QString(),
                     QStringLiteral("il committente non aveva la riga in %1: creata vuota, perché compaia nella "
                                    "rubrica.")
                         .arg(shape_.name));
    }
}

void JetConversion::checkProject(const QList<QVariant> &row)
{
    const QVariant &person = row.at(shape_.column(QStringLiteral("IdCommittente")));
    const QVariant &stored = row.at(shape_.column(QStringLiteral("Importo_pagato")));
    const QVariant &state = row.at(shape_.column(QStringLiteral("Stato")));
    Project project;
    project.key = row.at(0).toLongLong();
    project.hasPerson = person.isValid();
    project.person = person.toLongLong();
    project.personExists = project.hasPerson && personKeys_.contains(project.person);
    project.storedPaid = stored.isValid() ? stored.toLongLong() : 0;
    project.blankState = isBlank(state);
    projectAt_.insert(project.key, projects_.size());
    projects_ << project;
    const QString name = QString::fromUtf8(state.toByteArray());
    if (!project.blankState && !isKnownState(name))
        unknownStates_[name] << QString::number(project.key);
}

void JetConversion::checkPayment(const QList<QVariant> &row)
{
    const QVariant &project = row.at(0);
    const auto at = project.isValid() ? projectAt_.constFind(project.toLongLong()) : projectAt_.constEnd();
    if (at == projectAt_.constEnd()) {
        linkFindings_ << JetReport::Finding{shape_.name, keyText(QStringLiteral("IdFattura"), row.at(1)),
                                            QStringLiteral("IdProgetto"),
                                            project.isValid()
                                                ? QStringLiteral("il progetto %1 non esiste: pagamento conservato.")
                                                      .arg(project.toLongLong())
                                                : QStringLiteral("il pagamento non è di alcun progetto: conservato.")};
        return;
    }
    const QVariant &amount = row.at(2);
    if (amount.isValid()) {
        qint64 &paid = projects_[*at].paid;
        paid = Values::addCents(paid, amount.toLongLong());
    }
}

void JetConversion::reportProjects()
{
    const QString table = QString::fromUtf8(JetLayout::tables()[kProjects].name);
    for (const Project &p : std::as_const(projects_)) {
        const QString key = QStringLiteral("IdProgetto %1").arg(p.key);
        if (!p.hasPerson)
            report_->add(table, key, QStringLiteral("IdCommittente"),
                         QStringLiteral("il progetto non è di alcun committente: conservato."));
        else if (!p.personExists)
            report_->add(table, key, QStringLiteral("IdCommittente"),
                         QStringLiteral("il committente %1 non esiste più: progetto conservato.").arg(p.person));
        if (p.storedPaid != p.paid)
            report_->add(table, key, QStringLiteral("Importo_pagato"),
                         QStringLiteral("l'importo pagato registrato (%1) differisce dalla somma dei pagamenti (%2): "
                                        "conservato com'era (\"Ricalcola importi pagati\" lo corregge).")
                             .arg(JetValues::centsText(p.storedPaid), JetValues::centsText(p.paid)));
        if (p.blankState)
            report_->add(table, key, QStringLiteral("Stato"),
                         QStringLiteral("il progetto non ha uno stato: conservato così."));
    }
    projects_.clear();
    projects_.squeeze();
    projectAt_.clear();
    projectAt_.squeeze();
}

bool JetConversion::keepState(const QList<QVariant> &row)
{
    const QVariant &value = row.at(0);
    const QString name = QString::fromUtf8(value.toByteArray());
    const QString key = QStringLiteral("riga %1").arg(rowsRead_);
    if (isBlank(value)) {
        report_->add(shape_.name, key, QStringLiteral("Stato_progetto"),
                     QStringLiteral("uno stato senza nome non si può scegliere: riga non convertita."));
        return false;
    }
    // The program's list of states does not tell "In corso" from "in corso".
    if (stateNames_.contains(name.toCaseFolded())) {
        report_->add(shape_.name, key, QStringLiteral("Stato_progetto"),
                     QStringLiteral("\"%1\" è già nell'elenco: riga doppia non convertita.").arg(name));
        return false;
    }
    stateNames_.insert(name.toCaseFolded());
    if (!isKnownState(name))
        report_->add(shape_.name, QStringLiteral("\"%1\"").arg(name), QStringLiteral("Stato_progetto"),
                     QStringLiteral("stato a cui il programma non dà un significato (nelle ricerche e nei colori): "
                                    "conservato."));
    return true;
}

void JetConversion::reportUnknownStates()
{
    // Projects in a state the program does not know, counted by name.
    const QString table = QString::fromUtf8(JetLayout::tables()[kProjects].name);
    for (auto it = unknownStates_.cbegin(); it != unknownStates_.cend(); ++it) {
        report_->add(table, QStringLiteral("IdProgetto %1").arg(it.value().join(QStringLiteral(", "))),
                     QStringLiteral("Stato"),
                     QStringLiteral("lo stato \"%1\" non ha un significato per il programma: conservato.").arg(it.key()));
    }
    unknownStates_.clear();
}

void JetConversion::convertPassword()
{
    if (passwordRows_ == 0) {
        password_ = QList<QVariant>{QVariant(QByteArray(""))};
        report_->add(shape_.name, QStringLiteral("riga 1"), QString(),
                     QStringLiteral("la tabella era vuota: creata la riga, senza password."));
    }
    for (qint64 r = passwordRows_; r > 1; --r) {
        report_->add(shape_.name, QStringLiteral("riga %1").arg(r), QString(),
                     QStringLiteral("il programma usa soltanto la prima riga: questa non è convertita."));
    }
    QVariant &codice = password_[0];
    const QString password = QString::fromUtf8(codice.toByteArray());
    if (!password.isEmpty() && !PasswordHash::isHash(password)) {
        const QString hash = PasswordHash::hash(password);
        if (hash.isEmpty()) {
            refuse(QStringLiteral("la password d'avvio non può essere cifrata: memoria insufficiente."));
            return;
        }
        codice = hash.toUtf8();
        report_->add(shape_.name, QStringLiteral("riga 1"), QStringLiteral("Codice"),
                     QStringLiteral("la password d'avvio era scritta in chiaro: ora è conservata cifrata (la stessa "
                                    "password apre il programma)."));
    }
    put(password_);
}
