// The sections-and-keys file: byte-for-byte round trips, reading as the Windows profile
// routines read, edits that keep every other line, garbage, and safe saving.
#include "settings/inifile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestIniFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unchangedFileKeepsItsBytes_data();
    void unchangedFileKeepsItsBytes();
    void reading_data();
    void reading();
    void sectionAndKeyNamesListedOnce();
    void changedKeyRewritesOnlyItsLine();
    void sameValueLeavesTheLineAsWritten();
    void newKeyGoesAtTheEndOfItsSection_data();
    void newKeyGoesAtTheEndOfItsSection();
    void newSectionGoesAtTheEndOfTheFile_data();
    void newSectionGoesAtTheEndOfTheFile();
    void replacedSectionStaysInPlace();
    void replacedSectionDropsLaterNamesakes();
    void manyNamesakesAndKeysReadAndReplaceInOnePass();
    void unchangedReplacedSectionKeepsItsBytes();
    void textsAreWindows1252();
    void lineBreaksCannotOpenSectionsOrKeys();
    void garbageYieldsWhatCanBeRead_data();
    void garbageYieldsWhatCanBeRead();
    void missingFileIsEmpty();
    void unreadableFileIsAnError();
    void savedFileReadsBackByteForByte();
    void failedSaveIsReportedAndKeepsTheOldFile();
};

// A file as the Windows profile routines write it: CR LF, Windows-1252 labels.
static const QByteArray kWindowsFile = "[QUERY INIZIALE]\r\nTipo di query=2\r\n"
                                       "[SCHEDA\\TABELLA]\r\nPanel1.Visible=1\r\nPanel2.Visible=0\r\n"
                                       "[COLONNE CHE POSSONO ESSERE VISUALIZZATE]\r\nCitt\xe0=1\r\n1\xb0 Telefono=0\r\n"
                                       "[ALTRO PROGRAMMA]\r\nChiave=valore\r\n";

void TestIniFile::unchangedFileKeepsItsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("windows file") << kWindowsFile;
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("line ends only") << QByteArray("\r\n\n\r\n");
    QTest::newRow("LF line ends") << QByteArray("[A]\nk=v\n");
    QTest::newRow("mixed line ends") << QByteArray("[A]\r\nk=v\nj=w\r\n");
    QTest::newRow("no final line end") << QByteArray("[A]\r\nk=v");
    QTest::newRow("lone CR inside a line") << QByteArray("[A]\r\nk=v\rw\r\n");
    QTest::newRow("comments, blanks, spacing") << QByteArray("; note\r\n\r\n  [ A ]  \r\n\tk = v \r\n\r\n");
    QTest::newRow("binary and NUL") << QByteArray("\x00\x01\xff[A\x00]\r\n\x80\x81=\x9d\r\n", 15);
}

void TestIniFile::unchangedFileKeepsItsBytes()
{
    QFETCH(QByteArray, bytes);
    IniFile file;
    file.setBytes(bytes);
    QCOMPARE(file.toBytes(), bytes);
}

void TestIniFile::reading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << kWindowsFile << "QUERY INIZIALE"
                           << "Tipo di query" << true << "2";
    QTest::newRow("backslash is part of the name") << kWindowsFile << "SCHEDA\\TABELLA"
                                                   << "Panel2.Visible" << true << "0";
    QTest::newRow("accented key") << kWindowsFile << "COLONNE CHE POSSONO ESSERE VISUALIZZATE"
                                  << "Città" << true << "1";
    QTest::newRow("degree sign key") << kWindowsFile << "COLONNE CHE POSSONO ESSERE VISUALIZZATE"
                                     << "1° Telefono" << true << "0";
    QTest::newRow("section ignores case") << kWindowsFile << "query iniziale"
                                          << "Tipo di query" << true << "2";
    QTest::newRow("key ignores case") << kWindowsFile << "QUERY INIZIALE"
                                      << "TIPO DI QUERY" << true << "2";
    QTest::newRow("accented key ignores case") << kWindowsFile << "COLONNE CHE POSSONO ESSERE VISUALIZZATE"
                                               << "CITTÀ" << true << "1";
    QTest::newRow("key of another section") << kWindowsFile << "QUERY INIZIALE"
                                            << "Panel1.Visible" << false << "";
    QTest::newRow("missing section") << kWindowsFile << "FONT"
                                     << "FontName" << false << "";
    QTest::newRow("first of two keys") << QByteArray("[A]\r\nk=1\r\nK=2\r\n") << "A"
                                       << "k" << true << "1";
    // The routines stop at the first section of a name; a key only in a later one is unseen.
    QTest::newRow("first of two sections") << QByteArray("[A]\r\nk=1\r\n[a]\r\nk=2\r\nj=3\r\n") << "A"
                                           << "k" << true << "1";
    QTest::newRow("later namesake unseen") << QByteArray("[A]\r\nk=1\r\n[a]\r\nj=3\r\n") << "A"
                                           << "j" << false << "";
    QTest::newRow("blanks trimmed") << QByteArray("  [ A ]  \r\n\t k \t= \tv w \t\r\n") << "A"
                                    << "k" << true << "v w";
    QTest::newRow("double quotes dropped") << QByteArray("[A]\r\nk=\" v \"\r\n") << "A"
                                           << "k" << true << " v ";
    QTest::newRow("single quotes dropped") << QByteArray("[A]\r\nk='v'\r\n") << "A"
                                           << "k" << true << "v";
    QTest::newRow("unmatched quote kept") << QByteArray("[A]\r\nk=\"v'\r\n") << "A"
                                          << "k" << true << "\"v'";
    QTest::newRow("lone quote kept") << QByteArray("[A]\r\nk=\"\r\n") << "A"
                                     << "k" << true << "\"";
    QTest::newRow("empty value") << QByteArray("[A]\r\nk=\r\n") << "A"
                                 << "k" << true << "";
    QTest::newRow("value keeps later equals") << QByteArray("[A]\r\nk=a=b\r\n") << "A"
                                              << "k" << true << "a=b";
    QTest::newRow("LF line ends") << QByteArray("[A]\nk=v\n") << "A"
                                  << "k" << true << "v";
    QTest::newRow("no final line end") << QByteArray("[A]\r\nk=v") << "A"
                                       << "k" << true << "v";
    QTest::newRow("key before any section") << QByteArray("k=v\r\n[A]\r\n") << "A"
                                            << "k" << false << "";
    QTest::newRow("comment is no key") << QByteArray("[A]\r\n;k=v\r\n") << "A"
                                       << ";k" << false << "";
    QTest::newRow("line without equals") << QByteArray("[A]\r\nk\r\nj=v\r\n") << "A"
                                         << "k" << false << "";
    QTest::newRow("empty key name") << QByteArray("[A]\r\n=v\r\n") << "A"
                                    << "" << false << "";
    // A header that lost its bracket still ends the section above.
    QTest::newRow("missing closing bracket") << QByteArray("[A]\r\nk=1\r\n[B\r\nk=2\r\n") << "B"
                                             << "k" << true << "2";
    QTest::newRow("missing bracket ends section") << QByteArray("[A]\r\n[B\r\nk=2\r\n") << "A"
                                                  << "k" << false << "";
    QTest::newRow("missing opening bracket") << QByteArray("[A]\r\nB]\r\nk=2\r\n") << "A"
                                             << "k" << true << "2";
    QTest::newRow("empty section name") << QByteArray("[]\r\nk=2\r\n") << ""
                                        << "k" << true << "2";
}

void TestIniFile::reading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(bool, found);
    QFETCH(QString, value);
    IniFile file;
    file.setBytes(bytes);
    QCOMPARE(file.contains(section, key), found);
    QCOMPARE(file.value(section, key, QStringLiteral("default")), found ? value : QStringLiteral("default"));
}

void TestIniFile::sectionAndKeyNamesListedOnce()
{
    IniFile file;
    file.setBytes("[A]\r\nk=1\r\nj=2\r\nK=3\r\n[B]\r\n[a]\r\nx=1\r\n");
    QCOMPARE(file.sectionNames(), QStringList({"A", "B"}));
    QCOMPARE(file.keys(QStringLiteral("a")), QStringList({"k", "j"}));
    QCOMPARE(file.keys(QStringLiteral("B")), QStringList());
    QCOMPARE(file.keys(QStringLiteral("C")), QStringList());
}

void TestIniFile::changedKeyRewritesOnlyItsLine()
{
    IniFile file;
    file.setBytes("; c\r\n[A]\r\n  Key = 1 \r\nk=2\n[B]\r\nk=3");
    file.setValue(QStringLiteral("a"), QStringLiteral("KEY"), QStringLiteral("9"));
    file.setValue(QStringLiteral("B"), QStringLiteral("k"), QStringLiteral("8"));
    // The stored spelling of the key stays; the last line still has no line end.
    QCOMPARE(file.toBytes(), QByteArray("; c\r\n[A]\r\nKey=9\r\nk=2\n[B]\r\nk=8"));
}

void TestIniFile::sameValueLeavesTheLineAsWritten()
{
    const QByteArray bytes("[A]\n  k = \"1\" \n");
    IniFile file;
    file.setBytes(bytes);
    file.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1"));
    QCOMPARE(file.toBytes(), bytes);
}

void TestIniFile::newKeyGoesAtTheEndOfItsSection_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("before the next section")
        << QByteArray("[A]\r\nk=1\r\n[B]\r\nx=1\r\n") << QByteArray("[A]\r\nk=1\r\nn=v\r\n[B]\r\nx=1\r\n");
    QTest::newRow("before blank lines") << QByteArray("[A]\r\nk=1\r\n\r\n\r\n[B]\r\n")
                                        << QByteArray("[A]\r\nk=1\r\nn=v\r\n\r\n\r\n[B]\r\n");
    QTest::newRow("after a comment") << QByteArray("[A]\r\nk=1\r\n; c\r\n[B]\r\n")
                                     << QByteArray("[A]\r\nk=1\r\n; c\r\nn=v\r\n[B]\r\n");
    QTest::newRow("empty section") << QByteArray("[A]\r\n[B]\r\n") << QByteArray("[A]\r\nn=v\r\n[B]\r\n");
    QTest::newRow("last line without end") << QByteArray("[A]\r\nk=1") << QByteArray("[A]\r\nk=1\r\nn=v\r\n");
    QTest::newRow("header without end") << QByteArray("[A]") << QByteArray("[A]\r\nn=v\r\n");
}

void TestIniFile::newKeyGoesAtTheEndOfItsSection()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    IniFile file;
    file.setBytes(before);
    file.setValue(QStringLiteral("A"), QStringLiteral("n"), QStringLiteral("v"));
    QCOMPARE(file.toBytes(), after);
}

void TestIniFile::newSectionGoesAtTheEndOfTheFile_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("empty file") << QByteArray() << QByteArray("[N]\r\nn=v\r\n");
    QTest::newRow("after the others") << QByteArray("[A]\r\nk=1\r\n\r\n")
                                      << QByteArray("[A]\r\nk=1\r\n\r\n[N]\r\nn=v\r\n");
    QTest::newRow("last line without end") << QByteArray("[A]\r\nk=1") << QByteArray("[A]\r\nk=1\r\n[N]\r\nn=v\r\n");
}

void TestIniFile::newSectionGoesAtTheEndOfTheFile()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    IniFile file;
    file.setBytes(before);
    file.setValue(QStringLiteral("N"), QStringLiteral("n"), QStringLiteral("v"));
    QCOMPARE(file.toBytes(), after);
}

void TestIniFile::replacedSectionStaysInPlace()
{
    IniFile file;
    file.setBytes("[X]\r\nx=1\r\n[A]\r\nold=1\r\nk=1\r\n\r\n[Y]\r\ny=1\r\n");
    file.replaceSection(QStringLiteral("a"), {{"k", "2"}, {"n", "3"}});
    QCOMPARE(file.toBytes(), QByteArray("[X]\r\nx=1\r\n[A]\r\nk=2\r\nn=3\r\n\r\n[Y]\r\ny=1\r\n"));
    file.replaceSection(QStringLiteral("Z"), {{"z", "4"}});
    QCOMPARE(file.toBytes(), QByteArray("[X]\r\nx=1\r\n[A]\r\nk=2\r\nn=3\r\n\r\n[Y]\r\ny=1\r\n[Z]\r\nz=4\r\n"));
}

void TestIniFile::replacedSectionDropsLaterNamesakes()
{
    IniFile file;
    file.setBytes("[A]\r\nk=1\r\n[X]\r\nx=1\r\n[a]\r\nk=5\r\n[Y]\r\n[A]\r\nj=6");
    file.replaceSection(QStringLiteral("A"), {{"k", "2"}});
    QCOMPARE(file.toBytes(), QByteArray("[A]\r\nk=2\r\n[X]\r\nx=1\r\n[Y]\r\n"));
}

void TestIniFile::manyNamesakesAndKeysReadAndReplaceInOnePass()
{
    // Thousands of namesakes and keys between the program's sections: the first occurrence
    // still counts, every later namesake goes, and the other lines stay in their order.
    QByteArray bytes = "[A]\r\nk=1\r\n";
    for (int i = 0; i < 20000; ++i)
        bytes += "[a]\r\nk=" + QByteArray::number(i + 2) + "\r\n[B" + QByteArray::number(i)
                 + "]\r\nx=" + QByteArray::number(i) + "\r\n";
    IniFile file;
    file.setBytes(bytes);
    QCOMPARE(file.value(QStringLiteral("A"), QStringLiteral("K")), QStringLiteral("1"));
    QCOMPARE(file.value(QStringLiteral("b19999"), QStringLiteral("x")), QStringLiteral("19999"));
    QCOMPARE(file.sectionNames().size(), 20001);
    file.replaceSection(QStringLiteral("a"), {{QStringLiteral("k"), QStringLiteral("9")}});
    QByteArray expected = "[A]\r\nk=9\r\n";
    for (int i = 0; i < 20000; ++i)
        expected += "[B" + QByteArray::number(i) + "]\r\nx=" + QByteArray::number(i) + "\r\n";
    QCOMPARE(file.toBytes(), expected);
    QCOMPARE(file.value(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("9"));
    QCOMPARE(file.value(QStringLiteral("B7"), QStringLiteral("x")), QStringLiteral("7"));
}

void TestIniFile::unchangedReplacedSectionKeepsItsBytes()
{
    // LF line ends and a missing last one are kept when the lines come out the same.
    const QByteArray bytes("[X]\nx=1\n[A]\nk=1\nn=2");
    IniFile file;
    file.setBytes(bytes);
    file.replaceSection(QStringLiteral("A"), {{"k", "1"}, {"n", "2"}});
    QCOMPARE(file.toBytes(), bytes);
    file.replaceSection(QStringLiteral("A"), {{"k", "1"}, {"n", "2"}, {"m", "3"}});
    QCOMPARE(file.toBytes(), QByteArray("[X]\nx=1\n[A]\nk=1\nn=2\r\nm=3\r\n"));
}

void TestIniFile::textsAreWindows1252()
{
    IniFile file;
    file.setValue(QStringLiteral("COLONNE"), QStringLiteral("Città"), QStringLiteral("€ “x” Ω"));
    // The euro sign and the quotes have their code page bytes; the omega has none.
    QCOMPARE(file.toBytes(), QByteArray("[COLONNE]\r\nCitt\xe0=\x80 \x93x\x94 ?\r\n"));
    IniFile reread;
    reread.setBytes(file.toBytes());
    QCOMPARE(reread.value(QStringLiteral("colonne"), QStringLiteral("città")), QStringLiteral("€ “x” ?"));
}

void TestIniFile::lineBreaksCannotOpenSectionsOrKeys()
{
    IniFile file;
    file.setValue(QStringLiteral("FONT"), QStringLiteral("FontName"), QStringLiteral("Arial\r\n[X]\nk=1"));
    QCOMPARE(file.toBytes(), QByteArray("[FONT]\r\nFontName=Arial  [X] k=1\r\n"));
    QCOMPARE(file.sectionNames(), QStringList({"FONT"}));
}

void TestIniFile::garbageYieldsWhatCanBeRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("value"); // of [A] k
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 131 + 7) % 256)); // every byte value, line ends included
    QTest::newRow("binary before") << binary + "\r\n[A]\r\nk=v\r\n"
                                   << "v";
    QTest::newRow("binary after") << "[A]\r\nk=v\r\n" + binary << "v";
    QTest::newRow("NUL bytes around") << QByteArray("\0\0\r\n[A]\r\nk=v\0w\r\n\0", 17) << QString::fromUtf8("v\0w", 3);
    QTest::newRow("megabyte line") << QByteArray(1 << 20, 'x') + "\r\n[A]\r\nk=v\r\n"
                                   << "v";
    QTest::newRow("megabyte value") << "[A]\r\nk=" + QByteArray(1 << 20, '=') << QString(1 << 20, QLatin1Char('='));
    QTest::newRow("only brackets") << QByteArray("[[[]]]\r\n]\r\n[\r\n[A]\r\nk=v") << "v";
}

void TestIniFile::garbageYieldsWhatCanBeRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, value);
    IniFile file;
    file.setBytes(bytes);
    QCOMPARE(file.value(QStringLiteral("A"), QStringLiteral("k")), value);
    QCOMPARE(file.toBytes(), bytes);
    file.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("w"));
    QCOMPARE(file.value(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("w"));
}

void TestIniFile::missingFileIsEmpty()
{
    QTemporaryDir dir;
    IniFile file;
    file.setBytes("[A]\r\nk=v\r\n");
    QVERIFY(file.load(dir.filePath(QStringLiteral("none.ini"))));
    QVERIFY(file.errorString().isEmpty());
    QCOMPARE(file.toBytes(), QByteArray());
}

void TestIniFile::unreadableFileIsAnError()
{
    QTemporaryDir dir;
    IniFile file;
    QVERIFY(!file.load(dir.path())); // a folder
    QVERIFY(!file.errorString().isEmpty());
    QCOMPARE(file.toBytes(), QByteArray());
}

void TestIniFile::savedFileReadsBackByteForByte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Default.ini"));
    QFile other(path);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(kWindowsFile);
    other.close();

    IniFile file;
    QVERIFY(file.load(path));
    QVERIFY(file.save(path));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), kWindowsFile);
}

void TestIniFile::failedSaveIsReportedAndKeepsTheOldFile()
{
    QTemporaryDir dir;
    IniFile file;
    file.setBytes("[A]\r\nk=v\r\n");
    QVERIFY(!file.save(dir.filePath(QStringLiteral("missing/Default.ini"))));
    QVERIFY(!file.errorString().isEmpty());
    // A folder where the file should be: the rename cannot replace it, and it stays.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("blocked")));
    QVERIFY(!file.save(blocked));
    QVERIFY(!file.errorString().isEmpty());
    QVERIFY(QFileInfo(blocked).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"blocked"}));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
