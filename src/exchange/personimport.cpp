#include "exchange/personimport.h"

#include "core/fiscalcode.h"
#include "data/database.h"
#include "data/query.h"
#include "exchange/sheetreader.h"
#include "queries/standardqueries.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

QString folded(const QString &text) { return text.trimmed().toCaseFolded(); }

} // namespace

QList<int> PersonImport::alreadyPresent(const QList<ImportedPerson> &people)
{
    struct Known
    {
        QString surname, name, code;
    };
    QMultiHash<QString, Known> known; // by surname
    Statement st(db_, "SELECT Cognome, Nome, Codice_fiscale FROM Committente");
    while (st.step()) {
        const Known k{folded(QString::fromUtf8(st.columnText(0))), folded(QString::fromUtf8(st.columnText(1))),
                      folded(QString::fromUtf8(st.columnText(2)))};
        known.insert(k.surname, k);
    }
    QList<int> present;
    if (known.isEmpty())
        return present; // an empty address book: no one is there already
    for (int i = 0; i < people.size(); ++i) {
        const PersonValues &v = people.at(i).values;
        const QString surname = folded(v.value(QStringLiteral("Cognome")));
        auto it = known.constFind(surname);
        if (it == known.constEnd())
            continue; // no one of that surname: the rest need not be folded
        const QString name = folded(v.value(QStringLiteral("Nome")));
        const QString code = folded(v.value(QStringLiteral("Codice_fiscale")));
        if (surname.isEmpty() && name.isEmpty())
            continue; // nothing to tell the person by
        for (; it != known.constEnd() && it.key() == surname; ++it) {
            if (it->name == name && (code.isEmpty() || it->code.isEmpty() || it->code == code)) {
                present << i;
                break;
            }
        }
    }
    return present;
}

ImportResult PersonImport::run(const QList<ImportedPerson> &people, const QSet<int> &skip, const Progress &progress)
{
    try {
        return write(people, skip, progress);
    } catch (const DbError &e) {
        ImportResult result;
        result.message = e.text() + QStringLiteral("\nNon è stato importato nessun dato.");
        return result;
    }
}

ImportResult PersonImport::write(const QList<ImportedPerson> &people, const QSet<int> &skip, const Progress &progress)
{
    ImportResult result;
    // The tables behind the persons result and the columns each holds, as the result names them.
    Query persons(&db_);
    persons.setSql({StandardQueries::personsColumns(), StandardQueries::personsTables(),
                    StandardQueries::personsJoin() + QStringLiteral(" AND 0=1")});
    persons.open();
    struct TableRows
    {
        QString table;
        QStringList columns;      // the key first
        QList<int> personIndexes; // per column after the key: the person column's index
        std::unique_ptr<Statement> insert;
    };
    std::vector<TableRows> tables;
    for (const char *key : {"Committente.IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente"}) {
        const FieldInfo &info = persons.fieldInfo(persons.fieldIndex(QLatin1String(key)));
        tables.push_back({info.table, {info.column}, {}, nullptr});
    }
    for (const QString &column : SheetImport::personColumns()) {
        const FieldInfo &info = persons.fieldInfo(persons.fieldIndex(column));
        for (TableRows &t : tables) {
            if (t.table.compare(info.table, Qt::CaseInsensitive) == 0) {
                t.columns << info.column;
                t.personIndexes << PersonValues::indexOf(column);
            }
        }
    }

    Transaction tx(db_);
    qint64 key = 0;
    for (const TableRows &t : tables)
        key = std::max(key, db_.nextKey(t.table, t.columns.first()) + 1);
    for (TableRows &t : tables) {
        t.insert = std::make_unique<Statement>(db_, Database::insertStatement(t.table, t.columns));
    }
    const int total = int(people.size() - skip.size());
    int done = 0;
    for (int i = 0; i < people.size(); ++i) {
        if (skip.contains(i))
            continue;
        const ImportedPerson &person = people.at(i);
        try {
            for (TableRows &t : tables) {
                Statement &st = *t.insert;
                st.reset();
                st.bind(1, key);
                for (int k = 0; k < t.personIndexes.size(); ++k) {
                    const QString &text = person.values.at(t.personIndexes.at(k));
                    if (text.isEmpty())
                        st.bindNull(k + 2);
                    else
                        st.bindText(k + 2, text.toUtf8());
                }
                st.step();
            }
        } catch (const DbError &e) {
            result.sheetRow = person.origin;
            result.message = QStringLiteral("La persona %1 (\"%2\") non può essere importata: %3\n"
                                            "Non è stato importato nessun dato.")
                                 .arg(person.origin)
                                 .arg(person.displayName(), e.text());
            return result;
        }
        ++key;
        ++done;
        if (progress && !progress(done, total)) {
            result.outcome = ImportResult::Outcome::Cancelled;
            result.message = QStringLiteral("Importazione annullata: non è stato importato nessun dato.");
            return result;
        }
    }
    tx.commit();
    result.outcome = ImportResult::Outcome::Imported;
    result.persons = done;
    result.message = done == 1 ? QStringLiteral("È stata importata 1 persona.")
                               : QStringLiteral("Sono state importate %L1 persone.").arg(done);
    return result;
}

QList<ImportedPerson> PersonImport::fromSheet(const SheetContent &sheet, const QList<int> &lines,
                                              QStringList *recognised)
{
    QList<QPair<int, QString>> mapped; // sheet column, person column; the first of two wins
    QStringList taken;
    for (int c = 0; c < sheet.header.size(); ++c) {
        const QString column = SheetImport::columnForHeader(sheet.header.at(c));
        if (column.isEmpty() || taken.contains(column))
            continue;
        taken << column;
        mapped.append({c, column});
    }
    if (recognised)
        *recognised = taken;
    QList<ImportedPerson> people;
    for (int r = 0; r < sheet.rows.size(); ++r) {
        const QStringList &row = sheet.rows.at(r);
        ImportedPerson person;
        person.origin = r < lines.size() ? lines.at(r) : r + 2;
        for (const auto &[c, column] : mapped) {
            const QString text = c < row.size() ? row.at(c) : QString();
            if (!text.trimmed().isEmpty())
                person.values.insert(column, text);
        }
        if (!person.values.isEmpty())
            people << person;
    }
    return people;
}

QStringList PersonImport::codeProblems(const ImportedPerson &person)
{
    QStringList problems;
    const QString code = person.values.value(QStringLiteral("Codice_fiscale"));
    const FiscalCode::Verdict fiscal = FiscalCode::checkFiscalCode(code);
    if (!FiscalCode::acceptable(fiscal))
        problems << QStringLiteral("codice fiscale %1: %2").arg(code.trimmed(), FiscalCode::reason(fiscal));
    const QString vat = person.values.value(QStringLiteral("Partita_iva"));
    const FiscalCode::Verdict vatVerdict = FiscalCode::checkVatNumber(vat);
    if (!FiscalCode::acceptable(vatVerdict))
        problems << QStringLiteral("partita IVA %1: %2").arg(vat.trimmed(), FiscalCode::reason(vatVerdict));
    return problems;
}
