#include "app/mainwindowfixture.h"
#include "data/values.h"
#include "exchange/exchangefixture.h"
#include "exchange/sheetexchange.h"
#include "exchange/sheetimport.h"
#include "exchange/sheetreader.h"

#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTemporaryDir>

// "Esporta in Excel" and "Importa da Excel" through the main window, with the file
// dialogs and questions answered by the script.
class TestSheetExchange : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        startFixture();
        outside_ = std::make_unique<QTemporaryDir>();
        QVERIFY(outside_->isValid());
    }
    void cleanup() { stopFixture(); }

    void extensionFollowsTheFilter_data();
    void extensionFollowsTheFilter();
    void dialogsStartInOutput();
    void exportThenImportGivesThePersons_data();
    void exportThenImportGivesThePersons();
    void exportHoldsTheGridsRows();
    void typedChangeIsSavedFirst();
    void paymentsColumns();
    void joinWithoutKeyColumns();
    void replacingAsksFirst();
    void tooManyRowsForXlsOffersXlsx();
    void importRefusedWhenPersonsExist();
    void importCancelledWritesNothing();
    void unreadableFileKeepsTheResult();

private:
    // Exports the current result to `name` in a folder outside the program's.
    QString exportTo(const QString &name, const QString &filter = SheetExchange::kXlsFilter);
    SheetContent read(const QString &path);
    QString outside(const QString &name) const { return QDir(outside_->path()).filePath(name); }
    int rowOf(const QString &field, qint64 key) const;

    std::unique_ptr<QTemporaryDir> outside_; // a fresh one for each case
};

QString TestSheetExchange::exportTo(const QString &name, const QString &filter)
{
    dialogs_->answerNextFile(outside(name), filter);
    trigger("SalvaInXLS");
    return SheetExchange::withExtension(outside(name), filter);
}

int TestSheetExchange::rowOf(const QString &field, qint64 key) const
{
    for (int r = 0; r < query()->recordCount(); ++r) {
        if (query()->value(r, column(field)).toLongLong() == key)
            return r;
    }
    return -1;
}

SheetContent TestSheetExchange::read(const QString &path)
{
    SheetContent content;
    QString error;
    const std::unique_ptr<SheetReader> reader = SheetReader::forFile(path, &error);
    if (!reader || !reader->read(path, &content))
        qWarning("%s", qPrintable(reader ? reader->errorString() : error));
    return content;
}

void TestSheetExchange::extensionFollowsTheFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("written");
    const QString xls = SheetExchange::kXlsFilter, xlsx = SheetExchange::kXlsxFilter, all = FileExchange::kAllFilter;
    QTest::newRow("no extension, xls") << "/d/rubrica" << xls << "/d/rubrica.xls";
    QTest::newRow("no extension, xlsx") << "/d/rubrica" << xlsx << "/d/rubrica.xlsx";
    QTest::newRow("no extension, all files") << "/d/rubrica" << all << "/d/rubrica.xls";
    QTest::newRow("typed xlsx under the xls filter") << "/d/rubrica.xlsx" << xls << "/d/rubrica.xlsx";
    QTest::newRow("typed xls under the xlsx filter") << "/d/rubrica.xls" << xlsx << "/d/rubrica.xls";
    QTest::newRow("upper case kept") << "/d/RUBRICA.XLS" << xlsx << "/d/RUBRICA.XLS";
    QTest::newRow("other extension") << "/d/rubrica.txt" << xlsx << "/d/rubrica.txt.xlsx";
    QTest::newRow("trailing dot") << "/d/rubrica." << xls << "/d/rubrica.xls";
    QTest::newRow("dotted folder") << "/d/v1.2/rubrica" << xls << "/d/v1.2/rubrica.xls";
}

void TestSheetExchange::extensionFollowsTheFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QCOMPARE(SheetExchange::withExtension(typed, filter), written);
}

void TestSheetExchange::dialogsStartInOutput()
{
    start();
    const QString output = QDir(db_->programDir()).filePath("Output");
    QVERIFY(QDir(output).removeRecursively());

    trigger("SalvaInXLS"); // cancelled: the script has no file
    trigger("ImportaDaExcel");
    QCOMPARE(int(dialogs_->fileRequests.size()), 2);
    for (const Dialogs::FileRequest &request : std::as_const(dialogs_->fileRequests)) {
        QCOMPARE(request.folder, output);
        QCOMPARE(request.filters, QStringList({"Excel file (*.xls)", "Excel 2007+ (*.xlsx)", "All files (*)"}));
    }
    QCOMPARE(dialogs_->fileRequests[0].caption, QStringLiteral("Esporta in Excel"));
    QCOMPARE(dialogs_->fileRequests[1].caption, QStringLiteral("Importa da Excel"));
    QVERIFY(QDir(output).exists());
    QVERIFY(QDir(output).isEmpty());
    QVERIFY(dialogs_->messages.isEmpty());
    QVERIFY(dialogs_->opened.isEmpty());
}

void TestSheetExchange::exportThenImportGivesThePersons_data()
{
    QTest::addColumn<QString>("filter");
    QTest::newRow("xls") << SheetExchange::kXlsFilter;
    QTest::newRow("xlsx") << SheetExchange::kXlsxFilter;
}

void TestSheetExchange::exportThenImportGivesThePersons()
{
    QFETCH(QString, filter);
    start(30);
    trigger("QueryCommittente");
    const QString path = exportTo("rubrica", filter);
    QVERIFY2(dialogs_->messages.isEmpty(), qPrintable(dialogs_->messages.join('\n')));
    QVERIFY(QFile::exists(path));
    QCOMPARE(dialogs_->opened, QStringList(path)); // handed to the spreadsheet program
    const QStringList persons = ExchangeFixture::personLines(db_->db());
    QCOMPARE(persons.size(), 30);

    // A new office with an empty address book.
    startup_.reset();
    db_.reset();
    start(0);
    dialogs_->clear();
    dialogs_->answerNextFile(path, filter);
    trigger("ImportaDaExcel");
    QCOMPARE(dialogs_->messages, QStringList("Sono state importate 30 persone."));
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(ExchangeFixture::personLines(db_->db()), persons);
    QCOMPARE(keysOf("Committente.IdCommittente"),
             std::set<qint64>({0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                               15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29}));
    // The main window shows the persons.
    QCOMPARE(query()->recordCount(), 30);
    QCOMPARE(main()->statusText(), StandardQueries::describe(StandardQuery::Committente).status);
}

void TestSheetExchange::exportHoldsTheGridsRows()
{
    start(40);
    trigger("QueryCommittente");
    query()->setFilter(QStringLiteral("Cognome LIKE '*o*'"));
    query()->setFiltered(true);
    main()->DBGrid1TitleClick(column("Cognome"));
    main()->DBGrid1TitleClick(column("Cognome")); // descending
    QVERIFY(query()->recordCount() > 1);
    QVERIFY(query()->recordCount() < 40);

    const SheetContent sheet = read(exportTo("scelti.xlsx"));
    QCOMPARE(sheet.header, QStringList({"Cognome", "Nome", "Qualifica", "CAP", "Città", "Via", "1° Telefono",
                                        "2° Telefono", "Fax", "1° Cellulare", "2° Cellulare", "E-Mail", "Sito internet",
                                        "Codice fiscale", "Partita IVA", "Note"}));
    QStringList grid, written;
    for (int r = 0; r < query()->recordCount(); ++r) {
        QStringList cells;
        for (const QString &field : SheetImport::personColumns())
            cells << query()->text(r, column(field));
        grid << cells.join('|');
    }
    for (const QStringList &row : sheet.rows)
        written << row.join('|');
    QCOMPARE(written, grid);
    // The result is as it was: still filtered and sorted.
    QVERIFY(query()->isFiltered());
    QVERIFY(query()->sort().contains(QStringLiteral("Cognome")));
}

void TestSheetExchange::typedChangeIsSavedFirst()
{
    start(5);
    trigger("QueryCommittente");
    query()->setCurrentRow(2);
    query()->edit();
    query()->fieldByName(QStringLiteral("Via")).setAsString(QStringLiteral("Via Nuova 1"));

    const SheetContent sheet = read(exportTo("rubrica.xlsx"));
    QCOMPARE(sheet.rows.value(2).value(sheet.header.indexOf("Via")), QStringLiteral("Via Nuova 1"));
    QCOMPARE(db_->db().scalar("SELECT COUNT(*) FROM Indirizzo WHERE Via = 'Via Nuova 1'").toInt(), 1);
}

void TestSheetExchange::paymentsColumns()
{
    start(30);
    const qint64 project = db_->db().scalar("SELECT IdProgetto FROM Pagamenti LIMIT 1").toLongLong();
    const qint64 person
        = db_->db()
              .scalar(QStringLiteral("SELECT IdCommittente FROM Progetto WHERE IdProgetto = %1").arg(project).toUtf8())
              .toLongLong();
    trigger("QueryCommittente");
    query()->setCurrentRow(rowOf(QStringLiteral("Committente.IdCommittente"), person));
    main()->drillDownToProjects();
    query()->setCurrentRow(rowOf(QStringLiteral("IdProgetto"), project));
    main()->drillDownToPayments();
    QCOMPARE(main()->globals().viewKind, 3);
    const int payments = query()->recordCount();
    QVERIFY(payments > 0);

    const SheetContent sheet = read(exportTo("pagamenti"));
    QCOMPARE(sheet.header, QStringList({"Importo", "Data", "Fattura"}));
    QCOMPARE(int(sheet.rows.size()), payments);
}

void TestSheetExchange::joinWithoutKeyColumns()
{
    start(10);
    // What a complex query may leave: every column of a join, the keys of both tables included.
    main()->runQuery(
        StandardQueries::personsQuery({QStringLiteral("SELECT DISTINCT *"), QStringLiteral("FROM Committente, Progetto"),
                                       QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente")},
                                      QStringLiteral("Query attuale: Ricerca avanzata")));
    QVERIFY(query()->recordCount() > 0);

    const SheetContent sheet = read(exportTo("progetti.xls"));
    QCOMPARE(sheet.header,
             QStringList({"Cognome", "Nome", "Qualifica", "Codice fiscale", "Partita IVA", "Note", "Cognome cliente",
                          "Nome cliente", "Descrizione", "Comune", "Stato", "Importo totale", "Importo pagato",
                          "Data di inizio", "Data di fine", "Data di consegna", "Archivio", "Nota"}));
    QCOMPARE(int(sheet.rows.size()), query()->recordCount());
}

void TestSheetExchange::replacingAsksFirst()
{
    start(5);
    trigger("QueryCommittente");
    const QString path = outside("rubrica.xls");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("vecchio");
    old.close();

    dialogs_->answerNext(false); // "Annulla"
    exportTo("rubrica.xls");
    QCOMPARE(dialogs_->questions,
             QStringList(QStringLiteral("Il file \"%1\" esiste già. Sostituirlo?").arg(QDir::toNativeSeparators(path))));
    QFile same(path);
    QVERIFY(same.open(QIODevice::ReadOnly));
    QCOMPARE(same.readAll(), QByteArray("vecchio"));
    same.close();
    QVERIFY(dialogs_->opened.isEmpty());
    QCOMPARE(QDir(outside_->path()).entryList(QDir::Files | QDir::Hidden), QStringList("rubrica.xls"));

    dialogs_->answerNext(true);
    exportTo("rubrica.xls");
    QCOMPARE(int(read(path).rows.size()), 5);
    QCOMPARE(dialogs_->opened, QStringList(path));
}

void TestSheetExchange::tooManyRowsForXlsOffersXlsx()
{
    start(30);
    // A result of more rows than a 97-2003 sheet holds, without a huge database.
    main()->runQuery(StandardQueries::projectsQuery({QStringLiteral("SELECT Pagamenti.Importo, Stato.Stato_progetto"),
                                                     QStringLiteral("FROM Pagamenti, Progetto, Stato"),
                                                     QStringLiteral("WHERE Pagamenti.Importo >= 0")},
                                                    QStringLiteral("Query attuale: prova")));
    const int rows = query()->recordCount();
    QVERIFY2(rows > 65535, qPrintable(QString::number(rows)));

    dialogs_->answerNext(false);
    exportTo("tutto");
    QCOMPARE(int(dialogs_->questions.size()), 1);
    // Counts are grouped the Italian way, whatever the machine's language.
    QVERIFY2(dialogs_->questions[0].contains(QStringLiteral(" %1 righe, ").arg(Values::groupedCount(rows)))
                 && dialogs_->questions[0].contains(QStringLiteral("al massimo 65.535.")),
             qPrintable(dialogs_->questions[0]));
    QVERIFY(dialogs_->questions[0].contains(QDir::toNativeSeparators(outside("tutto.xlsx"))));
    QVERIFY(QDir(outside_->path()).isEmpty()); // nothing written
    QVERIFY(dialogs_->messages.isEmpty());

    dialogs_->answerNext(true);
    exportTo("tutto");
    QVERIFY(!QFile::exists(outside("tutto.xls")));
    QCOMPARE(int(read(outside("tutto.xlsx")).rows.size()), rows);
    QCOMPARE(dialogs_->opened, QStringList(outside("tutto.xlsx")));
}

void TestSheetExchange::importRefusedWhenPersonsExist()
{
    start(10);
    trigger("QueryCommittente");
    const QString path = exportTo("rubrica.xlsx");
    trigger("QueryProgetto");
    const QStringList before = ExchangeFixture::personLines(db_->db());

    dialogs_->clear();
    dialogs_->answerNextFile(path);
    trigger("ImportaDaExcel");
    QCOMPARE(dialogs_->messages, QStringList(SheetImport::kNotEmptyMessage));
    QCOMPARE(ExchangeFixture::personLines(db_->db()), before);
    QCOMPARE(ExchangeFixture::count(db_->db(), "Indirizzo"), qint64(10));
    // The persons that stand in the way are shown.
    QCOMPARE(main()->statusText(), StandardQueries::describe(StandardQuery::Committente).status);
}

void TestSheetExchange::importCancelledWritesNothing()
{
    start(20);
    trigger("QueryCommittente");
    const QString path = exportTo("rubrica.xlsx");
    startup_.reset();
    db_.reset();
    start(0);
    trigger("QueryProgetto");
    const QString status = main()->statusText();

    // "Annulla" pressed once the first persons are written.
    auto *progress = child<QProgressDialog>("ImportProgress");
    QVERIFY(!progress->isVisible());
    auto *bar = progress->findChild<QProgressBar *>();
    QVERIFY(bar);
    connect(bar, &QProgressBar::valueChanged, progress, [progress](int value) {
        if (value >= 3 && !progress->wasCanceled())
            progress->cancel();
    });
    dialogs_->clear();
    dialogs_->answerNextFile(path);
    trigger("ImportaDaExcel");
    QCOMPARE(dialogs_->messages, QStringList("Importazione annullata: non è stato importato nessun dato."));
    QCOMPARE(ExchangeFixture::count(db_->db(), "Committente"), qint64(0));
    QCOMPARE(ExchangeFixture::count(db_->db(), "Recapiti"), qint64(0));
    QCOMPARE(main()->statusText(), status);
    QVERIFY(!progress->isVisible());

    // The next import starts afresh.
    disconnect(bar, nullptr, progress, nullptr);
    dialogs_->clear();
    dialogs_->answerNextFile(path);
    trigger("ImportaDaExcel");
    QCOMPARE(dialogs_->messages, QStringList("Sono state importate 20 persone."));
    QCOMPARE(ExchangeFixture::count(db_->db(), "Committente"), qint64(20));
}

void TestSheetExchange::unreadableFileKeepsTheResult()
{
    start(0);
    trigger("QueryProgetto");
    const QString status = main()->statusText();
    QFile text(outside("elenco.xls"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Cognome;Nome\nRossi;Anna\n");
    text.close();

    dialogs_->answerNextFile(text.fileName());
    trigger("ImportaDaExcel");
    QCOMPARE(int(dialogs_->messages.size()), 1);
    QVERIFY(dialogs_->messages[0].contains(QDir::toNativeSeparators(text.fileName())));
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(main()->statusText(), status);
    QCOMPARE(ExchangeFixture::count(db_->db(), "Committente"), qint64(0));
}

QTEST_MAIN(TestSheetExchange)
#include "tst_sheetexchange.moc"
