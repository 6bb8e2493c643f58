// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "text_encoding.h"

QString DecodeStrictly(QStringDecoder decoder, QByteArrayView bytes)
{
    if (!decoder.isValid())
        return {};
    QString text = decoder(bytes);
    return decoder.hasError() ? QString() : text;
}

QString DecodeWindows1252(QByteArrayView bytes)
{
    // 0x80-0x9F; the rest are Latin-1.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned c = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : char16_t(c));
    }
    return text;
}

QString DecodeUtf8OrWindows1252(QByteArrayView bytes)
{
    QString text = DecodeStrictly(QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless), bytes);
    return text.isNull() ? DecodeWindows1252(bytes) : text;
}
