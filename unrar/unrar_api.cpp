// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The C interface: a handle is an ApiArchive owning the open archive. No
// exception crosses the interface; running out of memory is ERAR_NO_MEMORY.
#include "archive.h"
#include "text.h"
#include "unrar.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

struct ApiArchive {
    unrar::Archive archive;
    std::string arcName;
    std::string password; // kept for callers that set one; nothing here decrypts
    UNRARCALLBACK callback = nullptr;
    LPARAM userData = 0;
};

// Hands unpacked bytes to the caller's callback, as UCM_PROCESSDATA.
class CallbackSink final : public unrar::ByteSink {
public:
    explicit CallbackSink(const ApiArchive &api)
        : m_api(api)
    {
    }
    bool write(const std::uint8_t *data, std::size_t n) override
    {
        if (!m_api.callback)
            return true;
        // Chunks stay far below INT_MAX, as callers that take the count as an int expect.
        constexpr std::size_t kMaxChunk = 1 << 30;
        for (std::size_t done = 0; done < n;) {
            const std::size_t chunk = std::min(n - done, kMaxChunk);
            if (m_api.callback(UCM_PROCESSDATA, m_api.userData, reinterpret_cast<LPARAM>(data + done),
                               static_cast<LPARAM>(chunk))
                == -1)
                return false;
            done += chunk;
        }
        return true;
    }

private:
    const ApiArchive &m_api;
};

// Copies text into a fixed char field, always NUL-terminated, never
// splitting a character.
void copyField(char *field, std::size_t fieldSize, const std::string &text)
{
    const std::string fitted = unrar::toHostText(text, fieldSize - 1);
    std::memcpy(field, fitted.data(), fitted.size());
    field[fitted.size()] = '\0';
}

// The archive path goes back exactly as the caller gave it, cut to fit.
void copyPath(char *field, std::size_t fieldSize, const std::string &path)
{
#ifdef _WIN32
    const std::string fitted = path.substr(0, fieldSize - 1);
#else
    const std::string fitted = unrar::utf8Prefix(path, fieldSize - 1);
#endif
    std::memcpy(field, fitted.data(), fitted.size());
    field[fitted.size()] = '\0';
}

void fillComment(RAROpenArchiveData &data, const unrar::Comment &comment)
{
    data.CmtSize = 0;
    data.CmtState = 0;
    if (!data.CmtBuf)
        return;
    if (comment.state == unrar::Comment::State::Packed) {
        data.CmtState = ERAR_UNKNOWN_FORMAT; // compressed comments are not unpacked here
        return;
    }
    if (comment.state != unrar::Comment::State::Stored || comment.text.empty())
        return;
    if (data.CmtBufSize == 0) {
        data.CmtState = ERAR_SMALL_BUF;
        return;
    }
    // The host form is never longer than the UTF-8 one.
    const std::string text = unrar::toHostText(comment.text, comment.text.size());
    const std::string fitted = unrar::toHostText(comment.text, data.CmtBufSize - 1);
    std::memcpy(data.CmtBuf, fitted.data(), fitted.size());
    data.CmtBuf[fitted.size()] = '\0';
    data.CmtSize = static_cast<unsigned int>(fitted.size() + 1);
    data.CmtState = fitted.size() < text.size() ? ERAR_SMALL_BUF : 1;
}

} // namespace

extern "C" {

UNRAR_API void *PASCAL RAROpenArchive(RAROpenArchiveData *data)
{
    if (!data)
        return nullptr;
    try {
        auto handle = std::make_unique<ApiArchive>();
        if (!data->ArcName) {
            data->OpenResult = ERAR_EOPEN;
            return nullptr;
        }
        handle->arcName = data->ArcName;
        const int result = handle->archive.open(data->ArcName);
        data->OpenResult = static_cast<unsigned int>(result);
        if (result != ERAR_SUCCESS)
            return nullptr;
        fillComment(*data, handle->archive.comment());
        return handle.release();
    } catch (const std::bad_alloc &) {
        data->OpenResult = ERAR_NO_MEMORY;
    } catch (...) {
        data->OpenResult = ERAR_BAD_DATA;
    }
    return nullptr;
}

UNRAR_API int PASCAL RARCloseArchive(void *handle)
{
    if (!handle)
        return ERAR_ECLOSE;
    delete static_cast<ApiArchive *>(handle);
    return ERAR_SUCCESS;
}

UNRAR_API int PASCAL RARReadHeader(void *handle, RARHeaderData *header)
{
    if (!handle || !header)
        return ERAR_BAD_DATA;
    auto &api = *static_cast<ApiArchive *>(handle);
    try {
        // Members are walked in order whether or not the previous one was
        // processed: the walker already stands behind its data.
        const unrar::Member *found = nullptr;
        const unrar::Step step = api.archive.next(found);
        if (step != unrar::Step::Member)
            return static_cast<int>(step);

        copyPath(header->ArcName, sizeof header->ArcName, api.arcName);
        const unrar::Member &member = *found;
        copyField(header->FileName, sizeof header->FileName, member.name);
        header->Flags = member.flags;
        header->PackSize = static_cast<unsigned int>(member.packSize & 0xFFFFFFFFu);
        header->UnpSize = static_cast<unsigned int>(member.unpSize & 0xFFFFFFFFu);
        header->HostOS = member.hostOs;
        header->FileCRC = member.fileCrc;
        header->FileTime = member.dosTime;
        header->UnpVer = member.unpVer;
        header->Method = member.method;
        header->FileAttr = member.attributes;
        header->CmtSize = 0;
        header->CmtState = 0; // member comments are not returned
        return ERAR_SUCCESS;
    } catch (const std::bad_alloc &) {
        return ERAR_NO_MEMORY;
    } catch (...) {
        return ERAR_BAD_DATA;
    }
}

UNRAR_API int PASCAL RARProcessFile(void *handle, int operation, char *, char *)
{
    if (!handle)
        return ERAR_BAD_DATA;
    auto &api = *static_cast<ApiArchive *>(handle);
    // The walker has already moved past the member's data, so skipping costs
    // nothing. Nothing is ever written to disk: extracting fails, and the
    // caller's loop still moves on to the next member.
    if (operation == RAR_SKIP)
        return ERAR_SUCCESS;
    if (operation == RAR_EXTRACT)
        return ERAR_ECREATE;
    if (operation != RAR_TEST)
        return ERAR_UNKNOWN;
    try {
        CallbackSink sink(api);
        return api.archive.test(sink);
    } catch (const std::bad_alloc &) {
        return ERAR_NO_MEMORY;
    } catch (...) {
        return ERAR_BAD_DATA;
    }
}

UNRAR_API void PASCAL RARSetCallback(void *handle, UNRARCALLBACK callback, LPARAM userData)
{
    if (!handle)
        return;
    auto &api = *static_cast<ApiArchive *>(handle);
    api.callback = callback;
    api.userData = userData;
}

UNRAR_API void PASCAL RARSetPassword(void *handle, char *password)
{
    if (!handle)
        return;
    try {
        static_cast<ApiArchive *>(handle)->password = password ? password : "";
    } catch (...) {
        // A password is never needed to list headers; losing it changes nothing.
    }
}

} // extern "C"
