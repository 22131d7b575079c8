// The preferences file: defaults, the reading of each kind of value, the written layout
// byte for byte, foreign sections, and the saving after a database that did not open.
#include "core/windows1252.h"
#include "settings/gridfont.h"
#include "settings/inifile.h"
#include "settings/settingsfile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingFileGivesTheDefaults();
    void missingFileIsCreatedWithEverySectionInOrder();
    void fileOfTheOldProgramRoundTrips();
    void values_data();
    void values();
    void keysIgnoreCase();
    void foreignSectionsSurviveInTheirPlaces();
    void staleKeysOfOurSectionsAreDropped();
    void changedPreferencesReadBack();
    void keptColumnSectionsAreNotOverwritten();
    void keptColumnSectionsAreStillCreated();
    void unreadableFileIsNotOverwritten();
    void failedSaveIsReported();
    void columnsGoToTheCatalogueAndBack();

private:
    static QByteArray defaultFile();
    static QByteArray readAll(const QString &path);
    static void writeAll(const QString &path, const QByteArray &bytes);
};

// The file that the defaults give, as the Windows profile routines would write it.
QByteArray TestSettingsFile::defaultFile()
{
    const FieldCatalogue catalogue;
    QByteArray visible = "[COLONNE CHE POSSONO ESSERE VISUALIZZATE]\r\n";
    QByteArray widths = "[LARGHEZZA COLONNE]\r\n";
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        visible += Windows1252::encode(catalogue.entry(i).label) + "=1\r\n";
        widths += Windows1252::encode(catalogue.entry(i).label) + "=100\r\n";
    }
    return "[QUERY INIZIALE]\r\nTipo di query=0\r\n"
           "[SCHEDA\\TABELLA]\r\nPanel1.Visible=1\r\nPanel2.Visible=0\r\n"
           + visible + widths + "[FONT]\r\nFontName=MS San Serif\r\nFontColor=0\r\nFontHeight=-11\r\n"
           + "[BACKUP]\r\nCopia automatica=1\r\nCopie da conservare=10\r\n";
}

QByteArray TestSettingsFile::readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void TestSettingsFile::writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestSettingsFile::missingFileGivesTheDefaults()
{
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Default.ini")));
    Preferences preferences;
    preferences.initialQueryKind = 4;
    QVERIFY(settings.load(preferences));
    QCOMPARE(preferences.initialQueryKind, 0);
    QCOMPARE(preferences.gridPanelVisible, true);
    QCOMPARE(preferences.cardPanelVisible, false);
    for (const Preferences::Column &column : preferences.columns) {
        QCOMPARE(column.visible, true);
        QCOMPARE(column.width, 100);
    }
    QCOMPARE(preferences.fontName, QStringLiteral("MS San Serif"));
    QCOMPARE(preferences.fontColor, 0);
    QCOMPARE(preferences.fontHeight, -11);
    QCOMPARE(preferences.automaticBackup, true);
    QCOMPARE(preferences.backupsKept, 10);
    QVERIFY(!QFile::exists(settings.path())); // reading creates nothing
}

void TestSettingsFile::missingFileIsCreatedWithEverySectionInOrder()
{
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Default.ini")));
    QVERIFY(settings.save(Preferences()));
    const QByteArray written = readAll(settings.path());
    QCOMPARE(written, defaultFile());
    QVERIFY(written.contains("[COLONNE CHE POSSONO ESSERE VISUALIZZATE]\r\nCognome=1\r\n"));
    QVERIFY(written.contains("\r\nCitt\xe0=100\r\nVia=100\r\n1\xb0 Telefono=100\r\n"));
    QCOMPARE(SettingsFile::sectionNames(),
             QStringList({"QUERY INIZIALE", "SCHEDA\\TABELLA", "COLONNE CHE POSSONO ESSERE VISUALIZZATE",
                          "LARGHEZZA COLONNE", "FONT", "BACKUP"}));
}

void TestSettingsFile::fileOfTheOldProgramRoundTrips()
{
    // Foreign sections before and after ours, values other than the defaults.
    QByteArray bytes = defaultFile();
    bytes.replace("Tipo di query=0", "Tipo di query=3");
    bytes.replace("1\xb0 Telefono=1\r\n", "1\xb0 Telefono=0\r\n");
    bytes.replace("FontColor=0", "FontColor=-2147483640");
    bytes = "[Altro programma]\r\nChiave=\xe8 valore\r\n" + bytes + "[Coda]\r\nx=1\r\n";
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Default.ini")));
    writeAll(settings.path(), bytes);

    Preferences preferences;
    QVERIFY(settings.load(preferences));
    QCOMPARE(preferences.initialQueryKind, 3);
    QVERIFY(settings.save(preferences));
    QCOMPARE(readAll(settings.path()), bytes);
}

void TestSettingsFile::values_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("expected");
    const QByteArray query = "[QUERY INIZIALE]\r\nTipo di query=";
    QTest::newRow("query kind") << query + "5"
                                << "query" << 5;
    QTest::newRow("query kind out of range kept") << query + "7"
                                                  << "query" << 7;
    QTest::newRow("query kind negative") << query + "-1"
                                         << "query" << -1;
    QTest::newRow("query kind plus sign") << query + "+2"
                                          << "query" << 2;
    QTest::newRow("query kind blanks") << query + "  4  "
                                       << "query" << 4;
    QTest::newRow("query kind text") << query + "abc"
                                     << "query" << 0;
    QTest::newRow("query kind trailing text") << query + "3abc"
                                              << "query" << 0;
    QTest::newRow("query kind decimal") << query + "3.0"
                                        << "query" << 0;
    QTest::newRow("query kind hex") << query + "0x3"
                                    << "query" << 0;
    QTest::newRow("query kind empty") << query << "query" << 0;
    QTest::newRow("query kind too large") << query + "2147483648"
                                          << "query" << 0;
    const QByteArray panels = "[SCHEDA\\TABELLA]\r\n";
    QTest::newRow("grid panel 0") << panels + "Panel1.Visible=0"
                                  << "grid" << 0;
    QTest::newRow("grid panel 2 is true") << panels + "Panel1.Visible=2"
                                          << "grid" << 1;
    QTest::newRow("grid panel -1 is true") << panels + "Panel1.Visible=-1"
                                           << "grid" << 1;
    QTest::newRow("grid panel text is default") << panels + "Panel1.Visible=no"
                                                << "grid" << 1;
    QTest::newRow("card panel 1") << panels + "Panel2.Visible=1"
                                  << "card" << 1;
    QTest::newRow("card panel text is default") << panels + "Panel2.Visible=true"
                                                << "card" << 0;
    const QByteArray visible = "[COLONNE CHE POSSONO ESSERE VISUALIZZATE]\r\n";
    QTest::newRow("first telephone hidden") << visible + "1\xb0 Telefono=0"
                                            << "visible 9" << 0;
    QTest::newRow("hidden telephone leaves the second") << visible + "1\xb0 Telefono=0"
                                                        << "visible 10" << 1;
    QTest::newRow("last field hidden") << visible + "Fattura=0"
                                       << "visible 30" << 0;
    QTest::newRow("visibility text is default") << visible + "Fattura=x"
                                                << "visible 30" << 1;
    const QByteArray widths = "[LARGHEZZA COLONNE]\r\n";
    QTest::newRow("accented width") << widths + "Citt\xe0=250"
                                    << "width 7" << 250;
    QTest::newRow("width text is default") << widths + "Citt\xe0=wide"
                                           << "width 7" << 100;
    QTest::newRow("width of the visibility section unseen") << visible + "Citt\xe0=250"
                                                            << "width 7" << 100;
    // A label written in another code page is another key.
    QTest::newRow("UTF-8 label unseen") << widths + "Citt\xc3\xa0=250"
                                        << "width 7" << 100;
    const QByteArray font = "[FONT]\r\n";
    QTest::newRow("system colour") << font + "FontColor=-2147483640"
                                   << "color" << GridFont::kWindowTextColor;
    QTest::newRow("plain colour") << font + "FontColor=255"
                                  << "color" << 255;
    QTest::newRow("colour text is default") << font + "FontColor=clRed"
                                            << "color" << 0;
    QTest::newRow("pixel height") << font + "FontHeight=-16"
                                  << "height" << -16;
    QTest::newRow("positive height") << font + "FontHeight=12"
                                     << "height" << 12;
    QTest::newRow("height text is default") << font + "FontHeight=8pt"
                                            << "height" << -11;
}

void TestSettingsFile::values()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, member);
    QFETCH(int, expected);
    IniFile ini;
    ini.setBytes(file + "\r\n");
    const Preferences p = SettingsFile::read(ini);
    const QStringList parts = member.split(QLatin1Char(' '));
    const size_t column = parts.size() > 1 ? size_t(parts.at(1).toInt()) : 0;
    int actual = -999;
    if (member == QLatin1String("query"))
        actual = p.initialQueryKind;
    else if (member == QLatin1String("grid"))
        actual = p.gridPanelVisible;
    else if (member == QLatin1String("card"))
        actual = p.cardPanelVisible;
    else if (parts.first() == QLatin1String("visible"))
        actual = p.columns.at(column).visible;
    else if (parts.first() == QLatin1String("width"))
        actual = p.columns.at(column).width;
    else if (member == QLatin1String("color"))
        actual = p.fontColor;
    else if (member == QLatin1String("height"))
        actual = p.fontHeight;
    QCOMPARE(actual, expected);
}

void TestSettingsFile::keysIgnoreCase()
{
    IniFile ini;
    ini.setBytes("[font]\r\nfontname=Arial\r\n[colonne che possono essere visualizzate]\r\nCITT\xc0=0\r\n");
    const Preferences p = SettingsFile::read(ini);
    QCOMPARE(p.fontName, QStringLiteral("Arial"));
    QCOMPARE(p.columns.at(7).visible, false);
}

void TestSettingsFile::foreignSectionsSurviveInTheirPlaces()
{
    IniFile ini;
    ini.setBytes("; commento\r\n[A]\r\na=1\r\n[FONT]\r\nFontName=Arial\r\n\r\n[B]\r\nb=2\r\n[QUERY INIZIALE]\r\nTipo "
                 "di query=1\r\n[C]\r\n");
    Preferences p;
    p.initialQueryKind = 2;
    SettingsFile::write(p, ini);
    const QByteArray bytes = ini.toBytes();
    QVERIFY2(bytes.startsWith(
                 "; commento\r\n[A]\r\na=1\r\n[FONT]\r\nFontName=MS San Serif\r\nFontColor=0\r\nFontHeight=-11\r\n"
                 "\r\n[B]\r\nb=2\r\n[QUERY INIZIALE]\r\nTipo di query=2\r\n[C]\r\n[SCHEDA\\TABELLA]\r\n"),
             bytes.constData());
    // The sections the file lacked follow, in the table's order.
    QCOMPARE(ini.sectionNames(),
             QStringList({"A", "FONT", "B", "QUERY INIZIALE", "C", "SCHEDA\\TABELLA",
                          "COLONNE CHE POSSONO ESSERE VISUALIZZATE", "LARGHEZZA COLONNE", "BACKUP"}));
}

void TestSettingsFile::staleKeysOfOurSectionsAreDropped()
{
    IniFile ini;
    ini.setBytes("[LARGHEZZA COLONNE]\r\nVecchio campo=40\r\nFattura=70\r\nfattura=80\r\n");
    Preferences p = SettingsFile::read(ini);
    QCOMPARE(p.columns.at(30).width, 70);
    SettingsFile::write(p, ini);
    QVERIFY(!ini.contains(QStringLiteral("LARGHEZZA COLONNE"), QStringLiteral("Vecchio campo")));
    QCOMPARE(ini.keys(QStringLiteral("LARGHEZZA COLONNE")).size(), FieldCatalogue::kCount);
    QVERIFY(ini.toBytes().startsWith("[LARGHEZZA COLONNE]\r\nCognome=100\r\n"));
    QVERIFY(ini.toBytes().contains("\r\nFattura=70\r\n[QUERY INIZIALE]\r\n"));
}

void TestSettingsFile::changedPreferencesReadBack()
{
    Preferences p;
    p.initialQueryKind = -1;
    p.gridPanelVisible = false;
    p.cardPanelVisible = true;
    p.columns.at(0) = {false, 0};
    p.columns.at(9) = {false, 250};
    p.columns.at(30) = {true, 1};
    p.fontName = QStringLiteral("Città Sans");
    p.fontColor = GridFont::kWindowTextColor;
    p.fontHeight = -16;
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("Default.ini")));
    QVERIFY(settings.save(p));
    Preferences reread;
    QVERIFY(settings.load(reread));
    QVERIFY(reread == p);
    QVERIFY(!(reread == Preferences()));
    QVERIFY(readAll(settings.path()).contains("\r\nPanel1.Visible=0\r\nPanel2.Visible=1\r\n"));
}

void TestSettingsFile::keptColumnSectionsAreNotOverwritten()
{
    // The user's columns as the file holds them, then a run whose database did not open:
    // the columns in memory are the untouched defaults.
    QByteArray stored = defaultFile();
    stored.replace("Cognome=1", "Cognome=0");
    stored.replace("Fattura=100", "Fattura=35");
    stored.replace("Panel1.Visible=1", "Panel1.Visible=0");
    IniFile ini;
    ini.setBytes(stored);
    Preferences p;
    p.initialQueryKind = 5;
    SettingsFile::write(p, ini, SettingsFile::ColumnSections::KeepStored);
    QByteArray expected = stored;
    expected.replace("Tipo di query=0", "Tipo di query=5");
    expected.replace("Panel1.Visible=0", "Panel1.Visible=1");
    QCOMPARE(ini.toBytes(), expected);
}

void TestSettingsFile::keptColumnSectionsAreStillCreated()
{
    IniFile ini;
    SettingsFile::write(Preferences(), ini, SettingsFile::ColumnSections::KeepStored);
    QCOMPARE(ini.toBytes(), defaultFile());
}

void TestSettingsFile::unreadableFileIsNotOverwritten()
{
    QTemporaryDir dir;
    SettingsFile settings(dir.path()); // a folder where the file should be
    Preferences p;
    p.initialQueryKind = 3;
    QVERIFY(!settings.load(p));
    QVERIFY(p == Preferences());
    QVERIFY(settings.errorString().contains(QStringLiteral("impostazioni")));
    QVERIFY(!settings.save(p));
    QVERIFY(!settings.errorString().isEmpty());
    QVERIFY(QFileInfo(dir.path()).isDir());
}

void TestSettingsFile::failedSaveIsReported()
{
    QTemporaryDir dir;
    SettingsFile settings(dir.filePath(QStringLiteral("missing/Default.ini")));
    QVERIFY(!settings.save(Preferences()));
    QVERIFY(settings.errorString().contains(QStringLiteral("Default.ini")));
}

void TestSettingsFile::columnsGoToTheCatalogueAndBack()
{
    Preferences p;
    p.columns.at(9) = {false, 42};
    FieldCatalogue catalogue;
    p.applyColumns(catalogue);
    QCOMPARE(catalogue.entry(9).visible, false);
    QCOMPARE(catalogue.entry(9).width, 42);
    QCOMPARE(catalogue.entry(10).visible, true);
    catalogue.entry(30).width = 77;
    Preferences back;
    back.takeColumns(catalogue);
    QCOMPARE(back.columns.at(9), Preferences::Column({false, 42}));
    QCOMPARE(back.columns.at(30).width, 77);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
