// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Writes RAR 4 and RAR 5 archives with stored members. Every header is
// built field by field so tests can rely on exact bytes (see the golden
// archives in the library tests).
#include "rar_builder.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace testrar {
namespace {

std::uint32_t crcOf(const std::string &bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void put16(std::string &out, std::uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string &out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putVint(std::string &out, std::uint64_t v)
{
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

std::string withSeparator(std::string name, char sep)
{
    for (char &c : name)
        if (c == '/' || c == '\\')
            c = sep;
    return name;
}

// UTF-8 to UTF-16 code units; the builder only sees well-formed test names.
std::vector<std::uint16_t> utf16(const std::string &utf8)
{
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = b;
        int extra = 0;
        if (b >= 0xF0) {
            cp = b & 0x07;
            extra = 3;
        } else if (b >= 0xE0) {
            cp = b & 0x0F;
            extra = 2;
        } else if (b >= 0xC0) {
            cp = b & 0x1F;
            extra = 1;
        }
        ++i;
        for (int k = 0; k < extra && i < utf8.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(cp));
        }
    }
    return units;
}

bool isAscii(const std::string &s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

// RAR 4 file-name field for a non-ASCII name: OEM stand-in, a zero byte,
// then the opcode-encoded UTF-16 form (opcodes 0, 1 and 2 only).
std::string encodeUnicodeName(const std::string &name)
{
    const std::vector<std::uint16_t> units = utf16(name);
    std::string field;
    for (std::uint16_t u : units)
        field += u < 0x80 ? static_cast<char>(u) : '_';
    field += '\0';

    std::uint8_t high = 0;
    for (std::uint16_t u : units)
        if (u >= 0x100) {
            high = static_cast<std::uint8_t>(u >> 8);
            break;
        }
    field += static_cast<char>(high);
    for (std::size_t i = 0; i < units.size(); i += 4) {
        std::uint8_t flags = 0;
        std::string operands;
        for (std::size_t k = 0; k < 4 && i + k < units.size(); ++k) {
            const std::uint16_t u = units[i + k];
            unsigned op;
            if (u < 0x100) {
                op = 0;
                operands += static_cast<char>(u);
            } else if ((u >> 8) == high) {
                op = 1;
                operands += static_cast<char>(u & 0xFF);
            } else {
                op = 2;
                operands += static_cast<char>(u & 0xFF);
                operands += static_cast<char>(u >> 8);
            }
            flags = static_cast<std::uint8_t>(flags | (op << (6 - 2 * k)));
        }
        field += static_cast<char>(flags);
        field += operands;
    }
    return field;
}

// DOS local time read as UTC: tests then see the same Unix time on every host.
std::uint32_t dosToUnix(std::uint32_t dos)
{
    std::tm t{};
    t.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    t.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    t.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    t.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    t.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    t.tm_sec = static_cast<int>((dos & 0x1F) * 2);
    // Days from civil (proleptic Gregorian), independent of the C library's zone.
    const int y = t.tm_year + 1900 - (t.tm_mon < 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int m = t.tm_mon + 1;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + t.tm_mday - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = static_cast<long long>(era) * 146097 + doe - 719468;
    return static_cast<std::uint32_t>(days * 86400 + t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec);
}

// A member whose claimed size differs from its stored bytes pretends to be
// compressed ("normal" method) so that no reader treats the bytes as content.
bool fakeCompressed(const Member &m)
{
    return !m.directory && m.unpackedSize && *m.unpackedSize != m.data.size();
}

std::string packedData(const Member &m)
{
    if (m.directory)
        return {};
    if (fakeCompressed(m) && m.data.empty())
        return std::string("\x11\x22\x33\x44", 4);
    return m.data;
}

// ---- RAR 4 -------------------------------------------------------------

std::string rar4Block(const std::string &body) // body starts at HEAD_TYPE, HEAD_SIZE filled in
{
    std::string out;
    put16(out, crcOf(body) & 0xFFFF);
    return out + body;
}

// A file (0x74) or service (0x7A) header followed by its data.
std::string rar4FileBlock(std::uint8_t type, std::uint32_t flags, const std::string &nameField, const std::string &data,
                          std::uint64_t unpSize, std::uint32_t crc, std::uint32_t dosTime, std::uint8_t unpVer,
                          std::uint8_t method, std::uint32_t attr)
{
    const std::uint64_t packSize = data.size();
    if (packSize > 0xFFFFFFFFu || unpSize > 0xFFFFFFFFu)
        flags |= 0x0100;
    const bool high = flags & 0x0100;
    const std::size_t headSize = 32 + (high ? 8 : 0) + nameField.size();

    std::string body;
    body += static_cast<char>(type);
    put16(body, flags | 0x8000);
    put16(body, static_cast<std::uint32_t>(headSize));
    put32(body, static_cast<std::uint32_t>(packSize));
    put32(body, static_cast<std::uint32_t>(unpSize));
    body += static_cast<char>(2); // Win32
    put32(body, crc);
    put32(body, dosTime);
    body += static_cast<char>(unpVer);
    body += static_cast<char>(method);
    put16(body, static_cast<std::uint32_t>(nameField.size()));
    put32(body, attr);
    if (high) {
        put32(body, static_cast<std::uint32_t>(packSize >> 32));
        put32(body, static_cast<std::uint32_t>(unpSize >> 32));
    }
    body += nameField;
    return rar4Block(body) + data;
}

std::string buildRar4(const std::vector<Member> &members, const Options &options)
{
    std::string out("Rar!\x1A\x07\x00", 7);

    std::uint32_t mainFlags = options.solid ? 0x0008 : 0;
    if (options.encryptedHeaders)
        mainFlags |= 0x0080;
    std::string main;
    main += static_cast<char>(0x73);
    put16(main, mainFlags);
    put16(main, 13);
    put16(main, 0);
    put32(main, 0);
    out += rar4Block(main);

    if (options.encryptedHeaders) {
        // Salt and an AES-sized lump: unreadable without the password anyway.
        out += std::string("SALTSALT", 8);
        out += std::string(48, '\x5A');
        return out;
    }

    if (!options.comment.empty())
        out += rar4FileBlock(0x7A, 0, "CMT", options.comment, options.comment.size(), crcOf(options.comment),
                             0x58221883, 29, 0x30, 0);

    bool first = true;
    for (const Member &m : members) {
        std::uint32_t flags = 0;
        std::string nameField;
        if (m.rawNameBytes) {
            nameField = withSeparator(m.name, '\\');
        } else if (isAscii(m.name)) {
            nameField = withSeparator(m.name, '\\');
        } else {
            flags |= 0x0200;
            nameField = m.unicodeEncodedName ? encodeUnicodeName(withSeparator(m.name, '\\'))
                                             : withSeparator(m.name, '\\');
        }
        if (m.directory)
            flags |= 0x00E0;
        if (m.encryptedData)
            flags |= 0x0004;
        if (options.solid && !first)
            flags |= 0x0010;
        const std::string data = packedData(m);
        const std::uint64_t unpSize = m.directory ? 0 : m.unpackedSize.value_or(m.data.size());
        if (unpSize >= 0x80000000u)
            flags |= 0x0100; // as RAR does for members over 2 GB
        const bool fake = fakeCompressed(m);
        const std::uint32_t crc = m.directory ? 0 : m.packed ? m.packed->crc : crcOf(m.data);
        const std::uint8_t unpVer = m.packed ? m.packed->unpVer : fake ? 29 : 20;
        out += rar4FileBlock(0x74, flags, nameField, data, unpSize, crc, m.dosTime, unpVer,
                             fake || m.packed ? 0x33 : 0x30, m.directory ? 0x10 : 0x20);
        first = false;
    }
    if (options.endBlock)
        out += std::string("\xC4\x3D\x7B\x00\x40\x07\x00", 7);
    return out;
}

// ---- RAR 5 -------------------------------------------------------------

// body starts at the header type; prepends CRC32 and the size vint.
std::string rar5HeaderOf(const std::string &body)
{
    std::string sized;
    putVint(sized, body.size());
    sized += body;
    std::string out;
    put32(out, crcOf(sized));
    return out + sized;
}

// A file (type 2) or service (type 3) header followed by its data.
std::string rar5FileBlock(unsigned type, const std::string &name, const std::string &data, std::uint64_t unpSize,
                          bool directory, std::uint32_t mtime, std::uint32_t crc, std::uint64_t compression,
                          std::uint64_t attr, const std::string &extra)
{
    std::string body;
    putVint(body, type);
    putVint(body, 0x0002 | (extra.empty() ? 0 : 0x0001));
    if (!extra.empty())
        putVint(body, extra.size());
    putVint(body, data.size());
    std::uint64_t fileFlags = directory ? 0x0001 : 0x0004;
    if (mtime)
        fileFlags |= 0x0002;
    putVint(body, fileFlags);
    putVint(body, unpSize);
    putVint(body, attr);
    if (mtime)
        put32(body, mtime);
    if (!directory)
        put32(body, crc);
    putVint(body, compression);
    putVint(body, 0); // Windows
    putVint(body, name.size());
    body += name;
    body += extra;
    return rar5HeaderOf(body) + data;
}

std::string encryptionRecord()
{
    std::string rec;
    putVint(rec, 0x01); // file encryption
    putVint(rec, 0);    // AES-256
    putVint(rec, 0);    // no check value
    rec += static_cast<char>(15);
    rec += std::string(16, '\x01'); // salt
    rec += std::string(16, '\x02'); // IV
    std::string out;
    putVint(out, rec.size());
    return out + rec;
}

std::string buildRar5(const std::vector<Member> &members, const Options &options)
{
    std::string out("Rar!\x1A\x07\x01\x00", 8);

    if (options.encryptedHeaders) {
        std::string enc;
        putVint(enc, 4);
        putVint(enc, 0);
        putVint(enc, 0); // AES-256
        putVint(enc, 0); // no check value
        enc += static_cast<char>(15);
        enc += std::string(16, '\x07');
        out += rar5HeaderOf(enc);
        out += std::string(64, '\x5A'); // IV + encrypted main header, opaque
        return out;
    }

    std::string main;
    putVint(main, 1);
    putVint(main, 0);
    putVint(main, options.solid ? 0x0004 : 0);
    out += rar5HeaderOf(main);

    if (!options.comment.empty())
        out += rar5FileBlock(3, "CMT", options.comment, options.comment.size(), false, 0, crcOf(options.comment), 0, 0,
                             {});

    bool first = true;
    for (const Member &m : members) {
        const std::string data = packedData(m);
        const std::uint64_t unpSize = m.directory ? 0 : m.unpackedSize.value_or(m.data.size());
        std::uint64_t compression = fakeCompressed(m) ? 0x0180 : 0;
        if (options.solid && !first)
            compression |= 0x0040;
        out += rar5FileBlock(2, withSeparator(m.name, '/'), data, unpSize, m.directory, dosToUnix(m.dosTime),
                             m.directory ? 0 : crcOf(m.data), compression, m.directory ? 0x10 : 0x20,
                             m.encryptedData ? encryptionRecord() : std::string());
        first = false;
    }
    if (options.endBlock)
        out += std::string("\x1D\x77\x56\x51\x03\x05\x04\x00", 8);
    return out;
}

} // namespace

std::uint32_t crc32(const std::string &bytes)
{
    return crcOf(bytes);
}

std::string vint(std::uint64_t value)
{
    std::string out;
    putVint(out, value);
    return out;
}

std::string rar4Header(const std::string &body)
{
    return rar4Block(body);
}

std::string rar5Header(const std::string &body)
{
    return rar5HeaderOf(body);
}

std::string build(Format format, const std::vector<Member> &members, const Options &options)
{
    return format == Format::Rar4 ? buildRar4(members, options) : buildRar5(members, options);
}

bool writeFile(const std::string &path, const std::string &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<Member> soundtrack(int count, const std::string &folder)
{
    std::vector<Member> members;
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%02d Track.spc", i);
        Member m;
        m.name = folder.empty() ? name : folder + "/" + name;
        m.data = "SNES-SPC700 Sound File Data " + std::to_string(i);
        members.push_back(std::move(m));
    }
    return members;
}

} // namespace testrar
