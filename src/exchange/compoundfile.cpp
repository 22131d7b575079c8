#include "exchange/compoundfile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace CompoundFile {
namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderFatEntries = 109; // sectors of the allocation table named in the header

// Sector numbers with a meaning of their own; any other number past the table is damage.
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF; // also a free sector

constexpr std::size_t kEntrySize = 128;
constexpr std::uint8_t kStreamEntry = 2;
constexpr std::uint8_t kRootEntry = 5;

std::uint16_t u16(const std::uint8_t *p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t u32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint64_t u64(const std::uint8_t *p) { return u32(p) | std::uint64_t(u32(p + 4)) << 32; }

// The name of a directory entry (UTF-16, with its length in bytes counting the final null)
// against a plain ASCII name, without regard to case.
bool sameName(const std::uint8_t *entry, const char *name)
{
    const std::size_t bytes = u16(entry + 64);
    const std::size_t length = std::strlen(name);
    if (bytes != 2 * (length + 1))
        return false;
    const auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    for (std::size_t i = 0; i < length; ++i) {
        if (lower(u16(entry + 2 * i)) != lower(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

class Reader
{
public:
    Reader(const std::uint8_t *file, std::size_t size) : file_(file), size_(size) {}

    Status read(const std::vector<const char *> &names, std::vector<std::uint8_t> *stream)
    {
        if (size_ < kHeaderSize || std::memcmp(file_, kSignature, sizeof kSignature) != 0)
            return Status::NotCompound;
        const unsigned sectorShift = u16(file_ + 0x1E);
        const unsigned miniShift = u16(file_ + 0x20);
        version_ = u16(file_ + 0x1A);
        if (u16(file_ + 0x1C) != 0xFFFE || (sectorShift != 9 && sectorShift != 12) || miniShift != 6
            || (version_ != 3 && version_ != 4))
            return Status::Damaged;
        sectorSize_ = std::size_t(1) << sectorShift;
        miniSize_ = std::size_t(1) << miniShift;
        // The sectors the file holds, a last one cut short included; the header takes the
        // place of a whole sector.
        sectors_ = size_ > sectorSize_ ? (size_ - sectorSize_ + sectorSize_ - 1) / sectorSize_ : 0;
        if (!readFat())
            return Status::Damaged;

        std::vector<std::uint8_t> directory;
        if (!readChain(u32(file_ + 0x30), kWholeChain, &directory) || directory.size() < kEntrySize)
            return Status::Damaged;
        const std::size_t entries = directory.size() / kEntrySize;
        const std::uint8_t *root = directory.data();
        if (root[66] != kRootEntry)
            return Status::Damaged;

        // The entries at the top of the root storage: a tree through the left and right links,
        // from the root's child. Each entry is visited once; a link back is damage.
        std::vector<bool> seen(entries, false);
        std::vector<std::uint32_t> pending{u32(root + 76)};
        std::vector<const std::uint8_t *> found(names.size(), nullptr);
        while (!pending.empty()) {
            const std::uint32_t id = pending.back();
            pending.pop_back();
            if (id == kNoEntry)
                continue;
            if (id == 0 || id >= entries || seen[id])
                return Status::Damaged;
            seen[id] = true;
            const std::uint8_t *entry = directory.data() + std::size_t(id) * kEntrySize;
            if (u16(entry + 64) > 64)
                return Status::Damaged;
            for (std::size_t n = 0; n < names.size(); ++n) {
                if (!found[n] && entry[66] == kStreamEntry && sameName(entry, names[n]))
                    found[n] = entry;
            }
            pending.push_back(u32(entry + 68));
            pending.push_back(u32(entry + 72));
        }
        const auto first = std::find_if(found.begin(), found.end(), [](const std::uint8_t *e) { return e; });
        if (first == found.end())
            return Status::NoStream;
        return readStream(root, *first, stream) ? Status::Read : Status::Damaged;
    }

private:
    static constexpr std::uint64_t kWholeChain = std::numeric_limits<std::uint64_t>::max();

    // The size an entry states. Version 3 files keep only the low half: writers leave
    // anything in the high one.
    std::uint64_t entrySize(const std::uint8_t *entry) const
    {
        return version_ == 3 ? u32(entry + 120) : u64(entry + 120);
    }

    // Sector `index` appended to `out`: `bytes` of it, zeros where the file ends first.
    bool appendSector(std::uint32_t index, std::size_t bytes, std::vector<std::uint8_t> *out) const
    {
        if (index >= sectors_)
            return false;
        const std::size_t start = (std::size_t(index) + 1) * sectorSize_;
        const std::size_t present = std::min(bytes, size_ - start);
        out->insert(out->end(), file_ + start, file_ + start + present);
        out->resize(out->size() + bytes - present, 0);
        return true;
    }

    // The allocation table: its sectors are named by the header, then by a chain of sectors
    // that name more of them.
    bool readFat()
    {
        const std::uint32_t declared = u32(file_ + 0x2C);
        if (declared == 0 || declared > sectors_)
            return false;
        std::vector<std::uint32_t> fatSectors;
        for (std::size_t i = 0; i < kHeaderFatEntries && fatSectors.size() < declared; ++i)
            fatSectors.push_back(u32(file_ + 0x4C + 4 * i));
        std::uint32_t next = u32(file_ + 0x44);
        const std::size_t perSector = sectorSize_ / 4 - 1; // the last number links the next one
        for (std::size_t steps = 0; fatSectors.size() < declared; ++steps) {
            if (next >= sectors_ || steps >= sectors_)
                return false;
            const std::uint8_t *at = file_ + (std::size_t(next) + 1) * sectorSize_;
            if (std::size_t(at - file_) + sectorSize_ > size_)
                return false;
            for (std::size_t i = 0; i < perSector && fatSectors.size() < declared; ++i)
                fatSectors.push_back(u32(at + 4 * i));
            next = u32(at + 4 * perSector);
        }
        std::vector<std::uint8_t> bytes;
        bytes.reserve(fatSectors.size() * sectorSize_);
        for (const std::uint32_t sector : fatSectors) {
            if (!appendSector(sector, sectorSize_, &bytes))
                return false;
        }
        fat_.resize(bytes.size() / 4);
        for (std::size_t i = 0; i < fat_.size(); ++i)
            fat_[i] = u32(bytes.data() + 4 * i);
        return true;
    }

    // The chain of units (sectors, or units of the mini stream) from `start` in `table`,
    // `bytes` long or, for kWholeChain, up to its end; `append` takes each unit. A chain
    // longer than the `units` there are has come back on itself.
    template<typename Append>
    static bool followChain(const std::vector<std::uint32_t> &table, std::size_t units, std::uint32_t start,
                            std::uint64_t bytes, std::size_t unit, Append append)
    {
        std::uint32_t at = start;
        std::uint64_t left = bytes;
        for (std::size_t steps = 0; left > 0; ++steps) {
            if (at == kEndOfChain && bytes == kWholeChain)
                return true;
            if (at >= table.size() || at >= units || steps >= units)
                return false;
            const std::size_t take = std::size_t(std::min<std::uint64_t>(left, unit));
            if (!append(at, take))
                return false;
            if (bytes != kWholeChain)
                left -= take;
            at = table[at];
        }
        return true;
    }

    bool readChain(std::uint32_t start, std::uint64_t bytes, std::vector<std::uint8_t> *out) const
    {
        return followChain(fat_, sectors_, start, bytes, sectorSize_,
                           [&](std::uint32_t sector, std::size_t take) { return appendSector(sector, take, out); });
    }

    bool readStream(const std::uint8_t *root, const std::uint8_t *entry, std::vector<std::uint8_t> *stream)
    {
        const std::uint64_t bytes = entrySize(entry);
        // No stream is larger than the file holding it.
        if (bytes > size_)
            return false;
        stream->clear();
        stream->reserve(std::size_t(bytes));
        if (bytes >= u32(file_ + 0x38))
            return readChain(u32(entry + 116), bytes, stream);

        // A small stream lies in units of the mini stream (the root's own data), chained by
        // the small table.
        std::vector<std::uint8_t> miniFatBytes;
        std::vector<std::uint8_t> miniStream;
        const std::uint64_t miniStreamBytes = entrySize(root);
        if (miniStreamBytes > size_ || !readChain(u32(file_ + 0x3C), kWholeChain, &miniFatBytes)
            || !readChain(u32(root + 116), miniStreamBytes, &miniStream))
            return false;
        std::vector<std::uint32_t> miniFat(miniFatBytes.size() / 4);
        for (std::size_t i = 0; i < miniFat.size(); ++i)
            miniFat[i] = u32(miniFatBytes.data() + 4 * i);
        const std::size_t units = miniStream.size() / miniSize_;
        return followChain(miniFat, units, u32(entry + 116), bytes, miniSize_,
                           [&](std::uint32_t unit, std::size_t take) {
                               const std::size_t start = std::size_t(unit) * miniSize_;
                               if (start + take > miniStream.size())
                                   return false;
                               stream->insert(stream->end(), miniStream.begin() + std::ptrdiff_t(start),
                                              miniStream.begin() + std::ptrdiff_t(start + take));
                               return true;
                           });
    }

    const std::uint8_t *file_;
    std::size_t size_;
    unsigned version_ = 0;
    std::size_t sectorSize_ = 512;
    std::size_t miniSize_ = 64;
    std::size_t sectors_ = 0;
    std::vector<std::uint32_t> fat_;
};

} // namespace

Status readStream(const std::uint8_t *file, std::size_t size, const std::vector<const char *> &names,
                  std::vector<std::uint8_t> *stream)
{
    return Reader(file, size).read(names, stream);
}

} // namespace CompoundFile
