#include "unpacker.h"

namespace unrar {

std::unique_ptr<Unpacker> makeRar50Unpacker() { return nullptr; }

} // namespace unrar
