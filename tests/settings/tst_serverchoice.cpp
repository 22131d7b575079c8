// The office server as Default.ini names it, and the program's start on it: reading and
// writing the [DATABASE] keys, a server that cannot be reached, a role that may only read.
#include "core/programpaths.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/pgconnection.h"
#include "settings/databasechoice.h"
#include "settings/databasepage.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/testserver.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

class TestServerChoice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readsTheServer_data();
    void readsTheServer();
    void refusesValuesItCannotRead_data();
    void refusesValuesItCannotRead();
    void writesOnlyItsKeys();
    void unreachableServerNamesTheHost();
    void opensTheServerWithoutLock();
    void readingRoleOpensReadOnly();
    void optionsPageSetsAndTriesTheServer();

private:
    QString ini() const { return QDir(program_->path()).filePath(QStringLiteral("Default.ini")); }
    void writeIni(const QByteArray &bytes)
    {
        QFile file(ini());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readIni() const
    {
        QFile file(ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A program folder holding its data (Database/), so that Default.ini lies beside it.
    std::unique_ptr<QTemporaryDir> program_;
};

void TestServerChoice::init()
{
    program_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(program_->path()).mkpath(QStringLiteral("Database")));
}

void TestServerChoice::readsTheServer_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<bool>("server");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("ssl");
    QTest::newRow("no file") << QByteArray() << false << QString() << 0 << QString();
    QTest::newRow("path only") << QByteArray("[DATABASE]\r\nPercorso=x.mdb\r\n") << false << QString() << 0
                               << QString();
    QTest::newRow("file") << QByteArray("[DATABASE]\r\nTipo=File\r\nHost=ufficio\r\n") << false << QString() << 0
                          << QString();
    QTest::newRow("server, defaults") << QByteArray("[DATABASE]\r\nTipo=server\r\nHost=ufficio\r\n") << true
                                      << "ufficio" << 5432 << "prefer";
    QTest::newRow("server, all") << QByteArray("[database]\r\ntipo=SERVER\r\nHost=10.0.0.2\r\nPorta=6543\r\n"
                                               "Nome=studio\r\nUtente=anna\r\nSSL=verify-full\r\n")
                                 << true << "10.0.0.2" << 6543 << "verify-full";
    QTest::newRow("ssl yes") << QByteArray("[DATABASE]\nTipo=server\nSSL=Sì\n") << true << QString() << 5432
                             << "require";
    QTest::newRow("ssl no") << QByteArray("[DATABASE]\r\nTipo=server\r\nSSL=no\r\n") << true << QString() << 5432
                            << "disable";
    QTest::newRow("largest port") << QByteArray("[DATABASE]\r\nTipo=server\r\nPorta=65535\r\n") << true << QString()
                                  << 65535 << "prefer";
}

void TestServerChoice::readsTheServer()
{
    QFETCH(QByteArray, section);
    QFETCH(bool, server);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, ssl);
    if (!section.isEmpty())
        writeIni(section.replace("Sì", QStringLiteral("Sì").toLatin1()));
    const ProgramPaths paths(program_->path());
    const std::optional<PgSettings> named = DatabaseChoice::namedServer(paths);
    QCOMPARE(named.has_value(), server);
    if (!named)
        return;
    QCOMPARE(named->host, host);
    QCOMPARE(named->port, port);
    QCOMPARE(named->sslMode, ssl);
}

void TestServerChoice::refusesValuesItCannotRead_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("named");
    QTest::newRow("kind") << QByteArray("[DATABASE]\r\nTipo=rete\r\n") << "Tipo=rete";
    QTest::newRow("port zero") << QByteArray("[DATABASE]\r\nTipo=server\r\nPorta=0\r\n") << "Porta=0";
    QTest::newRow("port past the last") << QByteArray("[DATABASE]\r\nTipo=server\r\nPorta=65536\r\n") << "Porta=65536";
    QTest::newRow("port not a number") << QByteArray("[DATABASE]\r\nTipo=server\r\nPorta=54a\r\n") << "Porta=54a";
    QTest::newRow("ssl") << QByteArray("[DATABASE]\r\nTipo=server\r\nSSL=forse\r\n") << "SSL=forse";
}

void TestServerChoice::refusesValuesItCannotRead()
{
    QFETCH(QByteArray, section);
    QFETCH(QString, named);
    writeIni(section);
    const ProgramPaths paths(program_->path());
    try {
        DatabaseChoice::namedServer(paths);
        QFAIL("accepted");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(named) && e.text().contains(QStringLiteral("[DATABASE]")), qPrintable(e.text()));
    }
}

void TestServerChoice::writesOnlyItsKeys()
{
    const QByteArray before = "; note\r\n[OPZIONI]\r\nA=1\r\n[DATABASE]\r\nPercorso=d.mdb\r\n\r\n[ALTRO]\r\nB=2";
    writeIni(before);
    const ProgramPaths paths(program_->path());
    PgSettings server;
    server.host = QStringLiteral("ufficio");
    server.port = 5433;
    server.database = QStringLiteral("studio");
    server.user = QStringLiteral("anna");
    server.sslMode = QStringLiteral("require");
    server.password = QStringLiteral("segreta");
    QString error;
    QVERIFY(DatabaseChoice::nameServer(paths, server, &error));
    QCOMPARE(readIni(), QByteArray("; note\r\n[OPZIONI]\r\nA=1\r\n[DATABASE]\r\nPercorso=d.mdb\r\nTipo=server\r\n"
                                   "Host=ufficio\r\nPorta=5433\r\nNome=studio\r\nUtente=anna\r\nSSL=require\r\n\r\n"
                                   "[ALTRO]\r\nB=2"));
    const std::optional<PgSettings> read = DatabaseChoice::namedServer(paths);
    QVERIFY(read);
    QCOMPARE(read->database, server.database);
    QCOMPARE(read->user, server.user);
    QVERIFY(read->password.isEmpty()); // never written
    // Back to the file: only the kind changes.
    QVERIFY(DatabaseChoice::nameServer(paths, std::nullopt, &error));
    QVERIFY(readIni().contains("Tipo=file\r\nHost=ufficio"));
    QVERIFY(!DatabaseChoice::namedServer(paths));
}

void TestServerChoice::unreachableServerNamesTheHost()
{
    ScriptedDialogs dialogs;
    writeIni("[DATABASE]\r\nTipo=server\r\nHost=127.0.0.1\r\nPorta=1\r\nNome=studio\r\nSSL=disable\r\n");
    Workspace workspace(program_->path());
    try {
        DatabaseChoice::open(workspace);
        QFAIL("opened");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("127.0.0.1")) && e.text().contains(QStringLiteral("studio")),
                 qPrintable(e.text()));
    }
    QVERIFY(!workspace.connection().isOpen());
    QVERIFY(!workspace.isRefused());
    QVERIFY(dialogs.passwordQuestions.isEmpty());
}

void TestServerChoice::opensTheServerWithoutLock()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    ScriptedDialogs dialogs;
    QString error;
    const ProgramPaths paths(program_->path());
    QVERIFY(DatabaseChoice::nameServer(paths, server.settings(), &error));
    Workspace workspace(program_->path());
    DatabaseChoice::open(workspace);
    QVERIFY(workspace.connection().isServer());
    QVERIFY(workspace.canWrite());
    QVERIFY(dialogs.messages.isEmpty());
    // No lock beside a file, and a second desk opens the same database at once.
    QCOMPARE(QDir(program_->path() + QStringLiteral("/Database")).entryList(QDir::Files), QStringList());
    Workspace second(program_->path());
    DatabaseChoice::open(second);
    QVERIFY(!second.isRefused());
    QCOMPARE(second.connection().scalar("SELECT COUNT(*) FROM Stato").toInt(),
             workspace.connection().scalar("SELECT COUNT(*) FROM Stato").toInt());
}

void TestServerChoice::readingRoleOpensReadOnly()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    // The tables' owner gives up writing one of them: the role may only read it.
    server.db().execNative("REVOKE INSERT, UPDATE, DELETE ON pagamenti FROM CURRENT_USER");
    ScriptedDialogs dialogs;
    Workspace workspace(program_->path());
    workspace.setServer(server.settings());
    workspace.openConnection();
    QVERIFY(!workspace.canWrite());
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().contains(server.settings().user)
                 && dialogs.messages.first().contains(QStringLiteral("sola lettura")),
             qPrintable(dialogs.messages.first()));
}

void TestServerChoice::optionsPageSetsAndTriesTheServer()
{
    ScriptedDialogs dialogs;
    writeIni("[OPZIONI]\r\nA=1\r\n");
    const ProgramPaths paths(program_->path());
    DatabasePage page(paths);
    page.load();
    QVERIFY(page.fileButton()->isChecked());
    QVERIFY(!page.hostEdit()->isEnabled());

    // Unchanged: nothing is written, nothing said.
    QVERIFY(page.apply());
    QCOMPARE(readIni(), QByteArray("[OPZIONI]\r\nA=1\r\n"));
    QVERIFY(dialogs.messages.isEmpty());

    // A server without its name is refused before anything is written.
    page.serverButton()->setChecked(true);
    QVERIFY(page.hostEdit()->isEnabled());
    page.hostEdit()->setText(QStringLiteral("  "));
    QVERIFY(!page.apply());
    QCOMPARE(dialogs.errors.size(), 1);
    QCOMPARE(readIni(), QByteArray("[OPZIONI]\r\nA=1\r\n"));

    // A server nobody answers on: the test says so, naming the host.
    page.hostEdit()->setText(QStringLiteral("127.0.0.1"));
    page.portEdit()->setValue(1);
    page.nameEdit()->setText(QStringLiteral("studio"));
    page.sslBox()->setCurrentText(QStringLiteral("disable"));
    page.ProvaCollegamentoClick();
    QCOMPARE(dialogs.errors.size(), 2);
    QVERIFY2(dialogs.errors.last().contains(QStringLiteral("127.0.0.1")), qPrintable(dialogs.errors.last()));

    // Written for the next start, never with a password; read back as it was set.
    QVERIFY(page.apply());
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(readIni().contains("Tipo=server\r\nHost=127.0.0.1\r\nPorta=1\r\nNome=studio\r\n"));
    DatabasePage again(paths);
    again.load();
    QVERIFY(again.serverButton()->isChecked());
    QCOMPARE(again.portEdit()->value(), 1);
    QCOMPARE(again.sslBox()->currentText(), QStringLiteral("disable"));

    // A server that answers, with the program's tables.
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    const PgSettings s = server.settings();
    again.hostEdit()->setText(s.host);
    again.portEdit()->setValue(s.port);
    again.nameEdit()->setText(s.database);
    again.userEdit()->setText(s.user);
    again.ProvaCollegamentoClick();
    QCOMPARE(dialogs.errors.size(), 2);
    QVERIFY2(dialogs.messages.last().startsWith(QStringLiteral("Collegamento riuscito")),
             qPrintable(dialogs.messages.last()));

    // Back to the file.
    again.fileButton()->setChecked(true);
    QVERIFY(again.apply());
    QVERIFY(!DatabaseChoice::namedServer(paths));
}

QTEST_MAIN(TestServerChoice)
#include "tst_serverchoice.moc"
