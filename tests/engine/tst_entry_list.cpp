// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Ordering an entry list and projecting it to names or paths, with the
// window's turn once per sort pass.
#include "entry_list.h"
#include "extraction.h"
#include "fake_unrar.h"
#include "interaction_recorder.h"

#include <QFile>
#include <QTest>

namespace {
// An entry list of members of Game.rsn given by their inner paths; the
// display name is the last component.
QString entriesOf(const QStringList &innerPaths)
{
    QStringList entries;
    for (const QString &inner : innerPaths)
        entries << QStringLiteral("Game.rsn\\") + inner + u'*' + inner.section(u'\\', -1);
    return entries.join(QStringLiteral("**"));
}

QString pathsOf(const QStringList &innerPaths)
{
    QStringList paths;
    for (const QString &inner : innerPaths)
        paths << QStringLiteral("Game.rsn\\") + inner;
    return paths.join(u'*');
}
} // namespace

class EntryListTest : public QObject {
    Q_OBJECT

private slots:
    void ordering_data();
    void ordering();
    void passes_data();
    void passes();
    void callerTextSurvivesYield_data();
    void callerTextSurvivesYield();
};

void EntryListTest::ordering_data()
{
    QTest::addColumn<QStringList>("headerOrder"); // inner paths as the archive lists them
    QTest::addColumn<QStringList>("sortedNames");
    QTest::addColumn<QStringList>("sortedPaths");

    QTest::newRow("empty") << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("one entry in sub-folders")
        << QStringList{"Disc 1\\Extra\\01 Intro.spc"} << QStringList{"01 Intro.spc"}
        << QStringList{"Disc 1\\Extra\\01 Intro.spc"};
    QTest::newRow("equal keys keep header order")
        << QStringList{"b.spc", "A.spc", "a.spc"} << QStringList{"A.spc", "a.spc", "b.spc"}
        << QStringList{"A.spc", "a.spc", "b.spc"};
    QTest::newRow("equal keys, other header order")
        << QStringList{"a.spc", "b.spc", "A.spc"} << QStringList{"a.spc", "A.spc", "b.spc"}
        << QStringList{"a.spc", "A.spc", "b.spc"};
    QTest::newRow("case-insensitive, underscore below letters")
        << QStringList{"Z.spc", "a.spc", "_x.spc"} << QStringList{"_x.spc", "a.spc", "Z.spc"}
        << QStringList{"_x.spc", "a.spc", "Z.spc"};
    QTest::newRow("digits, punctuation and tilde by code")
        << QStringList{"~a.spc", "b.spc", "10.spc", "9.spc", " x.spc"}
        << QStringList{" x.spc", "10.spc", "9.spc", "b.spc", "~a.spc"}
        << QStringList{" x.spc", "10.spc", "9.spc", "b.spc", "~a.spc"};
    QTest::newRow("key is the display name, not the folder")
        << QStringList{"A\\z.spc", "B\\a.spc", "C\\m.spc"} << QStringList{"a.spc", "m.spc", "z.spc"}
        << QStringList{"B\\a.spc", "C\\m.spc", "A\\z.spc"};
    QTest::newRow("same name in two folders stays in header order")
        << QStringList{"Disc 2\\01.spc", "x.spc", "Disc 1\\01.spc"} << QStringList{"01.spc", "01.spc", "x.spc"}
        << QStringList{"Disc 2\\01.spc", "Disc 1\\01.spc", "x.spc"};
    QTest::newRow("non-ASCII lower-cased")
        << QStringList{"Éa.spc", "f.spc", "éb.spc", "e.spc"} << QStringList{"e.spc", "f.spc", "Éa.spc", "éb.spc"}
        << QStringList{"e.spc", "f.spc", "Éa.spc", "éb.spc"};
    // The platform lower-cases İ to two code units (i and a combining dot).
    QTest::newRow("lower-casing that lengthens a name")
        << QStringList{"İ.spc", "ia.spc", "i.spc"} << QStringList{"i.spc", "ia.spc", "İ.spc"}
        << QStringList{"i.spc", "ia.spc", "İ.spc"};
    QTest::newRow("ASCII and non-ASCII names mixed") << QStringList{"Sub\\ÄB.spc", "ab.spc", "AC.spc", "äa.spc"}
                                                     << QStringList{"ab.spc", "AC.spc", "äa.spc", "ÄB.spc"}
                                                     << QStringList{"ab.spc", "AC.spc", "äa.spc", "Sub\\ÄB.spc"};
    // Ordinal by UTF-16 code unit: a surrogate (D83D) is below U+E000, though its code point is above.
    QTest::newRow("UTF-16 code units, not code points")
        << QStringList{"\uE000.spc", "\U0001F600.spc"} << QStringList{"\U0001F600.spc", "\uE000.spc"}
        << QStringList{"\U0001F600.spc", "\uE000.spc"};
    QTest::newRow("reversed") << QStringList{"e.spc", "d.spc", "c.spc", "b.spc", "a.spc"}
                              << QStringList{"a.spc", "b.spc", "c.spc", "d.spc", "e.spc"}
                              << QStringList{"a.spc", "b.spc", "c.spc", "d.spc", "e.spc"};
}

void EntryListTest::ordering()
{
    QFETCH(QStringList, headerOrder);
    QFETCH(QStringList, sortedNames);
    QFETCH(QStringList, sortedPaths);

    const QString entries = entriesOf(headerOrder);
    QCOMPARE(SortEntries(entries, false), sortedNames.join(u'*'));
    QCOMPARE(SortEntries(entries, true), pathsOf(sortedPaths));
}

void EntryListTest::passes_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("passes"); // counted by hand for downward bubble passes

    QTest::newRow("empty: no pass, no yield") << QStringList{} << 0;
    QTest::newRow("one entry: no comparison, no yield") << QStringList{"a.spc"} << 0;
    QTest::newRow("two in order") << QStringList{"a.spc", "b.spc"} << 1;
    QTest::newRow("two reversed") << QStringList{"b.spc", "a.spc"} << 2;
    QTest::newRow("two equal keys") << QStringList{"A.spc", "a.spc"} << 1;
    QTest::newRow("b, A, a") << QStringList{"b.spc", "A.spc", "a.spc"} << 3;
    QTest::newRow("five sorted") << QStringList{"a.spc", "b.spc", "c.spc", "d.spc", "e.spc"} << 1;
    QTest::newRow("five reversed") << QStringList{"e.spc", "d.spc", "c.spc", "b.spc", "a.spc"} << 5;
    // A small key sinks to the front in one pass; a large one rises one place per pass.
    QTest::newRow("smallest last") << QStringList{"b.spc", "c.spc", "d.spc", "e.spc", "a.spc"} << 2;
    QTest::newRow("largest first") << QStringList{"e.spc", "a.spc", "b.spc", "c.spc", "d.spc"} << 5;
}

void EntryListTest::passes()
{
    QFETCH(QStringList, names);
    QFETCH(int, passes);

    const QString entries = entriesOf(names);
    for (bool wantPaths : {false, true}) {
        InteractionRecorder recorder;
        SortEntries(entries, wantPaths);
        QCOMPARE(recorder.yields(), passes);
    }
}

void EntryListTest::callerTextSurvivesYield_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("emptied") << 0;
    QTest::newRow("replaced") << 1;
    QTest::newRow("appended to in place") << 2;
    QTest::newRow("refilled by a listing") << 3;
}

void EntryListTest::callerTextSurvivesYield()
{
    QFETCH(int, change);

    // The window passes ArchiveEntries itself; a listing may run while the sort yields.
    fake::reset();
    fake::Archive other;
    other.members = {{"zz.spc", 10}, {"00.spc", 10}};
    fake::addArchive(QFile::encodeName(QStringLiteral("/music/Other.rsn")), other);
    setArchiveLibrary(&fake::functions());

    const QString original = entriesOf({"d.spc", "c.spc", "b.spc", "a.spc"});
    for (bool wantPaths : {false, true}) {
        // Its own copy, not shared with `original`, so replacing it frees the text.
        ArchiveEntries = QString(original.constData(), original.size());
        InteractionRecorder recorder;
        recorder.onYield = [&](int yield) {
            if (yield != 1)
                return;
            switch (change) {
            case 0:
                ArchiveEntries.clear();
                break;
            case 1:
                ArchiveEntries = entriesOf({"x.spc"});
                break;
            case 2:
                ArchiveEntries += QStringLiteral("**Game.rsn\\0.spc*0.spc");
                break;
            case 3:
                ProcessArchive(QStringLiteral("ObtainList"), QStringLiteral("/music/Other.rsn"), QString());
                break;
            }
        };
        const QString result = SortEntries(ArchiveEntries, wantPaths);
        QCOMPARE(result,
                 wantPaths ? pathsOf({"a.spc", "b.spc", "c.spc", "d.spc"}) : QStringLiteral("a.spc*b.spc*c.spc*d.spc"));
        QCOMPARE(recorder.yields(), change == 3 ? 4 + 2 : 4); // the listing yields once per member
    }
    setArchiveLibrary(nullptr);
    fake::reset();
}

QTEST_GUILESS_MAIN(EntryListTest)
#include "tst_entry_list.moc"
