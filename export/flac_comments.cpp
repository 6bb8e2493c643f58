// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "flac_comments.h"

#include "atomic_file.h"
#include "vorbis_comments.h"

#include <QtEndian>

#include <algorithm>
#include <optional>

namespace {
constexpr int kStreamInfo = 0;
constexpr int kPadding = 1;
constexpr int kComments = 4;
constexpr quint32 kLastBlock = 0x80;
constexpr qint64 kLargestBlock = (1 << 24) - 1; // a block's 24-bit length
// libsndfile writes a few small blocks; far more is not its stream.
constexpr qint64 kMostMetadata = 4 << 20;
constexpr qsizetype kCopyChunk = 1 << 20;

struct Block {
    int type;
    QByteArray body;
};

bool fail(QString *error, const char *text)
{
    *error = QString::fromLatin1(text);
    return false;
}

QByteArray blockHeader(int type, qsizetype length, bool last)
{
    char header[4];
    qToBigEndian<quint32>((quint32(type) | (last ? kLastBlock : 0)) << 24 | quint32(length), header);
    return QByteArray(header, 4);
}
} // namespace

bool CopyFlacWithComments(int source, int target, const QList<QByteArray> &fields, QString *error)
{
    QByteArray bytes;
    if (!ReadAt(source, 0, 4, &bytes, error))
        return false;
    if (bytes != "fLaC")
        return fail(error, "Not a FLAC stream");
    QList<Block> blocks;
    qint64 offset = 4;
    for (bool last = false; !last;) {
        if (!ReadAt(source, offset, 4, &bytes, error))
            return false;
        if (bytes.size() < 4)
            return fail(error, "The FLAC stream ends in its metadata");
        const quint32 header = qFromBigEndian<quint32>(bytes.constData());
        last = (header >> 24) & kLastBlock;
        const int type = int(header >> 24) & 0x7f;
        const qint64 length = header & 0xffffff;
        offset += 4 + length;
        if (offset > kMostMetadata || (blocks.isEmpty() && type != kStreamInfo))
            return fail(error, "The FLAC stream's metadata is not libsndfile's");
        Block block{type, {}};
        if (!ReadAt(source, offset - length, length, &block.body, error))
            return false;
        if (block.body.size() < length)
            return fail(error, "The FLAC stream ends in its metadata");
        if (type != kPadding)
            blocks << block;
    }

    auto comments = std::find_if(blocks.begin(), blocks.end(), [](const Block &b) { return b.type == kComments; });
    if (comments == blocks.end())
        comments = blocks.insert(blocks.end(), Block{kComments, SerializeVorbisComments({})});
    std::optional<VorbisComments> list = ParseVorbisComments(comments->body);
    if (!list)
        return fail(error, "The FLAC stream's comments are damaged");
    list->fields += fields;
    comments->body = SerializeVorbisComments(*list);
    if (comments->body.size() > kLargestBlock)
        return fail(error, "The tags are too long for a FLAC comment block");

    QByteArray head("fLaC");
    for (qsizetype i = 0; i < blocks.size(); ++i)
        head += blockHeader(blocks[i].type, blocks[i].body.size(), i + 1 == blocks.size()) + blocks[i].body;
    if (!WriteAt(target, -1, head, error))
        return false;
    for (;;) {
        if (!ReadAt(source, offset, kCopyChunk, &bytes, error))
            return false;
        if (bytes.isEmpty())
            return true;
        if (!WriteAt(target, -1, bytes, error))
            return false;
        offset += bytes.size();
    }
}
