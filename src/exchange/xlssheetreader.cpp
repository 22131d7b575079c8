#include "exchange/xlssheetreader.h"

#include "exchange/freexlsheetreader.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

// The answer: magic, version, outcome, the sheet or the refusal, end marker. The marker
// tells a child that died halfway through writing from one that finished.
constexpr quint32 kMagic = 0x50584c53; // "PXLS"
constexpr quint16 kVersion = 1;
constexpr quint32 kEnd = 0x454e4421; // "END!"
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_4;

QString &fallbackHelper()
{
    static QString program;
    return program;
}

QString interruptedReason()
{
    return QStringLiteral("la lettura del file si è interrotta: il file è danneggiato o non è una cartella di lavoro "
                          "Excel 97-2003.");
}

} // namespace

const QString XlsSheetReader::kHelperName = QStringLiteral("pratilio-xlsread");

QString XlsSheetReader::helperProgram()
{
    if (QCoreApplication::instance()) {
        QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(kHelperName);
        if (QFileInfo(beside).isExecutable())
            return beside;
    }
    return fallbackHelper();
}

void XlsSheetReader::setFallbackHelper(const QString &program) { fallbackHelper() = program; }

QByteArray XlsSheetReader::answer(const QString &path)
{
    FreexlSheetReader reader;
    SheetContent content;
    const bool ok = reader.read(path, &content);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << kMagic << kVersion << ok;
    if (ok)
        out << content.header << content.rows;
    else
        out << reader.errorString();
    out << kEnd;
    return bytes;
}

bool XlsSheetReader::read(const QString &path, SheetContent *content)
{
    const QString program = helperProgram();
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        setError(path, QStringLiteral("manca il programma che legge i file .xls (%1 accanto a pratilio): "
                                      "reinstallare Pratilio+.")
                           .arg(kHelperName));
        return false;
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The child's heap would grow page by page as the library allocates every cell, which
    // costs more than the reading itself: large steps in huge pages make it three times
    // faster. A glibc that knows neither setting ignores them; the user's own settings win.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("GLIBC_TUNABLES")))
        environment.insert(QStringLiteral("GLIBC_TUNABLES"),
                           QStringLiteral("glibc.malloc.hugetlb=1:glibc.malloc.top_pad=67108864"));
    child.setProcessEnvironment(environment);
    child.start(program, {path}, QIODevice::ReadOnly);
    if (!child.waitForStarted()) {
        setError(path, QStringLiteral("il programma che legge i file .xls (%1) non si avvia: %2")
                           .arg(QDir::toNativeSeparators(program), child.errorString()));
        return false;
    }
    child.waitForFinished(timeoutMs_);
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished();
        setError(path, QStringLiteral("la lettura del file non è finita entro %1 secondi ed è stata interrotta: "
                                      "il file è danneggiato o non è una cartella di lavoro Excel 97-2003.")
                           .arg(timeoutMs_ / 1000));
        return false;
    }
    const QByteArray bytes = child.readAllStandardOutput();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        setError(path, interruptedReason());
        return false;
    }

    QDataStream in(bytes);
    in.setVersion(kStreamVersion);
    quint32 magic = 0;
    quint16 version = 0;
    bool ok = false;
    in >> magic >> version;
    if (magic != kMagic || version != kVersion) {
        setError(path, interruptedReason());
        return false;
    }
    SheetContent sheet;
    QString refusal;
    in >> ok;
    if (ok)
        in >> sheet.header >> sheet.rows;
    else
        in >> refusal;
    quint32 end = 0;
    in >> end;
    if (in.status() != QDataStream::Ok || end != kEnd || !in.atEnd() || (!ok && refusal.isEmpty())) {
        setError(path, interruptedReason());
        return false;
    }
    if (!ok) {
        setErrorString(refusal);
        return false;
    }
    *content = std::move(sheet);
    return true;
}
