#include "app/mainwindowfixture.h"
#include "exchange/contactexchange.h"
#include "exchange/exchangefixture.h"
#include "exchange/vcardreader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// The address book exchange through the main window's menus: vCard and CSV out and in,
// and the persons whose codes fail the check, with the dialogs answered by the script.
class TestContactExchange : public QObject, public MainWindowFixture
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

    void vCardExportFollowsTheGridAndImportsBack();
    void vCard3OnRequest();
    void vCardExportNeedsPersons();
    void personsAlreadyPresentAreAskedAbout();
    void wrongCodesAreAskedAbout();
    void csvShowsWhatItFoundBeforeImporting();
    void csvExportThenImport();
    void codesToCheck();

private:
    QString outside(const QString &name) const { return QDir(outside_->path()).filePath(name); }
    void emptyAddressBook()
    {
        for (const char *table : {"Pagamenti", "Progetto", "Committente", "Indirizzo", "Recapiti"})
            db_->db().exec(QByteArray("DELETE FROM ") + table);
    }
    QByteArray contents(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    std::unique_ptr<QTemporaryDir> outside_;
};

void TestContactExchange::vCardExportFollowsTheGridAndImportsBack()
{
    start(25);
    trigger("QueryCommittente");
    const QStringList before = ExchangeFixture::personLines(db_->db());
    query()->setFilter(QStringLiteral("Cognome LIKE '*a*'"));
    query()->setFiltered(true);
    main()->DBGrid1TitleClick(column("Cognome"));
    main()->DBGrid1TitleClick(column("Cognome")); // descending
    const int shown = query()->recordCount();
    QVERIFY(shown > 1 && shown < 25);

    dialogs_->answerNextFile(outside("rubrica"), ContactExchange::kVCard4Filter);
    trigger("EsportaVCard");
    QCOMPARE(dialogs_->fileRequests.last().caption, QStringLiteral("Esporta rubrica (vCard)"));
    QCOMPARE(dialogs_->fileRequests.last().folder, QDir(db_->programDir()).filePath("Output"));
    QCOMPARE(dialogs_->messages.last(),
             QStringLiteral("Esportate %1 persone nel file \"%2\".").arg(shown).arg(outside("rubrica.vcf")));
    const QList<VCard> cards = VCardReader::read(contents(outside("rubrica.vcf")));
    QCOMPARE(cards.size(), shown);
    for (int r = 0; r < shown; ++r) {
        QCOMPARE(cards.at(r).version, QStringLiteral("4.0"));
        QVERIFY(cards.at(r).all("N").first()->value.startsWith(query()->text(r, column("Cognome"))));
    }

    // The whole address book out and back into an empty one.
    query()->setFiltered(false);
    dialogs_->answerNextFile(outside("tutti.vcf"), ContactExchange::kVCard4Filter);
    trigger("EsportaVCard");
    emptyAddressBook();
    dialogs_->clear();
    dialogs_->answerNextFile(outside("tutti.vcf"));
    trigger("ImportaVCard");
    QCOMPARE(dialogs_->fileRequests.last().caption, QStringLiteral("Importa rubrica (vCard)"));
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(dialogs_->messages.last(), QStringLiteral("Sono state importate 25 persone."));
    // In the grid's order (still sorted by surname), so compared as sets.
    QStringList after = ExchangeFixture::personLines(db_->db());
    QStringList expected = before;
    after.sort();
    expected.sort();
    QCOMPARE(after, expected);
    QCOMPARE(query()->recordCount(), 25); // the persons are shown
}

void TestContactExchange::vCard3OnRequest()
{
    start(3);
    trigger("QueryCommittente");
    dialogs_->answerNextFile(outside("vecchio.vcf"), ContactExchange::kVCard3Filter);
    trigger("EsportaVCard");
    const QList<VCard> cards = VCardReader::read(contents(outside("vecchio.vcf")));
    QCOMPARE(cards.size(), 3);
    QCOMPARE(cards.first().version, QStringLiteral("3.0"));
    // Replacing the file is asked first; Cancel leaves it as it was.
    const QByteArray old = contents(outside("vecchio.vcf"));
    addPerson(QStringLiteral("Nuovo"));
    trigger("QueryCommittente");
    dialogs_->answerNext(false);
    dialogs_->answerNextFile(outside("vecchio.vcf"), ContactExchange::kVCard3Filter);
    trigger("EsportaVCard");
    QVERIFY(dialogs_->questions.last().contains(QStringLiteral("esiste già")));
    QCOMPARE(contents(outside("vecchio.vcf")), old);
}

void TestContactExchange::vCardExportNeedsPersons()
{
    start(3);
    trigger("QueryProgetto");
    dialogs_->answerNextFile(outside("progetti.vcf"), ContactExchange::kVCard4Filter);
    trigger("EsportaVCard");
    QVERIFY(dialogs_->messages.last().contains(QStringLiteral("riguarda le persone")));
    QVERIFY(!QFile::exists(outside("progetti.vcf")));
}

void TestContactExchange::personsAlreadyPresentAreAskedAbout()
{
    start(0);
    addPerson(QStringLiteral("Rossi")); // Anna Rossi
    QFile f(outside("due.vcf"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:ROSSI;anna\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Verdi;Luca\r\nTEL;TYPE=cell:1\r\nTEL;TYPE=cell:2\r\nTEL;TYPE=cell:3\r\n"
            "END:VCARD\r\n");
    f.close();
    // Cancel: the person already present is left out, the other added.
    dialogs_->answerNext(false);
    dialogs_->answerNextFile(outside("due.vcf"));
    trigger("ImportaVCard");
    QCOMPARE(dialogs_->questions.size(), 1);
    QVERIFY(
        dialogs_->questions.first().startsWith(QStringLiteral("1 persona del file è già nella rubrica:\nROSSI anna")));
    QCOMPARE(ExchangeFixture::count(db_->db(), "Committente"), 2);
    QCOMPARE(dialogs_->messages.last(),
             QStringLiteral("È stata importata 1 persona.\nNon importate perché già presenti: 1.\n\nDati del file che "
                            "non hanno posto nella scheda e non sono stati importati:\nVerdi Luca - Cellulare: 3"));
    // OK: added again.
    dialogs_->clear();
    dialogs_->answerNextFile(outside("due.vcf"));
    trigger("ImportaVCard");
    QCOMPARE(dialogs_->questions.size(), 1);
    QVERIFY(dialogs_->questions.first().startsWith(QStringLiteral("2 persone del file sono già nella rubrica:")));
    QCOMPARE(ExchangeFixture::count(db_->db(), "Committente"), 4);
}

void TestContactExchange::wrongCodesAreAskedAbout()
{
    start(0);
    QFile f(outside("codici.vcf"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("BEGIN:VCARD\r\nN:Bianchi;Ugo\r\nX-CODICE-FISCALE:RSSMRA85T10A562T\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nN:Neri;Eva\r\nX-CODICE-FISCALE:RSSMRA85T10A562S\r\nX-PARTITA-IVA:06363391001\r\n"
            "END:VCARD\r\n");
    f.close();
    dialogs_->answerNext(false);
    dialogs_->answerNextFile(outside("codici.vcf"));
    trigger("ImportaVCard");
    QCOMPARE(dialogs_->questions,
             QStringList{"Alcuni codici non superano il controllo:\nBianchi Ugo: codice fiscale RSSMRA85T10A562T: il "
                         "carattere di controllo non corrisponde\n\nImportare comunque le persone con i codici come "
                         "sono scritti?"});
    QCOMPARE(ExchangeFixture::count(db_->db(), "Committente"), 0);
    // OK: saved as written, never changed.
    dialogs_->answerNextFile(outside("codici.vcf"));
    trigger("ImportaVCard");
    QCOMPARE(db_->db().scalar("SELECT Codice_fiscale FROM Committente WHERE Cognome = 'Bianchi'").toString(),
             QStringLiteral("RSSMRA85T10A562T"));
}

void TestContactExchange::csvShowsWhatItFoundBeforeImporting()
{
    start(0);
    QFile f(outside("elenco.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(
        "Cognome,Citt\xE0,Colonna estranea\r\n\"Rossi, detto \"\"Ro\"\"\",Forl\xEC,x\r\nVerdi,\"Roma\r\nNord\",y\r\n");
    f.close();
    dialogs_->answerNext(false);
    dialogs_->answerNextFile(outside("elenco.csv"));
    trigger("ImportaCSV");
    QCOMPARE(dialogs_->fileRequests.last().caption, QStringLiteral("Importa da CSV"));
    QCOMPARE(dialogs_->questions.last(),
             QStringLiteral("File \"elenco.csv\"\nSeparatore: virgola\nCodifica: Windows-1252\nColonne riconosciute: "
                            "Cognome, Città\nPersone nel file: 2\n\nImportarle?"));
    QCOMPARE(ExchangeFixture::count(db_->db(), "Committente"), 0);
    dialogs_->answerNextFile(outside("elenco.csv"));
    trigger("ImportaCSV");
    QCOMPARE(ExchangeFixture::personLines(db_->db()),
             (QStringList{"Rossi, detto \"Ro\"||||Forlì|||||||||||", "Verdi||||Roma\r\nNord|||||||||||"}));
    // A file whose header names no column of the address book is refused.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("a;b\r\n1;2\r\n");
    f.close();
    dialogs_->answerNextFile(outside("elenco.csv"));
    trigger("ImportaCSV");
    QVERIFY(dialogs_->messages.last().contains(QStringLiteral("non ha colonne da importare")));
}

void TestContactExchange::csvExportThenImport()
{
    start(15);
    trigger("QueryCommittente");
    const QStringList before = ExchangeFixture::personLines(db_->db());
    dialogs_->answerNextFile(outside("rubrica"), ContactExchange::kCsvFilter);
    trigger("EsportaCSV");
    QCOMPARE(dialogs_->fileRequests.last().caption, QStringLiteral("Esporta in CSV"));
    QVERIFY(contents(outside("rubrica.csv"))
                .startsWith("\xEF\xBB\xBF"
                            "Cognome;Nome;Qualifica;CAP;Citt\xC3\xA0;Via;1\xC2\xB0 Telefono"));
    emptyAddressBook();
    dialogs_->clear();
    dialogs_->answerNextFile(outside("rubrica.csv"));
    trigger("ImportaCSV");
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(dialogs_->messages.last(), QStringLiteral("Sono state importate 15 persone."));
    QCOMPARE(ExchangeFixture::personLines(db_->db()), before);

    // Any result goes out as CSV: amounts with a decimal comma, dates dd/mm/yyyy.
    const qint64 person = addPerson(QStringLiteral("Conti"));
    const qint64 project = addProject(person, QStringLiteral("Conti"), 1000, 0);
    db_->db().exec(QStringLiteral("UPDATE Progetto SET Importo_totale = 1234.5, Data_inizio = '2024-03-05' "
                                  "WHERE IdProgetto = %1")
                       .arg(project));
    trigger("QueryProgetto");
    dialogs_->answerNextFile(outside("progetti.csv"), ContactExchange::kCsvFilter);
    trigger("EsportaCSV");
    const QByteArray csv = contents(outside("progetti.csv"));
    QVERIFY(csv.contains("\r\nConti;Anna;"));
    QVERIFY(csv.contains(";1234,50;0;05/03/2024;"));
}

void TestContactExchange::codesToCheck()
{
    start(0);
    const qint64 good = addPerson(QStringLiteral("Giusti"));
    const qint64 badCode = addPerson(QStringLiteral("Sbagli"));
    const qint64 badVat = addPerson(QStringLiteral("Iva"));
    const qint64 foreign = addPerson(QStringLiteral("Estero"));
    Database &db = db_->db();
    db.exec(QStringLiteral("UPDATE Committente SET Codice_fiscale = 'RSSMRA85T10A562S', Partita_iva = '06363391001' "
                           "WHERE IdCommittente = %1")
                .arg(good));
    db.exec(QStringLiteral("UPDATE Committente SET Codice_fiscale = 'RSSMRA85F10A562R' WHERE IdCommittente = %1")
                .arg(badCode));
    db.exec(QStringLiteral("UPDATE Committente SET Partita_iva = '12345678901' WHERE IdCommittente = %1").arg(badVat));
    db.exec(QStringLiteral("UPDATE Committente SET Codice_fiscale = 'X1234567' WHERE IdCommittente = %1").arg(foreign));
    trigger("CodiciDaVerificare");
    QCOMPARE(keysOf(QStringLiteral("Committente.IdCommittente")), (std::set<qint64>{badCode, badVat, foreign}));
    QVERIFY(dialogs_->messages.isEmpty());
    // Mended, the list is empty and the user is told so.
    db.exec(QStringLiteral("DELETE FROM Committente WHERE IdCommittente <> %1").arg(good));
    trigger("CodiciDaVerificare");
    QCOMPARE(query()->recordCount(), 0);
    QCOMPARE(dialogs_->messages.last(),
             QStringLiteral("Tutti i codici fiscali e le partite IVA della rubrica superano il controllo."));
}

QTEST_MAIN(TestContactExchange)
#include "tst_contactexchange.moc"
