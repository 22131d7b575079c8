#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads one stream out of an OLE2 compound file (the container of 97-2003 Office files) held
// in memory. Plain C++ without Qt, for the pratilio-xlsread child. Written for hostile input:
// every sector number, chain and directory link is checked against the file's own size, and
// every walk is bounded, so a damaged file ends in Damaged, never in a fault or a loop.
namespace CompoundFile {

enum class Status {
    Read,        // the stream, whole
    NotCompound, // the file does not start as a compound file
    NoStream,    // a sound container without a stream of the names sought
    Damaged,     // the container, or the stream's place in it, is damaged
};

// Reads into `stream` the first of `names` (plain ASCII, matched without regard to case, as
// the format compares them) found at the top of the root storage; a stream of an embedded
// object's storage is never taken.
Status readStream(const std::uint8_t *file, std::size_t size, const std::vector<const char *> &names,
                  std::vector<std::uint8_t> *stream);

} // namespace CompoundFile
