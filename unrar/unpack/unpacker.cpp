#include "unpacker.h"

namespace unrar {

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
