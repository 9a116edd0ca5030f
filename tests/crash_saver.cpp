// Save driver for the crash tests: runs the real main window on a data
// folder, offscreen, with dialogs that only print, and saves again and
// again until it is killed.
//
//   crash_saver save <data folder>
//       round k = 1, 2, ...: changes every item (rounds::ChangeItems), runs
//       "Save Now" and prints "saved k".
//   crash_saver close <data folder> <k>
//       changes the variables and options for round k, prints "closing" and
//       closes the window through its close path; prints "closed".
//
// "ready" is printed once the window has started. Every line is flushed at
// once, so the test knows the last save that finished before the kill.
#include <QApplication>

#include <cstdio>

#include "Clock.h"
#include "Desktop.h"
#include "Dialogs.h"
#include "Main.h"
#include "support/SaveRounds.h"

using namespace kelpo;

namespace {

// Never blocks: messages go to stderr, questions are answered No or Cancel.
class PrintingDialogs : public Dialogs {
public:
    void Error(const QString &text) override { Print("Error", text); }
    void Information(const QString &text) override { Print("Information", text); }
    bool Confirm(const QString &text) override { return Print("Confirm", text), false; }
    bool Question(const QString &text) override { return Print("Question", text), false; }
    void Plain(const QString &text) override { Print("Plain", text); }
    bool Ask(const QString &, const QString &prompt, QString *) override { return Print("Ask", prompt), false; }
    QString AskBoxed(const QString &, const QString &prompt, const QString &value) override
    {
        Print("Ask", prompt);
        return value;
    }
    QString OpenFileName(const QString &, const QString &) override { return QString(); }
    QString SaveFileName(const QString &, const QString &, const QString &, const QString &) override { return QString(); }
    QString ExecutableFileName(const QString &) override { return QString(); }

private:
    static void Print(const char *kind, QString text)
    {
        text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        std::fprintf(stderr, "%s: %s\n", kind, qPrintable(text));
        std::fflush(stderr);
    }
};

void Say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool save = args.size() == 3 && args[1] == QLatin1String("save");
    const bool close = args.size() == 4 && args[1] == QLatin1String("close");
    if (!save && !close) {
        std::fprintf(stderr, "usage: crash_saver save <folder> | close <folder> <round>\n");
        return 2;
    }

    PrintingDialogs dialogs;
    SystemDesktop desktop;
    SystemClock clock;
    const QString dataDir = args[2] + QLatin1Char('/');
    const MainServices services{dialogs, desktop, clock, rounds::Dates(), dataDir, dataDir + QStringLiteral("kelpo.html"),
                                dataDir, QString()};
    TMainForm form(services);
    form.show();
    Say("ready");

    if (close) {
        const int k = args[3].toInt();
        rounds::ChangeVariables(*form.VarStore, k);
        rounds::ChangeOptions(form, k);
        Say("closing");
        if (!form.close())
            return 1;
        Say("closed");
        return 0;
    }
    for (int k = 1;; ++k) {
        rounds::ChangeItems(form.Data, k);
        form.MenuSaveDataClick();
        Say("saved " + QByteArray::number(k));
    }
}
