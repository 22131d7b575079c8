#include "exchange/contactexchange.h"

#include "core/errorhandler.h"
#include "core/fiscalcode.h"
#include "core/programpaths.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "exchange/csvreader.h"
#include "exchange/csvsheetwriter.h"
#include "exchange/personimport.h"
#include "exchange/sheetexchange.h"
#include "exchange/sheetexport.h"
#include "exchange/vcardmapping.h"
#include "exchange/vcardreader.h"
#include "queries/querysequence.h"
#include "queries/standardqueries.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSaveFile>

#include <algorithm>
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

// A file read whole; empty with `error` set when it cannot be read.
QByteArray readFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Impossibile leggere il file \"%1\": %2").arg(native(path), file.errorString());
        return {};
    }
    return file.readAll();
}

} // namespace

ContactExchange::ContactExchange(Workspace &workspace, ResultScreen &screen, QWidget *window,
                                 std::function<void()> writePendingEdits) :
    workspace_(workspace), screen_(screen), window_(window), writePendingEdits_(std::move(writePendingEdits))
{
    progress_ = new QProgressDialog(window_);
    progress_->setObjectName(QStringLiteral("ContactImportProgress"));
    progress_->setWindowTitle(QStringLiteral("Pratilio+"));
    progress_->setCancelButtonText(QStringLiteral("Annulla"));
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(500);
    progress_->reset();
}

ContactExchange::~ContactExchange() = default;

QString ContactExchange::outputFolder() const
{
    const QString folder = workspace_.paths().path(ProgramPaths::Place::Output);
    return QDir().mkpath(folder) ? folder : workspace_.programDir();
}

QString ContactExchange::confirmTarget(QString path, const QString &suffix) const
{
    if (QFileInfo(path).suffix().isEmpty()) {
        while (path.endsWith(QLatin1Char('.')))
            path.chop(1);
        path += QLatin1Char('.') + suffix;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        Dialogs::instance().message(
            QStringLiteral("\"%1\" è una cartella: scegliere un nome di file.").arg(native(path)));
        return {};
    }
    if (info.exists()
        && !Dialogs::instance().question(QStringLiteral("Il file \"%1\" esiste già. Sostituirlo?").arg(native(path))))
        return {};
    return path;
}

// ---------------------------------------------------------------------------------------
// vCard

Dialogs::FileRequest ContactExchange::exportVCardRequest() const
{
    return {QStringLiteral("Esporta rubrica (vCard)"),
            outputFolder(),
            {kVCard4Filter, kVCard3Filter, SheetExchange::kAllFilter},
            QStringLiteral("vcf")};
}

void ContactExchange::exportVCard(const QString &path, const QString &filter)
{
    writePendingEdits_();
    workspace_.saveTypedChange();
    const Query &query = *workspace_.query();
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

    QList<std::pair<QString, int>> columns; // the person columns the result holds
    for (const QString &column : SheetImport::personColumns()) {
        const int index = query.fieldIndex(column);
        if (index >= 0)
            columns.append({column, index});
    }
    // The rows as the grid shows them: the quick search applied, in its order.
    const int rows = SheetExport::exportedRowCount(query);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        Dialogs::instance().message(
            QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(native(target), file.errorString()));
        return;
    }
    PersonValues person;
    for (int row = 0; row < rows; ++row) {
        person.clear();
        for (const auto &[column, index] : std::as_const(columns))
            person.insert(column, query.text(row, index));
        file.write(VCardMapping::toCard(person, version));
    }
    if (!file.commit()) {
        Dialogs::instance().message(
            QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(native(target), file.errorString()));
        return;
    }
    Dialogs::instance().message(
        rows == 1 ? QStringLiteral("Esportata 1 persona nel file \"%1\".").arg(native(target))
                  : QStringLiteral("Esportate %L1 persone nel file \"%2\".").arg(rows).arg(native(target)));
}

Dialogs::FileRequest ContactExchange::importVCardRequest() const
{
    return {QStringLiteral("Importa rubrica (vCard)"),
            outputFolder(),
            {QStringLiteral("vCard (*.vcf *.vcard)"), SheetExchange::kAllFilter},
            QString()};
}

void ContactExchange::importVCard(const QString &path)
{
    writePendingEdits_();
    workspace_.saveTypedChange();
    QString error;
    const QByteArray bytes = readFile(path, &error);
    if (!error.isEmpty()) {
        Dialogs::instance().message(error);
        return;
    }
    QList<ImportedPerson> people;
    int number = 0;
    for (const VCard &card : VCardReader::read(bytes)) {
        ImportedPerson person = VCardMapping::fromCard(card);
        person.origin = ++number;
        people << person;
    }
    importPersons(people, QFileInfo(path).fileName());
}

// ---------------------------------------------------------------------------------------
// CSV

Dialogs::FileRequest ContactExchange::exportCsvRequest() const
{
    return {QStringLiteral("Esporta in CSV"),
            outputFolder(),
            {kCsvFilter, SheetExchange::kAllFilter},
            QStringLiteral("csv")};
}

void ContactExchange::exportCsv(const QString &path)
{
    writePendingEdits_();
    workspace_.saveTypedChange();
    if (!workspace_.query()->isActive()) {
        Dialogs::instance().message(QStringLiteral("Non c'è nessun risultato da esportare."));
        return;
    }
    const QString target = confirmTarget(path, QStringLiteral("csv"));
    if (target.isEmpty())
        return;
    CsvSheetWriter writer;
    Dialogs::instance().message(SheetExport::run(*workspace_.query(), writer, target).message);
}

Dialogs::FileRequest ContactExchange::importCsvRequest() const
{
    return {QStringLiteral("Importa da CSV"),
            outputFolder(),
            {QStringLiteral("CSV (*.csv *.txt)"), SheetExchange::kAllFilter},
            QString()};
}

void ContactExchange::importCsv(const QString &path)
{
    writePendingEdits_();
    workspace_.saveTypedChange();
    QString error;
    const QByteArray bytes = readFile(path, &error);
    if (!error.isEmpty()) {
        Dialogs::instance().message(error);
        return;
    }
    const CsvReader::Result read = CsvReader::read(bytes);
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
    PersonImport import(workspace_.connection());
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

    progress_->setLabelText(QStringLiteral("Importazione delle persone dal file \"%1\"...").arg(fileName));
    progressTotal_ = -1;
    const ImportResult result = import.run(people, skip, [this](int done, int total) { return progress(done, total); });
    progress_->reset();
    if (result.outcome != ImportResult::Outcome::Imported) {
        Dialogs::instance().message(result.message);
        return;
    }
    QuerySequence::run(workspace_, screen_, StandardQueries::describe(StandardQuery::Committente));
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

bool ContactExchange::progress(int done, int total)
{
    if (total != progressTotal_) {
        progressTotal_ = total;
        progress_->setRange(0, total);
        progress_->setValue(0);
    }
    const int step = std::max(1, total / 200);
    if (done % step == 0 || done == total)
        progress_->setValue(done);
    return !progress_->wasCanceled();
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
    writePendingEdits_();
    workspace_.saveTypedChange();
    QList<qint64> keys;
    Statement st(workspace_.connection(), "SELECT IdCommittente, Codice_fiscale, Partita_iva FROM Committente");
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
    QuerySequence::run(workspace_, screen_, step);
    if (keys.isEmpty())
        Dialogs::instance().message(
            QStringLiteral("Tutti i codici fiscali e le partite IVA della rubrica superano il controllo."));
}
