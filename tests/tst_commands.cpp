// Commands started while another one waits for an answer: from inside each
// box of a command another command starts (as accessibility tools, the
// command socket, the 15-minute timer or a drop do in the box's nested event
// loop). Changing commands the user starts then are refused, those the
// program starts run after the waiting command, and the model is whole.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "DownloadList.h"
#include "ExchangeFile.h"
#include "MainCommandGuard.h"
#include "VarStore.h"
#include "support/MainFixture.h"
#include "support/ScriptedTii.h"

using namespace kelpo;

namespace {

using Step = std::function<void(MainFixture &)>;

// Two groups, "Work" (1) and "Play" (2), and five items:
//   alpha in Work, beta in both, gamma in none (with comments), delta in
//   Play, trashed.
void Fill(MainFixture &f)
{
    f.AddGroup(QStringLiteral("Work"), 1);
    f.AddGroup(QStringLiteral("Play"), 2);
    f.Add(QStringLiteral("alpha"), 0, QStringLiteral("10/12/2026 09:00"), QStringLiteral("31/12/2027"), QStringLiteral(",1,"));
    f.Add(QStringLiteral("beta"), 0, QStringLiteral("10/12/2026 09:00"), QStringLiteral("31/12/2027"), QStringLiteral(",1,2,"));
    f.Add(QStringLiteral("gamma"))->Comments = QStringLiteral("rules");
    f.Add(QStringLiteral("delta"), 0, QStringLiteral("10/12/2026 09:00"), QStringLiteral("31/12/2027"), QStringLiteral(",2,"));
    f.Add(QStringLiteral("trashed"), 0, QStringLiteral("10/12/2026 09:00"), QStringLiteral("31/12/2027"), TrashMarker);
}

void ShowAndSelect(MainFixture &f, const QString &group, const QStringList &names)
{
    f.Show(group);
    QList<int> rows;
    for (const QString &name : names)
        rows.append(f.RowOf(name));
    f.Select(rows, rows.isEmpty() ? -1 : rows.first());
    f.form->EntriesClick();
}

// Selects gamma under "All Items", scripts the prompt answers and starts a
// command through its menu entry.
Step OnGamma(QAction *TMainForm::*entry, const QStringList &answers)
{
    return [entry, answers](MainFixture &f) {
        ShowAndSelect(f, QStringLiteral("All Items"), {QStringLiteral("gamma")});
        f.dialogs.askAnswers << answers;
        (f.form.get()->*entry)->trigger();
    };
}

QAction *GroupEntry(const MainFixture &f, const QString &name)
{
    for (QAction *a : f.form->MenuGroups->actions())
        if (a->data().toString() == name)
            return a;
    return nullptr;
}

// Another group shown in the group box, as picking it there does.
void PickGroup(MainFixture &f, const QString &name)
{
    const int row = f.form->GroupList->findText(name);
    f.form->GroupList->setCurrentIndex(row);
    emit f.form->GroupList->activated(row);
}

void DropLink(MainFixture &f)
{
    f.form->DropURLTargetDrop({QStringLiteral("http://drop.example/"), QStringLiteral("dropped")});
    f.form->DropTimerTimer();
}

QString Groups(const MainFixture &f)
{
    QStringList out;
    const Model &d = f.form->Data;
    for (int slot = 1; slot <= d.NumGroups; ++slot)
        out << QStringLiteral("%1=%2").arg(d.GroupTable[size_t(slot)].GroupName).arg(d.GroupTable[size_t(slot)].GroupNumber);
    return out.join(QLatin1Char(' '));
}

QStringList Names(const MainFixture &f)
{
    QStringList out;
    for (int i = 0; i < f.form->Data.Items.Count(); ++i)
        out << f.form->Data.Items.At(i)->Name;
    out.sort();
    return out;
}

QString GroupOf(const MainFixture &f, const QString &name)
{
    const Rec *rec = f.Item(name);
    return rec ? rec->Group : QStringLiteral("<gone>");
}

QString WriteExchangeFile(MainFixture &f, const QString &file, const QStringList &names)
{
    std::vector<std::unique_ptr<Rec>> recs;
    QList<const Rec *> items;
    for (const QString &name : names) {
        recs.push_back(std::make_unique<Rec>());
        recs.back()->Name = name;
        recs.back()->Site = QStringLiteral("http://") + name + QStringLiteral(".example/");
        recs.back()->Last = Day(QStringLiteral("10/12/2026 09:00"));
        recs.back()->Ends = Day(QStringLiteral("31/12/2027"));
        items.append(recs.back().get());
    }
    const QString path = f.dir.filePath(file);
    QString error;
    if (!SaveExchangeFile(path, QStringLiteral("Shared"), items, false, f.form->Fmt, &error))
        qWarning("%s", qPrintable(error));
    return path;
}

QByteArray DataFileText(const MainFixture &f)
{
    QFile file(f.dir.filePath(QStringLiteral("Kelpo.dat")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The model is whole: groups with distinct names and numbers, each with its
// group box row and menu entry; the list shows exactly the shown group's
// items, every one still held; the counts agree; CurItem is held.
void CheckWhole(const MainFixture &f)
{
    const TMainForm &m = *f.form;
    const Model &d = m.Data;
    QSet<int> numbers;
    QSet<QString> names;
    for (int slot = 1; slot <= d.NumGroups; ++slot) {
        const GroupData &g = d.GroupTable[size_t(slot)];
        QVERIFY2(!numbers.contains(g.GroupNumber) && !names.contains(FoldName(g.GroupName)), qPrintable(g.GroupName));
        numbers.insert(g.GroupNumber);
        names.insert(FoldName(g.GroupName));
        QAction *entry = m.GroupMenuEntry(slot);
        QVERIFY(entry && m.MenuGroups->actions().contains(entry));
        QCOMPARE(entry->data().toString(), g.GroupName);
        QVERIFY(m.GroupList->findText(g.GroupName) >= 0);
    }
    QCOMPARE(m.GroupList->count(), d.NumGroups + 2);

    const int slot = m.ShownSlot();
    const int number = slot > 0 ? d.GroupTable[size_t(slot)].GroupNumber : 0;
    QStringList expected;
    for (int i = 0; i < d.Items.Count(); ++i)
        if (InGroupView(*d.Items.At(i), slot, number))
            expected << d.Items.At(i)->Name;
    QStringList rows;
    int undone = 0;
    for (int row = 0; row < m.EntriesList->Count(); ++row) {
        const Rec *rec = m.EntriesList->RecAt(row);
        QVERIFY(d.Items.IndexOf(rec) >= 0);
        rows << rec->Name;
        undone += rec->Done ? 0 : 1;
    }
    expected.sort();
    rows.sort();
    QCOMPARE(rows, expected);
    QCOMPARE(m.UndoneCount, undone);
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (%1/%2)").arg(undone).arg(rows.size()));
    QVERIFY(!m.CurItem || d.Items.IndexOf(m.CurItem) >= 0);
}

}  // namespace

Q_DECLARE_METATYPE(Step)

class TstCommands : public QObject {
    Q_OBJECT

private slots:
    void nestedCommand_data();
    void nestedCommand();
    void scriptEditorHoldsItsItem();
    void updatePausesRefuseChanges();
    void queuedCommandsRunOnceInOrder();
};

void TstCommands::nestedCommand_data()
{
    QTest::addColumn<Step>("outer");   // sets up, scripts the answers, starts the waiting command
    QTest::addColumn<QString>("box");  // kind or title of the box the nested command starts in
    QTest::addColumn<Step>("nested");
    QTest::addColumn<Step>("check");   // besides the model being whole

    const Step deleteItem = [](MainFixture &f) {
        f.dialogs.confirmAnswers << true << true;  // Yes for two selected items, taken only if it ran
        f.form->MenuDeleteItem->trigger();
    };
    const Step deleteGroup = [](MainFixture &f) {
        f.dialogs.confirmAnswers.enqueue(true);
        f.form->MenuDeleteGroup->trigger();
    };
    const Step newItemBySocket = [](MainFixture &f) {
        f.form->DroppedUrl = QStringLiteral("http://offer.example/");
        f.form->DroppedTitle = QStringLiteral("offer");
        f.form->wmHandleMessages("1000");
    };
    const auto gone = [](const QString &name, int count) {
        return Step([name, count](MainFixture &f) {
            QVERIFY(!f.Item(name));
            QCOMPARE(f.form->Data.Items.Count(), count);
        });
    };

    const Step deleteGamma = [](MainFixture &f) {
        ShowAndSelect(f, QStringLiteral("All Items"), {QStringLiteral("gamma")});
        f.dialogs.confirmAnswers.enqueue(true);
        f.form->DelButClick();
    };

    QTest::newRow("Delete inside Delete") << deleteGamma << "Question" << deleteItem
        << Step([gone](MainFixture &f) {
               gone(QStringLiteral("gamma"), 4)(f);
               QCOMPARE(f.dialogs.Texts(QStringLiteral("Question")).size(), 1);
           });

    QTest::newRow("Timer inside Delete: saved at once, Update after")
        << Step([deleteGamma](MainFixture &f) {
               f.form->AutoSave->setChecked(true);
               f.form->AutoCheck->setChecked(true);
               // Due, but marked done: the Update sets it right.
               f.Item(QStringLiteral("alpha"))->Last = Day(QStringLiteral("01/11/2026 10:00"));
               f.Item(QStringLiteral("alpha"))->Done = true;
               deleteGamma(f);
           })
        << "Question"
        << Step([](MainFixture &f) {
               f.form->Timer1Timer();
               QVERIFY(DataFileText(f).contains("gamma"));
               QVERIFY(f.Item(QStringLiteral("alpha"))->Done);
           })
        << Step([gone](MainFixture &f) {
               gone(QStringLiteral("gamma"), 4)(f);
               QVERIFY(!f.Item(QStringLiteral("alpha"))->Done);
           });

    QTest::newRow("Close inside Delete: closes after it") << deleteGamma << "Question"
        << Step([](MainFixture &f) {
               f.form->close();
               QVERIFY(DataFileText(f).isEmpty());
           })
        << Step([](MainFixture &f) {
               const QByteArray saved = DataFileText(f);
               QVERIFY(saved.contains("alpha") && !saved.contains("gamma"));
           });

    QTest::newRow("Update and Remove and Done inside Delete")
        << Step([](MainFixture &f) {
               f.Item(QStringLiteral("alpha"))->Last = Day(QStringLiteral("01/11/2026 10:00"));
               f.Item(QStringLiteral("alpha"))->Done = true;
               ShowAndSelect(f, QStringLiteral("Work"), {QStringLiteral("alpha"), QStringLiteral("beta")});
               f.dialogs.confirmAnswers << true << false;
               f.form->DelButClick();
           })
        << "Question"
        << Step([](MainFixture &f) {
               f.form->MenuUpdate->trigger();
               f.form->MenuRemove->trigger();
               f.form->DoneBut->click();
           })
        << Step([gone](MainFixture &f) {
               gone(QStringLiteral("alpha"), 4)(f);
               QCOMPARE(GroupOf(f, QStringLiteral("beta")), QStringLiteral(",1,2,"));
               QCOMPARE(f.Item(QStringLiteral("beta"))->Count, 0);
               QCOMPARE(f.Rows(), QStringList{"beta"});
           });

    QTest::newRow("socket new item inside Rename: offered after it")
        << OnGamma(&TMainForm::MenuRenameItem, {"gamma two", "offer"}) << "AskBoxed" << newItemBySocket
        << Step([](MainFixture &f) {
               QCOMPARE(Names(f), (QStringList{"alpha", "beta", "delta", "gamma two", "offer", "trashed"}));
               QCOMPARE(f.Item(QStringLiteral("offer"))->Site, QStringLiteral("http://offer.example/"));
               QCOMPARE(f.dialogs.shown.last().title, QStringLiteral("Add new entry"));
           });

    QTest::newRow("Delete inside Rename") << OnGamma(&TMainForm::MenuRenameItem, {"gamma two"}) << "AskBoxed" << deleteItem
        << Step([](MainFixture &f) {
               QCOMPARE(Names(f), (QStringList{"alpha", "beta", "delta", "gamma two", "trashed"}));
           });

    QTest::newRow("Delete inside Copy") << OnGamma(&TMainForm::MenuCopyItem, {"gamma copy"}) << "Ask" << deleteItem
        << Step([](MainFixture &f) {
               QVERIFY(f.Item(QStringLiteral("gamma")));
               QCOMPARE(f.Item(QStringLiteral("gamma copy"))->Comments, QStringLiteral("rules"));
           });

    QTest::newRow("drop inside New's address question: offered after it")
        << Step([](MainFixture &f) {
               ShowAndSelect(f, QStringLiteral("Work"), {QStringLiteral("alpha")});
               f.dialogs.confirmAnswers << true;
               f.dialogs.askAnswers << QStringLiteral("again") << QStringLiteral("dropped");
               f.form->CreateNewItem(f.Item(QStringLiteral("alpha"))->Site, QStringLiteral("again"));
           })
        << "Confirm" << Step(DropLink)
        << Step([](MainFixture &f) {
               QCOMPARE(GroupOf(f, QStringLiteral("again")), QStringLiteral(",1,"));
               QCOMPARE(f.Item(QStringLiteral("dropped"))->Site, QStringLiteral("http://drop.example/"));
               QCOMPARE(GroupOf(f, QStringLiteral("dropped")), QStringLiteral(",1,"));
           });

    // Join's "already in the group" box comes for beta, before delta is moved.
    const Step joinWork = [](MainFixture &f) {
        ShowAndSelect(f, QStringLiteral("Play"), {QStringLiteral("beta"), QStringLiteral("delta")});
        GroupEntry(f, QStringLiteral("Work"))->trigger();
    };
    const Step joined = [](MainFixture &f) {
        QCOMPARE(GroupOf(f, QStringLiteral("beta")), QStringLiteral(",1,2,"));
        QCOMPARE(GroupOf(f, QStringLiteral("delta")), QStringLiteral(",1,"));
        QCOMPARE(f.Rows(), QStringList{"beta"});
        QCOMPARE(Groups(f), QStringLiteral("Work=1 Play=2"));
    };
    QTest::newRow("Delete inside Join") << joinWork << "Information" << deleteItem << joined;
    QTest::newRow("Delete Group inside Join") << joinWork << "Information" << deleteGroup << joined;

    QTest::newRow("Delete inside Move to Trash")
        << Step([](MainFixture &f) {
               ShowAndSelect(f, QStringLiteral("All Items"), {QStringLiteral("alpha"), QStringLiteral("gamma")});
               f.dialogs.confirmAnswers << true;
               f.form->MenuTrash->trigger();
           })
        << "Confirm" << deleteItem
        << Step([](MainFixture &f) {
               QVERIFY(IsInTrash(GroupOf(f, QStringLiteral("alpha"))) && IsInTrash(GroupOf(f, QStringLiteral("gamma"))));
               QCOMPARE(f.Rows(), (QStringList{"beta", "delta"}));
           });

    QTest::newRow("group switch inside Delete Group")
        << Step([](MainFixture &f) {
               ShowAndSelect(f, QStringLiteral("Work"), {});
               f.dialogs.confirmAnswers << true;
               f.form->MenuDeleteGroup->trigger();
           })
        << "Confirm" << Step([](MainFixture &f) {
               PickGroup(f, QStringLiteral("Play"));
               QCOMPARE(f.form->ShownGroup(), QStringLiteral("Work"));
           })
        << Step([](MainFixture &f) {
               QCOMPARE(Groups(f), QStringLiteral("Play=2"));
               QCOMPARE(GroupOf(f, QStringLiteral("beta")), QStringLiteral(",2,"));
               QCOMPARE(f.form->ShownGroup(), QStringLiteral("All Items"));
           });

    QTest::newRow("Delete Group inside Rename Group")
        << Step([](MainFixture &f) {
               ShowAndSelect(f, QStringLiteral("Work"), {});
               f.dialogs.askAnswers << QStringLiteral("Office");
               f.form->MenuRenameGroup->trigger();
           })
        << "AskBoxed" << deleteGroup
        << Step([](MainFixture &f) {
               QCOMPARE(Groups(f), QStringLiteral("Office=1 Play=2"));
               QCOMPARE(f.form->ShownGroup(), QStringLiteral("Office"));
           });

    QTest::newRow("socket new item inside Add New Group: offered after it")
        << Step([](MainFixture &f) {
               ShowAndSelect(f, QStringLiteral("Work"), {});
               f.dialogs.askAnswers << QStringLiteral("Fun") << QStringLiteral("offer");
               f.form->MenuAddNewGroup->trigger();
           })
        << "AskBoxed" << newItemBySocket
        << Step([](MainFixture &f) {
               QCOMPARE(Groups(f), QStringLiteral("Work=1 Play=2 Fun=3"));
               QCOMPARE(GroupOf(f, QStringLiteral("offer")), QStringLiteral(",1,"));
               QCOMPARE(f.dialogs.shown.last().title, QStringLiteral("Add new entry"));
           });

    const auto import = [](const QStringList &names, const QStringList &answers) {
        return Step([names, answers](MainFixture &f) {
            ShowAndSelect(f, QStringLiteral("All Items"), {QStringLiteral("gamma")});
            f.dialogs.askAnswers << answers;
            f.form->LoadDataFile(WriteExchangeFile(f, QStringLiteral("in.kdf"), names));
        });
    };
    QTest::newRow("Delete inside the import's group prompt")
        << import({"new1", "new2"}, {"Imported"}) << "Ask" << deleteItem
        << Step([](MainFixture &f) {
               QVERIFY(f.Item(QStringLiteral("gamma")));
               QCOMPARE(f.Rows(), (QStringList{"new1", "new2"}));
               QCOMPARE(Groups(f), QStringLiteral("Work=1 Play=2 Imported=3"));
           });

    QTest::newRow("drop inside the import's Duplicate Name prompt: offered after it")
        << import({"alpha", "new1"}, {"Imported", "alpha2", "dropped"}) << "Duplicate Name" << Step(DropLink)
        << Step([](MainFixture &f) {
               QCOMPARE(f.Rows(), (QStringList{"alpha2", "dropped", "new1"}));
               QCOMPARE(f.dialogs.Texts(QStringLiteral("Information")), QStringList{"in.kdf successfully imported."});
               QCOMPARE(f.dialogs.shown.last().title, QStringLiteral("Add new entry"));
           });

    QTest::newRow("Delete inside the Download tab's import")
        << Step([](MainFixture &f) {
               WriteExchangeFile(f, QStringLiteral("in.kdf"), {"new1"});
               QFile list(f.dir.filePath(QStringLiteral("kdf.lst")));
               QVERIFY(list.open(QIODevice::WriteOnly));
               list.write(ListHeader().toUtf8() + "\r\nin.kdf,Offered\r\n");
               list.close();
               ShowAndSelect(f, QStringLiteral("All Items"), {QStringLiteral("gamma")});
               f.form->CheckButtonClick();
               f.form->FileList->setCurrentRow(0);
               f.dialogs.askAnswers << QStringLiteral("Imported");
               f.form->DownloadBut->click();
           })
        << "Ask" << deleteItem
        << Step([](MainFixture &f) {
               QVERIFY(f.Item(QStringLiteral("gamma")));
               QCOMPARE(f.Rows(), QStringList{"new1"});
           });

    QTest::newRow("group switch inside Save Group to File")
        << Step([](MainFixture &f) {
               ShowAndSelect(f, QStringLiteral("Work"), {});
               f.dialogs.fileAnswers << f.dir.filePath(QStringLiteral("work.kdf"));
               f.form->MenuSaveGroup->trigger();
           })
        << "Save" << Step([](MainFixture &f) { PickGroup(f, QStringLiteral("Play")); })
        << Step([](MainFixture &f) {
               ExchangeParse saved;
               QString error;
               Formats reading = f.form->Fmt;
               QVERIFY(LoadExchangeFile(f.dir.filePath(QStringLiteral("work.kdf")), reading, &saved, &error));
               QStringList names;
               for (const Rec &r : saved.items)
                   names << r.Name;
               QCOMPARE(saved.groupName, QStringLiteral("Work"));
               QCOMPARE(names, (QStringList{"alpha", "beta"}));
           });

    QTest::newRow("group switch inside Reset Entry Counters")
        << Step([](MainFixture &f) {
               for (const char *name : {"alpha", "beta", "gamma", "delta"})
                   f.Item(QString::fromLatin1(name))->Count = 7;
               ShowAndSelect(f, QStringLiteral("Work"), {});
               f.dialogs.confirmAnswers << true;
               f.form->MenuResetEntryCounters->trigger();
           })
        << "Confirm" << Step([](MainFixture &f) { PickGroup(f, QStringLiteral("Play")); })
        << Step([](MainFixture &f) {
               QCOMPARE(f.Item(QStringLiteral("alpha"))->Count, 0);
               QCOMPARE(f.Item(QStringLiteral("beta"))->Count, 0);
               QCOMPARE(f.Item(QStringLiteral("delta"))->Count, 7);
           });

    QTest::newRow("Delete inside Find") << OnGamma(&TMainForm::MenuFindItem, {"gam"}) << "AskBoxed" << deleteItem
        << Step([](MainFixture &f) {
               QCOMPARE(f.form->FocusedRow(), f.RowOf(QStringLiteral("gamma")));
               QCOMPARE(f.form->CurItem, f.Item(QStringLiteral("gamma")));
           });

    QTest::newRow("variable Delete inside variable Delete")
        << Step([](MainFixture &f) {
               f.Show();
               f.form->Variables->setCurrentRow(0);
               f.dialogs.confirmAnswers << true;
               f.form->VarDelButton->click();
           })
        << "Confirm"
        << Step([](MainFixture &f) {
               f.dialogs.confirmAnswers.prepend(true);  // taken only if it ran
               f.form->VarDelButton->click();
           })
        << Step([](MainFixture &f) {
               const int left = int(VarStore::DefaultNames().size()) - 1;
               QCOMPARE(f.form->Variables->count(), left);
               QCOMPARE(int(f.form->VarStore->Lines.size()), left);
           });
}

void TstCommands::nestedCommand()
{
    QFETCH(Step, outer);
    QFETCH(QString, box);
    QFETCH(Step, nested);
    QFETCH(Step, check);

    MainFixture f;
    Fill(f);
    bool ran = false;
    f.dialogs.WhileOpen(box, [&] {
        ran = true;
        nested(f);
    });
    outer(f);
    QVERIFY(ran);
    QCOMPARE(f.dialogs.PendingActions(), 0);
    check(f);
    if (QTest::currentTestFailed())
        return;
    CheckWhole(f);
}

// The script editor holds its item while it is open: a Delete from inside
// it is refused and Done stores the script in that item.
void TstCommands::scriptEditorHoldsItsItem()
{
    MainFixture f;
    Fill(f);
    ScriptedTii tii(f.form.get());
    f.form->SetTiiForm(&tii);
    f.form->show();
    ShowAndSelect(f, QStringLiteral("All Items"), {QStringLiteral("gamma")});
    tii.Drive = [&f](ScriptedTii &editor) {
        f.dialogs.confirmAnswers << true;
        f.form->MenuDeleteItem->trigger();
        f.form->Timer1Timer();  // its Update waits for the editor
        editor.TiiText->setPlainText(QStringLiteral("{email}"));
        QTest::mouseClick(editor.DoneButton, Qt::LeftButton);
    };
    QTest::mousePress(f.form->TypeItIn, Qt::RightButton);
    QCOMPARE(tii.Runs, 1);
    QVERIFY(f.dialogs.Texts(QStringLiteral("Question")).isEmpty());
    QCOMPARE(f.Item(QStringLiteral("gamma"))->Keys, QStringLiteral("{email}"));
    CheckWhole(f);
}

// Update lets window events in between its items: a Delete pressed then is
// refused, and the Update finishes with every item.
void TstCommands::updatePausesRefuseChanges()
{
    MainFixture f;
    Fill(f);
    ShowAndSelect(f, QStringLiteral("All Items"), {QStringLiteral("gamma")});
    f.form->UpdateEventsEveryMs = 0;
    int presses = 0;
    QTimer press;
    press.setInterval(0);
    QObject::connect(&press, &QTimer::timeout, [&] {
        ++presses;
        f.dialogs.confirmAnswers << true;
        f.form->DelBut->click();
    });
    press.start();
    f.form->MenuUpdate->trigger();
    press.stop();
    QVERIFY(presses >= 1);
    QVERIFY(f.dialogs.Texts(QStringLiteral("Question")).isEmpty());
    QCOMPARE(f.form->Data.Items.Count(), 5);
    CheckWhole(f);
}

// The guard itself: queued commands run once nothing waits, in the order
// they came, a key queued once; a queued command that waits lets others be
// queued behind it.
void TstCommands::queuedCommandsRunOnceInOrder()
{
    CommandGuard guard;
    int refused = 0;
    guard.Refused = [&refused] { ++refused; };
    QStringList log;
    {
        const CommandGuard::Command outer(guard);
        QVERIFY(bool(outer));
        guard.RunOrQueue([&] { log << "now"; });  // nothing waits: runs at once
        const CommandGuard::Wait asking(guard);
        QVERIFY(!CommandGuard::Command(guard));
        QVERIFY(bool(CommandGuard::Command(guard, CommandGuard::Access::Reads)));
        guard.RunOrQueue([&] { log << "timer"; }, QStringLiteral("timer"));
        guard.RunOrQueue([&] {
            log << "socket";
            const CommandGuard::Command inner(guard);
            const CommandGuard::Wait innerAsks(guard);
            guard.RunOrQueue([&] { log << "late"; });
        });
        guard.RunOrQueue([&] { log << "timer again"; }, QStringLiteral("timer"));
        QCOMPARE(guard.Queued(), 2);
        QCOMPARE(log, QStringList{"now"});
    }
    QCOMPARE(refused, 1);
    QCOMPARE(log, (QStringList{"now", "timer", "socket", "late"}));
    QCOMPARE(guard.Queued(), 0);
}

QTEST_MAIN(TstCommands)
#include "tst_commands.moc"
