#include "exchange/framedchild.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QByteArray AnswerFields::takeBytes()
{
    const quint32 length = take<quint32>();
    if (!have(length))
        return QByteArray();
    QByteArray bytes(bytes_.constData() + at_, qsizetype(length));
    at_ += qsizetype(length);
    return bytes;
}

QString AnswerFields::takeText()
{
    const quint32 length = take<quint32>();
    if (!have(length))
        return QString();
    QString text = QString::fromUtf8(bytes_.constData() + at_, qsizetype(length));
    at_ += qsizetype(length);
    return text;
}

bool AnswerFields::atEnd() { return !cut_ && bytes_.size() == at_ && !fill(1); }

bool AnswerFields::fill(quint64 size)
{
    // What was taken goes, so that only the field being read and a piece after it are kept.
    bytes_.remove(0, at_);
    at_ = 0;
    QByteArray piece;
    while (quint64(bytes_.size()) < size && more_ && more_(&piece)) {
        bytes_.append(piece);
        piece.clear();
    }
    if (quint64(bytes_.size()) >= size)
        return true;
    cut_ = true;
    bytes_.clear();
    more_ = nullptr;
    return false;
}

bool FramedChild::run(const QString &program, const QString &path, QByteArray *answer)
{
    QByteArray bytes;
    if (!start(program, path))
        return false;
    QByteArray piece;
    while (next(&piece)) {
        bytes.append(piece);
        piece.clear();
    }
    if (!finish())
        return false;
    *answer = std::move(bytes);
    return true;
}

bool FramedChild::start(const QString &program, const QString &path)
{
    error_.clear();
    timedOut_ = false;
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        error_ = QStringLiteral("manca il programma che legge %1 (%2 accanto a pratilio): reinstallare Pratilio+.")
                     .arg(texts_.what, helperName_);
        return false;
    }
    child_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!environment_.isEmpty())
        child_.setProcessEnvironment(environment_);
    deadline_ = QDeadlineTimer(timeoutMs_);
    child_.start(program, {path}, QIODevice::ReadOnly);
    if (!child_.waitForStarted()) {
        error_ = QStringLiteral("il programma che legge %1 (%2) non si avvia: %3")
                     .arg(texts_.what, QDir::toNativeSeparators(program), child_.errorString());
        return false;
    }
    return true;
}

bool FramedChild::next(QByteArray *piece)
{
    while (!timedOut_) {
        if (child_.bytesAvailable() > 0) {
            *piece = child_.read(child_.bytesAvailable());
            return true;
        }
        if (child_.state() == QProcess::NotRunning)
            return false;
        if (deadline_.hasExpired()) {
            timedOut_ = true;
            return false;
        }
        child_.waitForReadyRead(int(qMin<qint64>(deadline_.remainingTime(), INT_MAX)));
    }
    return false;
}

bool FramedChild::finish()
{
    // A child still writing is read to its end, or it would wait on a full pipe.
    QByteArray unread;
    while (next(&unread))
        unread.clear();
    if (!timedOut_ && child_.state() != QProcess::NotRunning)
        child_.waitForFinished(int(qMin<qint64>(deadline_.remainingTime(), INT_MAX)));
    if (child_.state() != QProcess::NotRunning) {
        child_.kill();
        child_.waitForFinished();
        error_ = QStringLiteral("la lettura del file non è finita entro %1 secondi ed è stata interrotta: %2")
                     .arg(timeoutMs_ / 1000)
                     .arg(texts_.damaged);
        return false;
    }
    if (child_.exitStatus() != QProcess::NormalExit || child_.exitCode() != 0) {
        error_ = interruptedReason();
        return false;
    }
    return true;
}

QString FramedChild::interruptedReason() const
{
    return QStringLiteral("la lettura del file si è interrotta: %1").arg(texts_.damaged);
}

QString FramedChild::besideOrFallback(const QString &beside, const QString &fallback)
{
    return QCoreApplication::instance() && QFileInfo(beside).isExecutable() ? beside : fallback;
}
