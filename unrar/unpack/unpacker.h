// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The decompressors behind RAR_TEST. One Unpacker per archive handle keeps
// the state a solid archive carries from member to member (window, tables,
// models); the archive feeds it one member's packed data at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace unrar {

// One member's packed bytes, in order. read() returns 0 once they are used
// up (or the file cannot be read): the decoder then sees zero bits and must
// report BadData if it needed them.
class PackedInput {
public:
    virtual ~PackedInput() = default;
    virtual std::size_t read(std::uint8_t *dst, std::size_t n) = 0;
};

// Where unpacked bytes go, in order. false: stop this member now.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool write(const std::uint8_t *data, std::size_t n) = 0;
};

enum class UnpackResult {
    Ok,      // exactly job.size bytes were written
    BadData, // the packed data does not decode; the stream state is lost
    Stopped, // the sink returned false; the stream state is lost
};

struct UnpackJob {
    std::uint64_t size = 0;       // unpacked bytes of this member
    std::uint64_t dictionary = 0; // window size the archiver declared (not always a power of two)
    bool solid = false;           // continues the previous member's stream
};

// A decoder for one family of RAR methods. unpack() writes exactly
// job.size bytes to the sink or fails; it never writes more. Out of memory
// is reported by throwing std::bad_alloc. After BadData or Stopped the next
// job is never solid: the archive starts the stream again.
class Unpacker {
public:
    virtual ~Unpacker() = default;
    virtual UnpackResult unpack(PackedInput &in, ByteSink &out, const UnpackJob &job) = 0;
};

// The decoder for a member's unpack version (15, 20, 26, 29, 36, 50, 70),
// or null for a version no decoder here knows.
std::unique_ptr<Unpacker> makeUnpacker(unsigned unpVer);
// Whether some decoder here takes that version (cheap: nothing is built).
bool isKnownVersion(unsigned unpVer);
// Versions whose members can continue each other's streams share a family.
unsigned versionFamily(unsigned unpVer);

// One per family, each in its own file.
std::unique_ptr<Unpacker> makeRar15Unpacker();
std::unique_ptr<Unpacker> makeRar20Unpacker();
std::unique_ptr<Unpacker> makeRar29Unpacker();
std::unique_ptr<Unpacker> makeRar50Unpacker(unsigned unpVer); // 50, or 70 for RAR 7's longer distances

} // namespace unrar
