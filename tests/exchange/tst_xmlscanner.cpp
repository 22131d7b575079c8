// The XML scanner of the .xlsx reader: what other programs write into a sheet's XML reads
// as an XML reader would read it, and what is not well formed is refused.
#include "exchange/xmlscanner.h"

#include <QTest>

namespace {

// The document as a short trace: "(name" for a start tag, ")" for an end tag, and for
// the text-bearing elements v and t their text as "(t=text)"; "!" when it turns invalid.
QString trace(const QByteArray &xml)
{
    XmlScanner scanner(xml);
    QString out;
    for (;;) {
        switch (scanner.next()) {
        case XmlScanner::Token::StartElement: {
            const std::string name(scanner.name());
            out += QLatin1Char('(') + QString::fromStdString(name);
            const std::string r(scanner.attribute("r"));
            if (!r.empty())
                out += QStringLiteral("[r=%1]").arg(QString::fromStdString(r));
            if (name == "v" || name == "t") {
                std::string text;
                if (!scanner.appendText(&text))
                    return out + QLatin1Char('!');
                out += QLatin1Char('=') + QString::fromStdString(text) + QLatin1Char(')');
            }
            break;
        }
        case XmlScanner::Token::EndElement:
            out += QLatin1Char(')');
            break;
        case XmlScanner::Token::Text:
            break;
        case XmlScanner::Token::EndOfDocument:
            return out;
        case XmlScanner::Token::Invalid:
            return out + QLatin1Char('!');
        }
    }
}

} // namespace

class TestXmlScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
};

void TestXmlScanner::reads_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cell") << QByteArray(R"(<?xml version="1.0"?><row r="2"><c r="A2" s="1"><v>12</v></c></row>)")
                          << "(row[r=2](c[r=A2](v=12)))";
    QTest::newRow("byte order mark and comment")
        << QByteArray("\xEF\xBB\xBF<!-- a <c> here is no cell --><sheetData/>") << "(sheetData)";
    QTest::newRow("empty element") << QByteArray(R"(<row><c r="B1"/><c r="C1" /></row>)") << "(row(c[r=B1])(c[r=C1]))";
    // Some programs write the main namespace with a prefix.
    QTest::newRow("prefixed names") << QByteArray(R"(<x:row xmlns:x="u"><x:c r="A1"><x:v>1</x:v></x:c></x:row>)")
                                    << "(row(c[r=A1](v=1)))";
    QTest::newRow("prefixed attribute is another one") << QByteArray(R"(<c x:r="Z9" r="A1"/>)") << "(c[r=A1])";
    QTest::newRow("single quotes, > in a value") << QByteArray("<c r='A>1'/>") << "(c[r=A>1])";
    QTest::newRow("reference in an attribute") << QByteArray(R"(<c r="&#65;1"/>)") << "(c[r=A1])";
    QTest::newRow("five entities") << QByteArray("<t>&lt;a&gt; &amp; &quot;b&quot; &apos;c&apos;</t>")
                                   << "(t=<a> & \"b\" 'c')";
    QTest::newRow("character references")
        << QByteArray("<t>Gi&#242; &#xE8;&#x1F600;</t>") << QString::fromUtf8("(t=Giò è\xF0\x9F\x98\x80)");
    QTest::newRow("CDATA as written") << QByteArray("<t>a<![CDATA[<&amp;>]]>b</t>") << "(t=a<&amp;>b)";
    QTest::newRow("line ends") << QByteArray("<t>a\r\nb\rc\nd&#13;</t>") << "(t=a\nb\nc\nd\r)";
    QTest::newRow("spaces kept") << QByteArray(R"(<t xml:space="preserve">  two  </t>)") << "(t=  two  )";
    QTest::newRow("pieces of a rich text")
        << QByteArray("<si><r><rPr><b/></rPr><t>Ro</t></r><r><t>ssi</t></r></si>") << "(si(r(rPr(b))(t=Ro))(r(t=ssi)))";

    QTest::newRow("nothing") << QByteArray("") << "!";
    QTest::newRow("only a declaration") << QByteArray("<?xml version=\"1.0\"?>") << "!";
    QTest::newRow("unclosed") << QByteArray("<row><c>") << "(row(c!";
    QTest::newRow("mismatched end") << QByteArray("<row><c></row>") << "(row(c!";
    QTest::newRow("end without start") << QByteArray("</row>") << "!";
    QTest::newRow("cut in a tag") << QByteArray(R"(<row r="1)") << "!";
    QTest::newRow("attribute without value") << QByteArray("<c r/>") << "!";
    QTest::newRow("document type") << QByteArray("<!DOCTYPE t [<!ENTITY x \"y\">]><t>&x;</t>") << "!";
    QTest::newRow("unknown entity") << QByteArray("<t>&nbsp;</t>") << "(t!";
    QTest::newRow("unended reference") << QByteArray("<t>a &amp b</t>") << "(t!";
    QTest::newRow("reference to a forbidden character") << QByteArray("<t>&#0;</t>") << "(t!";
    QTest::newRow("reference out of range") << QByteArray("<t>&#x110000;</t>") << "(t!";
    QTest::newRow("element inside a text") << QByteArray("<t>a<b/>c</t>") << "(t!";
    QTest::newRow("unended CDATA") << QByteArray("<t><![CDATA[abc</t>") << "(t!";
    QTest::newRow("unended comment") << QByteArray("<row><!-- </row>") << "(row!";
}

void TestXmlScanner::reads()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, expected);
    QCOMPARE(trace(xml), expected);
}

QTEST_GUILESS_MAIN(TestXmlScanner)
#include "tst_xmlscanner.moc"
