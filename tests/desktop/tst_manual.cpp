#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The user manual as built: Manuale.pdf in the program folder, a page of its own for each
// chapter of the HTML source, every menu and menu item named; and the rendering tool itself,
// which must not stop on a screenshot that does not exist yet.
class TestManual : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyChapterStartsAPage();
    void namesEveryMenuAndItem_data();
    void namesEveryMenuAndItem();
    void toolToleratesMissingImages();
    void toolFailsOnAMissingSource();

private:
    static QStringList pdfPages(const QString &pdf);
    static QStringList chapterTitles(const QString &html);
    static int runTool(const QStringList &arguments);

    QStringList pages_;
};

QStringList TestManual::pdfPages(const QString &pdf)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable("pdftotext"), {"-enc", "UTF-8", pdf, "-"});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QStringList TestManual::chapterTitles(const QString &html)
{
    QFile file(html);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList titles;
    static const QRegularExpression heading(QStringLiteral("<h1>(.*?)</h1>"));
    for (const QRegularExpressionMatch &match : heading.globalMatch(text))
        titles << match.captured(1);
    return titles;
}

int TestManual::runTool(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(PRATILIO_MANUAL_TOOL, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TestManual::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(),
             "pdftotext is missing: run scripts/install-deps.sh");
    QVERIFY2(QFileInfo::exists(PRATILIO_MANUAL_PDF), PRATILIO_MANUAL_PDF);
    pages_ = pdfPages(PRATILIO_MANUAL_PDF);
    QVERIFY(!pages_.isEmpty());
}

void TestManual::everyChapterStartsAPage()
{
    const QStringList titles = chapterTitles(PRATILIO_MANUAL_HTML);
    QVERIFY(titles.size() >= 10);
    QVERIFY(pages_.size() >= titles.size());
    // Each title opens a page, in the order of the source, later than the one before.
    qsizetype page = -1;
    for (const QString &title : titles) {
        qsizetype found = -1;
        for (qsizetype i = page + 1; i < pages_.size() && found < 0; ++i)
            if (pages_.at(i).simplified().startsWith(title))
                found = i;
        QVERIFY2(found > page, qPrintable("no page opens with " + title));
        page = found;
    }
}

void TestManual::namesEveryMenuAndItem_data()
{
    QTest::addColumn<QString>("caption");
    const QStringList captions = {"File",
                                  "Collegamento desktop",
                                  "Collegamento in Programmi",
                                  "Esporta in Excel",
                                  "Importa da Excel",
                                  "Esci",
                                  "Stampa...",
                                  "Anteprima di stampa...",
                                  "Esporta in PDF...",
                                  "Backup del database...",
                                  "Ripristina da backup...",
                                  "Importa archivio precedente (.mdb)...",
                                  "Ricalcola importi pagati",
                                  "Visualizza",
                                  "Tabella",
                                  "Scheda",
                                  "Database",
                                  "Rubrica",
                                  "Progetti",
                                  "Ricerca avanzata",
                                  "Persona",
                                  "Qualifica",
                                  "Città",
                                  "Con progetti",
                                  "Senza progetti",
                                  "Stato progetto",
                                  "Da iniziare",
                                  "Progetti non pagati",
                                  "Progetti pagati",
                                  "Preferenze",
                                  "Formattazione testo",
                                  "Opzioni...",
                                  "Help",
                                  "Manuale",
                                  "Informazioni",
                                  "Aggiungi",
                                  "Elimina",
                                  "In corso",
                                  "Sospesi",
                                  "Da Iniziare",
                                  "Visualizza progetti",
                                  "Visualizza pagamenti"};
    for (const QString &caption : captions)
        QTest::newRow(qPrintable(caption)) << caption;
}

void TestManual::namesEveryMenuAndItem()
{
    QFETCH(QString, caption);
    // Captions are written between quotation marks; a line break may fall inside one.
    const QString text = pages_.join(u' ').simplified();
    QVERIFY2(text.contains(u'"' + caption + u'"'), qPrintable(caption));
}

void TestManual::toolToleratesMissingImages()
{
    QTemporaryDir folder;
    QFile html(folder.filePath("prova.html"));
    QVERIFY(html.open(QIODevice::WriteOnly));
    html.write("<html><body><p>Copertina</p>"
               "<h1>Uno</h1><p><img src=\"screenshots/manca.png\" width=\"300\"></p>"
               "<h1>Due</h1><p>testo</p><h1>Tre</h1><p>fine</p></body></html>");
    html.close();
    const QString pdf = folder.filePath("prova.pdf");
    QCOMPARE(runTool({html.fileName(), pdf}), 0);
    const QStringList pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 4);
    QVERIFY(pages.at(1).trimmed().startsWith("Uno"));
    // The missing picture's place is held by a placeholder image on its page.
    QProcess images;
    images.start(QStandardPaths::findExecutable("pdfimages"), {"-list", "-f", "2", "-l", "2", pdf});
    QVERIFY(images.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(images.readAllStandardOutput()).count(" image "), 1);
    QVERIFY(pages.at(3).trimmed().startsWith("Tre"));
    QVERIFY(pages.at(3).contains("pagina 4 di 4"));
}

void TestManual::toolFailsOnAMissingSource()
{
    QTemporaryDir folder;
    QVERIFY(runTool({folder.filePath("manca.html"), folder.filePath("x.pdf")}) != 0);
    QVERIFY(!QFileInfo::exists(folder.filePath("x.pdf")));
}

QTEST_GUILESS_MAIN(TestManual)
#include "tst_manual.moc"
