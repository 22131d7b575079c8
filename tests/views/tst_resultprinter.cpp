// Printing the current result: a filtered, sorted projects list exported to PDF through the
// main window's menu has the grid's rows in the grid's order (read back with pdftotext), one
// heading and one "Pagina N di M" on every page and the page count the lay-out promises.
#include "app/mainwindowfixture.h"
#include "queries/quicksearch.h"
#include "views/resultprinter.h"
#include "views/resultprinting.h"

#include <QDir>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("(%1 failed: %2)").arg(program, QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPages(const QString &path)
{
    for (const QString &line : run(QStringLiteral("pdfinfo"), {path}).split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The pages' text, one entry a page, each line as pdftotext lays it out.
QStringList pdfText(const QString &path)
{
    QStringList pages = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")})
                            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace

class TestResultPrinter : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void filteredSortedProjectsPrintAsTheGridShowsThem();
    void anEmptyResultStillPrintsItsHeading();
    void cancelledOrRefusedExportWritesNothing();
    void headingIsTheStatusLineDescription();

private:
    QString exportPdf(const QString &name);
};

QString TestResultPrinter::exportPdf(const QString &name)
{
    const QString path = QDir(db_->programDir()).filePath(QStringLiteral("Output/") + name);
    dialogs_->answerNextFile(path);
    trigger(QStringLiteral("EsportaInPDF1"));
    return path;
}

void TestResultPrinter::filteredSortedProjectsPrintAsTheGridShowsThem()
{
    start(60);
    trigger(QStringLiteral("QueryProgetto"));
    // The quick search as the search box applies it, then a title click sorting descending.
    const QuickSearchFilter filter = QuickSearch::filterFor(QStringLiteral("Descrizione"), QStringLiteral("a"),
                                                            QuickSearch::columnsOf(*query(), {}));
    QuickSearch::apply(*query(), filter);
    main()->setStatusText(filter.status);
    main()->DBGrid1TitleClick(column(QStringLiteral("Importo_totale")));
    main()->DBGrid1TitleClick(column(QStringLiteral("Importo_totale")));
    QCOMPARE(query()->sort(), QStringLiteral("Importo_totale DESC"));
    const int rows = query()->recordCount();
    QVERIFY2(rows > 60, qPrintable(QString::number(rows)));

    const QString path = exportPdf(QStringLiteral("progetti.pdf"));
    QCOMPARE(dialogs_->fileRequests.size(), 1);
    QCOMPARE(dialogs_->fileRequests.first().folder, QDir(db_->programDir()).filePath(QStringLiteral("Output")));
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QVERIFY(QFile::exists(path));

    const QStringList pages = pdfText(path);
    const int pageCount = pages.size();
    QCOMPARE(pdfPages(path), pageCount);
    QVERIFY(pageCount >= 2);
    const QString date = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    const QString amountTitle
        = main()->model()->headerData(column(QStringLiteral("Importo_totale")), Qt::Horizontal).toString();
    QStringList amounts; // the total column as printed, page after page
    int rowsPerPage = 0;
    for (int page = 0; page < pageCount; ++page) {
        const QString &text = pages.at(page);
        QCOMPARE(text.count(QStringLiteral("Descrizione=a")), 1);
        QCOMPARE(text.count(date), 1);
        QCOMPARE(text.count(QStringLiteral("Pagina %1 di %2").arg(page + 1).arg(pageCount)), 1);
        QCOMPARE(text.count(QStringLiteral("Pagina ")), 1);
        QCOMPARE(text.count(amountTitle), 1); // the titles on every page
        // A data line holds its row's state, and the total amount follows it.
        static const QRegularExpression stateAndTotal(
            QStringLiteral("(Da iniziare|In corso|Sospeso|Annullato|Concluso)\\s+(\\S+)"));
        int lines = 0;
        for (const QString &line : text.split(QLatin1Char('\n'))) {
            if (const QRegularExpressionMatch match = stateAndTotal.match(line); match.hasMatch()) {
                amounts << match.captured(2);
                ++lines;
            }
        }
        // Every page but the last is full, and they all hold as many rows.
        if (page == 0)
            rowsPerPage = lines;
        else if (page < pageCount - 1)
            QCOMPARE(lines, rowsPerPage);
    }
    QCOMPARE(pageCount, (rows + rowsPerPage - 1) / rowsPerPage);
    // Every row once, in the grid's order.
    QStringList expected;
    for (int row = 0; row < rows; ++row)
        expected << query()->text(row, column(QStringLiteral("Importo_totale")));
    QCOMPARE(amounts, expected);

    // The page count is the lay-out's own for the same device.
    QPdfWriter same(QDir(db_->programDir()).filePath(QStringLiteral("Output/altro.pdf")));
    same.setResolution(300);
    same.setPageSize(QPageSize(QPageSize::A4));
    same.setPageOrientation(QPageLayout::Landscape);
    same.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    ResultPrinter printer(main()->grid(), main()->gridDelegate());
    QCOMPARE(printer.pageCount(&same), pageCount);

    if (const QByteArray out = qgetenv("PRATILIO_TEST_OUTPUT"); !out.isEmpty())
        run(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                         QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                         QStringLiteral("1"), path, QString::fromLocal8Bit(out) + "/printed-projects"});
}

void TestResultPrinter::anEmptyResultStillPrintsItsHeading()
{
    start(5);
    trigger(QStringLiteral("QueryProgetto"));
    query()->setFilter(QStringLiteral("Importo_totale<0"));
    query()->setFiltered(true);
    QCOMPARE(query()->recordCount(), 0);
    main()->setStatusText(QStringLiteral("Query attuale: nessun progetto"));
    const QStringList pages = pdfText(exportPdf(QStringLiteral("vuoto.pdf")));
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages.first().contains(QStringLiteral("nessun progetto")));
    QVERIFY(!pages.first().contains(QStringLiteral("Query attuale")));
    QVERIFY(pages.first().contains(QStringLiteral("Pagina 1 di 1")));
}

void TestResultPrinter::cancelledOrRefusedExportWritesNothing()
{
    start(5);
    trigger(QStringLiteral("QueryProgetto"));
    trigger(QStringLiteral("EsportaInPDF1")); // the dialog is cancelled
    QCOMPARE(dialogs_->fileRequests.size(), 1);
    QVERIFY(QDir(db_->programDir()).entryList({"*.pdf"}, QDir::Files).isEmpty());

    // An existing file is replaced only after the question.
    const QString path = QDir(db_->programDir()).filePath(QStringLiteral("Output/esistente.pdf"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("vecchio");
    old.close();
    dialogs_->answerNext(false);
    exportPdf(QStringLiteral("esistente.pdf"));
    QCOMPARE(dialogs_->questions.size(), 1);
    QVERIFY(dialogs_->questions.first().contains(QStringLiteral("esiste già")));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("vecchio"));
    old.close();

    // A folder that cannot be written: said, and nothing left behind.
    const QString missing = QDir(db_->programDir()).filePath(QStringLiteral("manca/elenco.pdf"));
    dialogs_->answerNextFile(missing);
    trigger(QStringLiteral("EsportaInPDF1"));
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.first().startsWith(QStringLiteral("Impossibile scrivere il file")),
             qPrintable(dialogs_->errors.first()));
    QVERIFY(!QFile::exists(missing));
}

void TestResultPrinter::headingIsTheStatusLineDescription()
{
    QCOMPARE(ResultPrinting::headingOf(QStringLiteral("Query attuale: Tutti i progetti")),
             QStringLiteral("Tutti i progetti"));
    QCOMPARE(ResultPrinting::headingOf(QStringLiteral("Query attuale: ")), QString());
    QCOMPARE(ResultPrinting::headingOf(QString()), QString());
    QCOMPARE(ResultPrinting::headingOf(QStringLiteral("Altro")), QStringLiteral("Altro"));
}

QTEST_MAIN(TestResultPrinter)
#include "tst_resultprinter.moc"
