#include "entry_list.h"

#include "user_interaction.h"

#include <QStringList>

#include <utility>
#include <vector>

namespace {
QStringView pathOf(QStringView entry)
{
    const qsizetype star = entry.indexOf(u'*');
    return star < 0 ? entry : entry.first(star);
}

QStringView displayNameOf(QStringView entry)
{
    return entry.sliced(entry.lastIndexOf(u'*') + 1);
}

struct SortItem {
    QString key; // the display name, lower-cased once
    QStringView entry;
};

// Downward bubble passes until one makes no swap. Equal keys never swap, so
// members with the same name keep the archive's header order. The window
// gets one turn per pass, just before the pass's last comparison.
void bubbleSort(std::vector<SortItem> &items)
{
    const auto count = static_cast<qsizetype>(items.size());
    bool swapped;
    do {
        swapped = false;
        for (qsizetype i = count - 2; i >= 0; --i) {
            if (i == 0)
                YieldToWindow();
            if (items[i + 1].key < items[i].key) {
                std::swap(items[i + 1], items[i]);
                swapped = true;
            }
        }
    } while (swapped);
}
} // namespace

QString SortEntries(const QString &entries, bool wantPaths)
{
    if (entries.isEmpty())
        return {};

    // The caller may pass the shared entry list itself, which a listing
    // started during a yield would replace; this copy keeps the views valid.
    const QString text = entries;
    std::vector<SortItem> items;
    for (QStringView entry : QStringView(text).split(u"**"))
        items.push_back({displayNameOf(entry).toString().toLower(), entry});

    bubbleSort(items);

    QString result;
    result.reserve(text.size());
    for (const SortItem &item : items) {
        result += wantPaths ? pathOf(item.entry) : displayNameOf(item.entry);
        result += u'*';
    }
    result.chop(1);
    return result;
}
