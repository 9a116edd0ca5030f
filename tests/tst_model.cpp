#include <QRandomGenerator>
#include <QTest>

#include "Model.h"

using namespace kelpo;

class TestModel : public QObject {
    Q_OBJECT

private:
    static Rec *Add(ItemList &list, const QString &name)
    {
        auto rec = std::make_unique<Rec>();
        rec->Name = name;
        return list.Append(std::move(rec));
    }

private slots:
    void membership_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("in");
        QTest::newRow("only member") << ",1," << 1 << true;
        QTest::newRow("1 not in 11") << ",11," << 1 << false;
        QTest::newRow("11 in 1,11") << ",1,11," << 11 << true;
        QTest::newRow("111 not in 1,11") << ",1,11," << 111 << false;
        QTest::newRow("1 in 1,11") << ",1,11," << 1 << true;
        QTest::newRow("comma only") << "," << 1 << false;
        QTest::newRow("empty") << "" << 1 << false;
        QTest::newRow("trash is no group") << ",-1," << 1 << false;
    }
    void membership()
    {
        QFETCH(QString, group);
        QFETCH(int, number);
        QFETCH(bool, in);
        QCOMPARE(InGroup(group, number), in);
    }

    void addRemove_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("add");     // 0: none
        QTest::addColumn<int>("remove");  // 0: none
        QTest::addColumn<QString>("after");
        QTest::newRow("add to empty") << "" << 3 << 0 << ",3,";
        QTest::newRow("add to comma") << "," << 3 << 0 << ",3,";
        QTest::newRow("add keeps order") << ",12," << 3 << 0 << ",12,3,";
        QTest::newRow("remove 1 from 11,1") << ",11,1," << 0 << 1 << ",11,";
        QTest::newRow("remove 11 from 11,1") << ",11,1," << 0 << 11 << ",1,";
        QTest::newRow("remove only group") << ",3," << 0 << 3 << ",";
        QTest::newRow("remove absent") << ",3," << 0 << 4 << ",3,";
        QTest::newRow("remove first of twice") << ",1,1," << 0 << 1 << ",1,";
        QTest::newRow("out of trash") << ",-1," << 5 << -1 << ",5,";
    }
    void addRemove()
    {
        QFETCH(QString, before);
        QFETCH(int, add);
        QFETCH(int, remove);
        QFETCH(QString, after);
        QString g = before;
        if (add)
            AddToGroup(g, add);
        if (remove)
            RemoveFromGroup(g, remove);
        QCOMPARE(g, after);
    }

    void trash()
    {
        QString g = QStringLiteral(",3,12,");
        QVERIFY(!IsInTrash(g));
        MoveToTrash(g);
        QCOMPARE(g, QStringLiteral(",-1,"));
        QVERIFY(IsInTrash(g));
        QVERIFY(!InGroup(g, 3));
        QVERIFY(!IsInTrash(QStringLiteral(",-1,3,")));
    }

    void cutText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("size");
        const QString pair = QString::fromUtf8("\xF0\x9F\x98\x80");  // one character, two units
        QTest::newRow("short") << QString(10, QLatin1Char('a')) << 10;
        QTest::newRow("exactly 255") << QString(255, QLatin1Char('a')) << 255;
        QTest::newRow("long") << QString(300, QLatin1Char('a')) << 255;
        QTest::newRow("pair across the limit") << QString(254, QLatin1Char('a')) + pair + "b" << 254;
        QTest::newRow("pair inside the limit") << QString(253, QLatin1Char('a')) + pair + "b" << 255;
    }
    void cutText()
    {
        QFETCH(QString, text);
        QFETCH(int, size);
        const QString cut = CutText(text);
        QCOMPARE(cut.size(), size);
        QVERIFY(text.startsWith(cut));
        QVERIFY(!cut.back().isHighSurrogate());
    }

    void foldName()
    {
        QCOMPARE(FoldName(QStringLiteral("abc XYZ 12")), QStringLiteral("ABC XYZ 12"));
        const QString accented = QString::fromUtf8("\xC3\xA4\xC3\xA9\xC3\x9F");  // äéß
        QCOMPARE(FoldName(accented), accented);

        // The index folds long names eight characters at a time: the ends of
        // a-z fold, their neighbours and characters from U+8000 on do not.
        ItemList list;
        const QString lower = QStringLiteral("azaz`{@[ zebra apple \u9AD8\uFF41 azaz");
        Rec rec;
        rec.Name = lower;
        Rec *held = list.Append(std::move(rec));
        QCOMPARE(list.FindFolded(FoldName(lower)), held);
        QCOMPARE(list.FindFolded(QStringLiteral("AZAZ`{@[ ZEBRA APPLE \u9AD8\uFF41 AZAZ")), held);
        QVERIFY(!list.FindFolded(QStringLiteral("AZAZ@[@[ ZEBRA APPLE \u9AD8\uFF41 AZAZ")));
        QVERIFY(!list.FindFolded(QStringLiteral("AZAZ`{@[ ZEBRA APPLE \u9AD8\uFF21 AZAZ")));
    }

    void findEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");  // empty: none
        QTest::newRow("exact") << "Apple Pie" << "Apple Pie";
        QTest::newRow("other case") << "aPPLE pIE" << "Apple Pie";
        QTest::newRow("part only") << "Apple" << "";
        QTest::newRow("accent case not folded") << QString::fromUtf8("\xC3\xA4pfel") << "";
        QTest::newRow("accent exact") << QString::fromUtf8("\xC3\x84PFEL") << QString::fromUtf8("\xC3\x84pfel");
        QTest::newRow("first of case twins") << "TWIN" << "twin";
    }
    void findEntry()
    {
        QFETCH(QString, name);
        QFETCH(QString, found);
        Model m;
        Add(m.Items, QStringLiteral("Apple Pie"));
        Add(m.Items, QString::fromUtf8("\xC3\x84pfel"));  // Äpfel
        Add(m.Items, QStringLiteral("twin"));
        Add(m.Items, QStringLiteral("Twin"));
        Rec *r = m.FindEntry(name);
        QCOMPARE(r ? r->Name : QString(), found);
    }

    void findGroup_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("slot");
        QTest::newRow("trash") << "Trash" << -1;
        QTest::newRow("trash other case is a name") << "TRASH" << 3;
        QTest::newRow("all items") << "All Items" << 0;
        QTest::newRow("folded") << "news" << 1;
        QTest::newRow("exact") << QString::fromUtf8("Stra\xC3\x9F" "e") << 2;
        QTest::newRow("folded with sharp s") << QString::fromUtf8("STRA\xC3\x9F" "E") << 2;
        QTest::newRow("no ss for sharp s") << "STRASSE" << 0;
        QTest::newRow("unknown") << "Cars" << 0;
    }
    void findGroup()
    {
        QFETCH(QString, name);
        QFETCH(int, slot);
        Model m;
        m.GroupTable[1] = {QStringLiteral("News"), 4};
        m.GroupTable[2] = {QString::fromUtf8("Stra\xC3\x9F" "e"), 2};
        m.GroupTable[3] = {QStringLiteral("trash"), 7};
        m.GroupTable[4] = {QStringLiteral("Cars"), 9};  // beyond NumGroups
        m.NumGroups = 3;
        QCOMPARE(m.FindGroup(name), slot);
    }

    void slotOfNumberAndClear()
    {
        Model m;
        m.GroupTable[1] = {QStringLiteral("A"), 4};
        m.GroupTable[2] = {QStringLiteral("B"), 2};
        m.NumGroups = 2;
        Add(m.Items, QStringLiteral("x"));
        QCOMPARE(m.SlotOfNumber(2), 2);
        QCOMPARE(m.SlotOfNumber(4), 1);
        QCOMPARE(m.SlotOfNumber(3), 0);
        m.Clear();
        QCOMPARE(m.NumGroups, 0);
        QCOMPARE(m.Items.Count(), 0);
        QVERIFY(m.GroupTable[1].GroupName.isEmpty());
        QVERIFY(!m.FindEntry(QStringLiteral("x")));
    }

    void indexFollowsRenameAndRemove()
    {
        ItemList list;
        QVector<Rec *> recs;
        for (int i = 0; i < 6; ++i)
            recs.append(Add(list, QStringLiteral("item %1").arg(i)));

        list.Rename(recs[2], QStringLiteral("Renamed"));
        QVERIFY(!list.FindExact(QStringLiteral("item 2")));
        QVERIFY(!list.FindFolded(QStringLiteral("ITEM 2")));
        QCOMPARE(list.FindExact(QStringLiteral("Renamed")), recs[2]);
        QCOMPARE(list.FindFolded(QStringLiteral("RENAMED")), recs[2]);

        list.RemoveAt(1);
        QVERIFY(!list.FindExact(QStringLiteral("item 1")));
        QCOMPARE(list.IndexOf(recs[0]), 0);
        QCOMPARE(list.IndexOf(recs[2]), 1);
        QCOMPARE(list.IndexOf(recs[5]), 4);
        QCOMPARE(list.At(4), recs[5]);

        // A later record renamed to an earlier one's name: the earlier wins.
        list.Rename(recs[0], QStringLiteral("item 4"));
        QCOMPARE(list.FindExact(QStringLiteral("item 4")), recs[0]);
        list.Rename(recs[0], QStringLiteral("item 0"));
        QCOMPARE(list.FindExact(QStringLiteral("item 4")), recs[4]);

        const int removed = list.RemoveIf([](const Rec &r) {
            return r.Name.endsWith(QLatin1Char('3')) || r.Name == QLatin1String("Renamed");
        });
        QCOMPARE(removed, 2);
        QCOMPARE(list.Count(), 3);
        QCOMPARE(list.IndexOf(recs[0]), 0);
        QCOMPARE(list.IndexOf(recs[4]), 1);
        QCOMPARE(list.IndexOf(recs[5]), 2);
        QVERIFY(!list.FindFolded(QStringLiteral("renamed")));

        Rec *appended = Add(list, QStringLiteral("new"));
        QCOMPARE(list.IndexOf(appended), 3);
        list.Clear();
        QCOMPARE(list.Count(), 0);
        QVERIFY(!list.FindExact(QStringLiteral("item 0")));
    }

    // Names that differ only in case share one index entry: taking out the
    // record whose name the entry was made from (it is destroyed) leaves the
    // others found, by list order.
    void caseTwinsOutliveTheFirst()
    {
        ItemList list;
        Rec *upper = Add(list, QStringLiteral("TWIN"));
        Rec *lower = Add(list, QStringLiteral("twin"));
        Rec *mixed = Add(list, QStringLiteral("Twin"));
        Add(list, QStringLiteral("other"));
        QCOMPARE(list.FindFolded(QStringLiteral("tWIN")), upper);

        list.RemoveAt(0);
        QCOMPARE(list.FindFolded(QStringLiteral("TWIN")), lower);
        QVERIFY(!list.FindExact(QStringLiteral("TWIN")));
        QCOMPARE(list.FindExact(QStringLiteral("Twin")), mixed);

        list.Rename(lower, QStringLiteral("single"));
        QCOMPARE(list.FindFolded(QStringLiteral("twin")), mixed);
        Rec *late = Add(list, QStringLiteral("tWiN"));
        list.RemoveAt(list.IndexOf(mixed));
        QCOMPARE(list.FindFolded(QStringLiteral("TWIN")), late);
        QCOMPARE(list.FindFolded(QStringLiteral("SINGLE")), lower);
        list.RemoveAt(list.IndexOf(late));
        QVERIFY(!list.FindFolded(QStringLiteral("twin")));
    }

    // Records that are not held answer -1 and are not read: removed ones,
    // ones of another list, ones never handed over, and all after Clear.
    void indexOfRecordsNotHeld()
    {
        ItemList list, other;
        QVector<Rec *> recs;
        for (int i = 0; i < 100; ++i)
            recs.append(Add(list, QStringLiteral("n%1").arg(i)));
        Rec *foreign = Add(other, QStringLiteral("n1"));
        Rec loose;
        list.RemoveAt(10);
        list.RemoveIf([](const Rec &r) { return r.Name == QLatin1String("n20"); });
        QCOMPARE(list.IndexOf(recs[10]), -1);
        QCOMPARE(list.IndexOf(recs[20]), -1);
        QCOMPARE(list.IndexOf(recs[21]), 19);
        QCOMPARE(list.IndexOf(foreign), -1);
        QCOMPARE(list.IndexOf(&loose), -1);
        QCOMPARE(list.IndexOf(nullptr), -1);
        // An address inside a held record is not a record.
        QCOMPARE(list.IndexOf(reinterpret_cast<const Rec *>(&recs[30]->Site)), -1);
        list.Clear();
        QCOMPARE(list.IndexOf(recs[30]), -1);
        QCOMPARE(other.IndexOf(foreign), 0);
    }

    // The name index against a plain map through many insertions, renames
    // and removals (the table grows, entries move up when others leave, and
    // names that differ in case share an entry). It starts with a long run of
    // additions, as a load makes, which the index takes in batches.
    void nameIndexAgainstMap()
    {
        ItemList list;
        QRandomGenerator random(15);
        auto name = [&] { return QStringLiteral("Item %1").arg(random.bounded(600)).replace(QLatin1Char('I'), random.bounded(2) ? QLatin1Char('I') : QLatin1Char('i')); };
        for (int i = 0; i < 700; ++i)
            Add(list, name());
        for (int step = 0; step < 4000; ++step) {
            const int op = random.bounded(10);
            if (op < 5 || list.Count() == 0) {
                Add(list, name());
            } else if (op < 7) {
                list.RemoveAt(random.bounded(list.Count()));
            } else if (op < 8) {
                const QString gone = name();
                list.RemoveIf([&](const Rec &r) { return FoldName(r.Name) == FoldName(gone); });
            } else {
                list.Rename(list.At(random.bounded(list.Count())), name());
            }
            if (step % 97 != 0 && step != 3999)
                continue;
            QHash<QString, Rec *> firstByName;
            for (int i = 0; i < list.Count(); ++i)
                firstByName.insert(FoldName(list.At(i)->Name), firstByName.value(FoldName(list.At(i)->Name), list.At(i)));
            for (int k = 0; k < 600; ++k) {
                const QString probe = QStringLiteral("ITEM %1").arg(k);
                QCOMPARE(list.FindFolded(probe), firstByName.value(probe));
            }
            for (int i = 0; i < list.Count(); ++i)
                QCOMPARE(list.IndexOf(list.At(i)), i);
        }
    }

    void positionsAfterRemovals_data()
    {
        QTest::addColumn<int>("burst");  // removals between two rounds of lookups
        QTest::newRow("one at a time") << 1;
        QTest::newRow("a few") << 5;
        QTest::newRow("more than a short stretch") << 70;
    }
    void positionsAfterRemovals()
    {
        QFETCH(int, burst);
        ItemList list;
        std::vector<Rec *> expected;
        for (int i = 0; i < 400; ++i)
            expected.push_back(Add(list, QStringLiteral("n%1").arg(i)));
        for (int step = 1; expected.size() > 20; ++step) {
            for (int b = 0; b < burst && expected.size() > 20; ++b) {
                const int at = int((size_t(step) * 7919 + size_t(b) * 31) % expected.size());
                list.RemoveAt(at);
                expected.erase(expected.begin() + at);
            }
            if (step % 3 == 0)
                expected.push_back(Add(list, QStringLiteral("added %1").arg(step)));
            for (size_t i = 0; i < expected.size(); ++i)
                QCOMPARE(list.IndexOf(expected[i]), int(i));
        }
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
