#include "unpacker.h"

namespace unrar {

std::unique_ptr<Unpacker> makeRar29Unpacker() { return nullptr; }

} // namespace unrar
