#include "data/database.h"
#include "data/schema.h"
#include "demodata/demodata.h"
#include "support/testdatabase.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

qint64 count(Database &db, const char *sql) { return db.scalar(sql).toLongLong(); }

QByteArray fileHead(const QString &path, int bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(bytes);
}

// A digest of every row of every table, in key order: two databases with the same digest
// hold the same data.
QByteArray fingerprint(Database &db)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const char *const tables[][2] = {
        {"Committente", "IdCommittente"}, {"Indirizzo", "IdCommittente"}, {"Recapiti", "IdCommittente"},
        {"Progetto", "IdProgetto"},       {"Pagamenti", "IdFattura"},
    };
    for (const auto &table : tables) {
        Statement st(db, QByteArray("SELECT * FROM ") + table[0] + " ORDER BY " + table[1]);
        while (st.step()) {
            for (int c = 0; c < st.columnCount(); ++c) {
                hash.addData(st.columnIsNull(c) ? QByteArray("<null>") : st.columnText(c));
                hash.addData(QByteArray("|"));
            }
        }
    }
    return hash.result();
}

QString toolPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../pratilio-db"); }

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void createRefusesExistingFile();
    void toolRefusesExistingFile();
    void toolCreatesKeyedDatabase();
    void fileNeedsTheKey();
    void newDatabaseHasStatesAndApplicationRow();
    void fillRefusesDatabaseWithPersons();
    void sameSeedSameData();
    void keysAreDense();
    void everyPersonHasAddressAndContacts();
    void paidAmountIsSumOfPayments();
    void paymentKindsAndStatesAreAllPresent();
    void namesAndPlacesAreItalian();
    void codesAndNumbersAreWellFormed();
    void datesAreStoredAndOrdered();

private:
    TestDatabase *demo_ = nullptr;
    DemoData::Counts demoCounts_;
};

void TestDemoData::initTestCase()
{
    demo_ = new TestDatabase(300, 3);
    Database &db = demo_->db();
    demoCounts_ = {count(db, "SELECT COUNT(*) FROM Committente"), count(db, "SELECT COUNT(*) FROM Progetto"),
                   count(db, "SELECT COUNT(*) FROM Pagamenti")};
    QCOMPARE(demoCounts_.persons, 300);
}

void TestDemoData::cleanupTestCase()
{
    delete demo_;
    demo_ = nullptr;
}

void TestDemoData::createRefusesExistingFile()
{
    TestDatabase existing(5);
    const qint64 size = QFileInfo(existing.path()).size();
    const QByteArray head = fileHead(existing.path(), 4096);
    QVERIFY_THROWS_EXCEPTION(DbError, TestDatabase::createAt(existing.programDir(), 0));
    Database other;
    QVERIFY_THROWS_EXCEPTION(DbError, other.create(existing.path(), Schema::databasePassword()));
    QCOMPARE(QFileInfo(existing.path()).size(), size);
    QCOMPARE(fileHead(existing.path(), 4096), head);
    QCOMPARE(count(existing.db(), "SELECT COUNT(*) FROM Committente"), 5);
}

void TestDemoData::toolRefusesExistingFile()
{
    if (!QFileInfo::exists(toolPath()))
        QSKIP("pratilio-db is not built next to the tests");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("esistente.mdb"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("dati del cliente");
    }
    QProcess tool;
    tool.start(toolPath(), {QStringLiteral("create"), path, QStringLiteral("--demo"), QStringLiteral("3")});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 1);
    QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(QStringLiteral("esiste già")));
    QCOMPARE(fileHead(path, 100), QByteArray("dati del cliente"));
}

void TestDemoData::toolCreatesKeyedDatabase()
{
    if (!QFileInfo::exists(toolPath()))
        QSKIP("pratilio-db is not built next to the tests");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nuova/cartella/DatiCliente.mdb"));
    QProcess tool;
    tool.start(toolPath(), {QStringLiteral("create"), path, QStringLiteral("--demo"), QStringLiteral("20"),
                            QStringLiteral("--seed"), QStringLiteral("9")});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral(": 20 persone, ")), qPrintable(out));

    Database db;
    db.open(path, Schema::databasePassword());
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Committente"), 20);
    const QRegularExpression summary(QStringLiteral("(\\d+) progetti, (\\d+) pagamenti"));
    const auto m = summary.match(out);
    QVERIFY(m.hasMatch());
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Progetto"), m.captured(1).toLongLong());
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Pagamenti"), m.captured(2).toLongLong());
}

void TestDemoData::fileNeedsTheKey()
{
    TestDatabase test(2);
    test.db().close();
    QVERIFY(!fileHead(test.path(), 16).startsWith("SQLite format 3"));

    Database wrong;
    QVERIFY_THROWS_EXCEPTION(DbError, wrong.open(test.path(), QByteArrayLiteral("password-errata")));
    Database none;
    QVERIFY_THROWS_EXCEPTION(DbError, none.open(test.path(), QByteArray()));

    Database right;
    right.open(test.path(), Schema::databasePassword());
    QCOMPARE(count(right, "SELECT COUNT(*) FROM Committente"), 2);
}

void TestDemoData::newDatabaseHasStatesAndApplicationRow()
{
    TestDatabase test;
    Database &db = test.db();
    for (const char *state : {"Da iniziare", "In corso", "Sospeso", "Annullato"}) {
        Statement st(db, "SELECT COUNT(*) FROM Stato WHERE Stato_progetto = ?");
        st.bind(1, QString::fromUtf8(state));
        QVERIFY(st.step());
        QVERIFY2(st.columnInt(0) == 1, state);
    }
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Applicazione"), 1);
    QCOMPARE(db.scalar("SELECT Codice FROM Applicazione").toString(), QString());
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Applicazione WHERE Codice = ''"), 1);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Committente"), 0);
}

void TestDemoData::fillRefusesDatabaseWithPersons()
{
    TestDatabase test(3);
    QVERIFY_THROWS_EXCEPTION(DbError, DemoData::fill(test.db(), 3));
    QCOMPARE(count(test.db(), "SELECT COUNT(*) FROM Committente"), 3);
}

void TestDemoData::sameSeedSameData()
{
    TestDatabase again(300, 3);
    QCOMPARE(fingerprint(again.db()), fingerprint(demo_->db()));

    TestDatabase other(300, 4);
    QVERIFY(fingerprint(other.db()) != fingerprint(demo_->db()));

    TestDatabase empty;
    const DemoData::Counts counts = DemoData::fill(empty.db(), 300, 3);
    QCOMPARE(counts.persons, demoCounts_.persons);
    QCOMPARE(counts.projects, demoCounts_.projects);
    QCOMPARE(counts.payments, demoCounts_.payments);
}

void TestDemoData::keysAreDense()
{
    Database &db = demo_->db();
    QCOMPARE(count(db, "SELECT MIN(IdCommittente) FROM Committente"), 0);
    QCOMPARE(count(db, "SELECT MAX(IdCommittente) FROM Committente"), demoCounts_.persons - 1);
    QCOMPARE(count(db, "SELECT MIN(IdProgetto) FROM Progetto"), 0);
    QCOMPARE(count(db, "SELECT MAX(IdProgetto) FROM Progetto"), demoCounts_.projects - 1);
    // Around three projects and ten payments a person.
    QVERIFY(demoCounts_.projects > 2.5 * 300 && demoCounts_.projects < 3.5 * 300);
    QVERIFY(demoCounts_.payments > 8 * 300 && demoCounts_.payments < 12 * 300);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Progetto p LEFT JOIN Committente c "
                       "ON c.IdCommittente = p.IdCommittente WHERE c.IdCommittente IS NULL "
                       "OR p.Cognome_progettista IS NOT c.Cognome OR p.Nome_progettista IS NOT c.Nome"),
             0);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Pagamenti g LEFT JOIN Progetto p "
                       "ON p.IdProgetto = g.IdProgetto WHERE p.IdProgetto IS NULL"),
             0);
    QVERIFY(count(db, "SELECT COUNT(*) FROM Committente c WHERE NOT EXISTS "
                      "(SELECT 1 FROM Progetto p WHERE p.IdCommittente = c.IdCommittente)")
            > 0);
}

void TestDemoData::everyPersonHasAddressAndContacts()
{
    Database &db = demo_->db();
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Indirizzo"), demoCounts_.persons);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Recapiti"), demoCounts_.persons);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Committente c "
                       "LEFT JOIN Indirizzo i ON i.IdCommittente = c.IdCommittente "
                       "LEFT JOIN Recapiti r ON r.IdCommittente = c.IdCommittente "
                       "WHERE i.IdCommittente IS NULL OR r.IdCommittente IS NULL"),
             0);
}

void TestDemoData::paidAmountIsSumOfPayments()
{
    Database &db = demo_->db();
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Progetto p WHERE Importo_pagato IS NULL OR Importo_pagato <> "
                       "(SELECT COALESCE(SUM(Importo), 0) FROM Pagamenti g WHERE g.IdProgetto = p.IdProgetto)"),
             0);
    // Whole euros, stored as integers, and never more than the total.
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Progetto WHERE typeof(Importo_totale) <> 'integer' "
                       "OR typeof(Importo_pagato) <> 'integer' OR Importo_pagato > Importo_totale "
                       "OR Importo_totale < 500 OR Importo_totale > 60000 OR Importo_totale % 50 <> 0"),
             0);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Pagamenti WHERE typeof(Importo) <> 'integer' OR Importo <= 0"), 0);
}

void TestDemoData::paymentKindsAndStatesAreAllPresent()
{
    Database &db = demo_->db();
    QVERIFY(count(db, "SELECT COUNT(*) FROM Progetto WHERE Importo_pagato = Importo_totale") > 0);
    QVERIFY(count(db, "SELECT COUNT(*) FROM Progetto WHERE Importo_pagato > 0 "
                      "AND Importo_pagato < Importo_totale")
            > 0);
    QVERIFY(count(db, "SELECT COUNT(*) FROM Progetto p WHERE Importo_pagato = 0 AND NOT EXISTS "
                      "(SELECT 1 FROM Pagamenti g WHERE g.IdProgetto = p.IdProgetto)")
            > 0);
    for (const QString &state : Schema::defaultStates()) {
        Statement st(db, "SELECT COUNT(*) FROM Progetto WHERE Stato = ?");
        st.bind(1, state);
        QVERIFY(st.step());
        QVERIFY2(st.columnInt(0) > 0, qPrintable(state));
    }
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Progetto WHERE Stato IS NULL OR Stato NOT IN "
                       "(SELECT Stato_progetto FROM Stato)"),
             0);
}

void TestDemoData::namesAndPlacesAreItalian()
{
    Database &db = demo_->db();
    QVERIFY(count(db, "SELECT COUNT(*) FROM Committente WHERE Cognome LIKE '%''%'") > 0);
    QVERIFY(count(db, "SELECT COUNT(*) FROM Indirizzo WHERE \"Città\" IN "
                      "('Forlì', 'Cantù', 'Paternò', 'Cefalù', 'Mondovì', 'Canicattì', 'Città di Castello')")
            > 0);
    QVERIFY(count(db, "SELECT COUNT(*) FROM Committente WHERE Nome IN ('Niccolò', 'Giò', 'Nicolò')") > 0);
    QVERIFY(count(db, "SELECT COUNT(*) FROM Committente WHERE Cognome IS NULL OR Nome IS NULL") == 0);
    // Text columns hold UTF-8, not some other encoding of the accents.
    const QString city = db.scalar("SELECT \"Città\" FROM Indirizzo WHERE \"Città\" LIKE 'Forl%' LIMIT 1").toString();
    if (!city.isEmpty())
        QCOMPARE(city, QStringLiteral("Forlì"));
}

void TestDemoData::codesAndNumbersAreWellFormed()
{
    Database &db = demo_->db();
    const QRegularExpression taxCode(QStringLiteral("^[A-Z]{6}\\d{2}[ABCDEHLMPRST]\\d{2}[A-Z]\\d{3}[A-Z]$"));
    const QRegularExpression vat(QStringLiteral("^\\d{11}$"));
    const QRegularExpression cap(QStringLiteral("^\\d{5}$"));
    const QRegularExpression phone(QStringLiteral("^[0-9 ]+$"));
    const QRegularExpression mail(QStringLiteral("^[a-z0-9.]+@[a-z0-9.-]+\\.[a-z]+$"));
    int withVat = 0, withoutVat = 0, leadingZero = 0, withMail = 0, withSite = 0;
    Statement st(db, "SELECT c.Codice_fiscale, c.Partita_iva, i.CAP, r.Numero_telefono1, r.Numero_cell1, "
                     "r.Numero_fax, r.E_mail, r.Sito_internet FROM Committente c "
                     "JOIN Indirizzo i USING (IdCommittente) JOIN Recapiti r USING (IdCommittente)");
    while (st.step()) {
        const QString cf = QString::fromUtf8(st.columnText(0));
        QVERIFY2(st.columnIsNull(0) || taxCode.match(cf).hasMatch(), qPrintable(cf));
        if (st.columnIsNull(1)) {
            ++withoutVat;
        } else {
            ++withVat;
            QVERIFY(vat.match(QString::fromUtf8(st.columnText(1))).hasMatch());
        }
        const QString code = QString::fromUtf8(st.columnText(2));
        QVERIFY2(cap.match(code).hasMatch(), qPrintable(code));
        leadingZero += code.startsWith(QLatin1Char('0'));
        for (int c = 3; c <= 5; ++c)
            QVERIFY(st.columnIsNull(c) || phone.match(QString::fromUtf8(st.columnText(c))).hasMatch());
        if (!st.columnIsNull(6)) {
            ++withMail;
            QVERIFY2(mail.match(QString::fromUtf8(st.columnText(6))).hasMatch(), st.columnText(6).constData());
        }
        withSite += !st.columnIsNull(7) && st.columnText(7).startsWith("www.");
    }
    QVERIFY(withVat > 0 && withoutVat > 0);
    QVERIFY(leadingZero > 0);
    QVERIFY(withMail > 150 && withMail < 300);
    QVERIFY(withSite > 0);
    // The CAP must be kept as text, or "00184" would lose its zeros.
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Indirizzo WHERE typeof(CAP) <> 'text'"), 0);
}

void TestDemoData::datesAreStoredAndOrdered()
{
    Database &db = demo_->db();
    const char *const badDate = "(%1 IS NOT NULL AND (%1 NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' "
                                "OR date(%1) IS NOT %1 OR %1 < '2000-01-01' OR %1 > '2026-12-31'))";
    for (const char *column : {"Data_inizio", "Data_fine", "Data_scadenza"}) {
        const QByteArray sql = "SELECT COUNT(*) FROM Progetto WHERE "
                               + QString::fromLatin1(badDate).arg(column).toUtf8();
        QVERIFY2(count(db, sql.constData()) == 0, column);
    }
    QCOMPARE(count(db, ("SELECT COUNT(*) FROM Pagamenti WHERE Data IS NULL OR "
                        + QString::fromLatin1(badDate).arg(QStringLiteral("Data")).toUtf8())
                           .constData()),
             0);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Progetto WHERE Data_fine <= Data_inizio "
                       "OR Data_scadenza <= Data_inizio "
                       "OR (Data_inizio IS NULL AND (Data_fine IS NOT NULL OR Data_scadenza IS NOT NULL))"),
             0);
    QVERIFY(count(db, "SELECT COUNT(*) FROM Progetto WHERE Data_fine IS NULL") > 0);
    QVERIFY(count(db, "SELECT COUNT(*) FROM Progetto WHERE Data_fine IS NOT NULL") > 0);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Pagamenti g JOIN Progetto p USING (IdProgetto) "
                       "WHERE g.Data < p.Data_inizio OR (p.Data_fine IS NOT NULL AND g.Data > p.Data_fine)"),
             0);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Pagamenti WHERE Fattura IS NOT NULL AND "
                       "(Fattura NOT GLOB '[0-9][0-9][0-9][0-9]/[0-9][0-9][0-9][0-9]' "
                       "OR substr(Fattura, 1, 4) <> substr(Data, 1, 4))"),
             0);
    QCOMPARE(count(db, "SELECT COUNT(*) FROM Progetto WHERE Archivio IS NOT NULL AND "
                       "Archivio NOT GLOB '[A-Z]-[0-9][0-9][0-9][0-9]/[0-9][0-9][0-9]'"),
             0);
}

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
