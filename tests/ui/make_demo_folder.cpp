// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Writes the demo archives into the folder named on the command line, and
// with --expected also the playlist a build of the first and third gives;
// with --tones also "Tones.rsn", whose tracks play 2 s each.
#include "demo_archives.h"

#include "rar_builder.h"

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [--expected FILE | --tones]\n", argv[0]);
        return 2;
    }
    const bool tones = argc >= 3 && std::strcmp(argv[2], "--tones") == 0;
    if (!demo::writeArchives(argv[1]) || (tones && !demo::writeTones(argv[1], 2))) {
        std::fprintf(stderr, "cannot write the archives into %s\n", argv[1]);
        return 1;
    }
    if (argc >= 4 && std::strcmp(argv[2], "--expected") == 0
        && !testrar::writeFile(argv[3], demo::firstAndThirdPlaylist())) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
