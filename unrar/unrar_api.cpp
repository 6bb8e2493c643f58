// Placeholder: replaced by the header reader.
#include "unrar.h"
extern "C" {
UNRAR_API void *PASCAL RAROpenArchive(RAROpenArchiveData *d) { d->OpenResult = ERAR_EOPEN; return nullptr; }
UNRAR_API int PASCAL RARCloseArchive(void *) { return 0; }
UNRAR_API int PASCAL RARReadHeader(void *, RARHeaderData *) { return ERAR_END_ARCHIVE; }
UNRAR_API int PASCAL RARProcessFile(void *, int, char *, char *) { return ERAR_UNKNOWN_FORMAT; }
UNRAR_API void PASCAL RARSetPassword(void *, char *) {}
}
