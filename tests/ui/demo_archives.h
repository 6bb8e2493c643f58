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

// "Tones.rsn": tracks of seconds each at 500, 1000 and 2000 Hz titled as
// named ("1 Low.spc" is "Low"; the third lies in "Disc 2"), then
// "4 Broken.spc", which is no SPC at all.
bool writeTones(const std::string &folder, int seconds);

} // namespace demo
