#include "extraction.h"

#include "paths.h"
#include "unrar_library.h"
#include "user_interaction.h"

#include <QFile>

#include <cstring>

QString ArchiveEntries;

namespace {
constexpr int kCommentBufferSize = 16384;

// Closes the archive handle however the listing ends.
class ArchiveHandle {
public:
    ArchiveHandle(const UnrarFunctions &library, void *handle)
        : m_library(library)
        , m_handle(handle)
    {
    }
    ~ArchiveHandle()
    {
        if (m_handle)
            m_library.closeArchive(m_handle);
    }
    ArchiveHandle(const ArchiveHandle &) = delete;
    ArchiveHandle &operator=(const ArchiveHandle &) = delete;

    void *get() const { return m_handle; }

private:
    const UnrarFunctions &m_library;
    void *m_handle;
};

struct OpenFailure {
    const char *text;
    int style;
};

// The messages for the library's open failures 10 to 17.
const OpenFailure kOpenFailures[] = {
    {": Unexpected End of Archive", MsgExclamation},
    {": Not enough memory to open the archive", MsgExclamation},
    {": The archive header corrupt or damaged", MsgCritical},
    {": The archive is corrupt or damaged", MsgCritical},
    {": The Comment is in an unknown format", MsgExclamation},
    {": There was an error that occured when the archive was opened", MsgCritical},
    {": There was an error when the file was created", MsgCritical},
    {": There was an error closing the archive meaning it is still in the memory. Please terminate the "
     "program's process to reclaim this memory space",
     MsgCritical},
};

void reportOpenFailure(const QString &archivePath, unsigned code)
{
    if (code < ERAR_END_ARCHIVE || code > ERAR_ECLOSE)
        return;
    const OpenFailure &failure = kOpenFailures[code - ERAR_END_ARCHIVE];
    ShowMessage(archivePath + QLatin1String(failure.text), failure.style,
                QStringLiteral("Error code %1").arg(code));
}

// Text in the file-name encoding, as QFile::decodeName reads it (UTF-8
// outside Windows), without copying the bytes first.
QString decodeFileName(QByteArrayView bytes)
{
#ifdef Q_OS_WIN
    return QString::fromLocal8Bit(bytes);
#else
    return QString::fromUtf8(bytes);
#endif
}

// The member's path up to its first NUL (the whole field when it has none),
// decoded from the file-name encoding, with "\" between its parts.
QString memberName(const RARHeaderData &header)
{
    const auto length = static_cast<qsizetype>(strnlen(header.FileName, sizeof header.FileName));
    QString name = decodeFileName(QByteArrayView(header.FileName, length));
    name.replace(u'/', u'\\');
    return name;
}

QStringView displayName(QStringView memberName)
{
    return memberName.sliced(memberName.lastIndexOf(u'\\') + 1);
}

qint16 obtainList(const QString &archivePath, const QString &password)
{
    const UnrarFunctions *library = archiveLibrary();
    if (!library)
        return -1;

    const QString archiveFileName = FileNameOf(archivePath);
    // The archive's file name starts every playlist path. Outside Windows it
    // may hold "*" or line breaks, which would break the entry list and add
    // playlist lines, or "\", which a player would read as a folder: then
    // none of its members is playable.
    const bool archiveNameFits = !archiveFileName.contains(u'*') && !archiveFileName.contains(u'\r')
        && !archiveFileName.contains(u'\n') && !archiveFileName.contains(u'\\');

    QByteArray arcName = QFile::encodeName(archivePath);
    char comment[kCommentBufferSize]; // handed over, never read back
    std::memset(comment, ' ', sizeof comment);
    RAROpenArchiveData openRecord{};
    openRecord.ArcName = arcName.data();
    openRecord.OpenMode = RAR_OM_EXTRACT;
    openRecord.CmtBuf = comment;
    openRecord.CmtBufSize = kCommentBufferSize;

    ArchiveHandle archive(*library, library->openArchive(&openRecord));
    if (openRecord.OpenResult != ERAR_SUCCESS || !archive.get()) {
        // A library that returns no handle yet claims success could not open it either.
        reportOpenFailure(archivePath, openRecord.OpenResult != ERAR_SUCCESS ? openRecord.OpenResult : ERAR_EOPEN);
        return -1;
    }

    if (!password.isEmpty()) {
        QByteArray passwordBytes = QFile::encodeName(password);
        library->setPassword(archive.get(), passwordBytes.data());
    }

    QString entries;
    RARHeaderData header{};
    char empty[1] = "";
    int result;
    while ((result = library->readHeader(archive.get(), &header)) == ERAR_SUCCESS) {
        YieldToWindow();
        const QString name = memberName(header);
        if (archiveNameFits && IsPlayableMember(name, static_cast<qint32>(header.UnpSize))) {
            entries += archiveFileName;
            entries += u'\\';
            entries += name;
            entries += u'*';
            entries += displayName(name);
            entries += u"**";
        }
        library->processFile(archive.get(), RAR_SKIP, empty, empty);
    }
    entries.chop(2);
    ArchiveEntries = entries;

    if (result == ERAR_UNKNOWN) {
        ShowMessage(QStringLiteral("Filenames in file ") + archivePath
                        + QStringLiteral(" encrypted. Unzip archive, and reRAR without a password"),
                    MsgOkOnly);
    }
    return 0;
}
} // namespace

bool IsPlayableMember(QStringView name, qint32 unpackedSize)
{
    const qsizetype n = name.size();
    if (unpackedSize <= 0 || n < 4)
        return false;
    // ".sp" plus any one character; each one lower-cased on its own, as the
    // extension is compared character by character.
    const auto lower = [](QChar c) {
        if (c.unicode() >= 0x80)
            return c.toLower();
        return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c;
    };
    if (name[n - 4] != u'.' || lower(name[n - 3]) != u's' || lower(name[n - 2]) != u'p')
        return false;
    if (name[n - 1] == u'\\')
        return false; // "x.sp\" followed by nothing names a folder: no display name
    for (QChar c : name) {
        if (c == u'*' || c == u'\r' || c == u'\n')
            return false;
    }
    return true;
}

qint16 ProcessArchive(const QString &action, const QString &archivePath, const QString &password)
{
    ArchiveEntries.clear();
    if (action != u"ObtainList")
        return -1;
    return obtainList(archivePath, password);
}
