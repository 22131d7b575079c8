// Crash safety: a worker process adds and deletes persons, projects and payments through the
// program's own code paths and is killed (SIGKILL) at random moments, hundreds of times. After
// every kill the file must be whole, every project's paid amount the sum of its payments, and
// every person present in all three of its tables. PRATILIO_KILLS sets the number of kills.
#include "data/database.h"
#include "data/schema.h"
#include "support/testdatabase.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

class TestCrashSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedAtRandomMomentsLeavesConsistentData();

private:
    // Empty when the database keeps every promise; otherwise what is broken.
    static QString brokenPromise(Database &db);
};

QString TestCrashSafety::brokenPromise(Database &db)
{
    const QString integrity = db.scalar("PRAGMA integrity_check").toString();
    if (integrity != QLatin1String("ok"))
        return QStringLiteral("integrity_check: ") + integrity;
    const qint64 wrongTotals
        = db.scalar("SELECT COUNT(*) FROM Progetto p WHERE ABS(COALESCE(p.Importo_pagato, 0) - "
                    "(SELECT COALESCE(SUM(Importo), 0) FROM Pagamenti g WHERE g.IdProgetto = p.IdProgetto)) > 0.001")
              .toLongLong();
    if (wrongTotals != 0)
        return QStringLiteral("%1 progetti con Importo_pagato diverso dalla somma dei pagamenti").arg(wrongTotals);
    const qint64 halfPersons
        = db.scalar("SELECT (SELECT COUNT(*) FROM Committente c WHERE NOT EXISTS (SELECT 1 FROM Indirizzo i WHERE "
                    "i.IdCommittente = c.IdCommittente)"
                    "   OR NOT EXISTS (SELECT 1 FROM Recapiti r WHERE r.IdCommittente = c.IdCommittente))"
                    " + (SELECT COUNT(*) FROM Indirizzo i WHERE NOT EXISTS (SELECT 1 FROM Committente c WHERE "
                    "c.IdCommittente = i.IdCommittente))"
                    " + (SELECT COUNT(*) FROM Recapiti r WHERE NOT EXISTS (SELECT 1 FROM Committente c WHERE "
                    "c.IdCommittente = r.IdCommittente))")
              .toLongLong();
    if (halfPersons != 0)
        return QStringLiteral("%1 persone senza tutte e tre le righe").arg(halfPersons);
    return {};
}

void TestCrashSafety::killedAtRandomMomentsLeavesConsistentData()
{
    const int kills = qEnvironmentVariableIntValue("PRATILIO_KILLS") > 0
                          ? qEnvironmentVariableIntValue("PRATILIO_KILLS")
                          : 200;
    QTemporaryDir folder;
    const QString path = TestDatabase::createAt(folder.path(), 10);
    Database db;
    db.open(path, Schema::databasePassword());
    QVERIFY2(brokenPromise(db).isEmpty(), qPrintable(brokenPromise(db)));

    QRandomGenerator random(20240611);
    int killedWhileWorking = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess worker;
        worker.setProcessChannelMode(QProcess::SeparateChannels);
        worker.start(QStringLiteral(PRATILIO_CRASHWORKER), {folder.path(), QString::number(random.generate())});
        QVERIFY2(worker.waitForStarted(), qPrintable(worker.errorString()));
        // Most kills land in the middle of the work, a few while the file is being opened.
        if (random.bounded(10) != 0) {
            QVERIFY2(worker.waitForReadyRead(30000), qPrintable(QString::fromLocal8Bit(worker.readAllStandardError())));
            QTest::qSleep(int(random.bounded(150)));
            ++killedWhileWorking;
        } else {
            QTest::qSleep(int(random.bounded(80)));
        }
        worker.kill(); // SIGKILL: no clean-up of any kind runs
        QVERIFY(worker.waitForFinished(10000));
        QCOMPARE(worker.exitStatus(), QProcess::CrashExit);
        const QString broken = brokenPromise(db);
        QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("dopo %1 uccisioni: %2").arg(i + 1).arg(broken)));
    }
    // The workers did work: the data grew.
    QVERIFY(db.scalar("SELECT COUNT(*) FROM Committente").toLongLong() > 0);
    QVERIFY(db.scalar("SELECT COUNT(*) FROM Pagamenti").toLongLong() > 0);
    qInfo("Uccisioni superate: %d (%d durante il lavoro); persone %lld, progetti %lld, pagamenti %lld", kills,
          killedWhileWorking, db.scalar("SELECT COUNT(*) FROM Committente").toLongLong(),
          db.scalar("SELECT COUNT(*) FROM Progetto").toLongLong(),
          db.scalar("SELECT COUNT(*) FROM Pagamenti").toLongLong());
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
