#include "exchange/jetreader.h"

#include "exchange/mdbanswer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <cstring>

namespace {

QString &fallbackHelper()
{
    static QString program;
    return program;
}

QString interruptedReason() { return QStringLiteral("la lettura del file si è interrotta: il file è danneggiato."); }

// Takes the fields of an answer in order. A field running past the end gives zero and marks
// the answer as cut short, which the caller checks.
class AnswerFields
{
public:
    explicit AnswerFields(const QByteArray &bytes) : next_(bytes.constData()), end_(bytes.constData() + bytes.size()) {}

    template<typename T>
    T take()
    {
        T value{};
        if (left() < qint64(sizeof value)) {
            cut();
            return value;
        }
        std::memcpy(&value, next_, sizeof value);
        next_ += sizeof value;
        return value;
    }

    QByteArray takeBytes()
    {
        const quint32 length = take<quint32>();
        if (left() < qint64(length)) {
            cut();
            return QByteArray();
        }
        QByteArray bytes(next_, qsizetype(length));
        next_ += length;
        return bytes;
    }

    qint64 left() const { return end_ - next_; }
    bool isCut() const { return cut_; }

private:
    void cut()
    {
        cut_ = true;
        next_ = end_;
    }

    const char *next_;
    const char *end_;
    bool cut_ = false;
};

// One cell; false for a row the child could not read or a type this side does not know.
bool takeCell(AnswerFields &in, JetCell *cell)
{
    switch (in.take<quint8>()) {
    case MdbAnswer::kNull:
        cell->type = JetCell::Null;
        return true;
    case MdbAnswer::kInt:
        cell->type = JetCell::Int;
        cell->number = in.take<qint64>();
        return true;
    case MdbAnswer::kMoney:
        cell->type = JetCell::Money;
        cell->number = in.take<qint64>();
        return true;
    case MdbAnswer::kDouble:
        cell->type = JetCell::Double;
        cell->real = in.take<double>();
        return true;
    case MdbAnswer::kDate:
        cell->type = JetCell::Date;
        cell->real = in.take<double>();
        return true;
    case MdbAnswer::kText:
        cell->type = JetCell::Text;
        cell->text = in.takeBytes();
        return true;
    case MdbAnswer::kOther:
        cell->type = JetCell::Other;
        return true;
    default:
        return false;
    }
}

// A table's columns and rows; false with `error` set when the answer ends or a row is damaged.
bool takeTable(AnswerFields &in, JetTable *table, QString *error)
{
    table->name = QString::fromUtf8(in.takeBytes());
    const quint16 columns = in.take<quint16>();
    for (quint16 c = 0; c < columns && !in.isCut(); ++c) {
        table->columns << QString::fromUtf8(in.takeBytes());
        table->types << in.take<quint8>();
    }
    while (!in.isCut()) {
        const quint8 mark = in.take<quint8>();
        if (mark == 0)
            return !in.isCut();
        if (mark != 1)
            break;
        QList<JetCell> row(columns);
        for (JetCell &cell : row) {
            if (!takeCell(in, &cell) || in.isCut()) {
                if (!in.isCut())
                    *error = QStringLiteral("una riga della tabella %1 (la %2) non può essere letta: il file è "
                                            "danneggiato.")
                                 .arg(table->name)
                                 .arg(table->rows.size() + 1);
                return false;
            }
        }
        table->rows << std::move(row);
    }
    return false;
}

} // namespace

int JetTable::column(const QString &wanted) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

const JetTable *JetData::table(const QString &wanted) const
{
    for (const JetTable &t : tables) {
        if (t.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

const QString JetReader::kHelperName = QStringLiteral("pratilio-mdbread");

QString JetReader::helperProgram()
{
    if (QCoreApplication::instance()) {
        QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(kHelperName);
        if (QFileInfo(beside).isExecutable())
            return beside;
    }
    return fallbackHelper();
}

void JetReader::setFallbackHelper(const QString &program) { fallbackHelper() = program; }

bool JetReader::read(const QString &path, JetData *data)
{
    error_.clear();
    const QString program = helperProgram();
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        error_ = QStringLiteral("manca il programma che legge gli archivi .mdb (%1 accanto a pratilio): "
                                "reinstallare Pratilio+.")
                     .arg(kHelperName);
        return false;
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {path}, QIODevice::ReadOnly);
    if (!child.waitForStarted()) {
        error_ = QStringLiteral("il programma che legge gli archivi .mdb (%1) non si avvia: %2")
                     .arg(QDir::toNativeSeparators(program), child.errorString());
        return false;
    }
    child.waitForFinished(timeoutMs_);
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished();
        error_ = QStringLiteral("la lettura del file non è finita entro %1 secondi ed è stata interrotta: il file "
                                "è danneggiato.")
                     .arg(timeoutMs_ / 1000);
        return false;
    }
    const QByteArray bytes = child.readAllStandardOutput();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        error_ = interruptedReason();
        return false;
    }
    return readAnswer(bytes, data);
}

bool JetReader::readAnswer(const QByteArray &answer, JetData *data)
{
    error_.clear();
    AnswerFields in(answer);
    if (in.take<quint32>() != MdbAnswer::kMagic || in.take<quint16>() != MdbAnswer::kVersion) {
        error_ = interruptedReason();
        return false;
    }
    JetData read;
    const quint8 outcome = in.take<quint8>();
    bool whole = true;
    if (outcome == MdbAnswer::kTables) {
        for (;;) {
            const quint8 mark = in.take<quint8>();
            if (in.isCut() || mark == MdbAnswer::kNoMoreTables)
                break;
            if (mark == MdbAnswer::kTableUnreadable) {
                read.unreadable << QString::fromUtf8(in.takeBytes());
            } else if (mark == MdbAnswer::kTableFollows) {
                JetTable table;
                if (!takeTable(in, &table, &error_)) {
                    whole = false;
                    break;
                }
                read.tables << std::move(table);
            } else {
                whole = false;
                break;
            }
        }
    } else if (outcome == MdbAnswer::kOpenFailed) {
        error_ = QStringLiteral("il file non può essere aperto come archivio Access: è danneggiato.");
    } else if (outcome == MdbAnswer::kNoCatalog) {
        error_ = QStringLiteral("l'elenco delle tabelle del file non può essere letto: il file è danneggiato.");
    } else {
        whole = false;
    }
    if (!error_.isEmpty())
        return false;
    if (!whole || in.take<quint32>() != MdbAnswer::kEnd || in.isCut() || in.left() != 0) {
        error_ = interruptedReason();
        return false;
    }
    *data = std::move(read);
    return true;
}
