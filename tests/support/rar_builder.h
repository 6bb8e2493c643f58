// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Builds small RAR 4 and RAR 5 archives with stored members, for tests,
// benchmarks and fuzz seeds. Plain C++, no Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testrar {

enum class Format { Rar4, Rar5 };

// Member data compressed elsewhere (method "normal"): the unpack version
// and the unpacked bytes' CRC32; Member::unpackedSize gives their size.
struct PackedAs {
    std::uint8_t unpVer = 20;
    std::uint32_t crc = 0;
};

struct Member {
    std::string name;                          // UTF-8; '/' or '\' between parts (written as the format wants)
    std::string data;                          // stored bytes
    std::optional<std::uint64_t> unpackedSize; // claimed size when it differs from data.size();
                                               // such a member is written as "compressed" with 4
                                               // opaque bytes (when data is empty) and lists only
    bool directory = false;
    bool encryptedData = false;         // RAR 4 flag 0x04 / RAR 5 encryption record; names stay readable
    bool unicodeEncodedName = true;     // RAR 4 only: non-ASCII names in the 0x200 encoded form (else raw UTF-8)
    bool rawNameBytes = false;          // RAR 4 only: name bytes written as given without the 0x200 flag
                                        // (legacy code-page names, e.g. Windows-1252)
    std::uint32_t dosTime = 0x58221883; // 2024-01-02 03:04:06 (RAR 5: the same clock time as UTC)
    std::optional<PackedAs> packed;     // RAR 4 only: data is already compressed
};

struct Options {
    bool solid = false;            // archive and member solid flags
    bool encryptedHeaders = false; // RAR 4 main flag 0x80 / RAR 5 encryption header: names unreadable
    std::string comment;           // stored archive comment (CMT service header) when not empty
    bool endBlock = true;          // write the end-of-archive block
};

// The archive's bytes.
std::string build(Format format, const std::vector<Member> &members, const Options &options = {});

// Raw pieces for hand-made (often deliberately damaged) archives.
std::uint32_t crc32(const std::string &bytes);
std::string vint(std::uint64_t value); // RAR 5 variable-length integer
// A RAR 4 block header: body starts at HEAD_TYPE (HEAD_SIZE filled in by the
// caller); the CRC16 is prepended.
std::string rar4Header(const std::string &body);
// A RAR 5 header: body starts at the header type; CRC32 and size vint are prepended.
std::string rar5Header(const std::string &body);

// Writes bytes to path (binary); false on failure.
bool writeFile(const std::string &path, const std::string &bytes);

// Members named like a soundtrack: "01 Track.spc" ... with small data.
std::vector<Member> soundtrack(int count, const std::string &folder = {});

} // namespace testrar
