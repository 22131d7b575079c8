#include "exchange/jetimport.h"
#include "exchange/jetreader.h"
#include "exchange/jetreport.h"
#include "support/scripteddialogs.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

// The child that reads an old archive fails half-way (a crash of the library inside it, an
// answer cut short, a hang): the conversion, which takes the rows as the child writes them,
// writes nothing, says why in Italian and leaves the archive as it was.
class TestJetChild : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failingChildWritesNothing_data();
    void failingChildWritesNothing();
    void hungChildIsStopped();

private:
    static QString archive() { return QStringLiteral(PRATILIO_TEST_DATA "/old-office/DatiCliente.mdb"); }
    // A stand-in for the reading child in `dir`: a shell script where $REAL is the real one.
    static QString standIn(const QTemporaryDir &dir, const QString &script);
};

namespace {

QByteArray sha(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

} // namespace

QString TestJetChild::standIn(const QTemporaryDir &dir, const QString &script)
{
    const QString path = dir.filePath(JetReader::kHelperName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QStringLiteral("#!/bin/sh\nREAL='%1'\n%2\n").arg(JetReader::helperProgram(), script).toUtf8());
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

void TestJetChild::failingChildWritesNothing_data()
{
    QTest::addColumn<QString>("script");
    const QString real = QStringLiteral("\"$REAL\" \"$1\"");
    // The answer of the test archive is some 140 kB: 300 bytes end inside the first table's
    // columns, 20,000 inside the rows, after some of them were taken and converted.
    QTest::newRow("crash after the columns") << real + QStringLiteral(" | head -c 300; kill -SEGV $$");
    QTest::newRow("crash among the rows") << real + QStringLiteral(" | head -c 20000; kill -SEGV $$");
    QTest::newRow("abort among the rows") << real + QStringLiteral(" | head -c 20000; kill -ABRT $$");
    QTest::newRow("answer cut among the rows") << real + QStringLiteral(" | head -c 20000");
    QTest::newRow("whole answer, then failure") << real + QStringLiteral("; exit 3");
    QTest::newRow("a byte too many") << real + QStringLiteral("; printf x");
}

void TestJetChild::failingChildWritesNothing()
{
    QFETCH(QString, script);
    QTemporaryDir dir;
    const QString real = JetReader::helperProgram();
    const QString fake = standIn(dir, script);
    QVERIFY(!fake.isEmpty());
    const QString target = dir.filePath(QStringLiteral("DatiCliente.mdb"));
    const QByteArray before = sha(archive());

    JetReader::setFallbackHelper(fake);
    ScriptedDialogs dialogs;
    JetReport report;
    QString error;
    const bool converted = JetImport::convert(archive(), target, &report, &error);
    JetReader::setFallbackHelper(real);

    QVERIFY(!converted);
    QCOMPARE(error, QStringLiteral("la lettura del file si è interrotta: il file è danneggiato."));
    QVERIFY(!QFileInfo::exists(target));
    // Nothing left aside in the folder either: only the stand-in.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{JetReader::kHelperName});
    QCOMPARE(sha(archive()), before);
}

void TestJetChild::hungChildIsStopped()
{
    // A child that answers in part and then hangs is killed at the time limit; nothing of the
    // rows it gave is kept.
    QTemporaryDir dir;
    const QString real = JetReader::helperProgram();
    const QString fake = standIn(dir, QStringLiteral("\"$REAL\" \"$1\" | head -c 20000; exec sleep 60"));
    QVERIFY(!fake.isEmpty());
    JetReader::setFallbackHelper(fake);
    JetReader reader;
    reader.setTimeout(2000);
    JetData data;
    const bool read = reader.read(archive(), &data);
    JetReader::setFallbackHelper(real);
    QVERIFY(!read);
    QVERIFY2(reader.errorString().contains(QStringLiteral("non è finita entro 2 secondi")),
             qPrintable(reader.errorString()));
    QVERIFY(data.tables.isEmpty());
}

QTEST_GUILESS_MAIN(TestJetChild)
#include "tst_jetchild.moc"
