// Which database the program opens: the one Default.ini names, the data folders' one, and
// the first start in the user's folders, where none exists yet.
#include "core/programpaths.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/dberror.h"
#include "settings/databasechoice.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using Place = ProgramPaths::Place;

class TestDatabaseChoice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void firstStartCreatesAnEmptyDatabase();
    void firstStartOpensAnExistingFile();
    void firstStartDeclinedFailsAsBefore();
    void failedCreationLeavesNoFile();
    void besideTheProgramNothingIsAsked();
    void namedDatabase_data();
    void namedDatabase();
    void namedMissingFileIsNotOffered();
    void pathTheFileCannotHoldIsRefused();

private:
    static QString userData() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }
    static QString userIni()
    {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath("Default.ini");
    }
    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void writeAll(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir program_; // an installed program's folder: nothing of the data beside it
};

void TestDatabaseChoice::initTestCase() { QStandardPaths::setTestModeEnabled(true); }

void TestDatabaseChoice::init()
{
    QDir(userData()).removeRecursively();
    QFile::remove(userIni());
    QVERIFY(!ProgramPaths(program_.path()).dataBesideProgram());
}

void TestDatabaseChoice::firstStartCreatesAnEmptyDatabase()
{
    ScriptedDialogs dialogs;
    const QString expected = QDir(userData()).filePath("Database/DatiCliente.mdb");
    {
        Workspace workspace(program_.path());
        dialogs.answerNext(true);
        DatabaseChoice::open(workspace);
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY(dialogs.questions.first().contains(expected));
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(workspace.connection().path(), expected);
        QVERIFY(workspace.canWrite());
        Database &db = workspace.connection();
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Stato").toInt(), 5);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Applicazione").toInt(), 1);
        QCOMPARE(db.scalar("SELECT COALESCE(Codice, '') FROM Applicazione").toString(), QString());
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Committente").toInt(), 0);
    }
    // Nothing is written into the settings: the database is where it is looked for.
    QVERIFY(!QFile::exists(userIni()));

    // The next start opens it without a word.
    dialogs.clear();
    Workspace again(program_.path());
    DatabaseChoice::open(again);
    QVERIFY(dialogs.questions.isEmpty());
    QCOMPARE(again.connection().path(), expected);
}

void TestDatabaseChoice::firstStartOpensAnExistingFile()
{
    QTemporaryDir office;
    const QString existing = TestDatabase::createAt(office.path(), 3);
    const QByteArray before = "[FONT]\r\nFontName=Arial\r\n";
    writeAll(userIni(), before);

    ScriptedDialogs dialogs;
    {
        Workspace workspace(program_.path());
        dialogs.answerNext(false);
        dialogs.answerNextFile(existing);
        DatabaseChoice::open(workspace);
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(dialogs.fileRequests.size(), 1);
        QCOMPARE(dialogs.fileRequests.first().folder, QDir::homePath());
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(workspace.connection().path(), existing);
        QCOMPARE(workspace.connection().scalar("SELECT COUNT(*) FROM Committente").toInt(), 3);
    }
    // Named for the next starts; the lines already there keep their bytes.
    QCOMPARE(readAll(userIni()), before + "[DATABASE]\r\nPercorso=" + existing.toUtf8() + "\r\n");
    QVERIFY(!QFile::exists(QDir(userData()).filePath("Database/DatiCliente.mdb")));

    dialogs.clear();
    Workspace again(program_.path());
    DatabaseChoice::open(again);
    QVERIFY(dialogs.questions.isEmpty());
    QCOMPARE(again.connection().path(), existing);
}

void TestDatabaseChoice::firstStartDeclinedFailsAsBefore()
{
    ScriptedDialogs dialogs;
    Workspace workspace(program_.path());
    dialogs.answerNext(false); // and no file picked
    QVERIFY_THROWS_EXCEPTION(DbError, DatabaseChoice::open(workspace));
    QCOMPARE(dialogs.fileRequests.size(), 1);
    QVERIFY(!workspace.connection().isOpen());
    QVERIFY(!QFile::exists(QDir(userData()).filePath("Database/DatiCliente.mdb")));
    QVERIFY(!QFile::exists(userIni()));
}

void TestDatabaseChoice::failedCreationLeavesNoFile()
{
    QTemporaryDir folder;
    // A file where the Database folder should be: the folder cannot be made.
    writeAll(folder.filePath("Database"), "x");
    QVERIFY_THROWS_EXCEPTION(DbError, DatabaseChoice::createEmpty(folder.filePath("Database/DatiCliente.mdb")));
    // An existing file is never overwritten, and is left as it was.
    const QString taken = folder.filePath("taken.mdb");
    writeAll(taken, "not a database");
    QVERIFY_THROWS_EXCEPTION(DbError, DatabaseChoice::createEmpty(taken));
    QCOMPARE(readAll(taken), QByteArray("not a database"));
}

void TestDatabaseChoice::besideTheProgramNothingIsAsked()
{
    ScriptedDialogs dialogs;
    {
        TestDatabase db;
        db.db().close();
        Workspace workspace(db.programDir());
        DatabaseChoice::open(workspace);
        QCOMPARE(workspace.connection().path(), db.path());
    }
    // An empty Database/ beside the program: the missing file is reported, as it always was.
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath("Database"));
    Workspace workspace(folder.path());
    QVERIFY_THROWS_EXCEPTION(DbError, DatabaseChoice::open(workspace));
    QVERIFY(dialogs.questions.isEmpty());
    QVERIFY(dialogs.fileRequests.isEmpty());
    QVERIFY(!QFile::exists(folder.filePath("Database/DatiCliente.mdb")));
}

void TestDatabaseChoice::namedDatabase_data()
{
    QTest::addColumn<QString>("percorso");
    QTest::addColumn<QString>("expected"); // "<ini>" is Default.ini's folder, "<home>" the home

    QTest::newRow("none") << ""
                          << "";
    QTest::newRow("absolute") << "/srv/studio/Archivio.mdb"
                              << "/srv/studio/Archivio.mdb";
    QTest::newRow("relative to Default.ini") << "dati/Archivio.mdb"
                                             << "<ini>/dati/Archivio.mdb";
    QTest::newRow("dots cleaned") << "../dati/./Archivio.mdb"
                                  << "<up>/dati/Archivio.mdb";
    QTest::newRow("home") << "~/Studio/Archivio.mdb"
                          << "<home>/Studio/Archivio.mdb";
    QTest::newRow("blanks around") << "  /srv/a b.mdb  "
                                   << "/srv/a b.mdb";
}

void TestDatabaseChoice::namedDatabase()
{
    QFETCH(QString, percorso);
    QFETCH(QString, expected);
    QTemporaryDir folder;
    writeAll(folder.filePath("portable"), "");
    const ProgramPaths paths(folder.path());
    QCOMPARE(paths.path(Place::Settings), folder.filePath("Default.ini"));
    writeAll(paths.path(Place::Settings), "[DATABASE]\r\nPercorso=" + percorso.toUtf8() + "\r\n");
    expected.replace("<ini>", folder.path());
    expected.replace("<up>", QFileInfo(folder.path()).absolutePath());
    expected.replace("<home>", QDir::homePath());
    QCOMPARE(DatabaseChoice::named(paths), expected);
}

void TestDatabaseChoice::namedMissingFileIsNotOffered()
{
    QTemporaryDir office;
    writeAll(userIni(), "[DATABASE]\r\nPercorso=" + office.filePath("manca.mdb").toUtf8() + "\r\n");
    ScriptedDialogs dialogs;
    Workspace workspace(program_.path());
    try {
        DatabaseChoice::open(workspace);
        QFAIL("a missing named database opened");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains("manca.mdb"), qPrintable(e.text()));
    }
    QVERIFY(dialogs.questions.isEmpty());
    QVERIFY(!QFile::exists(office.filePath("manca.mdb")));
}

void TestDatabaseChoice::pathTheFileCannotHoldIsRefused()
{
    const QByteArray before = "[FONT]\r\nFontName=Arial\r\n";
    writeAll(userIni(), before);
    const ProgramPaths paths(program_.path());
    QString error;
    QVERIFY(!DatabaseChoice::name(paths, QStringLiteral("/srv/Студия/Archivio.mdb"), &error));
    QVERIFY(error.contains(QStringLiteral("Студия")));
    QCOMPARE(readAll(userIni()), before);
    // "Città" is one the file holds.
    QVERIFY(DatabaseChoice::name(paths, QStringLiteral("/srv/Città/Archivio.mdb"), &error));
    QCOMPARE(DatabaseChoice::named(paths), QStringLiteral("/srv/Città/Archivio.mdb"));
}

QTEST_MAIN(TestDatabaseChoice)
#include "tst_databasechoice.moc"
