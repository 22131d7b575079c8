// The Windows-1252 code page of the program's text files.
#include "core/windows1252.h"

#include <QtTest>

class TestWindows1252 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteRoundTrips();
    void characters_data();
    void characters();
    void unrepresentableCharactersBecomeQuestionMarks();
};

void TestWindows1252::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = Windows1252::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(Windows1252::encode(text), all);
}

void TestWindows1252::characters_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII") << QByteArray("Cognome") << "Cognome";
    QTest::newRow("a grave") << QByteArray("Citt\xe0") << "Città";
    QTest::newRow("degree") << QByteArray("1\xb0") << "1°";
    QTest::newRow("euro, first of the high range") << QByteArray("\x80") << "€";
    QTest::newRow("y diaeresis, last of the high range") << QByteArray("\x9f") << "Ÿ";
    QTest::newRow("unassigned byte") << QByteArray("\x81") << QString(QChar(0x81));
    QTest::newRow("no-break space after the range") << QByteArray("\xa0") << QString(QChar(0xA0));
    QTest::newRow("last byte") << QByteArray("\xff") << "ÿ";
    QTest::newRow("NUL") << QByteArray("a\0b", 3) << QString::fromUtf8("a\0b", 3);
}

void TestWindows1252::characters()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(Windows1252::decode(bytes), text);
    QCOMPARE(Windows1252::encode(text), bytes);
}

void TestWindows1252::unrepresentableCharactersBecomeQuestionMarks()
{
    QCOMPARE(Windows1252::encode(QStringLiteral("Ω ā")), QByteArray("? ?"));
    // A character outside the basic plane is one question mark, not two.
    QCOMPARE(Windows1252::encode(QStringLiteral("a😀b")), QByteArray("a?b"));
    QCOMPARE(Windows1252::encode(QString(QChar(0xD800))), QByteArray("?")); // a lone half
}

QTEST_GUILESS_MAIN(TestWindows1252)
#include "tst_windows1252.moc"
