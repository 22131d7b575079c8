// Several desks on one office server at once: each a process (pratilio-deskworker) saving
// through the program's own code paths, all on the same three projects and the same rows.
// Afterwards every project's paid amount is the sum of its payments to the cent, no key was
// given twice, every save a desk believed done is in the database and nothing a desk was
// told was refused is. PRATILIO_DESKS and PRATILIO_DESK_SAVES set the size of the run;
// PRATILIO_DESK_SECONDS makes each desk work for that long instead (the long mode).
//
// Run on a cluster of its own (PRATILIO_TEST_PGCLUSTER, see tests/CMakeLists.txt), the server
// is stopped at once (pg_ctl stop -m immediate) in the middle of the desks' saves and started
// again, PRATILIO_SERVER_STOPS times: the same promises hold after every restart.
#include "data/pgstatement.h"
#include "support/testserver.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

int setting(const char *name, int fallback)
{
    const int value = qEnvironmentVariableIntValue(name);
    return value > 0 ? value : fallback;
}

// What the desks said they did, gathered from all of their logs.
struct Claims
{
    QHash<qint64, qint64> paymentProject;       // IdFattura -> IdProgetto
    QHash<qint64, QSet<qint64>> paymentAmounts; // IdFattura -> every amount it was given, in cents
    QSet<qint64> deleted;                       // IdFattura
    QHash<qint64, QString> persons;             // IdCommittente -> Cognome
    QHash<qint64, QSet<QString>> descriptions;  // IdProgetto -> every description given
    QHash<qint64, QSet<QString>> notes;         // IdCommittente -> every note given
    QSet<QString> told;                         // what the desks were told when refused
    int done = 0;
    int refused = 0;
    int retryable = 0;
    QStringList clashes; // a key claimed twice
};

} // namespace

class TestConcurrentDesks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void desksSavingTogetherKeepEveryPromise();
    void serverStoppedDuringSavesKeepsEveryPromise();
    void cleanup()
    {
        for (const auto &worker : workers_) {
            worker->kill();
            worker->waitForFinished();
        }
        workers_.clear();
        server_.reset();
    }

private:
    // Whether this run has a cluster of its own that it may stop (PRATILIO_TEST_PGCLUSTER).
    static bool killableCluster() { return !qEnvironmentVariable("PRATILIO_TEST_PGCLUSTER").isEmpty(); }
    // A database of this test's own with two persons and three projects, each desk's work.
    void startServer();
    void startDesks(int desks, int saves, int seconds);
    void finishDesks(int timeoutSeconds);
    Claims readClaims();
    void report(const Claims &claims, int desks);
    void read(const QString &log, Claims &claims);
    QHash<qint64, QList<QByteArray>> rows(const QByteArray &sql);
    // Every claim of the desks against the database; fails the test where one is broken.
    // With `lostReplies`, a save whose reply the server's stop cut off may be in the database
    // though its desk was told it failed (it could not know): such rows must only be whole.
    void checkPromises(const Claims &claims, bool lostReplies = false);

    std::unique_ptr<TestServer> server_;
    QTemporaryDir folder_;
    std::vector<std::unique_ptr<QProcess>> workers_;
};

void TestConcurrentDesks::read(const QString &log, Claims &claims)
{
    QFile file(log);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(log));
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QStringList w = line.split(QLatin1Char(' '));
        if (w.first() == QLatin1String("refused")) {
            ++claims.refused;
            claims.told.insert(line.mid(8));
            // A conflict the server resolved by refusing: the user is asked to try again.
            if (line.contains(QLatin1String("riprovare")))
                ++claims.retryable;
            continue;
        }
        ++claims.done;
        const qint64 key = w.value(1).toLongLong();
        if (w.first() == QLatin1String("payment") && w.size() == 4) {
            if (claims.paymentProject.contains(key))
                claims.clashes << line;
            claims.paymentProject.insert(key, w[2].toLongLong());
            claims.paymentAmounts[key].insert(w[3].toLongLong());
        } else if (w.first() == QLatin1String("amount") && w.size() == 3) {
            claims.paymentAmounts[key].insert(w[2].toLongLong());
        } else if (w.first() == QLatin1String("deleted") && w.size() == 2) {
            if (claims.deleted.contains(key))
                claims.clashes << line;
            claims.deleted.insert(key);
        } else if (w.first() == QLatin1String("person") && w.size() == 3) {
            if (claims.persons.contains(key))
                claims.clashes << line;
            claims.persons.insert(key, w[2]);
        } else if (w.first() == QLatin1String("project") && w.size() == 3) {
            claims.descriptions[key].insert(w[2]);
        } else if (w.first() == QLatin1String("note") && w.size() == 3) {
            claims.notes[key].insert(w[2]);
        } else {
            QFAIL(qPrintable(QStringLiteral("riga inattesa nel registro %1: %2").arg(log, line)));
        }
    }
}

// The rows of a query by its first column, the other columns as text.
QHash<qint64, QList<QByteArray>> TestConcurrentDesks::rows(const QByteArray &sql)
{
    QHash<qint64, QList<QByteArray>> out;
    PgStatement st(server_->db(), sql);
    while (st.step()) {
        QList<QByteArray> values;
        for (int c = 1; c < st.columnCount(); ++c)
            values << st.columnText(c);
        out.insert(st.columnInt(0), values);
    }
    return out;
}

void TestConcurrentDesks::checkPromises(const Claims &claims, bool lostReplies)
{
    PgConnection &db = server_->db();
    QVERIFY2(claims.clashes.isEmpty(), qPrintable(claims.clashes.join(QLatin1Char('\n'))));

    // Every paid amount is the sum of its payments, to the cent.
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM progetto p WHERE COALESCE(p.importo_pagato, 0) <> (SELECT "
                       "COALESCE(SUM(g.importo), 0) FROM pagamenti g WHERE g.idprogetto = p.idprogetto)")
                 .toLongLong(),
             0);

    // Every payment there was claimed by a desk, in its project, with an amount a desk gave
    // it; every payment claimed and not deleted is there; no deleted one is.
    const auto payments = rows("SELECT idfattura, idprogetto, CAST(ROUND(importo * 100) AS BIGINT) FROM pagamenti");
    for (auto it = payments.cbegin(); it != payments.cend(); ++it) {
        if (lostReplies && !claims.paymentProject.contains(it.key()))
            continue;
        QVERIFY2(claims.paymentProject.contains(it.key()),
                 qPrintable(QStringLiteral("pagamento %1 salvato ma non annunciato").arg(it.key())));
        QVERIFY2(!claims.deleted.contains(it.key()),
                 qPrintable(QStringLiteral("pagamento %1 cancellato ma presente").arg(it.key())));
        QCOMPARE(it.value()[0].toLongLong(), claims.paymentProject.value(it.key()));
        QVERIFY2(claims.paymentAmounts.value(it.key()).contains(it.value()[1].toLongLong()),
                 qPrintable(QStringLiteral("pagamento %1: importo %2 mai dato").arg(it.key()).arg(it.value()[1])));
    }
    for (auto it = claims.paymentProject.cbegin(); it != claims.paymentProject.cend(); ++it)
        QVERIFY2(claims.deleted.contains(it.key()) || payments.contains(it.key()),
                 qPrintable(QStringLiteral("pagamento %1 annunciato ma assente").arg(it.key())));

    // Every new person claimed is there with its three rows, and no other is.
    const auto persons = rows("SELECT c.idcommittente, c.cognome, (SELECT COUNT(*) FROM indirizzo i WHERE "
                              "i.idcommittente = c.idcommittente), (SELECT COUNT(*) FROM recapiti r WHERE "
                              "r.idcommittente = c.idcommittente), c.note FROM committente c");
    if (lostReplies)
        QVERIFY(persons.size() >= claims.persons.size() + 2);
    else
        QCOMPARE(persons.size(), claims.persons.size() + 2);
    for (auto it = claims.persons.cbegin(); it != claims.persons.cend(); ++it) {
        QVERIFY2(persons.contains(it.key()), qPrintable(QStringLiteral("persona %1 assente").arg(it.key())));
        QCOMPARE(QString::fromUtf8(persons.value(it.key())[0]), it.value());
    }
    for (auto it = persons.cbegin(); it != persons.cend(); ++it) {
        QCOMPARE(it.value()[1], QByteArray("1"));
        QCOMPARE(it.value()[2], QByteArray("1"));
    }
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM indirizzo").toLongLong(), qint64(persons.size()));
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM recapiti").toLongLong(), qint64(persons.size()));

    // The rows every desk edited hold one of the values a desk saved.
    const auto projects = rows("SELECT idprogetto, descrizione FROM progetto");
    QCOMPARE(projects.size(), 3);
    for (auto it = projects.cbegin(); it != projects.cend(); ++it) {
        const QString text = QString::fromUtf8(it.value()[0]);
        QVERIFY2(text == QLatin1String("iniziale") || claims.descriptions.value(it.key()).contains(text),
                 qPrintable(text));
    }
    for (qint64 person : {1, 2}) {
        const QString text = QString::fromUtf8(persons.value(person)[3]);
        QVERIFY2(text == QLatin1String("iniziale") || claims.notes.value(person).contains(text), qPrintable(text));
    }
}

void TestConcurrentDesks::startServer()
{
    server_ = std::make_unique<TestServer>();
    SKIP_WITHOUT_SERVER(*server_);
    server_->createTables();
    PgConnection &db = server_->db();
    for (int person : {1, 2}) {
        const QByteArray key = QByteArray::number(person);
        db.execNative("INSERT INTO committente (idcommittente, cognome, note) VALUES (" + key + ", 'Persona" + key
                      + "', 'iniziale')");
        db.execNative("INSERT INTO indirizzo (idcommittente) VALUES (" + key + ")");
        db.execNative("INSERT INTO recapiti (idcommittente) VALUES (" + key + ")");
    }
    db.execNative(
        "INSERT INTO progetto (idprogetto, idcommittente, descrizione, stato, importo_totale, importo_pagato) "
        "VALUES (1, 1, 'iniziale', 'In corso', 1000, 0), (2, 1, 'iniziale', 'In corso', 500, 0), "
        "(3, 2, 'iniziale', 'In corso', 800, 0)");
}

void TestConcurrentDesks::startDesks(int desks, int saves, int seconds)
{
    for (int d = 0; d < desks; ++d) {
        const QString desk = folder_.filePath(QStringLiteral("desk%1").arg(d));
        QVERIFY(QDir().mkpath(desk));
        auto worker = std::make_unique<QProcess>();
        worker->setStandardOutputFile(desk + QStringLiteral("/saves.log"), QIODevice::Append);
        worker->setStandardErrorFile(desk + QStringLiteral("/errors.log"), QIODevice::Append);
        QStringList arguments = {desk, server_->settings().host, server_->settings().database, QString::number(d + 1),
                                 QString::number(saves)};
        if (seconds > 0)
            arguments << QString::number(seconds);
        worker->start(QStringLiteral(PRATILIO_DESKWORKER), arguments);
        QVERIFY2(worker->waitForStarted(), qPrintable(worker->errorString()));
        workers_.push_back(std::move(worker));
    }
}

void TestConcurrentDesks::finishDesks(int timeoutSeconds)
{
    for (const auto &worker : workers_) {
        QVERIFY(worker->waitForFinished(timeoutSeconds * 1000));
        QVERIFY2(worker->exitStatus() == QProcess::NormalExit && worker->exitCode() == 0,
                 qPrintable(worker->arguments().first()));
    }
    workers_.clear();
}

Claims TestConcurrentDesks::readClaims()
{
    Claims claims;
    for (const QFileInfo &desk : QDir(folder_.path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        read(desk.filePath() + QStringLiteral("/saves.log"), claims);
    return claims;
}

void TestConcurrentDesks::report(const Claims &claims, int desks)
{
    PgConnection &db = server_->db();
    qInfo("%d postazioni: %d salvataggi riusciti, %d rifiutati (%d da riprovare); %lld pagamenti, %lld persone", desks,
          claims.done, claims.refused, claims.retryable, db.scalar("SELECT COUNT(*) FROM pagamenti").toLongLong(),
          db.scalar("SELECT COUNT(*) FROM committente").toLongLong());
    for (const QString &text : claims.told)
        qInfo("Rifiuto: %s", qPrintable(text));
}

void TestConcurrentDesks::desksSavingTogetherKeepEveryPromise()
{
    if (killableCluster())
        QSKIP("Run on the shared test cluster.");
    startServer();
    if (QTest::currentTestFailed() || !server_->available())
        return;
    const int desks = setting("PRATILIO_DESKS", 4);
    const int saves = setting("PRATILIO_DESK_SAVES", 500);
    const int seconds = qEnvironmentVariableIntValue("PRATILIO_DESK_SECONDS");
    startDesks(desks, seconds > 0 ? 0 : saves, seconds);
    finishDesks(seconds > 0 ? seconds + 120 : 280);
    if (QTest::currentTestFailed())
        return;
    const Claims claims = readClaims();
    checkPromises(claims);
    report(claims, desks);
    // The desks did work: most saves went through.
    QVERIFY(claims.done > claims.refused);
}

void TestConcurrentDesks::serverStoppedDuringSavesKeepsEveryPromise()
{
    if (!killableCluster())
        QSKIP("Needs a cluster of its own (PRATILIO_TEST_PGCLUSTER): other tests share this one.");
    startServer();
    if (QTest::currentTestFailed() || !server_->available())
        return;
    const auto cluster = [](const char *action) {
        QProcess script;
        script.start(QStringLiteral("bash"), {QStringLiteral(PRATILIO_PGCLUSTER_SCRIPT), QString::fromLatin1(action),
                                              qEnvironmentVariable("PRATILIO_TEST_PGCLUSTER")});
        return script.waitForFinished(60000) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    };
    const int stops = setting("PRATILIO_SERVER_STOPS", 3);
    const int desks = 3;
    QRandomGenerator random(20261209);
    for (int i = 0; i < stops; ++i) {
        startDesks(desks, 0, 3);
        // The server stops as at a power cut of its own: no checkpoint, every backend gone.
        QTest::qSleep(400 + int(random.bounded(800)));
        QVERIFY(cluster("crash"));
        QTest::qSleep(int(random.bounded(300)));
        QVERIFY(cluster("restart"));
        server_->db().reconnect();
        const qint64 before = server_->db().scalar("SELECT COUNT(*) FROM pagamenti").toLongLong()
                              + server_->db().scalar("SELECT COUNT(*) FROM committente").toLongLong();
        finishDesks(60);
        if (QTest::currentTestFailed())
            return;
        // The desks found the server again and went on saving.
        QVERIFY(server_->db().scalar("SELECT COUNT(*) FROM pagamenti").toLongLong()
                    + server_->db().scalar("SELECT COUNT(*) FROM committente").toLongLong()
                > before);
        const Claims claims = readClaims();
        checkPromises(claims, true);
        if (QTest::currentTestFailed())
            return;
    }
    report(readClaims(), desks);
}

QTEST_GUILESS_MAIN(TestConcurrentDesks)
#include "tst_concurrentdesks.moc"
