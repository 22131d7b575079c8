#include "app/mainwindowfixture.h"
#include "desktop/desktopshortcut.h"
#include "desktop/info.h"
#include "desktop/programicon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>

#include <unistd.h>

// The desktop services of the main window, through its real actions: the two shortcuts into
// the user's folders (pointed at temporary ones), the manual and the about box.
class TestDesktopFlow : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void windowsShowTheProgramIcon();
    void shortcutsLeaveOneEntryEach_data();
    void shortcutsLeaveOneEntryEach();
    void missingDesktopFolderIsReported();
    void unwritableFoldersAreReported_data();
    void unwritableFoldersAreReported();
    void manualGoesToTheShell();
    void missingManualIsReported();
    void manualWithoutAReaderIsReported();
    void aboutBoxHoldsTheMainWindowAndOpensLinks();

private:
    // Points HOME, the desktop and the data folders into `home_`.
    void useFolders(const QString &desktop, const QString &dataHome);
    static QMap<QString, QString> readEntry(const QString &path);
    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // A folder nobody can write into; root writes anywhere on disk, but not into /proc.
    QString unwritableFolder(const QString &name);

    std::unique_ptr<QTemporaryDir> home_;
    QMap<QByteArray, QByteArray> savedEnvironment_;
};

void TestDesktopFlow::init()
{
    for (const char *name : {"HOME", "XDG_DESKTOP_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        savedEnvironment_.insert(name, qgetenv(name));
    home_ = std::make_unique<QTemporaryDir>();
    startFixture();
    start(5);
}

void TestDesktopFlow::cleanup()
{
    stopFixture();
    for (auto it = savedEnvironment_.cbegin(); it != savedEnvironment_.cend(); ++it) {
        if (it.value().isNull())
            qunsetenv(it.key().constData());
        else
            qputenv(it.key().constData(), it.value());
    }
    if (home_) {
        // A folder made read-only must be writable again to be removed.
        for (const QString &name : entries(home_->path()))
            QFile::setPermissions(home_->filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    home_.reset();
}

void TestDesktopFlow::useFolders(const QString &desktop, const QString &dataHome)
{
    qputenv("HOME", home_->path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME"); // no user-dirs.dirs but the one under HOME, which does not exist
    qputenv("XDG_DESKTOP_DIR", desktop.toLocal8Bit());
    qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
}

QString TestDesktopFlow::unwritableFolder(const QString &name)
{
    if (geteuid() == 0)
        return QStringLiteral("/proc/self");
    const QString folder = home_->filePath(name);
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    return folder;
}

QMap<QString, QString> TestDesktopFlow::readEntry(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> keys;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            keys.insert(line.left(equals), line.mid(equals + 1));
    }
    return keys;
}

void TestDesktopFlow::windowsShowTheProgramIcon()
{
    QVERIFY(!QApplication::windowIcon().isNull());
    QCOMPARE(QApplication::windowIcon().availableSizes(), ProgramIcon::icon().availableSizes());
    QCOMPARE(main()->windowIcon().availableSizes(), ProgramIcon::icon().availableSizes());
}

void TestDesktopFlow::shortcutsLeaveOneEntryEach_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("folder"); // under the temporary home
    QTest::newRow("desktop") << "CollegamentoDesktop"
                             << "Scrivania";
    QTest::newRow("programs menu") << "CollegamentoInProgrammi"
                                   << "dati/applications";
}

// Twice, as a user who is not sure it worked would: the second entry replaces the first.
void TestDesktopFlow::shortcutsLeaveOneEntryEach()
{
    QFETCH(QString, action);
    QFETCH(QString, folder);
    QVERIFY(QDir().mkpath(home_->filePath("Scrivania")));
    useFolders(home_->filePath("Scrivania"), home_->filePath("dati")); // dati/applications is made
    trigger(action);
    trigger(action);

    const QString program = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(program).fileName() + ".desktop"; // "pratilio" gives "pratilio.desktop"
    const QString path = home_->filePath(folder + "/" + name);
    QCOMPARE(entries(home_->filePath(folder)), QStringList{name});
    const QMap<QString, QString> keys = readEntry(path);
    // A build folder's path needs no quoting; the quoting itself is the shortcut class's test.
    QCOMPARE(keys.value("Exec"), DesktopShortcut::quoteExecArgument(program));
    QCOMPARE(keys.value("Path"), DesktopShortcut::escapeString(QFileInfo(program).absolutePath()));
    QVERIFY(QFileInfo(path).isExecutable());
    // Only its own folder gets an entry.
    const QString other = folder == "Scrivania" ? QString("dati") : QString("Scrivania");
    QVERIFY(entries(home_->filePath(other)).isEmpty());

    // No box: a line in the status bar says where the shortcut is.
    QVERIFY2(dialogs_->messages.isEmpty(), qPrintable(dialogs_->messages.join('\n')));
    QVERIFY(dialogs_->errors.isEmpty());
    const QString notice = main()->statusBar()->currentMessage();
    QVERIFY2(notice.contains(path), qPrintable(notice));
}

void TestDesktopFlow::missingDesktopFolderIsReported()
{
    const QString desktop = home_->filePath("Scrivania");
    useFolders(desktop, home_->filePath("dati"));
    trigger("CollegamentoDesktop");
    QCOMPARE(dialogs_->messages,
             QStringList{"Impossibile creare il collegamento in " + desktop + ": la cartella non esiste."});
    QVERIFY(!QFileInfo::exists(desktop)); // not made: the user's desktop is the user's to choose
    QVERIFY(dialogs_->errors.isEmpty());
    QVERIFY(main()->isEnabled());
}

void TestDesktopFlow::unwritableFoldersAreReported_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("desktop") << "CollegamentoDesktop";
    QTest::newRow("programs menu") << "CollegamentoInProgrammi";
}

void TestDesktopFlow::unwritableFoldersAreReported()
{
    QFETCH(QString, action);
    if (action == "CollegamentoDesktop") {
        useFolders(unwritableFolder("Scrivania"), home_->filePath("dati"));
    } else if (geteuid() == 0) {
        useFolders(home_->filePath("Scrivania"), "/proc/self"); // /proc/self/applications cannot be made
    } else {
        QVERIFY(QDir().mkpath(home_->filePath("dati")));
        useFolders(home_->filePath("Scrivania"), home_->filePath("dati"));
        unwritableFolder("dati/applications");
    }
    trigger(action);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages[0].startsWith("Impossibile creare il collegamento in "),
             qPrintable(dialogs_->messages[0]));
    QVERIFY(dialogs_->errors.isEmpty());
}

void TestDesktopFlow::manualGoesToTheShell()
{
    const QString pdf = main()->programDir() + "/Manuale.pdf";
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4\n");
    file.close();
    trigger("Manuale1");
    QCOMPARE(dialogs_->opened, QStringList{pdf});
    QVERIFY(dialogs_->messages.isEmpty());
}

void TestDesktopFlow::missingManualIsReported()
{
    trigger("Manuale1");
    QVERIFY(dialogs_->opened.isEmpty());
    QCOMPARE(dialogs_->messages, QStringList{"Il manuale non è stato trovato: il file " + main()->programDir()
                                             + "/Manuale.pdf non esiste."});
}

// A desktop without a PDF reader: the shell refuses, and the user is told rather than left waiting.
void TestDesktopFlow::manualWithoutAReaderIsReported()
{
    QFile file(main()->programDir() + "/Manuale.pdf");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    dialogs_->openSucceeds = false;
    trigger("Manuale1");
    QCOMPARE(dialogs_->opened.size(), 1);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages[0].startsWith("Impossibile aprire il manuale "), qPrintable(dialogs_->messages[0]));
}

void TestDesktopFlow::aboutBoxHoldsTheMainWindowAndOpensLinks()
{
    trigger("Informazioni1");
    Info *box = startup_->about();
    QVERIFY(box->isVisible());
    QVERIFY(!main()->isEnabled());
    QTest::mouseClick(box->findChild<QLabel *>("Comments"), Qt::LeftButton);
    QTest::mouseClick(box->findChild<QLabel *>("Label1"), Qt::LeftButton);
    QCOMPARE(dialogs_->opened, QStringList({"mailto:" + Info::emailAddress(), Info::webSite()}));
    QTest::mouseClick(box->findChild<QPushButton *>("BitBtn1"), Qt::LeftButton);
    QVERIFY(!box->isVisible());
    QVERIFY(main()->isEnabled());
    // Shown again from the menu, it holds the main window again.
    trigger("Informazioni1");
    QVERIFY(!main()->isEnabled());
    box->close();
    QVERIFY(main()->isEnabled());
}

QTEST_MAIN(TestDesktopFlow)
#include "tst_desktopflow.moc"
