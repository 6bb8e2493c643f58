// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "entry_list.h"

#include "user_interaction.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace {
// One entry of the list, located by its separators: the playlist path is
// the text before its first "*", the display name the text after its last.
struct Entry {
    QStringView path;
    QStringView name;
};

// What the sort moves: the lower-cased display name (compared by UTF-16
// code unit) and the entry it belongs to.
struct SortItem {
    std::u16string_view key;
    std::size_t entry;
};

// Splits text at every "**" (searching left to right, as a split does) and
// finds each entry's first and last "*" in the same scan.
template<typename Visit>
void forEachEntry(QStringView text, Visit visit)
{
    qsizetype entryStart = 0;
    qsizetype firstStar = -1;
    qsizetype lastStar = -1;
    auto finish = [&](qsizetype end) {
        const QStringView entry = text.sliced(entryStart, end - entryStart);
        const QStringView path = firstStar < 0 ? entry : text.sliced(entryStart, firstStar - entryStart);
        const QStringView name = lastStar < 0 ? entry : text.sliced(lastStar + 1, end - lastStar - 1);
        visit(path, name);
    };
    for (qsizetype star = text.indexOf(u'*'); star >= 0; star = text.indexOf(u'*', star + 1)) {
        if (star + 1 < text.size() && text[star + 1] == u'*') {
            finish(star);
            entryStart = star + 2;
            firstStar = lastStar = -1;
            ++star;
        } else {
            if (firstStar < 0)
                firstStar = star;
            lastStar = star;
        }
    }
    finish(text.size());
}

// Downward bubble passes until one makes no swap. Equal keys never swap, so
// members with the same name keep the archive's header order. The window
// gets one turn per pass, just before the pass's last comparison.
void bubbleSort(std::vector<SortItem> &items, bool yield)
{
    const auto count = static_cast<qsizetype>(items.size());
    bool swapped;
    do {
        swapped = false;
        for (qsizetype i = count - 2; i >= 0; --i) {
            if (i == 0 && yield)
                YieldToWindow();
            if (items[i + 1].key < items[i].key) {
                std::swap(items[i + 1], items[i]);
                swapped = true;
            }
        }
    } while (swapped);
}

// The lower-cased display names, one after another in one buffer. ASCII
// names are lower-cased here (the same result as the platform's
// lower-casing, which is slow per character); any other name goes through
// the platform's lower-casing. Returns where each key ends.
std::vector<qsizetype> lowerCasedNames(const std::vector<Entry> &entries, QString &keys)
{
    std::vector<qsizetype> ends;
    ends.reserve(entries.size());
    for (const Entry &entry : entries) {
        const QStringView name = entry.name;
        if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; })) {
            const qsizetype at = keys.size();
            keys.resize(at + name.size());
            QChar *out = keys.data() + at;
            for (QChar c : name)
                *out++ = (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c;
        } else {
            keys += name.toString().toLower();
        }
        ends.push_back(keys.size());
    }
    return ends;
}

// Calls visit(path, name, index in the list) for each entry of text in
// display-name order.
template<typename Visit>
void visitSorted(QStringView text, bool yield, Visit visit)
{
    std::vector<Entry> list;
    forEachEntry(text, [&](QStringView path, QStringView name) { list.push_back({path, name}); });

    QString keys;
    keys.reserve(text.size());
    const std::vector<qsizetype> keyEnds = lowerCasedNames(list, keys);
    std::vector<SortItem> items(list.size());
    qsizetype keyStart = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        items[i] = {std::u16string_view(QStringView(keys).utf16() + keyStart, std::size_t(keyEnds[i] - keyStart)), i};
        keyStart = keyEnds[i];
    }

    bubbleSort(items, yield);

    for (const SortItem &item : items)
        visit(list[item.entry].path, list[item.entry].name, item.entry);
}
} // namespace

QString SortEntries(const QString &entries, bool wantPaths)
{
    if (entries.isEmpty())
        return {};

    // The caller may pass the shared entry list itself, which a listing
    // started during a yield would replace; this copy keeps the views valid.
    const QString text = entries;
    QString result;
    result.reserve(text.size());
    visitSorted(text, true, [&](QStringView path, QStringView name, std::size_t) {
        result += wantPaths ? path : name;
        result += u'*';
    });
    result.chop(1);
    return result;
}

std::vector<SortedEntry> SortedEntries(const QString &entries)
{
    std::vector<SortedEntry> sorted;
    if (entries.isEmpty())
        return sorted;
    visitSorted(entries, false, [&](QStringView path, QStringView name, std::size_t index) {
        sorted.push_back({path.toString(), name.toString(), index});
    });
    return sorted;
}
