// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Writes the fuzzers' seed archives into a folder: small RAR 4 and RAR 5
// archives from the test archive builder covering each header feature; and,
// when a second folder is named, the renderer's seed tracks from the tone
// builder.
#include "rar_builder.h"
#include "spc_tone.h"

#include <cstdio>
#include <iterator>
#include <string>
#include <utility>
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

// Tracks that reach each timing the tags can give and each voice.
int writeToneSeeds(const std::string &folder)
{
    testspc::Tone plain;
    testspc::Tone jingle;
    jingle.playSeconds = 10;
    jingle.fadeMs = 0;
    jingle.voice = 7;
    testspc::Tone binary = jingle;
    binary.binaryTag = true;
    binary.fadeMs = 50;
    binary.pitch = testspc::pitchForHz(3000);
    testspc::Tone untagged;
    untagged.id666 = false;
    testspc::Tone extended;
    extended.voice = 3;
    extended.xid6 = testspc::Xid6{};
    extended.xid6->title = "Tone";
    extended.xid6->introTicks = 6400;
    extended.xid6->fadeTicks = 0;
    extended.xid6->loopCount = 2;
    const std::pair<const char *, testspc::Tone> tones[] = {
        {"plain", plain}, {"jingle", jingle}, {"binary", binary}, {"untagged", untagged}, {"xid6", extended},
    };
    for (const auto &[name, tone] : tones) {
        const std::string path = folder + "/" + name + ".spc";
        if (!testrar::writeFile(path, testspc::makeSpc(tone))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::printf("%zu seed tracks in %s\n", std::size(tones), folder.c_str());
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> [track folder]\n", argv[0]);
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
    return argc == 3 ? writeToneSeeds(argv[2]) : 0;
}
