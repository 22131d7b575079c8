#include "exchange/sheetwriter.h"

#include "data/query.h"
#include "data/values.h"
#include "exchange/xlssheetwriter.h"
#include "exchange/xlsxsheetwriter.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

// The process's umask: read from the kernel's status of the process, as setting it to read
// it (and back) would change it for a moment for every thread.
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            bool ok = false;
            const uint mask = line.startsWith("Umask:") ? line.mid(6).trimmed().toUInt(&ok, 8) : 0;
            if (ok)
                return mode_t(mask & 0777);
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

const QString SheetWriter::kSheetName = QStringLiteral("Elenco");

SheetWriter::SheetWriter() = default;

SheetWriter::~SheetWriter() = default;

std::unique_ptr<SheetWriter> SheetWriter::forFile(const QString &path)
{
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        return std::make_unique<XlsxSheetWriter>();
    return std::make_unique<XlsSheetWriter>();
}

void SheetWriter::fail(const QString &reason)
{
    error_ = QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(QDir::toNativeSeparators(target_), reason);
}

double SheetWriter::dateSerial(const QDate &date) { return double(QDate(1899, 12, 30).daysTo(date)); }

bool SheetWriter::begin(const QString &path, const QStringList &headers, const QList<CellType> &types)
{
    abort();
    target_ = path;
    error_.clear();
    rows_ = 0;
    types_ = types;
    while (types_.size() < headers.size())
        types_.append(CellType::Text);

    // The aside file lives beside the target, so that putting it in place is one rename
    // on the same file system.
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) {
        fail(QStringLiteral("la cartella non esiste."));
        return false;
    }
    aside_ = std::make_unique<QTemporaryFile>(
        info.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(info.fileName())));
    if (!aside_->open()) {
        fail(QStringLiteral("la cartella non è scrivibile (%1).").arg(aside_->errorString()));
        aside_.reset();
        return false;
    }
    aside_->close(); // the format's library writes the file by its name
    open_ = true;
    if (!start(aside_->fileName(), headers)) {
        abort();
        return false;
    }
    return true;
}

bool SheetWriter::fitsInCell(int column, const QVariant &value)
{
    if (value.typeId() != QMetaType::QString || value.toString().size() <= kMaxTextLength)
        return true;
    fail(QStringLiteral("il testo della riga %1, colonna %2 supera i %3 caratteri che una cella "
                        "può contenere.")
             .arg(QString::number(rows_ + 2), QString::number(column + 1), Values::groupedCount(kMaxTextLength)));
    return false;
}

bool SheetWriter::writeRow(const QVariantList &cells)
{
    if (!open_)
        return false;
    if (rows_ >= maxDataRows()) {
        fail(QStringLiteral("il foglio contiene al massimo %1 righe di dati.").arg(Values::groupedCount(maxDataRows())));
        abort();
        return false;
    }
    for (int c = 0; c < cells.size(); ++c) {
        if (!fitsInCell(c, cells.at(c))) {
            abort();
            return false;
        }
    }
    if (!addRow(rows_ + 1, cells)) {
        abort();
        return false;
    }
    ++rows_;
    return true;
}

bool SheetWriter::writeResultRow(const Query &query, int row, const QList<int> &columns)
{
    if (!open_)
        return false;
    if (rows_ >= maxDataRows()) {
        fail(QStringLiteral("il foglio contiene al massimo %1 righe di dati.").arg(Values::groupedCount(maxDataRows())));
        abort();
        return false;
    }
    if (!addResultRow(rows_ + 1, query, row, columns)) {
        abort();
        return false;
    }
    ++rows_;
    return true;
}

bool SheetWriter::addResultRow(int row, const Query &query, int shownRow, const QList<int> &columns)
{
    cells_.clear();
    for (int c : columns)
        cells_ << query.value(shownRow, c);
    for (int c = 0; c < cells_.size(); ++c) {
        if (!fitsInCell(c, cells_.at(c)))
            return false;
    }
    return addRow(row, cells_);
}

bool SheetWriter::finish()
{
    if (!open_)
        return false;
    if (!close()) {
        abort();
        return false;
    }
    open_ = false;
    const QByteArray from = QFile::encodeName(aside_->fileName());
    const QByteArray to = QFile::encodeName(QFileInfo(target_).absoluteFilePath());
    // The aside file was made readable by its owner alone; the workbook gets the permissions
    // of the file it replaces, or those the user's umask gives a new file.
    struct stat existing = {};
    const mode_t mode = ::stat(to.constData(), &existing) == 0 ? existing.st_mode & 07777 : 0666 & ~currentUmask();
    if (::chmod(from.constData(), mode) != 0) {
        fail(QString::fromLocal8Bit(std::strerror(errno)));
        aside_.reset();
        return false;
    }
    // rename() replaces an existing file in one step: a reader sees the old or the new one.
    if (std::rename(from.constData(), to.constData()) != 0) {
        fail(QString::fromLocal8Bit(std::strerror(errno)));
        aside_.reset();
        return false;
    }
    aside_->setAutoRemove(false);
    aside_.reset();
    return true;
}

void SheetWriter::abort()
{
    if (open_) {
        discard();
        open_ = false;
    }
    aside_.reset(); // removes the aside file
}
