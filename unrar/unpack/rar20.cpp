#include "unpacker.h"

namespace unrar {

std::unique_ptr<Unpacker> makeRar20Unpacker() { return nullptr; }

} // namespace unrar
