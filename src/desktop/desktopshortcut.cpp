#include "desktop/desktopshortcut.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString failure(const QString &folder, const QString &reason)
{
    return QStringLiteral("Impossibile creare il collegamento in %1: %2.").arg(QDir::toNativeSeparators(folder), reason);
}

// Runs a helper program and returns its output, or nothing when it is missing or fails.
QString runQuietly(const QString &program, const QStringList &arguments)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return {};
    QProcess process;
    process.start(path, arguments);
    // A helper that hangs (a metadata daemon that does not answer) must not hang the program.
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

} // namespace

DesktopShortcut::DesktopShortcut(const QString &programPath, const QString &iconPath) :
    programPath_(QFileInfo(programPath).absoluteFilePath()), iconPath_(iconPath)
{
    if (iconPath_.isEmpty())
        iconPath_ = QFileInfo(programPath_).absolutePath() + QStringLiteral("/pratilio.png");
}

QString DesktopShortcut::fileNameFor(const QString &programPath)
{
    const QFileInfo info(programPath);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return base + QStringLiteral(".desktop");
}

QString DesktopShortcut::quoteExecArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);

    QString quoted;
    for (const QChar c : argument) {
        if (needsQuotes && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            quoted += u'\\';
        quoted += c;
        if (c == u'%')
            quoted += u'%';
    }
    if (needsQuotes)
        quoted = u'"' + quoted + u'"';
    // The Exec value is a string too: its own escapes apply over the quoting.
    return escapeString(quoted);
}

QString DesktopShortcut::escapeString(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else if (c == u'\t')
            escaped += QStringLiteral("\\t");
        else if (c == u'\r')
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    // A leading blank would be taken for layout around the "=" and dropped.
    if (escaped.startsWith(u' '))
        escaped.replace(0, 1, QStringLiteral("\\s"));
    return escaped;
}

QString DesktopShortcut::entryText() const
{
    const QString folder = QFileInfo(programPath_).absolutePath();
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Version=1.4\n");
    text += QStringLiteral("Name=Pratilio+\n");
    text += QStringLiteral("Comment=Clienti, progetti e pagamenti dello studio\n");
    text += QStringLiteral("Exec=") + quoteExecArgument(programPath_) + u'\n';
    text += QStringLiteral("Path=") + escapeString(folder) + u'\n';
    text += QStringLiteral("Icon=") + escapeString(iconPath_) + u'\n';
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("Categories=Office;\n");
    return text;
}

DesktopShortcut::Outcome DesktopShortcut::createIn(const QString &folder) const
{
    Outcome outcome;
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists()) {
        outcome.error = failure(folder, QStringLiteral("la cartella non esiste"));
        return outcome;
    }
    if (!folderInfo.isDir()) {
        outcome.error = failure(folder, QStringLiteral("non è una cartella"));
        return outcome;
    }
    // The rules of desktop entries forbid "=" in the Exec key's program path: no quoting helps.
    if (QFileInfo(programPath_).absoluteFilePath().contains(u'=')) {
        outcome.error = failure(folder, QStringLiteral("il percorso del programma contiene il carattere \"=\""));
        return outcome;
    }

    const QString path = QDir(folder).filePath(fileNameFor(programPath_));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        outcome.error = failure(folder, QStringLiteral("la cartella non è scrivibile (%1)").arg(file.errorString()));
        return outcome;
    }
    const QByteArray entry = entryText().toUtf8();
    // A flush that fails (a full disk) is not noticed by commit(): checked here.
    if (file.write(entry) != entry.size() || !file.flush() || !file.commit()) {
        outcome.error = failure(folder, QStringLiteral("scrittura non riuscita (%1)").arg(file.errorString()));
        return outcome;
    }

    // Desktops start only entries that are executable (and, in GNOME, trusted).
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser
                                    | QFileDevice::ExeGroup | QFileDevice::ExeOther);
    // Where no metadata service runs this fails; the entry still works after a confirmation.
    runQuietly(QStringLiteral("gio"),
               {QStringLiteral("set"), path, QStringLiteral("metadata::trusted"), QStringLiteral("true")});
    outcome.filePath = path;
    return outcome;
}

QString DesktopShortcut::desktopFolder()
{
    QString folder = runQuietly(QStringLiteral("xdg-user-dir"), {QStringLiteral("DESKTOP")});
    if (!folder.isEmpty())
        return folder;
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString DesktopShortcut::applicationsFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
}
