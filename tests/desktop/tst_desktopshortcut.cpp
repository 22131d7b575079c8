#include "desktop/desktopshortcut.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Desktop entries written as shortcuts: their keys, the quoting of the program's path, the
// replacement of an older entry and the messages for folders that cannot take one.
class TestDesktopShortcut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileNameDropsTheExtension_data();
    void fileNameDropsTheExtension();
    void execArgumentRoundTrips_data();
    void execArgumentRoundTrips();
    void plainPathIsNotQuoted();
    void pathWithBlanksIsQuoted();
    void createdTwiceLeavesOneEntry();
    void entryIsExecutable();
    void entryPassesTheValidator_data();
    void entryPassesTheValidator();
    void unusableFolderGivesTheMessage_data();
    void unusableFolderGivesTheMessage();
    void readOnlyFolderGivesTheMessage();
    void equalSignInThePathIsRefused();
    void desktopFolderFollowsTheUserDirs();

private:
    static QMap<QString, QString> readEntry(const QString &path);
    static QString unescapeString(const QString &value);
    static QString unquoteExec(const QString &value);
};

QMap<QString, QString> TestDesktopShortcut::readEntry(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> keys;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString &line : lines) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            keys.insert(line.left(equals), line.mid(equals + 1));
    }
    return keys;
}

// The reading side of the string escapes, as a desktop would read the value.
QString TestDesktopShortcut::unescapeString(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            out += u' ';
        else if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else if (next == u'r')
            out += u'\r';
        else if (next == u'\\')
            out += u'\\';
        else
            out += QString(u'\\') + next;
    }
    return out;
}

// The reading side of the Exec quoting for a command of one argument.
QString TestDesktopShortcut::unquoteExec(const QString &value)
{
    const QString text = unescapeString(value);
    QString out;
    const bool quoted = text.startsWith(u'"') && text.endsWith(u'"') && text.size() >= 2;
    const QString inner = quoted ? text.mid(1, text.size() - 2) : text;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (quoted && inner[i] == u'\\' && i + 1 < inner.size())
            out += inner[++i];
        else if (inner[i] == u'%' && i + 1 < inner.size() && inner[i + 1] == u'%')
            out += inner[i++];
        else
            out += inner[i];
    }
    return out;
}

void TestDesktopShortcut::fileNameDropsTheExtension_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("name");
    QTest::newRow("no extension") << "/opt/pratilio/pratilio"
                                  << "pratilio.desktop";
    QTest::newRow("exe") << "/opt/pratilio/pratilio.exe"
                         << "pratilio.desktop";
    QTest::newRow("only the last extension") << "/opt/p/pratilio.2.bin"
                                             << "pratilio.2.desktop";
    QTest::newRow("blank in the name") << "/opt/p/Pratilio Plus"
                                       << "Pratilio Plus.desktop";
}

void TestDesktopShortcut::fileNameDropsTheExtension()
{
    QFETCH(QString, program);
    QFETCH(QString, name);
    QCOMPARE(DesktopShortcut::fileNameFor(program), name);
}

void TestDesktopShortcut::execArgumentRoundTrips_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/opt/pratilio/pratilio";
    // Every reserved character, one at a time: each must come back unchanged.
    const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (const QChar c : reserved)
        QTest::newRow(qPrintable(QStringLiteral("reserved U+%1").arg(c.unicode(), 4, 16, QChar(u'0'))))
            << QStringLiteral("/home/studio/a%1b/pratilio").arg(c);
    QTest::newRow("percent") << "/home/studio/100%/pratilio";
    QTest::newRow("percent and blank") << "/home/studio/100 %f/pratilio";
    QTest::newRow("two backslashes") << "/home/a\\\\b/pratilio";
    QTest::newRow("accents") << "/home/studio/Città/pratilio";
    QTest::newRow("leading blank") << " /pratilio";
}

void TestDesktopShortcut::execArgumentRoundTrips()
{
    QFETCH(QString, path);
    const QString written = DesktopShortcut::quoteExecArgument(path);
    QCOMPARE(unquoteExec(written), path);
    QVERIFY(!written.contains(u'\n'));
}

void TestDesktopShortcut::plainPathIsNotQuoted()
{
    QCOMPARE(DesktopShortcut::quoteExecArgument("/opt/pratilio/pratilio"), QString("/opt/pratilio/pratilio"));
}

void TestDesktopShortcut::pathWithBlanksIsQuoted()
{
    QCOMPARE(DesktopShortcut::quoteExecArgument("/home/studio/I miei programmi/pratilio"),
             QString("\"/home/studio/I miei programmi/pratilio\""));
    // A dollar inside the quotes takes a backslash, which the file then doubles.
    QCOMPARE(DesktopShortcut::quoteExecArgument("/home/a b/$x"), QString("\"/home/a b/\\\\$x\""));
}

void TestDesktopShortcut::createdTwiceLeavesOneEntry()
{
    QTemporaryDir programDir;
    QTemporaryDir desktop;
    const QString program = programDir.filePath("pratilio");
    DesktopShortcut shortcut(program);

    const DesktopShortcut::Outcome first = shortcut.createIn(desktop.path());
    QVERIFY2(first.ok(), qPrintable(first.error));
    // An older entry of the same name, with other content, is replaced whole.
    QFile old(first.filePath);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("[Desktop Entry]\nName=vecchio\nExec=/vecchio\nX-Old=1\n");
    old.close();
    const DesktopShortcut::Outcome second = shortcut.createIn(desktop.path());
    QVERIFY2(second.ok(), qPrintable(second.error));

    QCOMPARE(second.filePath, first.filePath);
    QCOMPARE(QDir(desktop.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"pratilio.desktop"});
    const QMap<QString, QString> keys = readEntry(second.filePath);
    QCOMPARE(keys.value("Exec"), program);
    QCOMPARE(keys.value("Path"), programDir.path());
    QCOMPARE(keys.value("Icon"), programDir.filePath("pratilio.png"));
    QCOMPARE(keys.value("Name"), QString("Pratilio+"));
    QCOMPARE(keys.value("Type"), QString("Application"));
    QCOMPARE(keys.value("Categories"), QString("Office;"));
    QVERIFY(!keys.contains("X-Old"));
}

void TestDesktopShortcut::entryIsExecutable()
{
    QTemporaryDir folder;
    const DesktopShortcut::Outcome outcome = DesktopShortcut("/opt/pratilio/pratilio").createIn(folder.path());
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    QVERIFY(QFileInfo(outcome.filePath).isExecutable());
}

void TestDesktopShortcut::entryPassesTheValidator_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("plain") << "pratilio";
    QTest::newRow("blanks") << "I miei programmi";
    QTest::newRow("reserved characters") << "Studio d'Arte & C. (2024) $1 #2";
    QTest::newRow("backslash and percent") << "a\\b 100%";
}

void TestDesktopShortcut::entryPassesTheValidator()
{
    QFETCH(QString, folderName);
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing: run scripts/install-deps.sh");

    QTemporaryDir base;
    const QString programDir = base.filePath(folderName);
    QVERIFY(QDir().mkpath(programDir));
    QTemporaryDir folder;
    const QString program = programDir + "/pratilio";
    const DesktopShortcut::Outcome outcome = DesktopShortcut(program).createIn(folder.path());
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));

    QProcess process;
    process.start(validator, {outcome.filePath});
    QVERIFY(process.waitForFinished(30000));
    const QString report = QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    QVERIFY2(process.exitCode() == 0 && !report.contains("error"), qPrintable(report));
    const QMap<QString, QString> keys = readEntry(outcome.filePath);
    QCOMPARE(unquoteExec(keys.value("Exec")), program);
    QCOMPARE(unescapeString(keys.value("Path")), programDir);
}

void TestDesktopShortcut::unusableFolderGivesTheMessage_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "/nonexistent/Scrivania"
                             << "la cartella non esiste";
    QTest::newRow("a file") << "/etc/hostname"
                            << "non è una cartella";
    // No file can be created in /proc, not even by root.
    QTest::newRow("no files possible") << "/proc"
                                       << "la cartella non è scrivibile";
}

void TestDesktopShortcut::unusableFolderGivesTheMessage()
{
    QFETCH(QString, folder);
    QFETCH(QString, reason);
    const DesktopShortcut::Outcome outcome = DesktopShortcut("/opt/pratilio/pratilio").createIn(folder);
    QVERIFY(!outcome.ok());
    QVERIFY(outcome.filePath.isEmpty());
    QVERIFY2(outcome.error.startsWith("Impossibile creare il collegamento in " + folder + ": " + reason),
             qPrintable(outcome.error));
}

void TestDesktopShortcut::readOnlyFolderGivesTheMessage()
{
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders; the /proc row covers an unwritable folder");
    QTemporaryDir folder;
    QVERIFY(QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const DesktopShortcut::Outcome outcome = DesktopShortcut("/opt/pratilio/pratilio").createIn(folder.path());
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!outcome.ok());
    QVERIFY2(outcome.error.startsWith("Impossibile creare il collegamento in " + folder.path()
                                      + ": la cartella non è scrivibile"),
             qPrintable(outcome.error));
}

void TestDesktopShortcut::equalSignInThePathIsRefused()
{
    QTemporaryDir folder;
    const DesktopShortcut::Outcome outcome = DesktopShortcut("/opt/a=b/pratilio").createIn(folder.path());
    QVERIFY(!outcome.ok());
    QVERIFY(QDir(folder.path()).isEmpty());
}

void TestDesktopShortcut::desktopFolderFollowsTheUserDirs()
{
    QTemporaryDir config;
    QFile dirs(config.filePath("user-dirs.dirs"));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DESKTOP_DIR=\"$HOME/Scrivania\"\n");
    dirs.close();
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString folder = DesktopShortcut::desktopFolder();
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(folder, QDir::homePath() + "/Scrivania");
}

QTEST_GUILESS_MAIN(TestDesktopShortcut)
#include "tst_desktopshortcut.moc"
