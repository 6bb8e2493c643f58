// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "unpacker.h"

namespace unrar {

unsigned versionFamily(unsigned unpVer)
{
    switch (unpVer) {
    case 26:
        return 20;
    case 36:
        return 29;
    default: // 70 too stands alone: its tables hold more distance codes than RAR 5's
        return unpVer;
    }
}

bool isKnownVersion(unsigned unpVer)
{
    switch (versionFamily(unpVer)) {
    case 15:
    case 20:
    case 29:
    case 50:
    case 70:
        return true;
    default:
        return false;
    }
}

std::unique_ptr<Unpacker> makeUnpacker(unsigned unpVer)
{
    switch (unpVer) {
    case 15:
        return makeRar15Unpacker();
    case 20:
    case 26:
        return makeRar20Unpacker();
    case 29:
    case 36:
        return makeRar29Unpacker();
    case 50:
    case 70:
        return makeRar50Unpacker(unpVer);
    default:
        return nullptr;
    }
}

} // namespace unrar
