// Wrong keys and damaged files through the program's opening path: each time a clear Italian
// message naming the file, never a crash, and no byte of any file changed by the attempt.
// PRATILIO_DAMAGED sets the number of damaged copies.
#include "app/principale.h"
#include "app/startup.h"
#include "core/workspace.h"
#include "data/query.h"
#include "data/schema.h"
#include "queries/standardqueries.h"
#include "settings/password.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// One of several kinds of damage a file meets: flipped bytes, a cut end, a page of zeros,
// a header of garbage.
QByteArray damage(QByteArray bytes, QRandomGenerator &random, QString *kind)
{
    const int size = int(bytes.size());
    switch (random.bounded(5)) {
    case 0: {
        const int flips = 1 + int(random.bounded(8));
        for (int i = 0; i < flips; ++i)
            bytes[int(random.bounded(size))] ^= char(1 + random.bounded(255));
        *kind = QStringLiteral("%1 byte cambiati").arg(flips);
        break;
    }
    case 1:
        bytes.truncate(int(random.bounded(size)));
        *kind = QStringLiteral("troncato a %1 byte").arg(bytes.size());
        break;
    case 2: {
        const int page = 4096;
        const int at = int(random.bounded(size / page)) * page;
        bytes.replace(at, page, QByteArray(page, '\0'));
        *kind = QStringLiteral("pagina a %1 azzerata").arg(at);
        break;
    }
    case 3:
        for (int i = 0; i < 100 && i < size; ++i)
            bytes[i] = char(random.bounded(256));
        *kind = QStringLiteral("intestazione casuale");
        break;
    default: {
        // A single byte somewhere in the last pages, where the rows live.
        const int at = size - 1 - int(random.bounded(qMin(size, 3 * 4096)));
        bytes[at] = char(bytes[at] ^ 0x40);
        *kind = QStringLiteral("un byte a %1").arg(at);
        break;
    }
    }
    return bytes;
}

// Whether `text` is one of our explanations: Italian, naming the file.
bool isClearMessage(const QString &text)
{
    return text.contains(QLatin1String("DatiCliente.mdb")) && !text.startsWith(QLatin1String("file "))
           && !text.startsWith(QLatin1String("database "));
}

} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wrongDatabaseKeys();
    void wrongStartupPasswords();
    void damagedCopies();
    void damagedCopyAtStartupShowsOneBox();
};

void TestDamagedFiles::wrongDatabaseKeys()
{
    TestDatabase original(5);
    original.db().close();
    const QByteArray before = readAll(original.path());
    QRandomGenerator random(7);
    QList<QByteArray> keys = {QByteArray(),
                              QByteArray("qtx5274163"),
                              QByteArray("qtx52741639 "),
                              QByteArray("QTX52741639"),
                              QByteArray("'; DROP TABLE Committente; --"),
                              QByteArray(5000, 'k'),
                              QByteArray("qtx\0 52741639", 13)};
    while (keys.size() < 100) {
        QByteArray key(1 + int(random.bounded(64)), Qt::Uninitialized);
        for (char &c : key)
            c = char(random.bounded(256));
        keys << key;
    }
    for (const QByteArray &key : keys) {
        Database db;
        try {
            db.open(original.path(), key);
            QFAIL("a wrong key opened the database");
        } catch (const DbError &e) {
            QVERIFY2(isClearMessage(e.text()), qPrintable(e.text()));
            QVERIFY(e.text().contains(QStringLiteral("password del database è errata")));
        }
        QVERIFY(!db.isOpen());
    }
    QCOMPARE(readAll(original.path()), before);
}

void TestDamagedFiles::wrongStartupPasswords()
{
    ScriptedDialogs dialogs;
    TestDatabase db(3);
    db.db().exec("UPDATE Applicazione SET Codice = 'Giusta-1'");
    Startup startup(db.programDir());
    startup.createWindows();
    startup.start();
    QRandomGenerator random(11);
    for (int i = 0; i < 100; ++i) {
        QString typed;
        const int length = int(random.bounded(40));
        for (int c = 0; c < length; ++c)
            typed += QChar(char16_t(0x20 + random.bounded(0x2000)));
        if (typed == QLatin1String("Giusta-1"))
            continue;
        startup.password()->edit()->setText(i == 0 ? QStringLiteral("giusta-1") : typed);
        startup.password()->ConfermaClick();
        QVERIFY(startup.password()->isVisible());
        QVERIFY(!startup.mainWindow()->isVisible());
    }
    QCOMPARE(dialogs.messages.size(), 100);
    QVERIFY(dialogs.errors.isEmpty());
    startup.password()->edit()->setText(QStringLiteral("Giusta-1"));
    startup.password()->ConfermaClick();
    QVERIFY(startup.mainWindow()->isVisible());
}

void TestDamagedFiles::damagedCopies()
{
    const int copies = qEnvironmentVariableIntValue("PRATILIO_DAMAGED") > 0
                           ? qEnvironmentVariableIntValue("PRATILIO_DAMAGED")
                           : 200;
    ScriptedDialogs dialogs;
    TestDatabase original(40);
    original.db().close();
    const QByteArray pristine = readAll(original.path());
    QTemporaryDir folder;
    const QString path = TestDatabase::createAt(folder.path(), 0);
    QRandomGenerator random(20240611);
    int refused = 0;
    for (int i = 0; i < copies; ++i) {
        QString kind;
        const QByteArray damaged = damage(pristine, random, &kind);
        writeAll(path, damaged);
        QString failure;
        try {
            Workspace workspace(folder.path());
            workspace.openConnection();
            // What the program reads first: the start-up queries over every table.
            Query *query = workspace.query();
            for (const StandardQuery q :
                 {StandardQuery::Committente, StandardQuery::Progetto, StandardQuery::NonPagati}) {
                query->close();
                query->setSql(StandardQueries::describe(q).lines);
                query->open();
            }
            query->close();
            query->setSql({QStringLiteral("SELECT * FROM Pagamenti")});
            query->open();
            workspace.connection().scalar("PRAGMA integrity_check");
        } catch (const DbError &e) {
            failure = e.text();
        }
        if (!failure.isEmpty()) {
            ++refused;
            QVERIFY2(isClearMessage(failure), qPrintable(kind + QStringLiteral(": ") + failure));
        }
        QVERIFY2(readAll(path) == damaged, qPrintable(kind + QStringLiteral(": opening changed the file")));
    }
    QCOMPARE(readAll(original.path()), pristine);
    qInfo("Copie danneggiate aperte: %d, rifiutate con un messaggio chiaro: %d", copies, refused);
    QVERIFY(refused > copies / 2);
}

void TestDamagedFiles::damagedCopyAtStartupShowsOneBox()
{
    TestDatabase original(5);
    original.db().close();
    QByteArray bytes = readAll(original.path());
    bytes.replace(0, 32, QByteArray(32, 'x'));
    writeAll(original.path(), bytes);
    ScriptedDialogs dialogs;
    Startup startup(original.programDir());
    startup.createWindows();
    startup.start();
    QCOMPARE(dialogs.errors.size(), 1);
    QVERIFY2(isClearMessage(dialogs.errors.first()), qPrintable(dialogs.errors.first()));
    QVERIFY(startup.mainWindow()->isVisible());
    QCOMPARE(readAll(original.path()), bytes);
}

QTEST_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
