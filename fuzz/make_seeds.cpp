// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Writes the fuzzers' seed archives into a folder: small RAR 4 and RAR 5
// archives from the test archive builder covering each header feature.
#include "rar_builder.h"

#include <cstdio>
#include <string>
#include <vector>

using testrar::Format;
using testrar::Member;

namespace {
Member file(const std::string &name, const std::string &data)
{
    Member m;
    m.name = name;
    m.data = data;
    return m;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];

    Member folderMember;
    folderMember.name = "Disc 1";
    folderMember.directory = true;
    Member claimed = file("Big.spc", {});
    claimed.unpackedSize = 0x123456789ull;
    Member locked = file("locked.spc", "xxxx");
    locked.encryptedData = true;
    Member unicode = file("Disc 1/\xC3\x9C"
                          "ber \xE6\x97\xA5\xE6\x9C\xAC.spc",
                          "u");
    Member rawName = file("caf\xE9.spc", "r");
    rawName.rawNameBytes = true;
    Member strange = file("a.spc\r\nevil*.spc", "s");

    testrar::Options solid;
    solid.solid = true;
    testrar::Options locked_headers;
    locked_headers.encryptedHeaders = true;
    testrar::Options commented;
    commented.comment = "Ripped by nobody";
    testrar::Options noEnd;
    noEnd.endBlock = false;

    struct Seed {
        const char *name;
        std::vector<Member> members;
        testrar::Options options;
    };
    const std::vector<Seed> seeds = {
        {"soundtrack", testrar::soundtrack(4), {}},
        {"folders", {folderMember, file("Disc 1/01 Intro.spc", "abc"), file("readme.txt", "hi")}, {}},
        {"sizes", {claimed, locked, file("empty.spc", {})}, {}},
        {"names", {unicode, rawName, strange}, {}},
        {"solid", testrar::soundtrack(2), solid},
        {"encrypted-headers", testrar::soundtrack(1), locked_headers},
        {"comment", testrar::soundtrack(2), commented},
        {"no-end", testrar::soundtrack(2), noEnd},
    };
    int written = 0;
    for (const Seed &seed : seeds) {
        for (Format format : {Format::Rar4, Format::Rar5}) {
            const std::string path = folder + "/" + seed.name + (format == Format::Rar4 ? "-rar4.rar" : "-rar5.rar");
            if (!testrar::writeFile(path, testrar::build(format, seed.members, seed.options))) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            ++written;
        }
    }
    std::printf("%d seed archives in %s\n", written, folder.c_str());
    return 0;
}
