// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "export_naming.h"

#include <QStringList>

namespace {
bool isForbidden(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"/\\:*?\"<>|").contains(c);
}

// Windows refuses these as a name's part before its first dot, in any case.
bool isReservedOnWindows(const QString &name)
{
    const QString base = name.section(u'.', 0, 0).trimmed().toUpper();
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                        QStringLiteral("NUL")};
    if (devices.contains(base))
        return true;
    return base.size() == 4 && (base.startsWith(u"COM") || base.startsWith(u"LPT")) && base[3] >= u'1'
        && base[3] <= u'9';
}

} // namespace

QString CutToUtf8Bytes(const QString &name, int maxBytes)
{
    int bytes = 0;
    qsizetype end = 0;
    while (end < name.size()) {
        const bool pair = name[end].isHighSurrogate() && end + 1 < name.size() && name[end + 1].isLowSurrogate();
        const char32_t code = pair ? QChar::surrogateToUcs4(name[end], name[end + 1]) : name[end].unicode();
        const int width = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (bytes + width > maxBytes)
            break;
        bytes += width;
        end += pair ? 2 : 1;
    }
    return name.left(end);
}

QString SafeFileName(const QString &name)
{
    // One byte stays free for the "_" a device name gets.
    QString safe = CutToUtf8Bytes(name, kMostNameBytes - 1);
    for (qsizetype i = 0; i < safe.size(); ++i) {
        const bool pair = safe[i].isHighSurrogate() && i + 1 < safe.size() && safe[i + 1].isLowSurrogate();
        if (pair)
            ++i;
        else if (isForbidden(safe[i]) || safe[i].isSurrogate())
            safe[i] = u'_';
    }
    if (safe.startsWith(u'.'))
        safe[0] = u'_';
    if (isReservedOnWindows(safe)) {
        const qsizetype dot = safe.indexOf(u'.');
        safe.insert(dot < 0 ? safe.size() : dot, u'_');
    }
    for (qsizetype i = safe.size() - 1; i >= 0 && (safe[i] == u'.' || safe[i] == u' '); --i)
        safe[i] = u'_';
    return safe.isEmpty() ? QStringLiteral("_") : safe;
}

QString TrackNumberText(int number, int total)
{
    return QStringLiteral("%1").arg(number, total > 99 ? 3 : 2, 10, QLatin1Char('0'));
}

QString TrackFileStem(int number, int total, const QString &title)
{
    return SafeFileName(TrackNumberText(number, total) + u' ' + title);
}

QString WithoutExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 ? fileName.left(dot) : fileName;
}
