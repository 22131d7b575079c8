// Reading address cards: the line and value rules of vCard 2.1, 3.0 and 4.0, the mapping
// onto a person's fields, and every card written by other programs in tests/data/vcard/.
#include "exchange/vcardmapping.h"
#include "exchange/vcardreader.h"

#include <QtTest>

namespace {

QString dataFile(const QString &name) { return QStringLiteral(PRATILIO_TESTS_DIR "/data/vcard/") + name; }

QByteArray fileBytes(const QString &name)
{
    QFile file(dataFile(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(name));
    return file.readAll();
}

// The persons of the cards of `bytes`.
QList<ImportedPerson> persons(const QByteArray &bytes)
{
    QList<ImportedPerson> list;
    for (const VCard &card : VCardReader::read(bytes))
        list << VCardMapping::fromCard(card);
    return list;
}

ImportedPerson onlyPerson(const QByteArray &bytes)
{
    const QList<ImportedPerson> list = persons(bytes);
    if (list.size() != 1)
        qFatal("expected one card, read %d", int(list.size()));
    return list.first();
}

} // namespace

class TestVCardReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fields_data();
    void fields();
    void cardsOfAFile_data();
    void cardsOfAFile();
    void parametersOfEachVersion_data();
    void parametersOfEachVersion();
    void structuredValuesAndEscapes();
    void binaryBlocksAreSkipped();
    void morePhonesThanTheRecordHolds();
    void cardWithoutAName();
    void filesOfOtherPrograms_data();
    void filesOfOtherPrograms();
    void everyFileReadsWithoutLoss();
};

// One card's text (lines joined by CR LF unless they hold their own ends), one field.
void TestVCardReader::fields_data()
{
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    const QByteArray b = "BEGIN:VCARD\r\nVERSION:3.0\r\n", e = "END:VCARD\r\n";
    QTest::newRow("plain") << b + "N:Rossi;Mario;;;\r\n" + e << "Cognome"
                           << "Rossi";
    QTest::newRow("folded with CR LF and a blank") << b + "N:Ros\r\n si;Mario;;;\r\n" + e << "Cognome"
                                                   << "Rossi";
    QTest::newRow("folded with LF and a tab") << QByteArray("BEGIN:VCARD\nN:Ros\n\tsi;Mario\nEND:VCARD\n") << "Cognome"
                                              << "Rossi";
    QTest::newRow("folded, the blank inside the value kept") << b + "NOTE:due\r\n  parole\r\n" + e << "Note"
                                                             << "due parole";
    QTest::newRow("CR CR LF line ends") << QByteArray("BEGIN:VCARD\r\r\nN:Rossi;Mario\r\r\n ne\r\r\nEND:VCARD\r\r\n")
                                        << "Nome"
                                        << "Marione";
    QTest::newRow("CR line ends") << QByteArray("BEGIN:VCARD\rN:Rossi;Mario\rEND:VCARD\r") << "Nome"
                                  << "Mario";
    QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + b + "N:Rossi;Mario\r\n" + e << "Cognome"
                                     << "Rossi";
    QTest::newRow("UTF-16 with its mark")
        << QByteArray("\xFF\xFE")
               + QByteArray::fromRawData(reinterpret_cast<const char *>(u"BEGIN:VCARD\r\nN:Giò\r\nEND:VCARD"), 58)
        << "Cognome"
        << "Giò";
    QTest::newRow("quoted-printable, UTF-8, soft line break")
        << QByteArray(
               "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Citt=C3=\r\n=A0;Gi=C3=B2\r\n")
               + e
        << "Nome"
        << "Giò";
    QTest::newRow("quoted-printable across three lines")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;QUOTED-PRINTABLE:uno=0D=0A=\r\ndue=\r\n tre\r\n") + e
        << "Note"
        << "uno\ndue tre";
    QTest::newRow("quoted-printable, Windows-1252")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=WINDOWS-1252;ENCODING=QUOTED-PRINTABLE:Nicol=F2;=80\r\n")
               + e
        << "Nome"
        << "€";
    QTest::newRow("no charset, not UTF-8: Windows-1252")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN:Nicol\xF2;Luca\r\n") + e << "Cognome"
        << "Nicolò";
    QTest::newRow("no charset, UTF-8") << b + "N:Nicol\xC3\xB2;Luca\r\n" + e << "Cognome"
                                       << "Nicolò";
    QTest::newRow("soft break before END is no join")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN:Rossi\r\nNOTE;ENCODING=QUOTED-PRINTABLE:fine=\r\nEND:VCARD\r\n")
        << "Note"
        << "fine";
    QTest::newRow("lower-case names") << QByteArray("begin:vcard\r\nn:Rossi;Mario\r\nemail:a@b.it\r\nend:vcard\r\n")
                                      << "E_mail"
                                      << "a@b.it";
    QTest::newRow("grouped property") << b + "item1.EMAIL;type=INTERNET:a@b.it\r\nitem1.X-ABLabel:casa\r\n" + e
                                      << "E_mail"
                                      << "a@b.it";
    QTest::newRow("escapes in a text value") << b + "NOTE:a\\, b\\; c\\\\d\\ne\\Nf\r\n" + e << "Note"
                                             << "a, b; c\\d\ne\nf";
    QTest::newRow("backslash before another character kept") << b + "NOTE:C:\\temp\r\n" + e << "Note"
                                                             << "C:\\temp";
    QTest::newRow("escaped colon in an address") << b + "URL:http\\://www.studio.it\r\n" + e << "Sito_internet"
                                                 << "http://www.studio.it";
    QTest::newRow("4.0 telephone as a URI")
        << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nTEL;VALUE=uri:tel:+39-06-1234\r\n") + e << "Numero_telefono1"
        << "+39-06-1234";
    QTest::newRow("colon inside a quoted parameter")
        << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nTEL;X-LABEL=\"a:b\";TYPE=cell:333 1234567\r\n") + e
        << "Numero_cell1"
        << "333 1234567";
    QTest::newRow("fiscal code property") << b + "X-CODICE-FISCALE:RSSMRA85T10A562S\r\n" + e << "Codice_fiscale"
                                          << "RSSMRA85T10A562S";
    QTest::newRow("VAT number property") << b + "X-PARTITA-IVA:06363391001\r\n" + e << "Partita_iva"
                                         << "06363391001";
    QTest::newRow("honorific prefix is the title") << b + "N:Rossi;Mario;;Ing.;\r\n" + e << "Qualifica"
                                                   << "Ing.";
    QTest::newRow("additional names join the name") << b + "N:Rossi;Maria;Grazia;;\r\n" + e << "Nome"
                                                    << "Maria Grazia";
    QTest::newRow("line break in a name") << b + "N:De\\nRossi;Mario\r\n" + e << "Cognome"
                                          << "De Rossi";
    QTest::newRow("address") << b + "ADR;TYPE=work:;;Via Roma 1;Milano;MI;20121;Italia\r\n" + e << "Via"
                             << "Via Roma 1";
    QTest::newRow("address, city") << b + "ADR:;;Via Roma 1;Milano;MI;20121;Italia\r\n" + e << "Città"
                                   << "Milano";
    QTest::newRow("address, postal code") << b + "ADR:;;Via Roma 1;Milano;MI;20121;Italia\r\n" + e << "CAP"
                                          << "20121";
    QTest::newRow("address, extended part after the street") << b + "ADR:;Scala B;Via Roma 1;Milano;;;\r\n" + e << "Via"
                                                             << "Via Roma 1, Scala B";
    QTest::newRow("address, lines of the street") << b + "ADR:;;Via Roma 1\\nInterno 4;Milano;;;\r\n" + e << "Via"
                                                  << "Via Roma 1, Interno 4";
    QTest::newRow("address, short of parts") << b + "ADR:;;Via Roma 1\r\n" + e << "Via"
                                             << "Via Roma 1";
}

void TestVCardReader::fields()
{
    QFETCH(QByteArray, card);
    QFETCH(QString, column);
    QFETCH(QString, value);
    QCOMPARE(onlyPerson(card).values.value(column), value);
}

void TestVCardReader::cardsOfAFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("surnames");
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("no card") << QByteArray("N:Rossi\r\n") << QStringList();
    QTest::newRow("two cards") << QByteArray("BEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:B\r\nEND:VCARD\r\n")
                               << QStringList{"A", "B"};
    QTest::newRow("text between cards") << QByteArray(
        "BEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\nN:fuori\r\n\r\nBEGIN:VCARD\r\nN:B\r\nEND:VCARD")
                                        << QStringList{"A", "B"};
    QTest::newRow("repeated BEGIN ends the open card")
        << QByteArray("BEGIN:VCARD\r\nN:A\r\nBEGIN:VCARD\r\nN:B\r\nEND:VCARD\r\n") << QStringList{"A", "B"};
    QTest::newRow("END without BEGIN") << QByteArray("END:VCARD\r\nBEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\nEND:VCARD\r\n")
                                       << QStringList{"A"};
    QTest::newRow("card cut short") << QByteArray("BEGIN:VCARD\r\nN:A\r\nBEGIN:VCARD\r\nN:B") << QStringList{"A", "B"};
    QTest::newRow("other objects are not cards")
        << QByteArray("BEGIN:VCALENDAR\r\nN:X\r\nEND:VCALENDAR\r\nBEGIN:VCARD\r\nN:A\r\nEND:VCARD\r\n")
        << QStringList{"A"};
}

void TestVCardReader::cardsOfAFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, surnames);
    QStringList read;
    for (const ImportedPerson &p : persons(bytes))
        read << p.values.value(QStringLiteral("Cognome"));
    QCOMPARE(read, surnames);
}

void TestVCardReader::parametersOfEachVersion_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("types");
    QTest::addColumn<QString>("label");
    QTest::newRow("2.1 bare") << QByteArray("TEL;WORK;VOICE:1") << QStringList{"WORK", "VOICE"} << QString();
    QTest::newRow("2.1 bare encoding is no type")
        << QByteArray("TEL;CELL;QUOTED-PRINTABLE:1") << QStringList{"CELL"} << QString();
    QTest::newRow("3.0 list") << QByteArray("TEL;TYPE=work,voice:1") << QStringList{"WORK", "VOICE"} << QString();
    QTest::newRow("3.0 repeated") << QByteArray("TEL;type=HOME;type=FAX:1") << QStringList{"HOME", "FAX"} << QString();
    QTest::newRow("4.0 quoted list") << QByteArray("TEL;TYPE=\"work,cell\":1") << QStringList{"WORK", "CELL"}
                                     << QString();
    QTest::newRow("4.0 quoted value with ; and ,")
        << QByteArray("TEL;LABEL=\"a;b,c\";TYPE=fax:1") << QStringList{"FAX"} << "a;b,c";
    QTest::newRow("RFC 6868 carets") << QByteArray("TEL;LABEL=\"x^ny^^z^'w^q\":1") << QStringList() << "x\ny^z\"w^q";
    QTest::newRow("RFC 6868 upper-case N") << QByteArray("TEL;LABEL=a^Nb:1") << QStringList() << "a\nb";
    // The words read as shared strings, and values next to them that are other words.
    for (const char *value : {"work", "WORK", "Work", "wor", "works", "2", "22", "\"cell\"", "\" cell \"", "fax^n"}) {
        QString expected = QString::fromLatin1(value).remove(QLatin1Char('"')).replace(QLatin1String("^n"), "\n");
        QTest::newRow(value) << QByteArray("TEL;LABEL=") + value + ":1" << QStringList() << expected;
    }
}

void TestVCardReader::parametersOfEachVersion()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, types);
    QFETCH(QString, label);
    const QList<VCard> cards = VCardReader::read("BEGIN:VCARD\r\nVERSION:4.0\r\n" + line + "\r\nEND:VCARD\r\n");
    QCOMPARE(cards.size(), 1);
    QCOMPARE(cards.first().properties.size(), 1);
    const VCardProperty &p = cards.first().properties.first();
    QCOMPARE(p.types(), types);
    QCOMPARE(p.parameter(QStringLiteral("LABEL")), label);
    QCOMPARE(p.value, QStringLiteral("1"));
}

void TestVCardReader::structuredValuesAndEscapes()
{
    QCOMPARE(VCardReader::components(u"a;b\\;c;;d\\,e"), (QStringList{"a", "b;c", "", "d,e"}));
    QCOMPARE(VCardReader::components(u""), QStringList{""});
    QCOMPARE(VCardReader::components(u"a\\"), QStringList{"a\\"});
    QCOMPARE(VCardReader::unescape(u"fine\\"), QStringLiteral("fine\\"));
    // Carets are plain text in 2.1.
    const QList<VCard> cards = VCardReader::read("BEGIN:VCARD\r\nVERSION:2.1\r\nTEL;X-A=a^nb:1\r\nEND:VCARD\r\n");
    QCOMPARE(cards.first().properties.first().parameter(QStringLiteral("X-A")), QStringLiteral("a^nb"));
}

void TestVCardReader::binaryBlocksAreSkipped()
{
    const QByteArray bytes = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Rossi\r\n"
                             "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n"
                             "    AQEBAQIBAQE=\r\n"
                             "\r\n"
                             "KEY;X509;ENCODING=BASE64:\r\n"
                             "    MIIDITCCAoqgAwIBAgIQT52W2WawmStUwpV8\r\n"
                             "\r\n"
                             "LOGO:data:image/png;base64,iVBORw0KGgo=\r\n"
                             "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ\r\n"
                             "SOUND;VALUE=BINARY:AAAA\r\n"
                             "EMAIL:a@b.it\r\n"
                             "END:VCARD\r\n";
    const QList<VCard> cards = VCardReader::read(bytes);
    QCOMPARE(cards.size(), 1);
    int binary = 0;
    for (const VCardProperty &p : cards.first().properties) {
        if (p.binary) {
            ++binary;
            QVERIFY(p.value.isEmpty());
        }
    }
    QCOMPARE(binary, 5);
    const ImportedPerson person = VCardMapping::fromCard(cards.first());
    QCOMPARE(person.values.value(QStringLiteral("E_mail")), QStringLiteral("a@b.it"));
    QVERIFY(person.leftOut.isEmpty());
}

void TestVCardReader::morePhonesThanTheRecordHolds()
{
    const ImportedPerson p = onlyPerson("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Rossi;Mario\r\n"
                                        "TEL;TYPE=cell:c1\r\nTEL:t1\r\nTEL;TYPE=work,fax:f1\r\nTEL;TYPE=cell:c2\r\n"
                                        "TEL;TYPE=home:t2\r\nTEL;TYPE=cell,voice:c3\r\nTEL;TYPE=fax:f2\r\n"
                                        "TEL:t3\r\nTEL;TYPE=pager:t4\r\nTEL:\r\n"
                                        "EMAIL:e1\r\nEMAIL:e2\r\nURL:u1\r\nURL:u2\r\nNOTE:n1\r\nNOTE:n2\r\n"
                                        "ADR:;;Via Roma 1;Milano;;20121;\r\nADR:;;Via Po 2;Torino;TO;10100;Italia\r\n"
                                        "END:VCARD\r\n");
    const PersonValues expected = {{"Cognome", "Rossi"},   {"Nome", "Mario"},          {"Numero_cell1", "c1"},
                                   {"Numero_cell2", "c2"}, {"Numero_telefono1", "t1"}, {"Numero_telefono2", "t2"},
                                   {"Numero_fax", "f1"},   {"E_mail", "e1"},           {"Sito_internet", "u1"},
                                   {"Note", "n1"},         {"Via", "Via Roma 1"},      {"Città", "Milano"},
                                   {"CAP", "20121"}};
    QCOMPARE(p.values, expected);
    QCOMPARE(p.leftOut,
             (QStringList{"Cellulare: c3", "Fax: f2", "Telefono: t3", "Telefono: t4", "E-Mail: e2", "Sito internet: u2",
                          "Nota: n2", "Indirizzo: Via Po 2, 10100, Torino, TO, Italia"}));
}

void TestVCardReader::cardWithoutAName()
{
    const QByteArray b = "BEGIN:VCARD\r\nVERSION:3.0\r\n", e = "END:VCARD\r\n";
    QCOMPARE(onlyPerson(b + "FN:Studio Bianchi\r\n" + e).values.value("Cognome"), QStringLiteral("Studio Bianchi"));
    QCOMPARE(onlyPerson(b + "N:;;;;\r\nFN:Studio Bianchi\r\n" + e).values.value("Cognome"),
             QStringLiteral("Studio Bianchi"));
    QCOMPARE(onlyPerson(b + "ORG:Bianchi srl;Ufficio tecnico\r\n" + e).values.value("Cognome"),
             QStringLiteral("Bianchi srl"));
    const ImportedPerson noName = onlyPerson(b + "EMAIL:a@b.it\r\n" + e);
    QVERIFY(!noName.values.contains("Cognome"));
    QCOMPARE(noName.displayName(), QStringLiteral("a@b.it"));
    QCOMPARE(onlyPerson(b + "N:Rossi;Mario;;;\r\n" + e).displayName(), QStringLiteral("Rossi Mario"));
    QCOMPARE(onlyPerson(b + "N:Rossi;Mario;;;Jr.\r\n" + e).leftOut, QStringList{"Titolo dopo il nome: Jr."});
}

// Named fields of the cards written by other programs: file, card (from 0), column, value.
void TestVCardReader::filesOfOtherPrograms_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("card");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    auto row = [](const char *file, int card, const char *column, const QString &value) {
        QTest::addRow("%s #%d %s", file, card, column)
            << QString::fromLatin1(file) << card << QString::fromUtf8(column) << value;
    };
    const QString n4 = QStringLiteral("Ñ Ñ Ñ Ñ");
    row("John_Doe_ANDROID.vcf", 0, "E_mail", "john.doe@company.com");
    row("John_Doe_ANDROID.vcf", 1, "E_mail", "jane.doe@company.com");
    row("John_Doe_ANDROID.vcf", 2, "Cognome", n4);
    row("John_Doe_ANDROID.vcf", 2, "Numero_cell1", "123456789");
    row("John_Doe_ANDROID.vcf", 3, "Cognome", QStringLiteral("Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ"));
    row("John_Doe_ANDROID.vcf", 3, "Numero_telefono2", "45678901");
    row("John_Doe_ANDROID.vcf", 3, "Numero_cell2", "3456789");
    row("John_Doe_ANDROID.vcf", 4, "Cognome", QStringLiteral("Ñ Ñ"));
    row("John_Doe_ANDROID.vcf", 4, "Nome", QStringLiteral("Ñ Ñ Ñ"));
    row("John_Doe_ANDROID.vcf", 4, "Numero_fax", "123456");
    row("John_Doe_ANDROID.vcf", 4, "E_mail", "bob@company.com");
    row("John_Doe_ANDROID.vcf", 4, "Sito_internet", "www.company.com");
    row("John_Doe_ANDROID.vcf", 5, "Cognome", QStringLiteral("ÑÑÑÑ"));
    row("John_Doe_ANDROID.vcf", 5, "E_mail", "henry@company.com");
    row("John_Doe_BLACK_BERRY.vcf", 0, "Cognome", "Doe");
    row("John_Doe_BLACK_BERRY.vcf", 0, "Nome", "john");
    row("John_Doe_BLACK_BERRY.vcf", 0, "Numero_cell1", "+96123456789");
    row("John_Doe_EVOLUTION.vcf", 0, "Nome", "John Richter, James");
    row("John_Doe_EVOLUTION.vcf", 0, "Qualifica", "Mr.");
    row("John_Doe_EVOLUTION.vcf", 0, "Numero_cell1", "905-666-1234");
    row("John_Doe_EVOLUTION.vcf", 0, "Numero_telefono1", "905-555-1234");
    row("John_Doe_EVOLUTION.vcf", 0, "Sito_internet", "http://www.ibm.com");
    row("John_Doe_EVOLUTION.vcf", 0, "E_mail", "john.doe@ibm.com");
    row("John_Doe_EVOLUTION.vcf", 0, "Via", "15 Crescent moon drive");
    row("John_Doe_EVOLUTION.vcf", 0, "Città", "Albaney");
    row("John_Doe_EVOLUTION.vcf", 0, "CAP", "12345");
    row("John_Doe_GMAIL.vcf", 0, "Cognome", "Doe");
    row("John_Doe_GMAIL.vcf", 0, "Sito_internet", "http://www.ibm.com");
    row("John_Doe_GMAIL.vcf", 0, "Via",
        "Crescent moon drive, 555-asd, Nice Area, Albaney, New York 12345, United "
        "States of America");
    row("John_Doe_IPHONE.vcf", 0, "E_mail", "john.doe@ibm.com");
    row("John_Doe_IPHONE.vcf", 0, "Numero_cell1", "905-555-1234");
    row("John_Doe_IPHONE.vcf", 0, "Numero_telefono1", "905-666-1234");
    row("John_Doe_IPHONE.vcf", 0, "Numero_telefono2", "905-777-1234");
    row("John_Doe_IPHONE.vcf", 0, "Numero_fax", "905-888-1234");
    row("John_Doe_IPHONE.vcf", 0, "Via", "Silicon Alley 5,");
    row("John_Doe_IPHONE.vcf", 0, "Sito_internet", "http://www.ibm.com");
    row("John_Doe_LOTUS_NOTES.vcf", 0, "Nome", "John Johny");
    row("John_Doe_LOTUS_NOTES.vcf", 0, "Numero_fax", "00-1-212-555-7777");
    row("John_Doe_LOTUS_NOTES.vcf", 0, "Via", "25334, South cresent drive, Building 5, 3rd floo r");
    row("John_Doe_LOTUS_NOTES.vcf", 0, "CAP", "NYC887");
    row("John_Doe_LOTUS_NOTES.vcf", 0, "Sito_internet", "http://www.sun.com");
    row("John_Doe_MAC_ADDRESS_BOOK.vcf", 0, "Numero_telefono1", "905-777-1234");
    row("John_Doe_MAC_ADDRESS_BOOK.vcf", 0, "Via", "Silicon Alley 5,");
    row("John_Doe_MS_OUTLOOK.vcf", 0, "Nome", "John Richter,James");
    row("John_Doe_MS_OUTLOOK.vcf", 0, "Numero_telefono1", "(905) 555-1234");
    row("John_Doe_MS_OUTLOOK.vcf", 0, "Via", "Cresent moon drive");
    row("John_Doe_MS_OUTLOOK.vcf", 0, "E_mail", "john.doe@ibm.cm");
    row("fullcontact.vcf", 0, "Cognome", "LastName");
    row("fullcontact.vcf", 0, "Nome", "FirstName MiddleName");
    row("fullcontact.vcf", 0, "Qualifica", "Prefix");
    row("fullcontact.vcf", 0, "Numero_telefono2", "555-555-1112");
    row("fullcontact.vcf", 0, "Numero_cell2", "555-555-1114");
    row("fullcontact.vcf", 0, "Numero_fax", "555-555-1116");
    row("fullcontact.vcf", 0, "Note", "Notes line 1\nNotes line 2");
    row("fullcontact.vcf", 0, "Via", "HomeStreet, HomeExtended");
    row("gmail-list.vcf", 2, "Cognome", "White");
    row("gmail-list.vcf", 2, "E_mail", "dwhite@gmail.com");
    row("gmail-single.vcf", 0, "Numero_telefono1", "555 555 2222");
    row("gmail-single.vcf", 0, "Via", "123 Home St, Home City, HM 12345");
    row("gmail-single.vcf", 0, "Sito_internet", "http://TheProfile.com");
    row("gmail-single2.vcf", 0, "Numero_fax", "5555551117");
    row("gmail-single2.vcf", 0, "CAP", "10011");
    row("outlook-2003.vcf", 0, "Note", "This is the note field!!\nSecond line\n\nThird line is empty");
    row("outlook-2003.vcf", 0, "Numero_cell1", "MobilePhone");
    row("outlook-2003.vcf", 0, "E_mail", "jdoe@hotmail.com");
    row("outlook-2007.vcf", 0, "Cognome", "Angstadt");
    row("outlook-2007.vcf", 0, "Note",
        "This is the NOTE field\t\nI assume it encodes this text inside a NOTE "
        "vCard type.\nBut I'm not sure because there's text formatting going on "
        "here.\nIt does not preserve the formatting");
    row("outlook-2007.vcf", 0, "Via", "222 Broadway, TheOffice");
    row("rfc2426-example.vcf", 0, "Cognome", "Frank Dawson");
    row("rfc2426-example.vcf", 0, "Via", "6544 Battleford Drive");
    row("rfc2426-example.vcf", 0, "Città", "Raleigh");
    row("rfc2426-example.vcf", 0, "Numero_fax", "+1-919-676-9564");
    row("rfc2426-example.vcf", 1, "CAP", "94043");
    row("rfc2426-example.vcf", 1, "Sito_internet", "");
    row("rfc6350-example.vcf", 0, "Cognome", "Perreault");
    row("rfc6350-example.vcf", 0, "Numero_telefono1", "+1-418-656-9254;ext=102");
    row("rfc6350-example.vcf", 0, "Numero_cell1", "+1-418-262-6501");
    row("rfc6350-example.vcf", 0, "Città", "Quebec");
    row("thunderbird-MoreFunctionsForAddressBook-extension.vcf", 0, "Nome", "John");
    row("thunderbird-MoreFunctionsForAddressBook-extension.vcf", 0, "Via", "Suite 100, 222 Broadway");
    row("thunderbird-MoreFunctionsForAddressBook-extension.vcf", 0, "E_mail", "doe.john@hotmail.com");
    row("thunderbird-MoreFunctionsForAddressBook-extension.vcf", 0, "Sito_internet", "http://www.private-webpage.com");
}

void TestVCardReader::filesOfOtherPrograms()
{
    QFETCH(QString, file);
    QFETCH(int, card);
    QFETCH(QString, column);
    QFETCH(QString, value);
    const QList<ImportedPerson> list = persons(fileBytes(file));
    QVERIFY(card < list.size());
    QCOMPARE(list.at(card).values.value(column), value);
}

void TestVCardReader::everyFileReadsWithoutLoss()
{
    // Every card of every file is read, with a name or an e-mail to tell it by; nothing
    // of a binary block reaches a field.
    const QMap<QString, int> cards = {{"John_Doe_ANDROID.vcf", 6},
                                      {"John_Doe_BLACK_BERRY.vcf", 1},
                                      {"John_Doe_EVOLUTION.vcf", 1},
                                      {"John_Doe_GMAIL.vcf", 1},
                                      {"John_Doe_IPHONE.vcf", 1},
                                      {"John_Doe_LOTUS_NOTES.vcf", 1},
                                      {"John_Doe_MAC_ADDRESS_BOOK.vcf", 1},
                                      {"John_Doe_MS_OUTLOOK.vcf", 1},
                                      {"fullcontact.vcf", 1},
                                      {"gmail-list.vcf", 3},
                                      {"gmail-single.vcf", 1},
                                      {"gmail-single2.vcf", 1},
                                      {"outlook-2003.vcf", 1},
                                      {"outlook-2007.vcf", 1},
                                      {"rfc2426-example.vcf", 2},
                                      {"rfc6350-example.vcf", 1},
                                      {"thunderbird-MoreFunctionsForAddressBook-extension.vcf", 1}};
    const QStringList files = QDir(dataFile(QString())).entryList({"*.vcf"}, QDir::Files, QDir::Name);
    QCOMPARE(files, cards.keys());
    for (const QString &file : files) {
        const QList<ImportedPerson> list = persons(fileBytes(file));
        QCOMPARE(list.size(), cards.value(file));
        for (const ImportedPerson &p : list) {
            QVERIFY2(!p.displayName().isEmpty(), qPrintable(file));
            for (const QString &value : p.values)
                QVERIFY2(!value.contains(QLatin1String("/9j/")) && !value.contains(QLatin1String("MIID")),
                         qPrintable(file));
        }
    }
}

QTEST_APPLESS_MAIN(TestVCardReader)
#include "tst_vcardreader.moc"
