// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// A folder of small RSN archives with known contents, for the window tests,
// the end-to-end script and screenshots.
#pragma once

#include <string>

namespace demo {

// Writes the archives (and a sub-folder and a non-archive file) into folder,
// which must exist. False when a file cannot be written.
bool writeArchives(const std::string &folder);

// The playlist a build of the first and third archive of the list writes.
std::string firstAndThirdPlaylist();

// The tones of "Tones.rsn", in the preview's order: each plays kToneSeconds
// at its frequency, titled as the member is named ("1 Low.spc": "Low").
struct DemoTone {
    const char *title;
    double hz;
};
inline constexpr DemoTone kTones[] = {{"Low", 500}, {"Middle", 1000}, {"High", 2000}};
inline constexpr int kToneSeconds = 2;

// Writes "Tones.rsn" into folder. False when it cannot be written.
bool writeTones(const std::string &folder);

} // namespace demo
