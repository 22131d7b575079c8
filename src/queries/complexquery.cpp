#include "queries/complexquery.h"

#include "data/fieldcatalogue.h"
#include "data/query.h"
#include "data/values.h"
#include "queries/conditionqueries.h"

#include <QHash>
#include <QRegularExpression>

namespace ComplexQuery {

namespace {

const QString kCommittente = QStringLiteral("Committente");
const QString kIndirizzo = QStringLiteral("Indirizzo");
const QString kRecapiti = QStringLiteral("Recapiti");
const QString kProgetto = QStringLiteral("Progetto");
const QString kPagamenti = QStringLiteral("Pagamenti");

// The labels the field box shows before its list is first opened, where they differ from
// the catalogue's.
const QHash<QString, QString> &initialVariants()
{
    static const QHash<QString, QString> variants = {
        {QStringLiteral("Cognome progettista"), QStringLiteral("Cognome_progettista")},
        {QStringLiteral("Nome progettista"), QStringLiteral("Nome_progettista")},
        {QStringLiteral("Data di scadenza"), QStringLiteral("Data_scadenza")},
    };
    return variants;
}

// The catalogue column a label names, or an empty text when it names none. Only catalogue
// columns ever reach the statement.
QString columnFor(const QString &label)
{
    if (const auto it = initialVariants().constFind(label); it != initialVariants().constEnd())
        return *it;
    QString column = FieldCatalogue::labelToColumn(label);
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        if (FieldCatalogue::column(i) == column)
            return column;
    }
    return {};
}

bool isDateColumn(const QString &column) { return FieldCatalogue::kindOfColumn(column) == FieldKind::Date; }

bool isAmountColumn(const QString &column) { return FieldCatalogue::kindOfColumn(column) == FieldKind::Amount; }

QString keyOf(const QString &table)
{
    if (table == kPagamenti)
        return QStringLiteral("Pagamenti.IdProgetto");
    return table + QStringLiteral(".IdCommittente");
}

// What the user means by a value: the text itself, or, when he enclosed it in single quotes,
// the text inside them with doubled quotes read as one.
QString meaningOf(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\''))) {
        QString inner = value.mid(1, value.size() - 2);
        inner.replace(QStringLiteral("''"), QStringLiteral("'"));
        return inner;
    }
    return value;
}

// A date text made only of digits and separators can name its own parameter, as it always
// has; any other readable date gets a name of the row, so that the name never runs into the
// rest of the statement.
QString parameterName(const QString &dateText, int row)
{
    static const QRegularExpression plain(QStringLiteral("^[0-9][0-9./-]*$"));
    return plain.match(dateText).hasMatch() ? dateText : QStringLiteral("data_riga%1").arg(row);
}

// An amount as the engine reads it: digits with a point.
QString amountLiteral(qint64 cents)
{
    const QString sign = cents < 0 ? QStringLiteral("-") : QString();
    const qint64 magnitude = cents < 0 ? -cents : cents;
    QString text = sign + QString::number(magnitude / 100);
    if (magnitude % 100 != 0)
        text += QLatin1Char('.') + QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
    return text;
}

// Keeps the join chain whole when payments are involved: payments join a project on
// IdProgetto, so Progetto must stand before Pagamenti, added when no condition names it.
QStringList withProjectBeforePayments(QStringList tables)
{
    const qsizetype payments = tables.indexOf(kPagamenti);
    if (payments < 0 || tables.size() == 1)
        return tables;
    const qsizetype project = tables.indexOf(kProgetto);
    if (project >= 0 && project < payments)
        return tables;
    if (project >= 0)
        tables.removeAt(project);
    tables.insert(tables.indexOf(kPagamenti), kProgetto);
    return tables;
}

QString fromLine(const QStringList &tables)
{
    const qsizetype n = tables.size();
    if (n == 1)
        return QStringLiteral("FROM ") + tables.first();
    // Every table joins the first one on its key, except the payments, which join the project.
    QString from = QStringLiteral("FROM ") + QString(qMax<qsizetype>(1, n - 2), QLatin1Char('(')) + tables.first();
    for (qsizetype j = 1; j < n; ++j) {
        const QString &table = tables.at(j);
        const QString condition = table == kPagamenti ? QStringLiteral("Progetto.IdProgetto=Pagamenti.IdProgetto")
                                                      : keyOf(tables.first()) + QLatin1Char('=') + keyOf(table);
        from += QStringLiteral(" INNER JOIN ") + table + QStringLiteral(" on ") + condition;
        if (j < n - 1 || n == 2)
            from += QLatin1Char(')');
    }
    return from;
}

struct BuiltRow
{
    QString column;
    QString chosenOp;  // as chosen, for the status line
    QString op;        // as the engine gets it (with the colon for a date)
    QString operand;   // literal or parameter name
    QString connector; // normalised
    QString shown;
};

QString rowError(int row, const QString &what) { return QStringLiteral("Riga %1: %2").arg(row).arg(what); }

} // namespace

QStringList operators()
{
    return {QStringLiteral("="),  QStringLiteral("<"),  QStringLiteral(">"),
            QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>")};
}

QStringList connectors() { return {QStringLiteral(" AND "), QStringLiteral(" OR ")}; }

QStringList initialFieldList()
{
    QStringList labels;
    FieldCatalogue catalogue;
    for (int i = 0; i < FieldCatalogue::kCount; ++i)
        labels << catalogue.entry(i).label;
    labels[16] = QStringLiteral("Cognome progettista");
    labels[17] = QStringLiteral("Nome progettista");
    labels[25] = QStringLiteral("Data di scadenza");
    return labels;
}

bool isDateField(const QString &label) { return isDateColumn(columnFor(label)); }

ComplexQueryStatement build(const QList<ConditionRow> &rows, const TableColumnsLookup &columnsOf)
{
    ComplexQueryStatement out;
    if (rows.isEmpty() || rows.first().label.isEmpty()) {
        out.noCondition = true;
        return out;
    }
    if (rows.size() > 5) {
        out.error = QStringLiteral("La query complessa ammette al massimo cinque condizioni.");
        return out;
    }

    static const QStringList searchOrder = {kCommittente, kIndirizzo, kRecapiti, kProgetto, kPagamenti};
    QHash<QString, QStringList> columnsByTable;
    for (const QString &table : searchOrder)
        columnsByTable.insert(table, columnsOf(table));

    QList<BuiltRow> built;
    QStringList tables;
    for (int k = 0; k < rows.size(); ++k) {
        const ConditionRow &row = rows.at(k);
        const int number = k + 1;
        BuiltRow b;

        if (row.label.isEmpty()) {
            out.error = rowError(number, QStringLiteral("scegliere il campo."));
            return out;
        }
        b.column = columnFor(row.label);
        if (b.column.isEmpty()) {
            out.error = rowError(number, QStringLiteral("il campo \"%1\" non esiste.").arg(row.label));
            return out;
        }
        bool found = false;
        for (const QString &table : searchOrder) {
            if (!columnsByTable.value(table).contains(b.column))
                continue;
            found = true;
            if (!tables.contains(table))
                tables << table;
        }
        if (!found) {
            out.error = rowError(number, QStringLiteral("il campo \"%1\" non si trova in nessuna tabella del database.")
                                             .arg(row.label));
            return out;
        }

        if (k > 0) {
            const QString connector = row.connector.trimmed().toUpper();
            if (connector != QLatin1String("AND") && connector != QLatin1String("OR")) {
                out.error = rowError(number, QStringLiteral("scegliere il collegamento AND oppure OR."));
                return out;
            }
            b.connector = QLatin1Char(' ') + connector + QLatin1Char(' ');
        }

        const QString op = row.op.trimmed();
        if (!operators().contains(op)) {
            out.error = rowError(number, op.isEmpty()
                                             ? QStringLiteral("scegliere l'operatore.")
                                             : QStringLiteral("l'operatore \"%1\" non è valido: usare =, <, >, <=, >= "
                                                              "oppure <>.")
                                                   .arg(row.op));
            return out;
        }
        b.chosenOp = op;
        b.op = op;

        if (row.value.isEmpty()) {
            out.error = rowError(number, QStringLiteral("inserire un valore per il campo \"%1\".").arg(row.label));
            return out;
        }
        const QString meaning = meaningOf(row.value);
        if (meaning.contains(QChar(0))) {
            out.error = rowError(number, QStringLiteral("il valore contiene caratteri non ammessi."));
            return out;
        }
        b.shown = FieldCatalogue::quoteConditionValue(row.label, row.value);

        if (isDateColumn(b.column)) {
            const QDate date = Values::parseDate(meaning);
            if (!date.isValid()) {
                out.error = rowError(number, QStringLiteral("\"%1\" non è una data valida; scrivere la data come "
                                                            "gg/mm/aaaa.")
                                                 .arg(row.value));
                return out;
            }
            b.op += QLatin1Char(':');
            b.operand = parameterName(meaning, number);
            out.parameters.append({b.operand, date});
        } else if (isAmountColumn(b.column)) {
            qint64 cents = 0;
            const Values::AmountReading reading = Values::readAmount(meaning, &cents);
            if (reading == Values::AmountReading::NotAnAmount) {
                out.error = rowError(number, QStringLiteral("\"%1\" non è un importo valido.").arg(row.value));
                return out;
            }
            if (reading == Values::AmountReading::OutOfRange) {
                out.error = rowError(number, QStringLiteral("\"%1\" supera l'importo massimo di %2.")
                                                 .arg(row.value, Values::maxAmountText()));
                return out;
            }
            b.operand = amountLiteral(cents);
        } else {
            b.operand = ConditionQueries::quotedLiteral(meaning);
        }
        built << b;
    }

    out.tables = withProjectBeforePayments(tables);
    QString where = QStringLiteral("WHERE ");
    QString extra;
    for (int k = 0; k < built.size(); ++k) {
        const BuiltRow &b = built.at(k);
        where += b.connector + b.column + b.op + b.operand;
        if (k > 0)
            extra += b.connector + b.column + b.op + b.shown;
        out.shownValues << b.shown;
    }
    out.lines = QStringList{QStringLiteral("SELECT DISTINCT *"), fromLine(out.tables), where};
    out.status = QStringLiteral("Query attuale: ") + rows.first().label + built.first().chosenOp + built.first().shown
                 + extra;
    return out;
}

QString columnOfLabel(const QString &label)
{
    const QString column = columnFor(label);
    return column.isEmpty() ? FieldCatalogue::labelToColumn(label) : column;
}

QString valueListTable(const QString &label, const TableColumnsLookup &columnsOf)
{
    const QString column = columnOfLabel(label);
    static const QStringList order = {kCommittente, kIndirizzo, kPagamenti, kProgetto, kRecapiti};
    for (const QString &table : order) {
        if (columnsOf(table).contains(column))
            return table;
    }
    return {};
}

QStringList valueList(const QStringList &texts)
{
    QStringList list;
    for (const QString &text : texts) {
        if (!text.isEmpty())
            list << text;
    }
    list << QStringLiteral("%");
    list.removeDuplicates();
    return list;
}

void setUp(Query &query, const ComplexQueryStatement &statement)
{
    query.close();
    query.setSql(statement.lines);
    query.clearParameters();
    for (const DateParameter &parameter : statement.parameters)
        query.setParameter(parameter.name, parameter.date);
}

ResultStep resultStep(const ComplexQueryStatement &statement)
{
    ResultStep step;
    step.keepsViewKind = true;
    step.addEnabled = false;
    step.deleteEnabled = false;
    step.toggle = DrillDownToggle::ResetDisabled;
    step.drillDownCaption = QStringLiteral("Visualizza progetti");
    if (!statement.canRun())
        return step;
    step.lines = statement.lines;
    for (const DateParameter &parameter : statement.parameters)
        step.parameters.append({parameter.name, parameter.date});
    step.viewKind = statement.tables.value(0) == kPagamenti ? ViewPayments : ViewNone;
    step.gridEditable = false;
    step.status = statement.status;
    return step;
}

} // namespace ComplexQuery
