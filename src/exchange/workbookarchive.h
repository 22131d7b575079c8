#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

// The zip of an Open XML workbook, read through minizip's unzip from the file's bytes in
// memory: one read of the file, then no system call for the many small seeks and reads of
// the archive's directory. Not QuaZip: it exports its own copy of minizip's functions,
// which then take the place of the ones libxlsxwriter calls in the same program and crash
// the .xlsx export.
// Every part is inflated into memory: one larger than kMaxPartBytes, or inflating to more
// than kMaxPartRatio times its stored bytes (past the first kRatioFreeBytes), is refused as a
// damaged or hostile file before it can take the machine's memory.
class WorkbookArchive
{
public:
    static constexpr qint64 kMaxPartBytes = qint64(128) << 20;
    static constexpr qint64 kMaxPartRatio = 200;
    static constexpr qint64 kRatioFreeBytes = qint64(1) << 20;

    enum class Part { Read, Missing, Damaged, TooLarge };

    // `bytes` are read where they are: they must outlive the archive.
    explicit WorkbookArchive(const QByteArray &bytes);
    ~WorkbookArchive();
    WorkbookArchive(const WorkbookArchive &) = delete;
    WorkbookArchive &operator=(const WorkbookArchive &) = delete;

    // False when the bytes are no zip.
    bool isOpen() const { return zip_ != nullptr; }
    // A whole part into `data`.
    Part read(const QString &name, QByteArray *data);

private:
    friend class InflatingPart;
    // Opens a part for inflating: Read, with the most bytes it may inflate to in `most` and
    // the bytes it declares in `declared`.
    Part open(const QString &name, qint64 *most, qint64 *declared);

    struct MemoryFile
    {
        const char *data;
        quint64 size;
        quint64 position;
    };
    MemoryFile file_;
    void *zip_ = nullptr;
};

// A part inflated by a thread of its own while its reader goes through the bytes already
// there: on two cores the inflating of a large sheet and its reading overlap. The reader is
// given the part in pieces, each up to just after the last `cut` inflated so far ("</row>":
// a sheet's rows come whole), and the rest with the last piece. The archive is the thread's
// until finish().
class InflatingPart
{
public:
    InflatingPart(WorkbookArchive &archive, const QString &name, std::string_view cut);
    ~InflatingPart();
    InflatingPart(const InflatingPart &) = delete;
    InflatingPart &operator=(const InflatingPart &) = delete;

    // Read when the part was found and its inflating has begun; else why not.
    WorkbookArchive::Part opened() const { return opened_; }

    // The part's first byte.
    const char *begin() const { return data_.get(); }
    struct Piece
    {
        const char *end; // the part's bytes from its start up to here may be read
        bool last;       // the part is whole, or its inflating has stopped (see finish())
    };
    // Waits for more than the bytes up to `after` (null: none yet).
    Piece next(const char *after);
    // Waits for the whole part: Read, Damaged or TooLarge.
    WorkbookArchive::Part finish();
    // The whole part, once finish() has given Read.
    QByteArray whole() const;

private:
    void inflate();

    WorkbookArchive &archive_;
    const std::string cut_;
    WorkbookArchive::Part opened_;
    qint64 most_ = 0;
    std::unique_ptr<char[]> data_;
    size_t capacity_ = 0;

    std::mutex mutex_;
    std::condition_variable more_;
    size_t readable_ = 0; // up to the last cut inflated, or everything once done_
    bool done_ = false;
    std::atomic<bool> stop_ = false; // the reader gave up: the thread stops at its next piece
    WorkbookArchive::Part outcome_ = WorkbookArchive::Part::Read;
    std::thread thread_;
};
