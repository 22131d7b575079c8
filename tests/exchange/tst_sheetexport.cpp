#include "exchange/exchangefixture.h"
#include "exchange/sheetexport.h"
#include "exchange/workbookinspector.h"
#include "support/testdatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

using namespace ExchangeFixture;

namespace {

// Records what the export asks of a writer; holds at most `limit` rows.
class RecordingWriter : public SheetWriter
{
public:
    explicit RecordingWriter(int limit) : limit_(limit) {}
    int maxDataRows() const override { return limit_; }
    bool started = false;
    QStringList headers;
    QList<QVariantList> rows;

protected:
    bool start(const QString &, const QStringList &h) override
    {
        started = true;
        headers = h;
        return true;
    }
    bool addRow(int, const QVariantList &cells) override
    {
        rows << cells;
        return true;
    }
    bool close() override { return true; }
    void discard() override {}

private:
    int limit_;
};

} // namespace

// The current result as the grid shows it, into a sheet.
class TestSheetExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerIsTheLabel_data();
    void headerIsTheLabel();
    void personsWithoutKeysInGridOrder();
    void projectsTypedByKind_data();
    void projectsTypedByKind();
    void tooManyRowsRefusedBeforeWriting();
};

void TestSheetExport::headerIsTheLabel_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("header");
    QTest::newRow("same name") << "Cognome"
                               << "Cognome";
    QTest::newRow("tax code") << "Codice_fiscale"
                              << "Codice fiscale";
    QTest::newRow("telephone") << "Numero_telefono1"
                               << "1° Telefono";
    QTest::newRow("client surname") << "Cognome_progettista"
                                    << "Cognome cliente";
    QTest::newRow("due date") << "Data_scadenza"
                              << "Data di consegna";
    QTest::newRow("qualified") << "Progetto.Importo_totale"
                               << "Importo totale";
    QTest::newRow("not in the catalogue") << "Totale"
                                          << "Totale";
}

void TestSheetExport::headerIsTheLabel()
{
    QFETCH(QString, field);
    QFETCH(QString, header);
    QCOMPARE(SheetExport::headerFor(field), header);
}

void TestSheetExport::personsWithoutKeysInGridOrder()
{
    TestDatabase db;
    addPerson(db.db(), {{"Cognome", "Rossi"}, {"CAP", "00184"}});
    addPerson(db.db(), {{"Cognome", "Bianchi"}, {"CAP", "20121"}});
    addPerson(db.db(), {{"Cognome", "Russo"}, {"CAP", "80100"}});
    Query q(&db.db());
    q.setSql(personsStatement());
    q.open();
    q.setFilter(QStringLiteral("Cognome LIKE 'R*'"));
    q.setFiltered(true);
    q.setSort(QStringLiteral("Cognome DESC"));

    RecordingWriter writer(100);
    QTemporaryDir dir;
    const ExportResult result = SheetExport::run(q, writer, dir.filePath(QStringLiteral("elenco.xls")));
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(writer.headers, QStringList({"Cognome", "Nome", "Qualifica", "CAP", "Città", "Via", "1° Telefono",
                                          "2° Telefono", "Fax", "1° Cellulare", "2° Cellulare", "E-Mail",
                                          "Sito internet", "Codice fiscale", "Partita IVA", "Note"}));
    QCOMPARE(writer.rows.size(), 2);
    QCOMPARE(writer.rows.at(0).at(0).toString(), "Russo");
    QCOMPARE(writer.rows.at(1).at(0).toString(), "Rossi");
    QCOMPARE(writer.rows.at(1).at(3).toString(), "00184");
}

void TestSheetExport::projectsTypedByKind_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xls") << "progetti.xls";
    QTest::newRow("xlsx") << "progetti.xlsx";
}

void TestSheetExport::projectsTypedByKind()
{
    QFETCH(QString, file);
    TestDatabase db;
    addPerson(db.db(), {{"Cognome", "Rossi"}, {"Nome", "Mario"}});
    db.db().exec(
        "INSERT INTO Progetto (IdProgetto, IdCommittente, Cognome_progettista, Nome_progettista, Descrizione,"
        " Comune, Stato, Importo_totale, Importo_pagato, Data_inizio, Data_fine, Data_scadenza, Archivio, Nota)"
        " VALUES (0, 0, 'Rossi', 'Mario', 'Ristrutturazione', 'Roma', 'In corso', 1500.5, 250,"
        " '2024-03-05', NULL, '2025-12-31', '007', 'Nota')");
    Query q(&db.db());
    q.setSql({StandardQueries::projectsColumns(), StandardQueries::projectsTables(), StandardQueries::projectsJoin()});
    q.open();
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    const ExportResult result = SheetExport::run(q, path);
    QVERIFY2(result.ok, qPrintable(result.message));

    QString error;
    const QJsonObject sheet = WorkbookInspector::inspect(path, &error);
    QVERIFY2(!sheet.isEmpty(), qPrintable(error));
    QCOMPARE(WorkbookInspector::rowText(sheet, 0),
             "text:Cognome cliente|text:Nome cliente|text:Descrizione|text:Comune|text:Stato|text:Importo totale|"
             "text:Importo pagato|text:Data di inizio|text:Data di fine|text:Data di consegna|text:Archivio|text:Nota");
    QCOMPARE(WorkbookInspector::rowText(sheet, 1),
             "text:Rossi|text:Mario|text:Ristrutturazione|text:Roma|text:In corso|number:1500.5|number:250|"
             "date:05/03/2024|empty:|date:31/12/2025|text:007|text:Nota");
    QVERIFY(sheet.value("bordered").toBool());
    QVERIFY(sheet.value("landscape").toBool());
}

// The check comes before the file is touched: an existing file stays as it was.
void TestSheetExport::tooManyRowsRefusedBeforeWriting()
{
    TestDatabase db(3);
    Query q(&db.db());
    q.setSql(personsStatement());
    q.open();
    RecordingWriter writer(2);
    const ExportResult result = SheetExport::run(q, writer, QStringLiteral("elenco.xls"));
    QVERIFY(!result.ok);
    QVERIFY(!writer.started);
    QCOMPARE(result.message, "Il risultato ha 3 righe, ma un foglio di questo formato ne contiene al massimo 2: "
                             "salvare in formato .xlsx oppure restringere la ricerca. Il file \"elenco.xls\" non "
                             "è stato scritto.");
}

QTEST_GUILESS_MAIN(TestSheetExport)
#include "tst_sheetexport.moc"
