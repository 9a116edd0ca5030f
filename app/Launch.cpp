#include "Launch.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include "Product.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#if defined(__GLIBC__)
#include <gnu/libc-version.h>
#endif

namespace kelpo {

namespace {

// Options QGuiApplication takes out of the argument list itself.
const char *const QtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "display", "style", "stylesheet",
    "session", "name", "title", "qwindowgeometry", "geometry", "qwindowicon", "icon", "qwindowtitle",
};
const char *const QtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

}  // namespace

CommandLine ParseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Kelpo: an organiser for the web sites you visit again and again on a schedule."));
    // Qt's options are written with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    for (const char *name : QtOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : QtFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    const QString program = arguments.isEmpty() ? QStringLiteral("kelpo") : QFileInfo(arguments.first()).fileName();
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Error;
        result.text = program + QStringLiteral(": ") + parser.errorText() +
                      QStringLiteral("\nTry '%1 --help' for more information.\n").arg(program);
    } else if (parser.isSet(help)) {
        result.action = CommandLine::Help;
        // Qt names the program by its whole path, or not at all before the
        // application object exists.
        const QString text = parser.helpText();
        result.text = QStringLiteral("Usage: %1 [options]").arg(program) + text.mid(text.indexOf(QLatin1Char('\n')));
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Version;
        result.text = QStringLiteral("Kelpo %1\n").arg(ProductVersion);
    } else if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Error;
        result.text = program + QStringLiteral(": unexpected argument '%1'\nTry '%2 --help' for more information.\n")
                                    .arg(parser.positionalArguments().first(), program);
    }
    return result;
}

QString FindHelpPage(const QString &exePath)
{
    const QFileInfo exe(exePath);
    const QStringList candidates{
        exe.filePath() + QStringLiteral(".html"),
        QDir::cleanPath(exe.path() + QStringLiteral("/../share/doc/kelpo/kelpo.html")),
    };
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return candidates.first();
}

Session Session::FromEnvironment()
{
    return {qEnvironmentVariable("WAYLAND_DISPLAY"), qEnvironmentVariable("DISPLAY"),
            qEnvironmentVariable("XDG_SESSION_TYPE")};
}

bool Session::IsWayland() const
{
    return !waylandDisplay.isEmpty() && type != QLatin1String("x11");
}

QByteArray Session::DefaultPlatform() const
{
    if (IsWayland())
        return display.isEmpty() ? "wayland" : "wayland;xcb";
    return display.isEmpty() ? QByteArray() : "xcb";
}

void RunWithLargeHeapPages(char *argv[])
{
#if defined(__GLIBC__)
    static const char Tunables[] = "GLIBC_TUNABLES";
    static const char Again[] = "KELPO_HEAP_PAGES_SET";
    if (std::getenv(Again)) {
        unsetenv(Again);
        unsetenv(Tunables);
        return;
    }
    // The tunable came with glibc 2.35; an older one would only start twice.
    int major = 0, minor = 0;
    if (std::getenv(Tunables) || std::sscanf(gnu_get_libc_version(), "%d.%d", &major, &minor) != 2 ||
        major * 1000 + minor < 2035)
        return;
    setenv(Tunables, "glibc.malloc.hugetlb=1", 1);
    setenv(Again, "1", 1);
    execv("/proc/self/exe", argv);
    unsetenv(Again);
    unsetenv(Tunables);
#else
    (void)argv;
#endif
}

}  // namespace kelpo
