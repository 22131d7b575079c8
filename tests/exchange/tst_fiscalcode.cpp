// The fiscal code and VAT number checks, on real codes and on each rule's edges.
#include "core/fiscalcode.h"

#include <QtTest>

using FiscalCode::Verdict;

Q_DECLARE_METATYPE(FiscalCode::Verdict)

class TestFiscalCode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fiscalCodes_data();
    void fiscalCodes();
    void everyMonthLetter_data();
    void everyMonthLetter();
    void everyOtherLetterIsNoMonth();
    void vatNumbers_data();
    void vatNumbers();
    void reasonsAreGivenForRefusalsOnly();
};

void TestFiscalCode::fiscalCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Verdict>("verdict");
    QTest::newRow("empty") << "" << Verdict::Empty;
    QTest::newRow("blanks only") << "   " << Verdict::Empty;
    QTest::newRow("Mario Rossi 1985") << "RSSMRA85T10A562S" << Verdict::Valid;
    QTest::newRow("Mario Rossi 1980, Roma") << "RSSMRA80A01H501U" << Verdict::Valid;
    QTest::newRow("Matteo Moretti, Milano") << "MRTMTT91D08F205J" << Verdict::Valid;
    QTest::newRow("lower case, blanks around") << "  rssmra85t10a562s " << Verdict::Valid;
    QTest::newRow("woman, first day 41") << "BNCGVN70M41F205F" << Verdict::Valid;
    QTest::newRow("woman, last day 71") << "BNCGVN70M71F205I" << Verdict::Valid;
    QTest::newRow("man, last day 31") << "BNCGVN70M31F205E" << Verdict::Valid;
    QTest::newRow("day 00") << "RSSMRA85T00A562R" << Verdict::WrongDay;
    QTest::newRow("day 32") << "RSSMRA85T32A562Y" << Verdict::WrongDay;
    QTest::newRow("day 40") << "RSSMRA85T40A562V" << Verdict::WrongDay;
    QTest::newRow("day 72") << "RSSMRA85T72A562C" << Verdict::WrongDay;
    QTest::newRow("homocode, last digit") << "RSSMRA85T10A56NH" << Verdict::Valid;
    QTest::newRow("homocode, four digits") << "RSSMRA85T1LAQSNP" << Verdict::Valid;
    QTest::newRow("homocode, every digit") << "RSSMRAURTMLARSNL" << Verdict::Valid;
    QTest::newRow("homocode day 1L is 10") << "RSSMRA85T1LA562V" << Verdict::Valid;
    QTest::newRow("homocode with the plain check letter") << "RSSMRA85T10A56NS" << Verdict::WrongCheck;
    QTest::newRow("letter outside LMNPQRSTUV as a digit") << "RSSMRA85T10A56OH" << Verdict::WrongCharacters;
    QTest::newRow("W is no homocode letter") << "RSSMRA85T10A56WH" << Verdict::WrongCharacters;
    QTest::newRow("digit in the surname") << "R5SMRA85T10A562S" << Verdict::WrongCharacters;
    QTest::newRow("digit as check letter") << "RSSMRA85T10A5621" << Verdict::WrongCharacters;
    QTest::newRow("digit as place letter") << "RSSMRA85T100562S" << Verdict::WrongCharacters;
    QTest::newRow("accented letter") << "RSSMRÀ85T10A562S" << Verdict::WrongCharacters;
    QTest::newRow("F is no month") << "RSSMRA85F10A562R" << Verdict::WrongMonth;
    QTest::newRow("wrong check letter") << "RSSMRA85T10A562T" << Verdict::WrongCheck;
    QTest::newRow("two digits swapped") << "RSSMRA58T10A562S" << Verdict::WrongCheck;
    QTest::newRow("15 characters") << "RSSMRA85T10A562" << Verdict::WrongLength;
    QTest::newRow("17 characters") << "RSSMRA85T10A562SX" << Verdict::WrongLength;
    QTest::newRow("blank inside") << "RSSMRA85T10 A562S" << Verdict::WrongLength;
    QTest::newRow("11 digits, a company's VAT number") << "00159560366" << Verdict::Valid;
    QTest::newRow("11 digits, wrong check digit") << "00159560367" << Verdict::WrongCheck;
    QTest::newRow("11 characters, not all digits") << "0015956036A" << Verdict::WrongCharacters;
    QTest::newRow("foreign code") << "AB123456" << Verdict::WrongLength;
}

void TestFiscalCode::fiscalCodes()
{
    QFETCH(QString, code);
    QFETCH(Verdict, verdict);
    QCOMPARE(FiscalCode::checkFiscalCode(code), verdict);
}

void TestFiscalCode::everyMonthLetter_data()
{
    // Mario Rossi's code with each month in turn, each with its own check letter.
    QTest::addColumn<QString>("code");
    const char *codes[] = {"RSSMRA85A10A562F", "RSSMRA85B10A562E", "RSSMRA85C10A562J", "RSSMRA85D10A562L",
                           "RSSMRA85E10A562N", "RSSMRA85H10A562V", "RSSMRA85L10A562I", "RSSMRA85M10A562W",
                           "RSSMRA85P10A562H", "RSSMRA85R10A562M", "RSSMRA85S10A562Q", "RSSMRA85T10A562S"};
    for (const char *code : codes)
        QTest::newRow(code) << QString::fromLatin1(code);
}

void TestFiscalCode::everyMonthLetter()
{
    QFETCH(QString, code);
    QCOMPARE(FiscalCode::checkFiscalCode(code), Verdict::Valid);
    QCOMPARE(FiscalCode::fiscalCheckLetter(code.left(15)), code.at(15).toLatin1());
}

void TestFiscalCode::everyOtherLetterIsNoMonth()
{
    for (char m = 'A'; m <= 'Z'; ++m) {
        if (QByteArray("ABCDEHLMPRST").contains(m))
            continue;
        QString code = QStringLiteral("RSSMRA85T10A562");
        code[8] = QLatin1Char(m);
        code += QLatin1Char(FiscalCode::fiscalCheckLetter(code));
        QVERIFY2(FiscalCode::checkFiscalCode(code) == Verdict::WrongMonth, qPrintable(code));
    }
}

void TestFiscalCode::vatNumbers_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<Verdict>("verdict");
    QTest::newRow("empty") << "" << Verdict::Empty;
    QTest::newRow("Agenzia delle Entrate") << "06363391001" << Verdict::Valid;
    QTest::newRow("Ferrari") << "00159560366" << Verdict::Valid;
    QTest::newRow("Eni") << "00905811006" << Verdict::Valid;
    QTest::newRow("Telecom Italia") << "00488410010" << Verdict::Valid;
    QTest::newRow("blanks around") << " 06363391001 " << Verdict::Valid;
    QTest::newRow("check digit one more") << "06363391002" << Verdict::WrongCheck;
    QTest::newRow("check digit one less") << "06363391000" << Verdict::WrongCheck;
    QTest::newRow("doubled digit changed (9 to 8)") << "06363381001" << Verdict::WrongCheck;
    QTest::newRow("neighbours swapped") << "60363391001" << Verdict::WrongCheck;
    QTest::newRow("sequence") << "12345678901" << Verdict::WrongCheck;
    QTest::newRow("eleven zeros") << "00000000000" << Verdict::WrongCheck;
    QTest::newRow("10 digits") << "0636339100" << Verdict::WrongLength;
    QTest::newRow("12 digits") << "063633910010" << Verdict::WrongLength;
    QTest::newRow("country prefix") << "IT06363391001" << Verdict::WrongLength;
    QTest::newRow("letter") << "0636339100A" << Verdict::WrongCharacters;
    QTest::newRow("blank inside") << "063633 1001" << Verdict::WrongCharacters;
}

void TestFiscalCode::vatNumbers()
{
    QFETCH(QString, number);
    QFETCH(Verdict, verdict);
    QCOMPARE(FiscalCode::checkVatNumber(number), verdict);
}

void TestFiscalCode::reasonsAreGivenForRefusalsOnly()
{
    QVERIFY(FiscalCode::reason(Verdict::Empty).isEmpty());
    QVERIFY(FiscalCode::reason(Verdict::Valid).isEmpty());
    for (Verdict v :
         {Verdict::WrongLength, Verdict::WrongCharacters, Verdict::WrongMonth, Verdict::WrongDay, Verdict::WrongCheck})
        QVERIFY(!FiscalCode::reason(v).isEmpty());
    QVERIFY(FiscalCode::acceptable(Verdict::Empty));
    QVERIFY(!FiscalCode::acceptable(Verdict::WrongCheck));
}

QTEST_APPLESS_MAIN(TestFiscalCode)
#include "tst_fiscalcode.moc"
