// Faults of the file system under the program: the database file or its folder read-only,
// the disk full. Every save tells the user in Italian what happened and what to do; the
// database holds the old state or the new one, never a mix; no partial file stays behind.
// Runs in a mount namespace of its own (see MountSandbox), skipped where none is allowed.
#include "core/workspace.h"
#include "data/databasebackup.h"
#include "data/databaselock.h"
#include "data/schema.h"
#include "data/table.h"
#include "editing/editingfixture.h"
#include "exchange/sheetexport.h"
#include "settings/settingsfile.h"
#include "support/mountsandbox.h"

#include <QDirIterator>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestIoFaults : public QObject, public EditingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void readOnlyFileWorksReadOnly();
    void readOnlyFolderWorksReadOnly();
    void staleLockInAReadOnlyFolderOpensReadOnly();
    void backupOnAFullDiskSaysSo();
    void fullDiskKeepsTheOldState();
    void fullDiskWhileDeleting();
    void settingsOnAFullOrReadOnlyDisk();
    void exportOnAFullOrReadOnlyDisk();

private:
    // A program folder with a demo database on a tmpfs of `bytes` at a fresh mount point.
    QString mountedProgramFolder(qint64 bytes, int demoPersons);
    void startAt(const QString &programDir);
    qint64 dbCount(const QString &table);
    QString integrity();

    std::unique_ptr<QTemporaryDir> mountPoint_;
    QStringList mounts_;
};

void TestIoFaults::init()
{
    if (!MountSandbox::isAvailable())
        QSKIP("No mount namespace allowed here (needs root or CAP_SYS_ADMIN): the I/O faults are not injected.");
    startFixture();
    mountPoint_ = std::make_unique<QTemporaryDir>();
}

void TestIoFaults::cleanup()
{
    stopFixture();
    for (auto it = mounts_.crbegin(); it != mounts_.crend(); ++it)
        MountSandbox::unmount(*it);
    mounts_.clear();
    mountPoint_.reset();
}

QString TestIoFaults::mountedProgramFolder(qint64 bytes, int demoPersons)
{
    const QString folder = mountPoint_->filePath(QStringLiteral("disk"));
    QDir().mkpath(folder);
    if (!MountSandbox::mountTmpfs(folder, bytes))
        qFatal("tmpfs not mounted");
    mounts_ << folder;
    const QString program = QDir(folder).filePath(QStringLiteral("pratilio"));
    TestDatabase::createAt(program, demoPersons);
    return program;
}

void TestIoFaults::startAt(const QString &programDir)
{
    startup_ = std::make_unique<Startup>(programDir);
    startup_->createWindows();
    startup_->start();
}

qint64 TestIoFaults::dbCount(const QString &table)
{
    return main()->connection().scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table).toUtf8()).toLongLong();
}

QString TestIoFaults::integrity() { return main()->connection().scalar("PRAGMA integrity_check").toString(); }

void TestIoFaults::readOnlyFileWorksReadOnly()
{
    const QString program = mountedProgramFolder(8 << 20, 10);
    const QString disk = mounts_.first();
    QVERIFY(MountSandbox::remountReadOnly(disk));
    const QStringList before = filesUnder(disk);

    startAt(program);
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages.first().contains(QStringLiteral("è di sola lettura")));
    QVERIFY(dialogs_->messages.first().contains(QStringLiteral("DatiCliente.mdb")));
    QVERIFY(main()->isVisible());

    // Browsing and queries work; every editing action is off.
    trigger(QStringLiteral("QueryCommittente"));
    QCOMPARE(query()->recordCount(), 10);
    QVERIFY(!main()->action(QStringLiteral("Inserisci"))->isEnabled());
    QVERIFY(!main()->action(QStringLiteral("Elimina"))->isEnabled());
    QVERIFY(!main()->isGridEditable());
    trigger(QStringLiteral("MostraScheda"));
    QLineEdit *surname = cardEditor(QStringLiteral("Cognome"));
    const QString was = surname->text();
    QTest::keyClicks(surname, QStringLiteral("xyz"));
    QCOMPARE(surname->text(), was);
    QCOMPARE(query()->state(), Query::State::Browse);

    // A change tried through the data layer anyway is refused with the reason.
    QVERIFY_THROWS_EXCEPTION(DbError, query()->edit());
    QVERIFY_THROWS_EXCEPTION(DbError, query()->deleteRecord());

    // Export goes to a folder that can be written.
    QTemporaryDir out;
    const ExportResult exported = SheetExport::run(*query(), out.filePath(QStringLiteral("elenco.xlsx")));
    QVERIFY2(exported.ok, qPrintable(exported.message));
    QCOMPARE(exported.rows, 10);
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(filesUnder(disk), before); // not even a lock file
}

void TestIoFaults::readOnlyFolderWorksReadOnly()
{
    const QString program = mountedProgramFolder(8 << 20, 5);
    const QString disk = mounts_.first();
    const QString path = QDir(program).filePath(QStringLiteral("Database/DatiCliente.mdb"));
    // The file itself stays writable: a copy of it on a writable disk is laid over it.
    QTemporaryDir elsewhere;
    const QString writable = elsewhere.filePath(QStringLiteral("DatiCliente.mdb"));
    QVERIFY(QFile::copy(path, writable));
    QVERIFY(MountSandbox::remountReadOnly(disk));
    QVERIFY(MountSandbox::bindFile(writable, path));
    mounts_ << path;

    startAt(program);
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages.first().contains(QStringLiteral("La cartella del database")),
             qPrintable(dialogs_->messages.first()));
    trigger(QStringLiteral("QueryCommittente"));
    QCOMPARE(query()->recordCount(), 5);
    QVERIFY(!main()->action(QStringLiteral("Inserisci"))->isEnabled());
    QVERIFY(!main()->isGridEditable());
}

void TestIoFaults::staleLockInAReadOnlyFolderOpensReadOnly()
{
    const QString program = mountedProgramFolder(8 << 20, 3);
    const QString disk = mounts_.first();
    const QString path = QDir(program).filePath(QStringLiteral("Database/DatiCliente.mdb"));
    {
        // Left by a copy of this computer that no longer runs.
        QFile lock(DatabaseLock::lockPath(path));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("999999999\npratilio\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    }
    QVERIFY(MountSandbox::remountReadOnly(disk));

    startAt(program);
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QVERIFY(dialogs_->questions.isEmpty());
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages.first().contains(QStringLiteral("sola lettura")),
             qPrintable(dialogs_->messages.first()));
    trigger(QStringLiteral("QueryCommittente"));
    QCOMPARE(query()->recordCount(), 3);
    QVERIFY(!main()->action(QStringLiteral("Inserisci"))->isEnabled());
}

void TestIoFaults::backupOnAFullDiskSaysSo()
{
    const QString program = mountedProgramFolder(8 << 20, 200);
    startAt(program);
    const QString disk = mounts_.first();
    const QString filler = MountSandbox::fillUp(disk);
    const QStringList before = filesUnder(disk);
    try {
        DatabaseBackup(main()->connection(), Schema::databasePassword())
            .copyTo(QDir(program).filePath(QStringLiteral("copia.mdb")));
        QFAIL("a copy on a full disk reported success");
    } catch (const DbError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("il disco è pieno")), qPrintable(error.text()));
        QVERIFY2(!error.text().contains(QStringLiteral("sconosciuto")), qPrintable(error.text()));
    }
    QCOMPARE(filesUnder(disk), before); // no partial copy left
    QDir(filler).removeRecursively();
}

void TestIoFaults::fullDiskKeepsTheOldState()
{
    const QString program = mountedProgramFolder(1 << 20, 5);
    const QString disk = mounts_.first();
    startAt(program);
    QVERIFY(dialogs_->errors.isEmpty());
    const QStringList before = filesUnder(disk);
    const qint64 persons = dbCount(QStringLiteral("Committente"));
    const QString filler = MountSandbox::fillUp(disk);
    QVERIFY(!filler.isEmpty());

    trigger(QStringLiteral("QueryCommittente"));
    trigger(QStringLiteral("Inserisci"));
    type(QStringLiteral("Cognome"), QStringLiteral("Pieno"));
    type(QStringLiteral("Qualifica"), QStringLiteral("Arch."));
    sheetEditor(QStringLiteral("Note"))->setText(QString(60000, QLatin1Char('n')));
    QTest::keyClick(sheetEditor(QStringLiteral("Note")), Qt::Key_End);
    pressEnterIn(QStringLiteral("Cognome"));
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.first().contains(QStringLiteral("è pieno")), qPrintable(dialogs_->errors.first()));
    QVERIFY(dialogs_->errors.first().contains(QStringLiteral("Le modifiche non sono state salvate")));
    QVERIFY(sheet()->isVisible()); // the typed values stay for another try

    // The old state, whole; no journal or other partial file left.
    QCOMPARE(dbCount(QStringLiteral("Committente")), persons);
    QCOMPARE(dbCount(QStringLiteral("Indirizzo")), persons);
    QCOMPARE(integrity(), QStringLiteral("ok"));
    const QStringList now = filesUnder(disk).filter(QRegularExpression(QStringLiteral("^(?!filler/)")));
    QCOMPARE(now, before);

    // Space freed, the same confirmation saves the new state.
    QVERIFY(QDir(filler).removeRecursively());
    pressEnterIn(QStringLiteral("Cognome"));
    QCOMPARE(dialogs_->errors.size(), 1);
    QCOMPARE(dbCount(QStringLiteral("Committente")), persons + 1);
    QCOMPARE(dbCount(QStringLiteral("Recapiti")), persons + 1);
    QCOMPARE(integrity(), QStringLiteral("ok"));
}

void TestIoFaults::fullDiskWhileDeleting()
{
    const QString program = mountedProgramFolder(1 << 20, 20);
    const QString disk = mounts_.first();
    startAt(program);
    trigger(QStringLiteral("QueryCommittente"));
    const qint64 persons = dbCount(QStringLiteral("Committente"));
    const QString filler = MountSandbox::fillUp(disk);
    dialogs_->answerNext(true);
    trigger(QStringLiteral("Elimina"));
    // A deletion needs the journal too: refused whole, or (when the engine found room) done whole.
    const qint64 after = dbCount(QStringLiteral("Committente"));
    if (dialogs_->errors.isEmpty()) {
        QCOMPARE(after, persons - 1);
    } else {
        QVERIFY2(dialogs_->errors.first().contains(QStringLiteral("Le modifiche non sono state salvate")),
                 qPrintable(dialogs_->errors.first()));
        QCOMPARE(after, persons);
        QCOMPARE(query()->recordCount(), int(persons));
    }
    QCOMPARE(dbCount(QStringLiteral("Indirizzo")), after);
    QCOMPARE(dbCount(QStringLiteral("Recapiti")), after);
    QCOMPARE(integrity(), QStringLiteral("ok"));
    QDir(filler).removeRecursively();
}

void TestIoFaults::settingsOnAFullOrReadOnlyDisk()
{
    mountedProgramFolder(1 << 20, 0);
    const QString disk = mounts_.first();
    const QString path = QDir(disk).filePath(QStringLiteral("Default.ini"));
    Preferences preferences;
    SettingsFile first(path);
    QVERIFY2(first.save(preferences), qPrintable(first.errorString()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();
    const QStringList before = filesUnder(disk);

    const QString filler = MountSandbox::fillUp(disk);
    preferences.initialQueryKind = 3;
    SettingsFile full(path);
    // Before the fix the full disk left an empty Default.ini in place of the old one.
    QVERIFY(!full.save(preferences));
    QVERIFY2(full.errorString().contains(QStringLiteral("Impossibile salvare il file delle impostazioni")),
             qPrintable(full.errorString()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    file.close();
    const QStringList now = filesUnder(disk).filter(QRegularExpression(QStringLiteral("^(?!filler/)")));
    QCOMPARE(now, before); // no half-written temporary file

    QDir(filler).removeRecursively();
    QVERIFY(MountSandbox::remountReadOnly(disk));
    SettingsFile readOnly(path);
    QVERIFY(!readOnly.save(preferences));
    QVERIFY(readOnly.errorString().contains(QStringLiteral("Default.ini")));
}

void TestIoFaults::exportOnAFullOrReadOnlyDisk()
{
    start(30);
    trigger(QStringLiteral("QueryCommittente"));
    const QString folder = mountPoint_->filePath(QStringLiteral("out"));
    QDir().mkpath(folder);
    QVERIFY(MountSandbox::mountTmpfs(folder, 64 << 10));
    mounts_ << folder;
    const QString filler = MountSandbox::fillUp(folder);
    for (const QString &name : {QStringLiteral("elenco.xlsx"), QStringLiteral("elenco.xls")}) {
        const ExportResult full = SheetExport::run(*query(), QDir(folder).filePath(name));
        QVERIFY2(!full.ok, qPrintable(name));
        // In Italian, naming the file, without the zip layer's own words.
        QVERIFY2(full.message.startsWith(QStringLiteral("Impossibile scrivere il file \"%1\"")
                                             .arg(QDir::toNativeSeparators(QDir(folder).filePath(name)))),
                 qPrintable(full.message));
        QVERIFY2(full.message.contains(QStringLiteral("disco")), qPrintable(full.message));
        QVERIFY2(!full.message.contains(QStringLiteral("ZIP"), Qt::CaseInsensitive), qPrintable(full.message));
        QVERIFY2(!QFile::exists(QDir(folder).filePath(name)), qPrintable(name));
    }
    QDir(filler).removeRecursively();
    QVERIFY(MountSandbox::remountReadOnly(folder));
    const ExportResult readOnly = SheetExport::run(*query(), QDir(folder).filePath(QStringLiteral("elenco.xlsx")));
    QVERIFY(!readOnly.ok);
    QVERIFY(!readOnly.message.isEmpty());
    QCOMPARE(filesUnder(folder), QStringList());
}

int main(int argc, char **argv)
{
    // Before any thread exists: a mount namespace cannot be entered afterwards.
    MountSandbox::enter();
    QApplication app(argc, argv);
    TestIoFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_iofaults.moc"
