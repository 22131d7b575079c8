#include "app/mainwindowfixture.h"
#include "data/databasebackup.h"
#include "data/schema.h"
#include "exchange/jetreportwindow.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QtTest>

// The old office's archive through the program: refused at start-up with "No" and nothing
// touched; imported through the "File" menu into an empty database at once, into one with
// data only after a question and a copy; the report in a window that saves as text; the paid
// amounts recalculated after a question.
class TestJetFlow : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void startupNoEndsWithNothingTouched();
    void menuImportIntoAnEmptyDatabase();
    void menuImportReplacesDataOnlyAfterAQuestionAndACopy();

private:
    static QString archive() { return QStringLiteral(PRATILIO_TEST_DATA "/old-office/DatiCliente.mdb"); }
    static QByteArray sha(const QString &path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
    JetReportWindow *reportWindow() const
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *r = qobject_cast<JetReportWindow *>(w); r && r->isVisible())
                return r;
        }
        return nullptr;
    }
};

void TestJetFlow::startupNoEndsWithNothingTouched()
{
    TestDatabase folder(0);
    folder.db().close();
    const QString path = folder.path();
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::copy(archive(), path));
    const QByteArray before = sha(path);
    dialogs_->answerNext(false);
    Startup startup(folder.programDir());
    startup.createWindows();
    QVERIFY(!startup.mainWindow()); // the program ends
    QCOMPARE(dialogs_->questions.size(), 1);
    QVERIFY(dialogs_->questions.first().contains(QStringLiteral("formato dell'archivio precedente")));
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(sha(path), before);
    QCOMPARE(QDir(QFileInfo(path).dir()).entryList(QDir::Files).size(), 1);
}

void TestJetFlow::menuImportIntoAnEmptyDatabase()
{
    start(0);
    dialogs_->answerNextFile(archive());
    trigger(QStringLiteral("ImportaArchivioPrecedente1"));
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QVERIFY(dialogs_->questions.isEmpty()); // nothing to replace
    QCOMPARE(main()->connection().scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 250);
    QCOMPARE(query()->recordCount(), 250); // every person shown, the two made whole too
    QVERIFY(!QDir(DatabaseBackup::folder(db_->programDir())).exists());
    JetReportWindow *window = reportWindow();
    QVERIFY(window);
    QVERIFY(window->text().contains(QStringLiteral("IdProgetto 15")));
    window->grab().save(qEnvironmentVariable("PRATILIO_TEST_OUTPUT") + QStringLiteral("/jet-report.png"));
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("resoconto.txt"));
    dialogs_->answerNextFile(saved);
    QVERIFY(window->save());
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), window->text());
    window->close();

    // The three projects whose stored paid amount differs: set to their payments' sum.
    dialogs_->answerNext(false);
    trigger(QStringLiteral("RicalcolaImportiPagati1"));
    QVERIFY(dialogs_->messages.isEmpty());
    dialogs_->answerNext(true);
    trigger(QStringLiteral("RicalcolaImportiPagati1"));
    QCOMPARE(dialogs_->messages.last(), QStringLiteral("Importi pagati ricalcolati: 3 progetti aggiornati."));
}

void TestJetFlow::menuImportReplacesDataOnlyAfterAQuestionAndACopy()
{
    start(5);
    dialogs_->answerNextFile(archive());
    dialogs_->answerNext(false);
    trigger(QStringLiteral("ImportaArchivioPrecedente1"));
    QCOMPARE(dialogs_->questions.size(), 1);
    QCOMPARE(main()->connection().scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 5);
    QVERIFY(!reportWindow());

    dialogs_->answerNextFile(archive());
    dialogs_->answerNext(true);
    trigger(QStringLiteral("ImportaArchivioPrecedente1"));
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(main()->connection().scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 250);
    const QStringList copies = QDir(DatabaseBackup::folder(db_->programDir())).entryList(QDir::Files);
    QCOMPARE(copies.size(), 1);
    Database copy;
    copy.open(QDir(DatabaseBackup::folder(db_->programDir())).filePath(copies.first()), Schema::databasePassword());
    QCOMPARE(copy.scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 5);
    QVERIFY(reportWindow());
    QVERIFY(reportWindow()->text().contains(QStringLiteral("Copia del database sostituito")));
    reportWindow()->close();
}

QTEST_MAIN(TestJetFlow)
#include "tst_jetflow.moc"
