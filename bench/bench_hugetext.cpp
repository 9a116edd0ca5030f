// Times the main window with one item whose comments, script, name or
// address hold megabytes (16 MiB unless an argument gives the number of
// MiB; a second argument runs only the cases whose title holds it): the
// comments on one line without a blank and in many lines, the same line
// pasted into empty comments, the script on one line. For each: selecting
// the item (the editors show it and the window is painted), typing one
// character at the start and at the end, and saving the data file; the
// script is opened in its editor window, typed into and taken back with
// Done. Every time is also given as a ratio against two floors measured in
// the same run: reading the same bytes from a file, and a bare text box
// given a text of that size in many lines. Afterwards the saved file is
// read back and each field compared, so that a cut text is reported.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>
#include <memory>

#include "AtomicFile.h"
#include "DataFile.h"
#include "ItemListModel.h"
#include "Main.h"
#include "support/FakeDesktop.h"
#include "support/FakeDialogs.h"
#include "support/LongTexts.h"
#include "support/ScriptedTii.h"

using namespace kelpo;

namespace {

const Formats BenchFormats = Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);

QString OneLine(qsizetype size)
{
    return Repeated(size, u"Abcdefghijklmnopqrstuvwxyz0123456789");
}

QString ManyLines(qsizetype size, QStringView lineBreak)
{
    QString text = RuleLines(size, lineBreak);
    text.truncate(size);
    return text;
}

void Key(QWidget *to, Qt::Key key, const QString &text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(to, &release);
}

struct Floors {
    double read = 1;  // ms
    double box = 1;
};

class Bench {
public:
    Bench(qsizetype size, const QString &only, QTextStream &out) : size_(size), only_(only), out_(out) {}

    Floors MeasureFloors()
    {
        const QByteArray bytes = ManyLines(size_, u"\r\n").toUtf8();
        const QString path = dir_.filePath(QStringLiteral("floor.txt"));
        {
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
        QElapsedTimer t;
        t.start();
        QFile file(path);
        QByteArray back;
        if (file.open(QIODevice::ReadOnly))
            back = file.readAll();
        floors_.read = std::max<double>(0.01, t.nsecsElapsed() / 1e6);
        if (back.size() != bytes.size())
            out_ << "the floor file did not read back whole\n";

        QPlainTextEdit box;
        box.resize(400, 300);
        box.show();
        QCoreApplication::processEvents();
        const QString text = ManyLines(size_, u"\n");
        t.restart();
        box.setPlainText(text);
        QCoreApplication::processEvents();
        floors_.box = std::max<double>(0.01, t.nsecsElapsed() / 1e6);
        out_ << "floor: reading " << bytes.size() << " bytes: " << QString::number(floors_.read, 'f', 1) << " ms\n";
        out_ << "floor: a bare text box given " << text.size() << " characters in many lines: "
             << QString::number(floors_.box, 'f', 1) << " ms\n";
        out_.flush();
        return floors_;
    }

    // One item with `fill` applied, shown in a fresh window.
    void Run(const char *what, const std::function<void(Rec &)> &fill,
             const std::function<void(TMainForm &, Rec &, int row)> &steps, const std::function<bool(const Rec &)> &check)
    {
        if (!QString::fromLatin1(what).contains(only_))
            return;
        out_ << what << ":\n";
        QTemporaryDir data;
        Model model;
        model.NumGroups = 0;
        auto add = [&](const QString &name) {
            auto r = std::make_unique<Rec>();
            r->Name = name;
            r->Site = QStringLiteral("https://example.com/") + name;
            r->Last = 46000.5;
            r->Ends = 47000;
            return model.Items.Append(std::move(r));
        };
        add(QStringLiteral("A first item"));
        fill(*add(QStringLiteral("Big")));
        add(QStringLiteral("The last item"));
        QByteArray text;
        BuildDataText(model, BenchFormats, &text);
        QString why;
        WriteFileAtomic(data.filePath(QStringLiteral("Kelpo.dat")), text, &why);
        WriteFileAtomic(data.filePath(QStringLiteral("Kelpo.ini")), "[Version]\r\nVersion=1.8.1\r\n", &why);

        FakeDialogs dialogs;
        FakeDesktop desktop;
        SystemClock clock;
        const MainServices services{dialogs, desktop,   clock,    BenchFormats, QString(),
                                    QString(), data.path() + '/', QString()};
        TMainForm form(services);
        ScriptedTii tii;
        form.SetTiiForm(&tii);
        tii_ = &tii;
        form.show();
        QCoreApplication::processEvents();
        // The file's own cut of one-line fields holds for names and
        // addresses read back; the item is given its whole text here.
        Rec *big = nullptr;
        for (int i = 0; i < form.Data.Items.Count(); ++i) {
            Rec *r = form.Data.Items.At(i);
            if (r->Name.startsWith(QStringLiteral("Big")) || r->Name.size() > 255)
                big = r;
        }
        if (!big) {
            out_ << "  the item is missing\n";
            return;
        }
        fill(*big);
        form.EntriesList->NameChanged(form.EntriesList->RowOf(big));
        form.SelectOneItem(0);
        QCoreApplication::processEvents();
        steps(form, *big, form.EntriesList->RowOf(big));
        Time("save the data file", [&] { form.MenuSaveDataClick(); });
        bool whole = check(*big);
        // What was saved comes back whole (names and addresses up to the
        // file's 255 characters).
        Model back;
        Formats formats = BenchFormats;
        LoadMainData(data.filePath(QStringLiteral("Kelpo.dat")), back, formats, 0);
        const Rec *read = nullptr;
        for (int i = 0; i < back.Items.Count(); ++i)
            if (back.Items.At(i)->Name == big->Name.left(255))
                read = back.Items.At(i);
        whole = whole && read && read->Comments == big->Comments && read->Keys == big->Keys &&
                read->Site == big->Site.left(255);
        out_ << "  " << (whole ? "kept whole" : "CUT OR CHANGED") << "\n";
        out_.flush();
        tii_ = nullptr;
    }

    void Time(const char *step, const std::function<void()> &run)
    {
        QElapsedTimer t;
        t.start();
        run();
        QCoreApplication::processEvents();  // the repaint that follows
        Report(step, t.nsecsElapsed() / 1e6);
    }

    void Report(const char *step, double ms)
    {
        out_ << "  " << step << ": " << QString::number(ms, 'f', 1) << " ms (" << QString::number(ms / floors_.read, 'f', 1)
             << " x reading, " << QString::number(ms / floors_.box, 'f', 2) << " x bare text box)\n";
        out_.flush();
    }

    ScriptedTii *tii_ = nullptr;

private:
    qsizetype size_;
    QString only_;
    QTextStream &out_;
    QTemporaryDir dir_;
    Floors floors_;
};

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const qsizetype mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 16;
    const qsizetype size = mib * 1024 * 1024;
    QTextStream out(stdout);
    Bench bench(size, argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString(), out);
    bench.MeasureFloors();

    const auto commentSteps = [&](TMainForm &form, Rec &rec, int row) {
        const qsizetype before = rec.Comments.size();
        bench.Time("select the item", [&] { form.SelectOneItem(row); });
        form.Comments->setFocus();
        bench.Time("type a character at the start", [&] { Key(form.Comments, Qt::Key_A, QStringLiteral("a")); });
        bench.Time("go to the end", [&] { Key(form.Comments, Qt::Key_End, QString(), Qt::ControlModifier); });
        bench.Time("type a character at the end", [&] { Key(form.Comments, Qt::Key_B, QStringLiteral("b")); });
        if (rec.Comments.size() != before + 2 || !rec.Comments.startsWith(QLatin1Char('a')) ||
            !rec.Comments.endsWith(QLatin1Char('b')))
            out << "  the typed characters are not in the item\n";
    };
    const QString oneLine = OneLine(size);
    bench.Run("comments of one line", [&](Rec &r) { r.Comments = oneLine; }, commentSteps,
              [&](const Rec &r) { return r.Comments == QLatin1Char('a') + oneLine + QLatin1Char('b'); });
    const QString manyLines = ManyLines(size, u"\r\n");
    bench.Run("comments in many lines", [&](Rec &r) { r.Comments = manyLines; }, commentSteps,
              [&](const Rec &r) { return r.Comments == QLatin1Char('a') + manyLines + QLatin1Char('b'); });

    bench.Run(
        "comments of one line pasted", [&](Rec &) {},
        [&](TMainForm &form, Rec &rec, int row) {
            bench.Time("select the item", [&] { form.SelectOneItem(row); });
            QGuiApplication::clipboard()->setText(oneLine);
            form.Comments->setFocus();
            bench.Time("paste the text", [&] { form.Comments->paste(); });
            bench.Time("type a character at the end", [&] { Key(form.Comments, Qt::Key_B, QStringLiteral("b")); });
            if (rec.Comments != oneLine + QLatin1Char('b'))
                out << "  the pasted text is not in the item\n";
        },
        [&](const Rec &r) { return r.Comments == oneLine + QLatin1Char('b'); });

    bench.Run(
        "script of one line", [&](Rec &r) { r.Keys = oneLine; },
        [&](TMainForm &form, Rec &, int row) {
            bench.Time("select the item", [&] { form.SelectOneItem(row); });
            QElapsedTimer open;
            bench.tii_->Drive = [&](ScriptedTii &tii) {
                QCoreApplication::processEvents();
                bench.Report("open the script editor", open.nsecsElapsed() / 1e6);
                bench.Time("type a character at the start", [&] { Key(tii.TiiText, Qt::Key_A, QStringLiteral("a")); });
                bench.Time("go to the end", [&] { Key(tii.TiiText, Qt::Key_End, QString(), Qt::ControlModifier); });
                bench.Time("type a character at the end", [&] { Key(tii.TiiText, Qt::Key_B, QStringLiteral("b")); });
                open.restart();
                tii.DoneButton->click();
            };
            open.start();
            form.TypeItInMouseDown(Qt::RightButton);
            bench.Report("Done until the item holds the script", open.nsecsElapsed() / 1e6);
        },
        [&](const Rec &r) { return r.Keys == QLatin1Char('a') + oneLine + QLatin1Char('b'); });

    bench.Run(
        "name of one line", [&](Rec &r) { r.Name = QStringLiteral("Big") + oneLine; },
        [&](TMainForm &form, Rec &, int row) {
            bench.Time("select the item and paint the list",
                       [&] { form.SelectOneItem(row); });
            bench.Time("paint the list again", [&] { form.Entries->viewport()->repaint(); });
        },
        [&](const Rec &r) { return r.Name == QStringLiteral("Big") + oneLine; });

    bench.Run(
        "address of one line", [&](Rec &r) { r.Site = oneLine; },
        [&](TMainForm &form, Rec &, int row) {
            bench.Time("select the item", [&] { form.SelectOneItem(row); });
            if (!form.Url->isReadOnly())
                out << "  the address edit is open for editing a cut address\n";
        },
        [&](const Rec &r) { return r.Site == oneLine; });
    return 0;
}
