// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "status_line.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {
// The East Asian Wide and Fullwidth blocks a tag is likely to hold.
struct Range {
    char32_t first;
    char32_t last;
};
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF}, {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD},
};

int columnsOf(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing || category == QChar::Other_Format)
        return 0;
    const auto wide = std::find_if(std::begin(kWide), std::end(kWide),
                                   [c](const Range &range) { return c >= range.first && c <= range.last; });
    return wide != std::end(kWide) ? 2 : 1;
}

// Text from a tag or a file name with its control characters (escape
// sequences, line breaks) shown as spaces, so it cannot steer the terminal.
QString printable(const QString &text)
{
    QString safe = text;
    for (QChar &c : safe) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return safe.simplified();
}

// The first code points of text that fit in columns.
QString leftColumns(const QString &text, int columns)
{
    QString kept;
    int used = 0;
    for (const char32_t c : text.toUcs4()) {
        used += columnsOf(c);
        if (used > columns)
            break;
        kept += QString::fromUcs4(&c, 1);
    }
    return kept;
}

QString describe(const NowPlaying &now)
{
    const QString title = now.tags.title.isEmpty() ? now.fileName : now.tags.title;
    QStringList parts;
    for (const QString &part : {now.tags.game, title, now.tags.artist}) {
        const QString safe = printable(part);
        if (!safe.isEmpty())
            parts += safe;
    }
    return parts.join(QStringLiteral(" - "));
}

QString counter(const NowPlaying &now)
{
    return QStringLiteral("[%1/%2] ").arg(now.number).arg(now.count);
}
} // namespace

QString FormatDuration(qint64 ms)
{
    if (ms < 0)
        return QStringLiteral("--:--");
    const qint64 seconds = ms / 1000;
    const auto twoDigits = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (seconds < 3600)
        return QString::number(seconds / 60) + u':' + twoDigits(seconds % 60);
    return QString::number(seconds / 3600) + u':' + twoDigits(seconds / 60 % 60) + u':' + twoDigits(seconds % 60);
}

QString TrackStartLine(const NowPlaying &now)
{
    return counter(now) + describe(now) + QStringLiteral(" (") + FormatDuration(now.lengthMs) + u')';
}

QString StatusLine(const NowPlaying &now, int columns)
{
    QString tail = QStringLiteral("  ") + FormatDuration(now.positionMs) + QStringLiteral(" / ")
        + FormatDuration(now.lengthMs);
    if (now.paused)
        tail += QStringLiteral(" [paused]");
    if (now.mutedVoices != 0) {
        tail += QStringLiteral(" [muted");
        for (int voice = 0; voice < 8; ++voice) {
            if (now.mutedVoices & (1 << voice))
                tail += u' ' + QString::number(voice + 1);
        }
        tail += u']';
    }
    const QString head = counter(now);
    const QString names = describe(now);
    const int room = columns - DisplayColumns(head) - DisplayColumns(tail);
    if (DisplayColumns(names) <= room)
        return head + names + tail;
    if (room >= 2)
        return head + leftColumns(names, room - 1) + u'…' + tail;
    return leftColumns(head + names + tail, std::max(columns, 0));
}

int DisplayColumns(QStringView text)
{
    int columns = 0;
    for (const char32_t c : text.toUcs4())
        columns += columnsOf(c);
    return columns;
}
