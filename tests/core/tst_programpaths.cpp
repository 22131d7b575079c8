// Where the data go: beside the program or in the user's folders, by what the program's
// folder holds.
#include "core/programpaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using Place = ProgramPaths::Place;

class TestProgramPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void rule_data();
    void rule();
    void folders_data();
    void folders();
    void programFilesStayBesideTheProgram();

private:
    static QString userData() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }
    static QString userConfig() { return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation); }
};

void TestProgramPaths::initTestCase()
{
    // The user's folders of the test mode, never the real ones.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(userData().contains(QStringLiteral(".qttest")));
    QVERIFY(userConfig().contains(QStringLiteral(".qttest")));
}

void TestProgramPaths::init()
{
    QDir(userData()).removeRecursively();
    QDir(userConfig()).removeRecursively();
}

void TestProgramPaths::rule_data()
{
    QTest::addColumn<bool>("marker");
    QTest::addColumn<bool>("databaseFolder");
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("database");
    QTest::addColumn<bool>("databaseWritable");
    QTest::addColumn<bool>("userData");
    QTest::addColumn<bool>("beside");

    QTest::newRow("neither") << false << false << false << false << false << false << false;
    QTest::newRow("neither, user has data") << false << false << false << false << false << true << false;
    QTest::newRow("marker alone") << true << false << false << false << false << false << true;
    QTest::newRow("marker over the user's data") << true << false << false << false << false << true << true;
    QTest::newRow("marker, read-only database") << true << true << false << true << false << true << true;
    QTest::newRow("writable database") << false << true << true << true << true << false << true;
    QTest::newRow("writable database, user has data") << false << true << true << true << true << true << true;
    QTest::newRow("writable database, read-only folder") << false << true << false << true << true << true << true;
    QTest::newRow("writable folder, no database yet") << false << true << true << false << false << false << true;
    QTest::newRow("writable folder, no database, user has data")
        << false << true << true << false << false << true << true;
    QTest::newRow("read-only folder, no database (installed for all)")
        << false << true << false << false << false << false << false;
    QTest::newRow("read-only database, user has none") << false << true << false << true << false << false << true;
    QTest::newRow("read-only database, user has data") << false << true << false << true << false << true << false;
}

void TestProgramPaths::rule()
{
    ProgramPaths::Facts facts;
    QFETCH(bool, marker);
    QFETCH(bool, databaseFolder);
    QFETCH(bool, folderWritable);
    QFETCH(bool, database);
    QFETCH(bool, databaseWritable);
    QFETCH(bool, userData);
    facts.marker = marker;
    facts.databaseFolder = databaseFolder;
    facts.folderWritable = folderWritable;
    facts.database = database;
    facts.databaseWritable = databaseWritable;
    facts.userData = userData;
    QTEST(ProgramPaths::dataBeside(facts), "beside");
}

// The program's folder as the row lays it out; the permissions count only for a user
// other than root, who may write everywhere.
void TestProgramPaths::folders_data()
{
    QTest::addColumn<QString>("layout"); // letters: m marker, d Database/, f the file, u user data
    QTest::addColumn<bool>("readOnly");  // Database/ and its file cannot be written
    QTest::addColumn<bool>("beside");

    QTest::newRow("empty program folder") << "" << false << false;
    QTest::newRow("marker") << "m" << false << true;
    QTest::newRow("marker, user has data") << "mu" << false << true;
    QTest::newRow("build folder: Database/ and its file") << "df" << false << true;
    QTest::newRow("Database/ and its file, user has data") << "dfu" << false << true;
    QTest::newRow("empty Database/") << "d" << false << true;
    QTest::newRow("user has data only") << "u" << false << false;
    QTest::newRow("read-only empty Database/") << "d" << true << false;
    QTest::newRow("read-only database, no user data") << "df" << true << true;
    QTest::newRow("read-only database, user has data") << "dfu" << true << false;
}

void TestProgramPaths::folders()
{
    QFETCH(QString, layout);
    QFETCH(bool, readOnly);
    QFETCH(bool, beside);
    if (readOnly && ::geteuid() == 0)
        QSKIP("Root writes every file: a read-only program folder cannot be made here.");

    QTemporaryDir program;
    QVERIFY(program.isValid());
    const QDir dir(program.path());
    if (layout.contains(QLatin1Char('m')))
        QVERIFY(QFile(dir.filePath(QStringLiteral("portable"))).open(QIODevice::WriteOnly));
    if (layout.contains(QLatin1Char('d')))
        QVERIFY(dir.mkpath(QStringLiteral("Database")));
    const QString file = dir.filePath(QStringLiteral("Database/DatiCliente.mdb"));
    if (layout.contains(QLatin1Char('f')))
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    if (layout.contains(QLatin1Char('u'))) {
        QVERIFY(QDir().mkpath(userConfig()));
        QVERIFY(QFile(QDir(userConfig()).filePath(QStringLiteral("Default.ini"))).open(QIODevice::WriteOnly));
    }
    if (readOnly) {
        if (QFile::exists(file))
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("Database")), QFile::ReadOwner | QFile::ExeOwner));
    }

    const ProgramPaths paths(program.path());
    QCOMPARE(paths.dataBesideProgram(), beside);
    const QString data = beside ? program.path() : userData();
    const QString config = beside ? program.path() : userConfig();
    QCOMPARE(paths.path(Place::DatabaseFolder), data + QStringLiteral("/Database"));
    QCOMPARE(paths.path(Place::DatabaseFile), data + QStringLiteral("/Database/DatiCliente.mdb"));
    QCOMPARE(paths.path(Place::Output), data + QStringLiteral("/Output"));
    QCOMPARE(paths.path(Place::Backup), data + QStringLiteral("/Backup"));
    QCOMPARE(paths.path(Place::Settings), config + QStringLiteral("/Default.ini"));
    // The program's own files never move.
    QCOMPARE(paths.path(Place::Manual), program.filePath(QStringLiteral("Manuale.pdf")));

    if (readOnly)
        QFile::setPermissions(dir.filePath(QStringLiteral("Database")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestProgramPaths::programFilesStayBesideTheProgram()
{
    QTemporaryDir program;
    const ProgramPaths paths(program.path());
    QVERIFY(!paths.dataBesideProgram());
    QCOMPARE(paths.path(Place::Manual), program.filePath(QStringLiteral("Manuale.pdf")));
    QCOMPARE(paths.path(Place::XlsReader), program.filePath(QStringLiteral("pratilio-xlsread")));
    QCOMPARE(paths.path(Place::PortableMarker), program.filePath(QStringLiteral("portable")));
    QCOMPARE(paths.programDir(), program.path());

    // Decided once: a database made later beside the program does not move the data.
    QVERIFY(QDir(program.path()).mkpath(QStringLiteral("Database")));
    QVERIFY(!paths.dataBesideProgram());
    QVERIFY(ProgramPaths(program.path()).dataBesideProgram());
}

QTEST_GUILESS_MAIN(TestProgramPaths)
#include "tst_programpaths.moc"
