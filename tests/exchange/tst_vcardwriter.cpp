// Writing address cards: the lines, their folding and escapes, both versions; what we write
// reads back as the same person, here and in an independent reader (python3-vobject).
#include "exchange/vcardfile.h"
#include "exchange/vcardmapping.h"
#include "exchange/vcardreader.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QtTest>

using VCardMapping::Version;

Q_DECLARE_METATYPE(VCardMapping::Version)

namespace {

PersonValues everyField()
{
    return {{"Cognome", "D'Amico"},
            {"Nome", "Giò Maria"},
            {"Qualifica", "Arch."},
            {"CAP", "00184"},
            {"Città", "Roma"},
            {"Via", "Via dei Fori Imperiali, 1; scala B"},
            {"Numero_telefono1", "+39 06 1234567"},
            {"Numero_telefono2", "06 7654321"},
            {"Numero_fax", "06 1111111"},
            {"Numero_cell1", "333 1234567"},
            {"Numero_cell2", "347 7654321"},
            {"E_mail", "gio@studio.it"},
            {"Sito_internet", "https://www.studio.it/a,b?x=1;y=2"},
            {"Codice_fiscale", "DMCGMR85T10A562X"},
            {"Partita_iva", "06363391001"},
            {"Note", "Prima riga\nseconda \\ riga, con \"virgolette\"; fine"}};
}

PersonValues readBack(const QByteArray &bytes)
{
    const QList<VCard> cards = VCardReader::read(bytes);
    if (cards.size() != 1)
        qFatal("expected one card, read %d", int(cards.size()));
    return VCardMapping::fromCard(cards.first()).values;
}

} // namespace

class TestVCardWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesOfACard_data();
    void linesOfACard();
    void folding_data();
    void folding();
    void escapes_data();
    void escapes();
    void roundTrip_data();
    void roundTrip();
    void readByVobject();
    void cardFromBytes_data();
    void cardFromBytes();
};

void TestVCardWriter::linesOfACard_data()
{
    QTest::addColumn<Version>("version");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("4.0") << Version::V4
                         << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ing. Mario Rossi\r\nN:Rossi;Mario;;Ing.;\r\n"
                                       "ADR;TYPE=work:;;Via Roma 1;Milano;;20121;\r\nTEL;TYPE=voice:02 123\r\n"
                                       "TEL;TYPE=fax:02 456\r\nTEL;TYPE=cell:333 1\r\nEMAIL:m@r.it\r\n"
                                       "X-CODICE-FISCALE:RSSMRA85T10A562S\r\nEND:VCARD\r\n");
    QTest::newRow("3.0") << Version::V3
                         << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ing. Mario Rossi\r\nN:Rossi;Mario;;Ing.;\r\n"
                                       "ADR;TYPE=WORK:;;Via Roma 1;Milano;;20121;\r\nTEL;TYPE=VOICE:02 123\r\n"
                                       "TEL;TYPE=FAX:02 456\r\nTEL;TYPE=CELL:333 1\r\nEMAIL;TYPE=INTERNET:m@r.it\r\n"
                                       "X-CODICE-FISCALE:RSSMRA85T10A562S\r\nEND:VCARD\r\n");
}

void TestVCardWriter::linesOfACard()
{
    QFETCH(Version, version);
    QFETCH(QByteArray, expected);
    const PersonValues person = {{"Cognome", "Rossi"},
                                 {"Nome", "Mario"},
                                 {"Qualifica", "Ing."},
                                 {"Via", "Via Roma 1"},
                                 {"Città", "Milano"},
                                 {"CAP", "20121"},
                                 {"Numero_telefono1", "02 123"},
                                 {"Numero_fax", "02 456"},
                                 {"Numero_cell1", "333 1"},
                                 {"E_mail", "m@r.it"},
                                 {"Codice_fiscale", "RSSMRA85T10A562S"},
                                 {"Note", "  "}};
    QCOMPARE(VCardMapping::toCard(person, version), expected);
}

void TestVCardWriter::folding_data()
{
    QTest::addColumn<QString>("note");
    QTest::newRow("short") << QString(60, QLatin1Char('a'));
    QTest::newRow("exactly one line: NOTE: and 70") << QString(70, QLatin1Char('a'));
    QTest::newRow("one octet more") << QString(71, QLatin1Char('a'));
    QTest::newRow("two-byte letters") << QString(200, QChar(0x00F2));
    QTest::newRow("three-byte euro signs") << QString(200, QChar(0x20AC));
    QTest::newRow("four-byte characters")
        << QString::fromUtf8(QByteArray(50, 'x') + QByteArray("\xF0\x9F\x98\x80").repeated(60));
    QTest::newRow("escapes across the fold")
        << QString(73, QLatin1Char('a')) + QStringLiteral(",,;;\\\\\n\n").repeated(20);
}

void TestVCardWriter::folding()
{
    QFETCH(QString, note);
    const QByteArray card = VCardMapping::toCard({{"Cognome", "X"}, {"Note", note}}, Version::V4);
    QVERIFY(card.endsWith("END:VCARD\r\n"));
    const QList<QByteArray> lines = card.chopped(1).split('\n');
    for (const QByteArray &line : lines) {
        QVERIFY2(line.endsWith('\r'), line.constData());
        QVERIFY2(line.size() - 1 <= 75, line.constData());
        // Each physical line is whole UTF-8 on its own: no sequence is cut.
        QStringDecoder utf8(QStringConverter::Utf8);
        (void) utf8(line);
        QVERIFY2(!utf8.hasError(), line.constData());
    }
    QCOMPARE(readBack(card).value("Note"), note.trimmed());
}

void TestVCardWriter::escapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "abc"
                           << "abc";
    QTest::newRow("comma") << "a,b"
                           << "a\\,b";
    QTest::newRow("semicolon") << "a;b"
                               << "a\\;b";
    QTest::newRow("backslash") << "a\\b"
                               << "a\\\\b";
    QTest::newRow("LF") << "a\nb"
                        << "a\\nb";
    QTest::newRow("CR LF") << "a\r\nb"
                           << "a\\nb";
    QTest::newRow("CR") << "a\rb"
                        << "a\\nb";
    QTest::newRow("colon needs none") << "a:b"
                                      << "a:b";
    QTest::newRow("empty") << ""
                           << "";
}

void TestVCardWriter::escapes()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(VCardMapping::escaped(text), expected);
    QCOMPARE(VCardReader::unescape(expected), QString(text)
                                                  .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                                                  .replace(QLatin1Char('\r'), QLatin1Char('\n')));
}

void TestVCardWriter::roundTrip_data()
{
    QTest::addColumn<Version>("version");
    QTest::addColumn<PersonValues>("person");
    for (Version v : {Version::V3, Version::V4}) {
        const char *name = v == Version::V4 ? "4.0" : "3.0";
        QTest::addRow("%s every field", name) << v << everyField();
        QTest::addRow("%s surname only", name) << v << PersonValues{{"Cognome", "Rossi"}};
        QTest::addRow("%s name only", name) << v << PersonValues{{"Nome", "Mario"}};
        QTest::addRow("%s address without street", name) << v << PersonValues{{"Cognome", "R"}, {"CAP", "20121"}};
        QTest::addRow("%s second numbers without the first", name)
            << v << PersonValues{{"Cognome", "R"}, {"Numero_cell2", "2"}, {"Numero_telefono2", "3"}};
        QTest::addRow("%s second cell only after the first", name)
            << v << PersonValues{{"Cognome", "R"}, {"Numero_cell1", "1"}, {"Numero_cell2", "2"}};
        QTest::addRow("%s long note", name)
            << v << PersonValues{{"Cognome", "R"}, {"Note", QString(500, QChar(0x00E8))}};
    }
}

void TestVCardWriter::roundTrip()
{
    QFETCH(Version, version);
    QFETCH(PersonValues, person);
    QCOMPARE(readBack(VCardMapping::toCard(person, version)), person);
}

void TestVCardWriter::readByVobject()
{
    // Debian's interpreter, which sees Debian's packages, before any other on the path.
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3"))
                               ? QStringLiteral("/usr/bin/python3")
                               : QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty() || QProcess::execute(python, {"-c", "import vobject"}) != 0)
        QSKIP("python3-vobject non installato (scripts/install-deps.sh lo installa): lettura esterna saltata");
    QTemporaryDir dir;
    for (Version version : {Version::V3, Version::V4}) {
        const QString path = dir.filePath(QStringLiteral("rubrica.vcf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(VCardMapping::toCard(everyField(), version));
        file.write(VCardMapping::toCard({{"Cognome", "Bianchi"}, {"Note", QString(300, QChar(0x20AC))}}, version));
        file.close();
        QProcess p;
        p.start(python, {QStringLiteral(PRATILIO_TESTS_DIR "/exchange/read_vcards.py"), path});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        const PersonValues f = everyField();
        QCOMPARE(lines.value(0),
                 QStringLiteral("N family=%1 given=%2 prefix=%3").arg(f["Cognome"], f["Nome"], f["Qualifica"]));
        QCOMPARE(lines.value(1), QStringLiteral("ADR street=%1 city=%2 code=%3").arg(f["Via"], f["Città"], f["CAP"]));
        QCOMPARE(lines.value(2), QStringLiteral("TEL %1 %2 %3 %4 %5")
                                     .arg(f["Numero_telefono1"], f["Numero_telefono2"], f["Numero_fax"],
                                          f["Numero_cell1"], f["Numero_cell2"]));
        QCOMPARE(lines.value(3), QStringLiteral("EMAIL ") + f["E_mail"]);
        QCOMPARE(lines.value(4), QStringLiteral("X-CODICE-FISCALE ") + f["Codice_fiscale"]);
        QCOMPARE(lines.value(5), QStringLiteral("X-PARTITA-IVA ") + f["Partita_iva"]);
        QCOMPARE(lines.value(6),
                 QStringLiteral("NOTE ") + QString(f["Note"]).replace(QLatin1Char('\n'), QLatin1String("|")));
        QCOMPARE(lines.value(7), QStringLiteral("N family=Bianchi given= prefix="));
        QCOMPARE(lines.value(8), QStringLiteral("NOTE ") + QString(300, QChar(0x20AC)));
    }
}

void TestVCardWriter::cardFromBytes_data()
{
    // A person's fields as the export reads them, stored UTF-8 bytes, by column.
    QTest::addColumn<QList<QByteArray>>("fields");
    const auto fields = [](const PersonValues &person) {
        QList<QByteArray> list;
        for (const QString &column : VCardFile::cardColumns())
            list << person.value(column).toUtf8();
        return list;
    };
    QTest::newRow("every field") << fields(everyField());
    QTest::newRow("empty") << fields({});
    QTest::newRow("blanks at the ends") << fields(
        {{"Cognome", " \tRossi \r\n"}, {"Nome", "\vMario\f"}, {"Via", "  "}, {"Note", "\nnota\n"}});
    QTest::newRow("line breaks in the name and the site")
        << fields({{"Cognome", "Rossi\nBianchi"}, {"Qualifica", "Ing.\r\n"}, {"Sito_internet", "a\r\nb"}});
    QTest::newRow("line breaks where escaped")
        << fields({{"Cognome", "R"}, {"Via", "Via Roma\r\n1\r2\n3"}, {"Numero_fax", "1\n2"}});
    QTest::newRow("other blank at the start") << fields({{"Cognome", QStringLiteral("\u00A0Rossi")}});
    QTest::newRow("other blank at the start, after blanks") << fields({{"Città", QStringLiteral(" \u2028 Roma")}});
    QTest::newRow("other blank at the end") << fields({{"Nome", QStringLiteral("Mario\u3000")}});
    QTest::newRow("other blanks inside") << fields(
        {{"Cognome", QStringLiteral("De\u00A0Rossi")}, {"Via", QStringLiteral("a\u2003b")}});
    QTest::newRow("accents, long lines, four-byte characters")
        << fields({{"Cognome", QStringLiteral("Niccolò")},
                   {"Note", QString(120, QChar(0x00E8)) + QStringLiteral("\U0001F600").repeated(40)},
                   {"Via", QString(80, QLatin1Char('x')) + QStringLiteral("ò;,\\")}});
    // Every byte that is escaped, in every escaped field, alone and in a row.
    const QString escapes = QStringLiteral("\\a,b;c\rd\ne\r\nf\n\rg\\\\,,;;h\r");
    PersonValues escaped = {{"Cognome", "R"}};
    for (const char *column :
         {"Qualifica", "Nome", "Via", "Città", "CAP", "Numero_telefono1", "Numero_telefono2", "Numero_fax",
          "Numero_cell1", "Numero_cell2", "E_mail", "Note", "Codice_fiscale", "Partita_iva"})
        escaped.insert(QLatin1String(column), escapes.mid(0, 1) + QLatin1String(column) + escapes);
    escaped.insert("Qualifica", QStringLiteral("\\,;Ing."));
    escaped.insert("Nome", QStringLiteral("Ma,r;io\\"));
    escaped.insert("Cognome", QStringLiteral(";,\\"));
    QTest::newRow("every escaped byte") << fields(escaped);
    // The lines at the fold: "NOTE:" and 70, 71 and 72 bytes make 75 (not folded), 76 and 77;
    // a two-byte character across the 75th octet; lines of two and three folds.
    for (int length : {69, 70, 71, 72})
        QTest::newRow(qPrintable(QStringLiteral("note of %1 bytes").arg(length)))
            << fields({{"Cognome", "R"}, {"Note", QString(length, QLatin1Char('n'))}});
    for (int length : {68, 69, 70, 71})
        QTest::newRow(qPrintable(QStringLiteral("two-byte character at byte %1 of the line").arg(length + 6)))
            << fields({{"Cognome", "R"}, {"Note", QString(length, QLatin1Char('n')) + QStringLiteral("èèè")}});
    QTest::newRow("an escape across the fold")
        << fields({{"Cognome", "R"}, {"Note", QString(69, QLatin1Char('n')) + QStringLiteral(";;;")}});
    QTest::newRow("a long name, folded in FN and N") << fields({{"Cognome", QString(60, QLatin1Char('c'))},
                                                                {"Nome", QString(60, QChar(0x00E9))},
                                                                {"Qualifica", QString(30, QLatin1Char(','))}});
    // The largest card: every field long and all of it escaped, past the writer's room
    // for an ordinary card.
    PersonValues large;
    for (const QString &column : VCardFile::cardColumns())
        large.insert(column, column == QLatin1String("Sito_internet") ? QString(5000, QChar(0x20AC))
                                                                      : QString(5000, QLatin1Char(';')));
    QTest::newRow("every field long and escaped") << fields(large);
    QTest::newRow("second numbers without the first")
        << fields({{"Cognome", "R"}, {"Numero_cell2", "2"}, {"Numero_telefono2", "3"}});
    QList<QByteArray> invalid = fields({{"Cognome", "R"}});
    invalid[0] = "Ro\xC3\x28ssi";          // a broken sequence
    invalid[1] = "\xC0\xAF";               // overlong
    invalid[3] = "\xED\xA0\x80x";          // a surrogate
    invalid[13] = "nota \xF4\x90\x80\x80"; // past U+10FFFF
    QTest::newRow("not UTF-8") << invalid;
    QList<QByteArray> marks = fields({{"Cognome", "R"}});
    marks[1] = "\xEF\xBB\xBFMario"; // a byte order mark
    marks[2] = "\xEF\xBF\xBE";      // a non-character
    QTest::newRow("byte order mark, non-character") << marks;
}

void TestVCardWriter::cardFromBytes()
{
    QFETCH(QList<QByteArray>, fields);
    VCardFile::CardFields views;
    PersonValues person;
    for (int c = 0; c < VCardFile::cardColumns().size(); ++c) {
        views[size_t(c)] = std::string_view(fields.at(c).constData(), size_t(fields.at(c).size()));
        person.insert(VCardFile::cardColumns().at(c), QString::fromUtf8(fields.at(c)));
    }
    for (Version version : {Version::V3, Version::V4}) {
        QByteArray out = "before\r\n";
        VCardFile::appendCard(views, version, &out);
        QCOMPARE(out, "before\r\n" + VCardMapping::toCard(person, version));
    }
}

QTEST_APPLESS_MAIN(TestVCardWriter)
#include "tst_vcardwriter.moc"
