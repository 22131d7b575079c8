#include "exchange/workbookarchive.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>

namespace {

// Parts are inflated a piece of this size at a time.
constexpr int kChunk = 1 << 16;

voidpf ZCALLBACK memoryOpen(voidpf opaque, const void *, int mode)
{
    return (mode & ZLIB_FILEFUNC_MODE_WRITE) ? nullptr : opaque;
}

// The archive's bytes, a WorkbookArchive::MemoryFile, read by minizip through these.
template<typename File>
uLong ZCALLBACK memoryRead(voidpf, voidpf stream, void *buffer, uLong size)
{
    auto *file = static_cast<File *>(stream);
    const quint64 count = std::min<quint64>(size, file->size - file->position);
    std::memcpy(buffer, file->data + file->position, size_t(count));
    file->position += count;
    return uLong(count);
}

uLong ZCALLBACK memoryWrite(voidpf, voidpf, const void *, uLong) { return 0; }

template<typename File>
ZPOS64_T ZCALLBACK memoryTell(voidpf, voidpf stream)
{
    return static_cast<File *>(stream)->position;
}

template<typename File>
long ZCALLBACK memorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *file = static_cast<File *>(stream);
    quint64 base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = file->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = file->size;
    else if (origin != ZLIB_FILEFUNC_SEEK_SET)
        return -1;
    if (offset > file->size - base)
        return -1;
    file->position = base + offset;
    return 0;
}

int ZCALLBACK memoryClose(voidpf, voidpf) { return 0; }

int ZCALLBACK memoryError(voidpf, voidpf) { return 0; }

} // namespace

WorkbookArchive::WorkbookArchive(const QByteArray &bytes) : file_{bytes.constData(), quint64(bytes.size()), 0}
{
    zlib_filefunc64_def functions = {memoryOpen,
                                     memoryRead<MemoryFile>,
                                     memoryWrite,
                                     memoryTell<MemoryFile>,
                                     memorySeek<MemoryFile>,
                                     memoryClose,
                                     memoryError,
                                     &file_};
    zip_ = unzOpen2_64("", &functions);
}

WorkbookArchive::~WorkbookArchive()
{
    if (zip_)
        unzClose(zip_);
}

WorkbookArchive::Part WorkbookArchive::open(const QString &name, qint64 *most, qint64 *declared)
{
    unz_file_info64 info = {};
    if (!zip_ || unzLocateFile(zip_, name.toUtf8().constData(), 1) != UNZ_OK)
        return Part::Missing;
    if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return Part::Damaged;
    // The most this part may inflate to. minizip stops at the size the archive declares,
    // which is checked first; the count while inflating holds whatever it declares.
    *most = std::min<qint64>(kMaxPartBytes,
                             std::max<qint64>(kRatioFreeBytes,
                                              qint64(std::min<ZPOS64_T>(info.compressed_size, kMaxPartBytes))
                                                  * kMaxPartRatio));
    if (info.uncompressed_size > ZPOS64_T(*most))
        return Part::TooLarge;
    if (unzOpenCurrentFile(zip_) != UNZ_OK)
        return Part::Damaged;
    *declared = qint64(info.uncompressed_size);
    return Part::Read;
}

WorkbookArchive::Part WorkbookArchive::read(const QString &name, QByteArray *data)
{
    data->clear();
    qint64 most = 0;
    qint64 declared = 0;
    const Part opened = open(name, &most, &declared);
    if (opened != Part::Read)
        return opened;
    // Inflated straight into the part's room, sized by what the archive declares (one
    // chunk more, for the last read that finds the end).
    data->reserve(qsizetype(declared) + kChunk);
    int n = 0;
    for (;;) {
        const qsizetype size = data->size();
        if (size > most) {
            unzCloseCurrentFile(zip_);
            data->clear();
            return Part::TooLarge;
        }
        data->resize(size + kChunk);
        n = unzReadCurrentFile(zip_, data->data() + size, kChunk);
        data->resize(size + std::max(n, 0));
        if (n <= 0)
            break;
    }
    // Closing checks the part's checksum.
    const int closed = unzCloseCurrentFile(zip_);
    return n == 0 && closed == UNZ_OK ? Part::Read : Part::Damaged;
}

InflatingPart::InflatingPart(WorkbookArchive &archive, const QString &name, std::string_view cut) :
    archive_(archive), cut_(cut)
{
    qint64 declared = 0;
    opened_ = archive_.open(name, &most_, &declared);
    if (opened_ != WorkbookArchive::Part::Read)
        return;
    // The room for what the part declares and one chunk more, which the last read that finds
    // the end needs: the bytes never move while they are read.
    capacity_ = size_t(declared) + kChunk;
    data_ = std::make_unique_for_overwrite<char[]>(capacity_);
    thread_ = std::thread([this] { inflate(); });
}

InflatingPart::~InflatingPart()
{
    if (!thread_.joinable())
        return;
    stop_ = true;
    thread_.join();
}

void InflatingPart::inflate()
{
    using Part = WorkbookArchive::Part;
    void *zip = archive_.zip_;
    size_t size = 0;
    int n = 0;
    Part outcome = Part::Read;
    for (;;) {
        if (stop_)
            break;
        if (qint64(size) > most_) {
            outcome = Part::TooLarge;
            break;
        }
        // More than the part declares (which minizip does not give) is a damaged part.
        if (capacity_ - size < size_t(kChunk)) {
            outcome = Part::Damaged;
            break;
        }
        n = unzReadCurrentFile(zip, data_.get() + size, kChunk);
        if (n <= 0)
            break;
        // The new bytes may end the cut begun in the ones before.
        const size_t from = size >= cut_.size() ? size - (cut_.size() - 1) : 0;
        size += size_t(n);
        const size_t at = std::string_view(data_.get() + from, size - from).rfind(cut_);
        if (at != std::string_view::npos) {
            const std::lock_guard<std::mutex> lock(mutex_);
            readable_ = from + at + cut_.size();
            more_.notify_one();
        }
    }
    // Closing checks the part's checksum.
    const int closed = unzCloseCurrentFile(zip);
    if (outcome == Part::Read && (n != 0 || closed != UNZ_OK))
        outcome = Part::Damaged;
    const std::lock_guard<std::mutex> lock(mutex_);
    outcome_ = outcome;
    readable_ = size;
    done_ = true;
    more_.notify_one();
}

InflatingPart::Piece InflatingPart::next(const char *after)
{
    const size_t known = after ? size_t(after - data_.get()) : 0;
    std::unique_lock<std::mutex> lock(mutex_);
    more_.wait(lock, [&] { return done_ || readable_ > known; });
    return {data_.get() + readable_, done_};
}

WorkbookArchive::Part InflatingPart::finish()
{
    if (thread_.joinable())
        thread_.join();
    return opened_ == WorkbookArchive::Part::Read ? outcome_ : opened_;
}

QByteArray InflatingPart::whole() const { return QByteArray(data_.get(), qsizetype(readable_)); }
