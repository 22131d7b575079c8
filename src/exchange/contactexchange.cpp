#include "exchange/contactexchange.h"

#include "core/fiscalcode.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "exchange/csvreader.h"
#include "exchange/csvsheetwriter.h"
#include "exchange/personimport.h"
#include "exchange/sheetexport.h"
#include "exchange/vcardfile.h"
#include "queries/querysequence.h"
#include "queries/standardqueries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <utility>

const QString ContactExchange::kVCard4Filter = QStringLiteral("vCard 4.0 (*.vcf)");
const QString ContactExchange::kVCard3Filter = QStringLiteral("vCard 3.0, per telefoni meno recenti (*.vcf)");
const QString ContactExchange::kCsvFilter = QStringLiteral("CSV (*.csv)");

namespace {

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

// At most `most` lines of `lines`, and how many more there are.
QString shortList(const QStringList &lines, int most = 15)
{
    QStringList shown = lines.mid(0, most);
    if (lines.size() > most)
        shown << QStringLiteral("... e altre %L1.").arg(lines.size() - most);
    return shown.join(QLatin1Char('\n'));
}

} // namespace

ContactExchange::ContactExchange(Workspace &workspace, ResultScreen &screen, QWidget *window,
                                 std::function<void()> writePendingEdits) :
    files_(workspace, screen, window, std::move(writePendingEdits), QStringLiteral("ContactImportProgress"))
{}

ContactExchange::~ContactExchange() = default;

QString ContactExchange::confirmTarget(QString path, const QString &suffix)
{
    if (QFileInfo(path).suffix().isEmpty()) {
        while (path.endsWith(QLatin1Char('.')))
            path.chop(1);
        path += QLatin1Char('.') + suffix;
    }
    return FileExchange::confirmTarget(path);
}

std::optional<QByteArray> ContactExchange::readChosenFile(const QString &path)
{
    files_.savePendingEdits();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Dialogs::instance().message(
            QStringLiteral("Impossibile leggere il file \"%1\": %2").arg(native(path), file.errorString()));
        return std::nullopt;
    }
    return file.readAll();
}

// ---------------------------------------------------------------------------------------
// vCard

Dialogs::FileRequest ContactExchange::exportVCardRequest() const
{
    return files_.request(QStringLiteral("Esporta rubrica (vCard)"),
                          {kVCard4Filter, kVCard3Filter, FileExchange::kAllFilter}, QStringLiteral("vcf"));
}

void ContactExchange::exportVCard(const QString &path, const QString &filter)
{
    files_.savePendingEdits();
    const Query &query = *files_.workspace().query();
    if (!query.isActive() || query.fieldIndex(QStringLiteral("Cognome")) < 0
        || query.fieldIndex(QStringLiteral("Nome")) < 0) {
        Dialogs::instance().message(
            QStringLiteral("L'esportazione in vCard riguarda le persone: mostrare prima la rubrica o un elenco di "
                           "persone."));
        return;
    }
    const QString target = confirmTarget(path, QStringLiteral("vcf"));
    if (target.isEmpty())
        return;
    const VCardMapping::Version version = filter == kVCard3Filter ? VCardMapping::Version::V3
                                                                  : VCardMapping::Version::V4;

    Dialogs::instance().message(VCardFile::write(query, target, version).message);
}

Dialogs::FileRequest ContactExchange::importVCardRequest() const
{
    return files_.request(QStringLiteral("Importa rubrica (vCard)"),
                          {QStringLiteral("vCard (*.vcf *.vcard)"), FileExchange::kAllFilter});
}

void ContactExchange::importVCard(const QString &path)
{
    const std::optional<QByteArray> bytes = readChosenFile(path);
    if (!bytes)
        return;
    importPersons(VCardFile::people(*bytes), QFileInfo(path).fileName());
}

// ---------------------------------------------------------------------------------------
// CSV

Dialogs::FileRequest ContactExchange::exportCsvRequest() const
{
    return files_.request(QStringLiteral("Esporta in CSV"), {kCsvFilter, FileExchange::kAllFilter},
                          QStringLiteral("csv"));
}

void ContactExchange::exportCsv(const QString &path)
{
    files_.savePendingEdits();
    Workspace &workspace = files_.workspace();
    if (!workspace.query()->isActive()) {
        Dialogs::instance().message(QStringLiteral("Non c'è nessun risultato da esportare."));
        return;
    }
    const QString target = confirmTarget(path, QStringLiteral("csv"));
    if (target.isEmpty())
        return;
    CsvSheetWriter writer;
    Dialogs::instance().message(SheetExport::run(*workspace.query(), writer, target).message);
}

Dialogs::FileRequest ContactExchange::importCsvRequest() const
{
    return files_.request(QStringLiteral("Importa da CSV"),
                          {QStringLiteral("CSV (*.csv *.txt)"), FileExchange::kAllFilter});
}

void ContactExchange::importCsv(const QString &path)
{
    const std::optional<QByteArray> bytes = readChosenFile(path);
    if (!bytes)
        return;
    const CsvReader::Result read = CsvReader::read(*bytes);
    QStringList recognised;
    const QList<ImportedPerson> people = PersonImport::fromSheet(read.sheet, read.lines, &recognised);
    const QString name = QFileInfo(path).fileName();
    if (recognised.isEmpty()) {
        Dialogs::instance().message(
            QStringLiteral("Il file \"%1\" non ha colonne da importare: la prima riga deve nominarle come la rubrica "
                           "(Cognome, Nome, Città, E-Mail, ...).")
                .arg(name));
        return;
    }
    QStringList titles;
    for (const QString &column : std::as_const(recognised))
        titles << SheetExport::headerFor(column);
    if (!Dialogs::instance().question(QStringLiteral("File \"%1\"\nSeparatore: %2\nCodifica: %3\nColonne riconosciute: "
                                                     "%4\nPersone nel file: %L5\n\nImportarle?")
                                          .arg(name, CsvReader::separatorName(read.separator),
                                               CsvReader::encodingName(read.encoding), titles.join(QStringLiteral(", ")))
                                          .arg(people.size())))
        return;
    importPersons(people, name);
}

// ---------------------------------------------------------------------------------------
// Adding the persons read

void ContactExchange::importPersons(const QList<ImportedPerson> &people, const QString &fileName)
{
    if (people.isEmpty()) {
        Dialogs::instance().message(
            QStringLiteral("Nel file \"%1\" non c'è nessuna persona da importare.").arg(fileName));
        return;
    }
    PersonImport import(files_.workspace().connection());
    QSet<int> skip;
    const QList<int> present = import.alreadyPresent(people);
    if (!present.isEmpty()) {
        QStringList names;
        for (int i : present)
            names << people.at(i).displayName();
        const QString head = present.size() == 1
                                 ? QStringLiteral("1 persona del file è già nella rubrica:")
                                 : QStringLiteral("%L1 persone del file sono già nella rubrica:").arg(present.size());
        if (!Dialogs::instance().question(
                QStringLiteral("%1\n%2\n\nOK: aggiungerle comunque. Annulla: non importarle, importando le altre.")
                    .arg(head, shortList(names))))
            skip = QSet<int>(present.cbegin(), present.cend());
    }
    QStringList wrongCodes;
    for (int i = 0; i < people.size(); ++i) {
        if (skip.contains(i))
            continue;
        for (const QString &problem : PersonImport::codeProblems(people.at(i)))
            wrongCodes << QStringLiteral("%1: %2").arg(people.at(i).displayName(), problem);
    }
    if (!wrongCodes.isEmpty()
        && !Dialogs::instance().question(
            QStringLiteral("Alcuni codici non superano il controllo:\n%1\n\nImportare comunque le persone con i codici "
                           "come sono scritti?")
                .arg(shortList(wrongCodes)))) {
        Dialogs::instance().message(QStringLiteral("Importazione annullata: non è stato importato nessun dato."));
        return;
    }

    const ImportResult result = files_.withProgress(fileName, [&](const SheetImport::Progress &progress) {
        return import.run(people, skip, progress);
    });
    if (result.outcome != ImportResult::Outcome::Imported) {
        Dialogs::instance().message(result.message);
        return;
    }
    files_.showPersons();
    QString report = result.message;
    if (!skip.isEmpty())
        report += QStringLiteral("\nNon importate perché già presenti: %L1.").arg(skip.size());
    QStringList leftOut;
    for (int i = 0; i < people.size(); ++i) {
        if (skip.contains(i))
            continue;
        for (const QString &item : people.at(i).leftOut)
            leftOut << QStringLiteral("%1 - %2").arg(people.at(i).displayName(), item);
    }
    if (!leftOut.isEmpty())
        report += QStringLiteral("\n\nDati del file che non hanno posto nella scheda e non sono stati importati:\n%1")
                      .arg(shortList(leftOut, 25));
    Dialogs::instance().message(report);
}

// ---------------------------------------------------------------------------------------
// Codes to check

QStringList ContactExchange::personsStatement(const QList<qint64> &keys)
{
    QStringList list;
    for (qint64 key : keys)
        list << QString::number(key);
    if (list.isEmpty())
        list << QStringLiteral("-1"); // no key: an empty result
    return {StandardQueries::personsColumns(), StandardQueries::personsTables(),
            StandardQueries::personsJoin()
                + QStringLiteral(" AND Committente.IdCommittente IN (%1)").arg(list.join(QLatin1Char(',')))};
}

void ContactExchange::showCodesToCheck()
{
    files_.savePendingEdits();
    Workspace &workspace = files_.workspace();
    QList<qint64> keys;
    Statement st(workspace.connection(), "SELECT IdCommittente, Codice_fiscale, Partita_iva FROM Committente");
    while (st.step()) {
        const bool fiscal = FiscalCode::acceptable(FiscalCode::checkFiscalCode(QString::fromUtf8(st.columnText(1))));
        const bool vat = FiscalCode::acceptable(FiscalCode::checkVatNumber(QString::fromUtf8(st.columnText(2))));
        if (!fiscal || !vat)
            keys << st.columnInt(0);
    }
    ResultStep step = StandardQueries::describe(StandardQuery::Committente);
    step.lines = personsStatement(keys);
    step.addEnabled = false;
    step.status = QStringLiteral("Query attuale: Codici da verificare");
    QuerySequence::run(workspace, files_.screen(), step);
    if (keys.isEmpty())
        Dialogs::instance().message(
            QStringLiteral("Tutti i codici fiscali e le partite IVA della rubrica superano il controllo."));
}
