#include "exchange/xlssheetreader.h"

#include "core/programpaths.h"
#include "exchange/sheetcollector.h"
#include "exchange/xlsanswer.h"

#include <QCoreApplication>
#include <QDate>
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

QString interruptedReason()
{
    return QStringLiteral("la lettura del file si è interrotta: il file è danneggiato o non è una cartella di lavoro "
                          "Excel 97-2003.");
}

QString damagedSheetReason() { return QStringLiteral("il foglio \"%1\" è danneggiato.").arg(SheetReader::kSheetName); }

// Takes the fields of an answer in order. A field running past the end gives zero and marks
// the answer as cut short, which the caller checks once at the end.
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

    QString takeText()
    {
        const quint32 length = take<quint32>();
        if (left() < qint64(length)) {
            cut();
            return QString();
        }
        QString text = QString::fromUtf8(next_, qsizetype(length));
        next_ += length;
        return text;
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

QString dateText(const QString &text)
{
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : text;
}

// The cells of the sheet, row by row, into `sheet`. False for a cell the library could not
// read (the sheet is damaged), a type this side does not know (the answer is), or a sheet
// the collector refuses (its reason then set).
bool takeCells(AnswerFields &in, quint32 rows, quint16 columns, SheetCollector &sheet, bool *damaged)
{
    for (quint32 r = 0; r < rows; ++r) {
        if (!sheet.startRow(int(r) + 1))
            return false;
        for (quint16 c = 0; c < columns; ++c) {
            QString text;
            switch (in.take<quint8>()) {
            case XlsAnswer::kEmpty:
                break;
            case XlsAnswer::kInt:
                text = QString::number(in.take<qint64>());
                break;
            case XlsAnswer::kDouble:
                text = SheetReader::numberText(in.take<double>());
                break;
            case XlsAnswer::kText:
                text = in.takeText();
                break;
            case XlsAnswer::kDate:
                text = dateText(in.takeText());
                break;
            case XlsAnswer::kDamaged:
                *damaged = true;
                return false;
            default:
                return false;
            }
            if (in.isCut())
                return false;
            if (!sheet.setCell(c, std::move(text)))
                return false;
        }
    }
    return true;
}

} // namespace

const QString XlsSheetReader::kHelperName = QStringLiteral("pratilio-xlsread");

QString XlsSheetReader::helperProgram()
{
    if (QCoreApplication::instance()) {
        QString beside = ProgramPaths::ofRunningProgram().path(ProgramPaths::Place::XlsReader);
        if (QFileInfo(beside).isExecutable())
            return beside;
    }
    return fallbackHelper();
}

void XlsSheetReader::setFallbackHelper(const QString &program) { fallbackHelper() = program; }

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
    // costs more than the reading itself: large steps in huge pages make it about twice as
    // fast. A glibc that knows neither setting ignores them; the user's own settings win.
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

    return readAnswer(bytes, path, content);
}

bool XlsSheetReader::readAnswer(const QByteArray &answer, const QString &path, SheetContent *content)
{
    AnswerFields in(answer);
    if (in.take<quint32>() != XlsAnswer::kMagic || in.take<quint16>() != XlsAnswer::kVersion) {
        setError(path, interruptedReason());
        return false;
    }
    SheetContent sheet;
    QString refusal;
    bool known = true;
    const quint8 outcome = in.take<quint8>();
    if (outcome == XlsAnswer::kSheet) {
        const quint32 rows = in.take<quint32>();
        const quint16 columns = in.take<quint16>();
        // Every cell takes a byte at least: a damaged answer must not make this side reserve
        // what the answer does not hold. A sheet without columns has no cells to read.
        bool damaged = false;
        SheetCollector collector(columnChoice(), kMaxRows);
        if (quint64(rows) * columns > quint64(in.left()))
            known = false;
        else if (columns > 0 && !takeCells(in, rows, columns, collector, &damaged))
            known = damaged;
        if (!collector.refusal().isEmpty()) {
            // A sheet too large for this side: the rest of the answer need not be read.
            setError(path, collector.refusal());
            return false;
        }
        if (damaged)
            refusal = damagedSheetReason();
        else if (known && !collector.finish(&sheet))
            refusal = collector.refusal();
    } else {
        const qint32 detail = in.take<qint32>();
        switch (outcome) {
        case XlsAnswer::kOpenFailed:
            refusal = QStringLiteral("il file è danneggiato o non è una cartella di lavoro Excel 97-2003 (codice %1).")
                          .arg(detail);
            break;
        case XlsAnswer::kNoHandle:
            refusal = QStringLiteral("il contenuto del file non può essere letto (file danneggiato o con testi "
                                     "troppo lunghi per una cella).");
            break;
        case XlsAnswer::kTooOld:
            refusal = QStringLiteral("il formato Excel del file è troppo vecchio: salvarlo come cartella di lavoro "
                                     "Excel 97-2003 (.xls) o Excel (.xlsx) e riprovare.");
            break;
        case XlsAnswer::kNoSheet:
            refusal = noSheetReason();
            break;
        case XlsAnswer::kSheetDamaged:
            refusal = damagedSheetReason();
            break;
        case XlsAnswer::kFileDamaged:
            refusal = QStringLiteral("il file è danneggiato: una parte della cartella di lavoro non si può leggere e "
                                     "il foglio \"%1\" non sarebbe letto per intero.")
                          .arg(kSheetName);
            break;
        default:
            known = false;
        }
    }
    if (!known || in.take<quint32>() != XlsAnswer::kEnd || in.isCut() || in.left() != 0) {
        setError(path, interruptedReason());
        return false;
    }
    if (!refusal.isEmpty()) {
        setError(path, refusal);
        return false;
    }
    *content = std::move(sheet);
    return true;
}
