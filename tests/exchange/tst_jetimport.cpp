#include "core/dialogs.h"
#include "core/passwordhash.h"
#include "data/database.h"
#include "data/schema.h"
#include "data/values.h"
#include "exchange/jetconversion.h"
#include "exchange/jetdatabase.h"
#include "exchange/jetfile.h"
#include "exchange/jetimport.h"
#include "exchange/jetreader.h"
#include "exchange/jetreport.h"
#include "exchange/jetvalues.h"
#include "exchange/mdbanswer.h"
#include "support/scripteddialogs.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

// An old office's Jet archive comes along whole: the values mapped exactly, the findings
// listed, the refusals named, and the original never touched.
class TestJetImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void amounts_data();
    void amounts();
    void dates_data();
    void dates();
    void header();
    void conversionInMemory();
    void keysMustBePresentAndDistinct();
    void columnsMustHoldTheData();
    void cutAnswersAreRefused();
    void wholeArchive();
    void recalculatePaidAmounts();
    void otherFilesAreRefused_data();
    void otherFilesAreRefused();
    void anotherPasswordIsAsked();
    void startupOffer();

private:
    static QString data(const QString &file) { return QStringLiteral(PRATILIO_TEST_DATA "/old-office/") + file; }
    static QByteArray sha(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                           : QByteArray();
    }
    // A copy of the archive whose header holds `password` instead of the program's.
    static QString withPassword(const QString &folder, const QString &password);
};

// An in-memory archive: the seven tables with their columns and the given rows.
namespace {

JetCell text(const char *value)
{
    JetCell c;
    c.type = JetCell::Text;
    c.text = value;
    return c;
}
JetCell number(qint64 value)
{
    JetCell c;
    c.type = JetCell::Int;
    c.number = value;
    return c;
}
JetCell money(qint64 tenThousandths)
{
    JetCell c;
    c.type = JetCell::Money;
    c.number = tenThousandths;
    return c;
}
JetCell real(double value, JetCell::Type type = JetCell::Double)
{
    JetCell c;
    c.type = type;
    c.real = value;
    return c;
}
JetCell null() { return JetCell(); }

JetTable table(const char *name, QList<QPair<const char *, quint8>> columns, QList<QList<JetCell>> rows)
{
    JetTable t;
    t.name = QString::fromUtf8(name);
    for (const auto &c : columns) {
        t.columns << QString::fromUtf8(c.first);
        t.types << c.second;
    }
    t.rows = rows;
    return t;
}

constexpr quint8 kLong = 0x04, kMoney = 0x05, kDouble = 0x07, kDate = 0x08, kText = 0x0a, kMemo = 0x0c;

JetData smallArchive()
{
    JetData d;
    d.tables << table("Committente",
                      {{"IdCommittente", kLong},
                       {"Cognome", kText},
                       {"Nome", kText},
                       {"Qualifica", kText},
                       {"Codice_fiscale", kText},
                       {"Partita_iva", kText},
                       {"Note", kMemo}},
                      {{number(0), text("D'Amico"), text("Giò"), text(""), null(), null(), text("riga 1\r\nriga \"2\"")},
                       {number(2), text("Rossi"), null(), null(), null(), null(), null()}});
    d.tables << table("Indirizzo", {{"IdCommittente", kLong}, {"CAP", kText}, {"Città", kText}, {"Via", kText}},
                      {{number(0), text("00184"), text("Roma"), text("")}});
    d.tables << table("Recapiti",
                      {{"IdCommittente", kLong},
                       {"Numero_telefono1", kText},
                       {"Numero_telefono2", kText},
                       {"Numero_fax", kText},
                       {"Numero_cell1", kText},
                       {"Numero_cell2", kText},
                       {"E_mail", kText},
                       {"Sito_internet", kText}},
                      {{number(0), null(), null(), null(), null(), null(), null(), null()},
                       {number(2), null(), null(), null(), null(), null(), null(), null()}});
    d.tables << table("Progetto",
                      {{"IdProgetto", kLong},
                       {"IdCommittente", kLong},
                       {"Cognome_progettista", kText},
                       {"Nome_progettista", kText},
                       {"Descrizione", kMemo},
                       {"Comune", kText},
                       {"Stato", kText},
                       {"Importo_totale", kDouble},
                       {"Importo_pagato", kMoney},
                       {"Data_inizio", kDate},
                       {"Data_fine", kDate},
                       {"Data_scadenza", kDate},
                       {"Archivio", kText},
                       {"Nota", kMemo}},
                      {{number(0), number(0), text("D'Amico"), text("Giò"), null(), null(), text("In corso"),
                        real(1000.125), money(1000000), real(36585, JetCell::Date), real(25568, JetCell::Date),
                        real(36585.5, JetCell::Date), null(), null()},
                       {number(1), number(9), null(), null(), null(), null(), null(), real(0.1 + 0.2), null(), null(),
                        null(), null(), null(), null()}});
    d.tables << table("Pagamenti",
                      {{"IdProgetto", kLong},
                       {"IdFattura", kLong},
                       {"Importo", kMoney},
                       {"Data", kDate},
                       {"Fattura", kText}},
                      {{number(0), number(4), money(600000), real(36585, JetCell::Date), text("F1")},
                       {number(0), number(7), money(400000), null(), null()}});
    d.tables << table("Stato", {{"Stato_progetto", kText}},
                      {{text("In corso")}, {text("Concluso")}, {text("in corso")}});
    d.tables << table("Applicazione", {{"Codice", kText}}, {{text("segreta")}});
    return d;
}

bool hasFinding(const JetReport &report, const QString &table, const QString &key, const QString &column)
{
    for (const JetReport::Finding &f : report.findings()) {
        if (f.table == table && f.key == key && f.column == column)
            return true;
    }
    return false;
}

} // namespace

void TestJetImport::amounts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<bool>("roundedOff");
    // Currency, in ten-thousandths: exact cents, half to even beyond.
    QTest::newRow("money whole cents") << "money" << QByteArray("54558274500") << true << qint64(545582745) << false;
    QTest::newRow("money 1.2345") << "money" << QByteArray("12345") << true << qint64(123) << true;
    QTest::newRow("money 1.2350 to even up") << "money" << QByteArray("12350") << true << qint64(124) << true;
    QTest::newRow("money 1.2250 to even down") << "money" << QByteArray("12250") << true << qint64(122) << true;
    QTest::newRow("money -1.2350") << "money" << QByteArray("-12350") << true << qint64(-124) << true;
    QTest::newRow("money -0.0049") << "money" << QByteArray("-49") << true << qint64(0) << true;
    QTest::newRow("money largest") << "money" << QByteArray("9223372036854775807") << true << qint64(92233720368547758)
                                   << true;
    // Decimal texts, as the currency text and the shortest Double print.
    QTest::newRow("text 1234.5000") << "decimal" << QByteArray("1234.5000") << true << qint64(123450) << false;
    QTest::newRow("text 0.125") << "decimal" << QByteArray("0.125") << true << qint64(12) << true;
    QTest::newRow("text 0.135") << "decimal" << QByteArray("0.135") << true << qint64(14) << true;
    QTest::newRow("text 0.1251") << "decimal" << QByteArray("0.1251") << true << qint64(13) << true;
    QTest::newRow("text 1e-05") << "decimal" << QByteArray("1e-05") << true << qint64(0) << true;
    QTest::newRow("text 1.5e3") << "decimal" << QByteArray("1.5e3") << true << qint64(150000) << false;
    QTest::newRow("text -0") << "decimal" << QByteArray("-0") << true << qint64(0) << false;
    QTest::newRow("text past 64 bits") << "decimal" << QByteArray("1e20") << false << qint64(0) << false;
    QTest::newRow("text garbage") << "decimal" << QByteArray("12a") << false << qint64(0) << false;
    QTest::newRow("text empty") << "decimal" << QByteArray("") << false << qint64(0) << false;
    // Doubles: the decimal the user typed, not the binary's tail.
    QTest::newRow("double 0.1+0.2") << "double" << QByteArray::number(0.1 + 0.2, 'g', 17) << true << qint64(30)
                                    << false;
    QTest::newRow("double 2.675") << "double" << QByteArray("2.675") << true << qint64(268) << true;
    QTest::newRow("double 1000.125") << "double" << QByteArray("1000.125") << true << qint64(100012) << true;
    QTest::newRow("double -5.005") << "double" << QByteArray("-5.005") << true << qint64(-500) << true;
    QTest::newRow("double nan") << "double" << QByteArray("nan") << false << qint64(0) << false;
    QTest::newRow("double inf") << "double" << QByteArray("inf") << false << qint64(0) << false;
}

void TestJetImport::amounts()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, input);
    QFETCH(bool, valid);
    QFETCH(qint64, cents);
    QFETCH(bool, roundedOff);
    JetValues::Amount a;
    if (kind == QLatin1String("money"))
        a = JetValues::fromMoney(input.toLongLong());
    else if (kind == QLatin1String("decimal"))
        a = JetValues::fromDecimal(input);
    else
        a = JetValues::fromDouble(input == "nan"   ? std::nan("")
                                  : input == "inf" ? std::numeric_limits<double>::infinity()
                                                   : input.toDouble());
    QCOMPARE(a.valid, valid);
    if (valid) {
        QCOMPARE(a.cents, cents);
        QCOMPARE(a.roundedOff, roundedOff);
    }
}

void TestJetImport::dates_data()
{
    QTest::addColumn<double>("jet");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("hadTime");
    QTest::newRow("29/02/2000") << 36585.0 << QDate(2000, 2, 29) << false;
    QTest::newRow("31/12/1969") << 25568.0 << QDate(1969, 12, 31) << false;
    QTest::newRow("30/12/1899") << 0.0 << QDate(1899, 12, 30) << false;
    QTest::newRow("before 1899 with a time") << -1.25 << QDate(1899, 12, 29) << true;
    QTest::newRow("noon") << 36585.5 << QDate(2000, 2, 29) << true;
    QTest::newRow("a tenth of a second") << 36585.000001 << QDate(2000, 2, 29) << false;
    QTest::newRow("31/12/9999") << 2958465.0 << QDate(9999, 12, 31) << false;
    QTest::newRow("01/01/100") << -657434.0 << QDate(100, 1, 1) << false;
    QTest::newRow("past 9999") << 2958466.0 << QDate() << false;
    QTest::newRow("before 100") << -657435.0 << QDate() << false;
    QTest::newRow("nan") << std::nan("") << QDate() << false;
}

void TestJetImport::dates()
{
    QFETCH(double, jet);
    QFETCH(QDate, date);
    QFETCH(bool, hadTime);
    const JetValues::Date d = JetValues::fromJetDate(jet);
    QCOMPARE(d.valid, date.isValid());
    if (d.valid) {
        QCOMPARE(d.date, date);
        QCOMPARE(d.hadTime, hadTime);
    }
}

void TestJetImport::header()
{
    JetFile::Header h = JetFile::inspect(data(QStringLiteral("DatiCliente.mdb")));
    QCOMPARE(h.format, JetFile::Format::Jet4);
    QCOMPARE(h.password, QString::fromUtf8(Schema::databasePassword()));
    QCOMPARE(JetFile::inspect(data(QStringLiteral("others/empty.mdb"))).password, QString());
    QCOMPARE(JetFile::inspect(data(QStringLiteral("others/testV1997.mdb"))).format, JetFile::Format::Jet3);
    QByteArray page(4096, '\0');
    page.replace(4, 15, "Standard ACE DB");
    QCOMPARE(JetFile::inspectPage(page).format, JetFile::Format::Accdb);
    page.replace(4, 15, "Standard Jet DB");
    page[0x14] = 3;
    QCOMPARE(JetFile::inspectPage(page).format, JetFile::Format::Accdb);
    QCOMPARE(JetFile::inspectPage(page.left(100)).format, JetFile::Format::Damaged);
    QCOMPARE(JetFile::inspectPage(QByteArray("SQLite format 3")).format, JetFile::Format::NotJet);
    QCOMPARE(JetFile::inspectPage(QByteArray()).format, JetFile::Format::NotJet);
    QCOMPARE(JetFile::inspect(QStringLiteral("/nonexistent/DatiCliente.mdb")).format, JetFile::Format::Unreadable);
    QVERIFY(!JetFile::isJetFile(QStringLiteral("/nonexistent/DatiCliente.mdb")));
}

void TestJetImport::conversionInMemory()
{
    JetConversion conversion;
    JetReport report;
    QVERIFY2(conversion.prepare(smallArchive(), &report), qPrintable(conversion.refusal()));
    const ConvertedTable *persons = conversion.table(QStringLiteral("Committente"));
    QCOMPARE(persons->rows.at(0).at(1).toByteArray(), QByteArray("D'Amico"));
    QCOMPARE(persons->rows.at(0).at(2).toByteArray(), QByteArray("Giò"));
    // Empty stays empty, null stays null; line breaks and quotes as they were.
    QVERIFY(persons->rows.at(0).at(3).isValid());
    QCOMPARE(persons->rows.at(0).at(3).toByteArray(), QByteArray(""));
    QVERIFY(!persons->rows.at(0).at(4).isValid());
    QCOMPARE(persons->rows.at(0).at(6).toByteArray(), QByteArray("riga 1\r\nriga \"2\""));
    // Person 2 had no address: made, empty, and listed; the contacts were there.
    const ConvertedTable *addresses = conversion.table(QStringLiteral("Indirizzo"));
    QCOMPARE(addresses->rows.size(), 2);
    QCOMPARE(addresses->rows.at(1).at(0).toLongLong(), 2);
    QVERIFY(!addresses->rows.at(1).at(1).isValid());
    QVERIFY(hasFinding(report, QStringLiteral("Indirizzo"), QStringLiteral("IdCommittente 2"), QString()));
    QVERIFY(!hasFinding(report, QStringLiteral("Recapiti"), QStringLiteral("IdCommittente 2"), QString()));
    const ConvertedTable *projects = conversion.table(QStringLiteral("Progetto"));
    QCOMPARE(projects->rows.at(0).at(7).toLongLong(), 100012); // 1000,125 to even
    QVERIFY(hasFinding(report, QStringLiteral("Progetto"), QStringLiteral("IdProgetto 0"),
                       QStringLiteral("Importo_totale")));
    QCOMPARE(projects->rows.at(1).at(7).toLongLong(), 30); // 0.1 + 0.2 loses nothing
    QVERIFY(!hasFinding(report, QStringLiteral("Progetto"), QStringLiteral("IdProgetto 1"),
                        QStringLiteral("Importo_totale")));
    QCOMPARE(projects->rows.at(0).at(9).toDate(), QDate(2000, 2, 29));
    QCOMPARE(projects->rows.at(0).at(10).toDate(), QDate(1969, 12, 31));
    QVERIFY(hasFinding(report, QStringLiteral("Progetto"), QStringLiteral("IdProgetto 0"),
                       QStringLiteral("Data_scadenza"))); // its time dropped
    // Paid 100,00 as stored = 60 + 40: nothing to say. Project 1: no person, no state.
    QVERIFY(!hasFinding(report, QStringLiteral("Progetto"), QStringLiteral("IdProgetto 0"),
                        QStringLiteral("Importo_pagato")));
    QVERIFY(hasFinding(report, QStringLiteral("Progetto"), QStringLiteral("IdProgetto 1"),
                       QStringLiteral("IdCommittente")));
    QVERIFY(hasFinding(report, QStringLiteral("Progetto"), QStringLiteral("IdProgetto 1"), QStringLiteral("Stato")));
    // "in corso" repeats "In corso"; "Concluso" is kept and listed.
    const ConvertedTable *states = conversion.table(QStringLiteral("Stato"));
    QCOMPARE(states->rows.size(), 2);
    QVERIFY(
        hasFinding(report, QStringLiteral("Stato"), QStringLiteral("\"Concluso\""), QStringLiteral("Stato_progetto")));
    const QString codice = QString::fromUtf8(
        conversion.table(QStringLiteral("Applicazione"))->rows.at(0).at(0).toByteArray());
    QVERIFY(PasswordHash::isHash(codice));
    QVERIFY(PasswordHash::check(codice, QStringLiteral("segreta")).accepted);
    QCOMPARE(report.count(QStringLiteral("Indirizzo")).read, 1);
    QVERIFY(report.text().contains(QStringLiteral("IdCommittente 2")));
}

void TestJetImport::keysMustBePresentAndDistinct()
{
    JetData d = smallArchive();
    d.tables[0].rows[1][0] = number(0);
    JetConversion conversion;
    JetReport report;
    QVERIFY(!conversion.prepare(d, &report));
    QCOMPARE(conversion.refusal(), QStringLiteral("nella tabella Committente più righe hanno IdCommittente 0."));
    d = smallArchive();
    d.tables[4].rows[1][1] = null();
    QVERIFY(!conversion.prepare(d, &report));
    QCOMPARE(conversion.refusal(), QStringLiteral("la riga 2 della tabella Pagamenti non ha IdFattura."));
}

void TestJetImport::columnsMustHoldTheData()
{
    JetData d = smallArchive();
    d.tables[3].types[7] = 0x06; // single precision
    JetConversion conversion;
    JetReport report;
    QVERIFY(!conversion.prepare(d, &report));
    QCOMPARE(conversion.refusal(), QStringLiteral("la colonna Importo_totale della tabella Progetto è di tipo Numerico "
                                                  "(Precisione singola), che non può contenere un importo."));
    d = smallArchive();
    d.tables[1].columns[3] = QStringLiteral("Strada");
    QVERIFY(!conversion.prepare(d, &report));
    QCOMPARE(conversion.refusal(), QStringLiteral("nella tabella Indirizzo manca la colonna Via."));
    d = smallArchive();
    d.tables.removeAt(5);
    QVERIFY(!conversion.prepare(d, &report));
    QCOMPARE(conversion.refusal(), QStringLiteral("nel file manca la tabella Stato."));
    d = smallArchive();
    d.tables[0].name = QStringLiteral("COMMITTENTE"); // names in any case
    QVERIFY(conversion.prepare(d, &report));
}

void TestJetImport::cutAnswersAreRefused()
{
    QProcess child;
    child.start(JetReader::helperProgram(), {data(QStringLiteral("others/empty.mdb"))});
    QVERIFY(child.waitForFinished());
    QByteArray answer = child.readAllStandardOutput();
    JetReader reader;
    JetData d;
    QVERIFY(reader.readAnswer(answer, &d));
    QVERIFY(d.tables.isEmpty());
    // The whole archive's answer, cut at many points: always refused, never half taken.
    child.start(JetReader::helperProgram(), {data(QStringLiteral("DatiCliente.mdb"))});
    QVERIFY(child.waitForFinished());
    answer = child.readAllStandardOutput();
    QVERIFY(reader.readAnswer(answer, &d));
    QCOMPARE(d.tables.size(), 7);
    for (qsizetype cut = 0; cut < answer.size(); cut += 1 + cut / 3) {
        QVERIFY(!reader.readAnswer(answer.left(cut), &d));
        QVERIFY(!reader.errorString().isEmpty());
    }
    QVERIFY(!reader.readAnswer(answer + "x", &d));
}

void TestJetImport::wholeArchive()
{
    QFile manifestFile(data(QStringLiteral("manifest.json")));
    QVERIFY(manifestFile.open(QIODevice::ReadOnly));
    const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("DatiCliente.mdb"));
    const QString source = data(QStringLiteral("DatiCliente.mdb"));
    const QByteArray before = sha(source);
    ScriptedDialogs dialogs;
    JetReport report;
    QString error;
    QVERIFY2(JetImport::convert(source, target, &report, &error), qPrintable(error));
    QCOMPARE(sha(source), before);
    QVERIFY(dialogs.textQuestions.isEmpty()); // the program's own password: nothing asked

    Database db;
    db.open(target, Schema::databasePassword());
    const QJsonObject rows = manifest.value(QStringLiteral("rows")).toObject();
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        QCOMPARE(report.count(it.key()).read, it.value().toInteger());
        // The two persons missing a row get one each.
        const qint64 made = it.key() == QLatin1String("Indirizzo") || it.key() == QLatin1String("Recapiti") ? 1 : 0;
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(it.key()).toUtf8()).toLongLong(),
                 it.value().toInteger() + made);
        QCOMPARE(report.count(it.key()).written, it.value().toInteger() + made);
    }
    qint64 expected = 0;
    QVERIFY(Values::parseAmount(manifest.value(QStringLiteral("sum_of_payments")).toString(), &expected));
    QCOMPARE(db.scalar("SELECT SUM(CAST(ROUND(Importo * 100) AS INTEGER)) FROM Pagamenti").toLongLong(), expected);
    // Keys as they were, from 0; the next payment number continues after the largest.
    QCOMPARE(db.scalar("SELECT MIN(IdCommittente) FROM Committente").toLongLong(), 0);
    const qint64 largest = db.scalar("SELECT MAX(IdFattura) FROM Pagamenti").toLongLong();
    db.exec("INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (0, 1)");
    QCOMPARE(db.lastInsertRowId(), largest + 1);
    const QJsonObject leap = manifest.value(QStringLiteral("project_leap_day")).toObject();
    QCOMPARE(db.scalar(QStringLiteral("SELECT Data_inizio FROM Progetto WHERE IdProgetto = %1")
                           .arg(leap.value(QStringLiteral("IdProgetto")).toInt())
                           .toUtf8())
                 .toString(),
             leap.value(QStringLiteral("Data_inizio")).toString());
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Progetto WHERE Data_inizio = '1969-12-31' OR Data_fine = '1969-12-31' "
                       "OR Data_scadenza = '1969-12-31'")
                     .toLongLong()
                 > 0,
             true);
    const QJsonObject large = manifest.value(QStringLiteral("project_large")).toObject();
    qint64 largeCents = 0;
    QVERIFY(Values::parseAmount(large.value(QStringLiteral("Importo_totale")).toString(), &largeCents));
    QCOMPARE(db.scalar(QStringLiteral("SELECT CAST(ROUND(Importo_totale * 100) AS INTEGER) FROM Progetto WHERE "
                                      "IdProgetto = %1")
                           .arg(large.value(QStringLiteral("IdProgetto")).toInt())
                           .toUtf8())
                 .toLongLong(),
             largeCents);
    // Texts: the long note, line breaks, apostrophes, accents; and the password hashed.
    QVERIFY(db.scalar("SELECT MAX(LENGTH(Note)) FROM Committente").toLongLong() >= 3000);
    QVERIFY(db.scalar("SELECT COUNT(*) FROM Progetto WHERE Descrizione LIKE '%' || char(13, 10) || '%'").toLongLong()
            > 0);
    QVERIFY(db.scalar("SELECT COUNT(*) FROM Committente WHERE Cognome LIKE '%''%'").toLongLong() > 0);
    const QString codice = db.scalar("SELECT Codice FROM Applicazione").toString();
    QVERIFY(PasswordHash::isHash(codice));
    QVERIFY(PasswordHash::check(codice, manifest.value(QStringLiteral("start_up_password")).toString()).accepted);

    // Every trap of the archive is in the report.
    const auto key = [&](const char *name, const char *column) {
        return QStringLiteral("%1 %2").arg(QLatin1String(column)).arg(manifest.value(QLatin1String(name)).toInt());
    };
    QVERIFY(hasFinding(report, QStringLiteral("Indirizzo"), key("person_without_address", "IdCommittente"), QString()));
    QVERIFY(hasFinding(report, QStringLiteral("Recapiti"), key("person_without_contacts", "IdCommittente"), QString()));
    QVERIFY(hasFinding(report, QStringLiteral("Progetto"), key("project_of_missing_person", "IdProgetto"),
                       QStringLiteral("IdCommittente")));
    for (const QJsonValue &project : manifest.value(QStringLiteral("projects_paid_differs_from_payments")).toArray())
        QVERIFY(hasFinding(report, QStringLiteral("Progetto"), QStringLiteral("IdProgetto %1").arg(project.toInt()),
                           QStringLiteral("Importo_pagato")));
    QVERIFY(
        hasFinding(report, QStringLiteral("Stato"),
                   QStringLiteral("\"%1\"").arg(manifest.value(QStringLiteral("state_not_among_the_four")).toString()),
                   QStringLiteral("Stato_progetto")));
    QVERIFY(!report.findingsOf(QStringLiteral("Progetto")).isEmpty());
    const QString text = report.text();
    QVERIFY(text.contains(QStringLiteral("Committente")));
    QVERIFY(text.contains(QStringLiteral("IdProgetto 24")));
}

void TestJetImport::recalculatePaidAmounts()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("DatiCliente.mdb"));
    ScriptedDialogs dialogs;
    JetReport report;
    QString error;
    QVERIFY2(JetImport::convert(data(QStringLiteral("DatiCliente.mdb")), target, &report, &error), qPrintable(error));
    Database db;
    db.open(target, Schema::databasePassword());
    QCOMPARE(JetDatabase::recalculatePaidAmounts(db), 3);
    QCOMPARE(JetDatabase::recalculatePaidAmounts(db), 0);
    QCOMPARE(db.scalar(
                   "SELECT COUNT(*) FROM Progetto p WHERE CAST(ROUND(COALESCE(Importo_pagato, 0) * 100) AS INTEGER) "
                   "<> (SELECT COALESCE(SUM(CAST(ROUND(Importo * 100) AS INTEGER)), 0) FROM Pagamenti WHERE "
                   "IdProgetto = p.IdProgetto)")
                 .toLongLong(),
             0);
}

void TestJetImport::otherFilesAreRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("Jet 3") << "others/testV1997.mdb"
                           << "Jet 3";
    QTest::newRow("no tables") << "others/empty.mdb"
                               << "non contiene le tabelle";
    QTest::newRow("encoded pages, other tables") << "others/db-enc.mdb"
                                                 << "non contiene le tabelle";
    QTest::newRow("other tables") << "others/testUnicodeCompV2003.mdb"
                                  << "non contiene le tabelle";
    QTest::newRow("not Access") << "README.md"
                                << "non è un archivio Access";
}

void TestJetImport::otherFilesAreRefused()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("DatiCliente.mdb"));
    ScriptedDialogs dialogs;
    JetReport report;
    QString error;
    QVERIFY(!JetImport::convert(data(file), target, &report, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(!QFileInfo::exists(target));
}

QString TestJetImport::withPassword(const QString &folder, const QString &password)
{
    const QString path = QDir(folder).filePath(QStringLiteral("altra.mdb"));
    QFile::copy(data(QStringLiteral("DatiCliente.mdb")), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    QByteArray page = file.read(4096);
    // The password is masked by XOR: masked ^ old ^ new is the new one masked the same way.
    QByteArray oldPlain(40, '\0'), newPlain(40, '\0');
    const QString old = QString::fromUtf8(Schema::databasePassword());
    for (int i = 0; i < old.size(); ++i)
        oldPlain[2 * i] = char(old.at(i).unicode());
    for (int i = 0; i < password.size(); ++i)
        newPlain[2 * i] = char(password.at(i).unicode());
    for (int i = 0; i < 40; ++i)
        page[0x42 + i] = char(page[0x42 + i] ^ oldPlain[i] ^ newPlain[i]);
    file.seek(0);
    file.write(page);
    return path;
}

void TestJetImport::anotherPasswordIsAsked()
{
    QTemporaryDir dir;
    const QString source = withPassword(dir.path(), QStringLiteral("studio99"));
    QCOMPARE(JetFile::inspect(source).password, QStringLiteral("studio99"));
    const QString target = dir.filePath(QStringLiteral("DatiCliente.mdb"));
    ScriptedDialogs dialogs;
    JetReport report;
    QString error;
    // Cancelled: nothing written.
    QVERIFY(!JetImport::convert(source, target, &report, &error));
    QVERIFY(error.contains(QStringLiteral("annullata")));
    QVERIFY(!QFileInfo::exists(target));
    // A wrong one is asked again; the right one converts.
    dialogs.textAnswers = {QStringLiteral("Studio99"), QStringLiteral("studio99")};
    QVERIFY2(JetImport::convert(source, target, &report, &error), qPrintable(error));
    QCOMPARE(dialogs.textQuestions.size(), 3);
    QVERIFY(dialogs.textQuestions.last().startsWith(QStringLiteral("Password errata")));
}

void TestJetImport::startupOffer()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("Database")));
    const QString path = Schema::databasePath(dir.path());
    QFile::copy(data(QStringLiteral("DatiCliente.mdb")), path);
    const QByteArray original = sha(path);
    ScriptedDialogs dialogs;
    JetReport report;
    // "No": the program ends and nothing is touched.
    dialogs.answerNext(false);
    QCOMPARE(JetImport::offerAtStartup(path, &report), JetImport::StartupOutcome::Ended);
    QCOMPARE(sha(path), original);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("Database"))).entryList(QDir::Files).size(), 1);
    QVERIFY(dialogs.questions.last().contains(QStringLiteral("DatiCliente-jet.mdb")));
    // "Sì": converted, the original kept beside it, byte for byte.
    dialogs.answerNext(true);
    QCOMPARE(JetImport::offerAtStartup(path, &report), JetImport::StartupOutcome::Converted);
    const QString aside = dir.filePath(QStringLiteral("Database/DatiCliente-jet.mdb"));
    QCOMPARE(sha(aside), original);
    QCOMPARE(report.originalKept, QFileInfo(aside).absoluteFilePath());
    Database db;
    db.open(path, Schema::databasePassword());
    Schema::checkStructure(db);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 250);
    db.close();
    // Now the database is the program's own: nothing more is offered.
    QCOMPARE(JetImport::offerAtStartup(path, &report), JetImport::StartupOutcome::NotJet);
    // A second old archive put there later keeps the first one's copy too.
    QFile::remove(path);
    QFile::copy(data(QStringLiteral("DatiCliente.mdb")), path);
    QCOMPARE(JetImport::asideName(path), dir.filePath(QStringLiteral("Database/DatiCliente-jet-2.mdb")));
    // A refused file: said, nothing touched.
    QFile::remove(path);
    QFile::copy(data(QStringLiteral("others/empty.mdb")), path);
    dialogs.answerNext(true);
    QCOMPARE(JetImport::offerAtStartup(path, &report), JetImport::StartupOutcome::Ended);
    QVERIFY(dialogs.errors.last().contains(QStringLiteral("Non è stato modificato nulla")));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Database/DatiCliente-jet-2.mdb"))));
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".conversione")));
}

QTEST_MAIN(TestJetImport)
#include "tst_jetimport.moc"
