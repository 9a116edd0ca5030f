#pragma once
// A main window started in an empty temporary data folder with fake dialogs
// and desktop (one that has a browser for web pages) and a fixed clock
// (Thursday 10 December 2026, 12:00; dates "dd/MM/yyyy", times "HH:mm"),
// whose items and groups a test puts in place. Type It In types through a
// recording keyboard; files given to the constructor are in the data folder
// before the window starts.
#include <QtTest>

#include <QComboBox>
#include <QListView>

#include <functional>
#include <memory>

#include "ItemListModel.h"
#include "Main.h"
#include "support/DayText.h"
#include "support/FakeDesktop.h"
#include "support/FakeDialogs.h"
#include "support/RecordingKeyboard.h"

namespace kelpo {

struct MainFixture {
    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakeDesktop desktop;
    FixedClock clock{QDateTime(QDate(2026, 12, 10), QTime(12, 0))};
    RecordingKeyboard keyboard;
    std::unique_ptr<TMainForm> form;
    // Answers the transfer of an offered file; none: it is in the data folder.
    std::function<bool(const QString &name)> transfer;

    using Files = QList<QPair<QString, QByteArray>>;

    // `settings` is added to the settings file; `checkBrowser` answers the
    // start-up question for a browser; `files` are written first.
    explicit MainFixture(const QByteArray &settings = QByteArray(),
                         std::function<BrowserCheck(const QString &)> checkBrowser = BrowserFound,
                         const Files &files = {})
    {
        QFile ini(dir.filePath(QStringLiteral("Kelpo.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Version]\r\nVersion=1.8.1\r\n" + settings);
        ini.close();
        for (const auto &file : files) {
            QFile f(dir.filePath(file.first));
            if (f.open(QIODevice::WriteOnly))
                f.write(file.second);
        }
        MainServices s{dialogs, desktop, clock, Dates(), QString(), QString(), dir.path() + QLatin1Char('/'),
                       QString(), std::move(checkBrowser), keyboard,
                       [this](const QString &name) { return !transfer || transfer(name); }};
        form = std::make_unique<TMainForm>(s);
    }

    explicit MainFixture(const Files &files) : MainFixture(QByteArray(), BrowserFound, files) {}

    // The start-up browser check on a desktop that has a browser.
    static BrowserCheck BrowserFound(const QString &)
    {
        BrowserCheck found;
        found.probeCreated = true;
        found.registered = true;
        return found;
    }

    static Formats Dates()
    {
        return Formats::Make(QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);
    }

    // The day number of a date (and time) written in the fixture's formats,
    // and an item's dates as the editors show them.
    static double Day(const QString &text) { return kelpo::Day(text, Dates()); }
    static QString LastText(const Rec *rec) { return DateTimeText(rec->Last, Dates()); }
    static QString EndsText(const Rec *rec) { return DateText(rec->Ends, Dates()); }

    // An item; `last` and `ends` are texts in the fixture's formats.
    Rec *Add(const QString &name, int freq = 0, const QString &last = QStringLiteral("10/12/2026 09:00"),
             const QString &ends = QStringLiteral("31/12/2027"), const QString &group = QString(), bool done = false)
    {
        auto rec = std::make_unique<Rec>();
        rec->Name = name;
        rec->Site = QStringLiteral("http://") + name.toLower().remove(QLatin1Char(' ')) + QStringLiteral(".example");
        rec->Freq = freq;
        rec->Last = Day(last);
        rec->Ends = Day(ends);
        rec->Group = group;
        rec->Done = done;
        return form->Data.Items.Append(std::move(rec));
    }

    void AddGroup(const QString &name, int number)
    {
        Model &m = form->Data;
        ++m.NumGroups;
        m.GroupTable[size_t(m.NumGroups)] = {name, number};
    }

    // Builds the group box and lists `group` (as a start-up would, without
    // Update and Next).
    void Show(const QString &group = QStringLiteral("All Items"))
    {
        form->FillGroupList();
        form->GroupList->setCurrentIndex(form->GroupList->findText(group));
        form->GroupListChange();
    }

    QStringList Rows() const
    {
        QStringList names;
        for (int row = 0; row < form->EntriesList->Count(); ++row)
            names.append(form->EntriesList->RecAt(row)->Name);
        return names;
    }
    int RowOf(const QString &name) const { return form->EntriesList->RowOf(form->Data.Items.FindExact(name)); }
    Rec *Item(const QString &name) const { return form->Data.Items.FindExact(name); }

    // Selects these rows and puts the focus on `focused` (-1: no focused row).
    void Select(const QList<int> &rows, int focused)
    {
        QItemSelectionModel *s = form->Entries->selectionModel();
        s->clear();
        if (focused >= 0)
            s->setCurrentIndex(form->EntriesList->index(focused), QItemSelectionModel::NoUpdate);
        for (int row : rows)
            s->select(form->EntriesList->index(row), QItemSelectionModel::Select);
    }
    QList<int> Selected() const { return form->SelectedRows(); }
};

}  // namespace kelpo
