// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "demo_archives.h"

#include "rar_builder.h"
#include "spc_tone.h"

#include <filesystem>

namespace demo {
namespace {
testrar::Member member(const std::string &name, const std::string &data)
{
    testrar::Member member;
    member.name = name;
    member.data = data;
    return member;
}

testrar::Member spc(const std::string &name)
{
    return member(name, "SNES-SPC700 Sound File Data v0.30 " + name);
}

testrar::Member text(const std::string &name)
{
    return member(name, "Ripped by a fan. Enjoy.\r\n");
}
} // namespace

bool writeArchives(const std::string &folder)
{
    namespace fs = std::filesystem;
    const fs::path root(folder);
    std::error_code ignored;
    fs::create_directory(root / "More Soundtracks", ignored);

    using testrar::Format;
    const struct {
        const char *name;
        std::string bytes;
    } archives[] = {
        {"Castle Quest.rsn",
         testrar::build(Format::Rar4,
                        {spc("03 Boss Battle.spc"), spc("01 Opening.spc"), text("info.txt"),
                         spc("Extras/04 Ending.spc"), spc("02 Overworld.spc")})},
        {"Docs Only.rsn", testrar::build(Format::Rar5, {text("readme.txt")})},
        {"Ocean Voyage.RSN",
         testrar::build(Format::Rar5, {spc("Harbor Town.spc"), spc("ocean Theme.spc"), spc("Lighthouse.spc")})},
        {"Star Racer.rsn", testrar::build(Format::Rar5, testrar::soundtrack(12))},
        {"notes.txt", "not an archive\r\n"},
    };
    for (const auto &archive : archives) {
        if (!testrar::writeFile((root / archive.name).string(), archive.bytes))
            return false;
    }
    return true;
}

std::string firstAndThirdPlaylist()
{
    return "#EXTM3U\r\n"
           "Castle Quest.rsn\\01 Opening.spc\r\n"
           "Castle Quest.rsn\\02 Overworld.spc\r\n"
           "Castle Quest.rsn\\03 Boss Battle.spc\r\n"
           "Castle Quest.rsn\\Extras\\04 Ending.spc\r\n"
           "Ocean Voyage.RSN\\Harbor Town.spc\r\n"
           "Ocean Voyage.RSN\\Lighthouse.spc\r\n"
           "Ocean Voyage.RSN\\ocean Theme.spc\r\n";
}

bool writeTones(const std::string &folder, int seconds)
{
    std::vector<testrar::Member> members;
    for (const auto &[name, hz] : {std::pair{"1 Low", 500}, {"2 Middle", 1000}, {"Disc 2/3 High", 2000}}) {
        testspc::Tone tone;
        tone.title = std::string(name).substr(std::string(name).rfind(' ') + 1);
        tone.pitch = testspc::pitchForHz(hz);
        tone.binaryTag = true; // the text form cannot say less than 10 s
        tone.playSeconds = seconds;
        tone.fadeMs = 0;
        members.push_back(member(std::string(name) + ".spc", testspc::makeSpc(tone)));
    }
    members.push_back(member("4 Broken.spc", "not a sound file"));
    return testrar::writeFile((std::filesystem::path(folder) / "Tones.rsn").string(),
                              testrar::build(testrar::Format::Rar5, members));
}

} // namespace demo
