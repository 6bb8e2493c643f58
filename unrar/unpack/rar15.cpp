#include "unpacker.h"

namespace unrar {

std::unique_ptr<Unpacker> makeRar15Unpacker() { return nullptr; }

} // namespace unrar
