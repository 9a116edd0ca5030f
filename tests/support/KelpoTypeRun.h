#pragma once
// The real program set up to type an item's script: a data folder with
// one item "Daily Draw" holding a script that covers keys, variables with
// non-ASCII values, punctuation and lone braces, the text a target must
// receive from it, and the program started on that folder. Also where the
// Type button (its green keyboard picture) is in a picture of the window.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>

#include "DataFile.h"
#include "Formats.h"
#include "Model.h"
#include "support/DayText.h"

namespace kelpo {

// Mixed case, digits, every ASCII punctuation mark, lone braces, keys in
// any case, variables in any case and an unknown group.
inline const QString TypeRunScript = QStringLiteral(
    "}Zyx Quartz 0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`|~ {Email}{TAB}{first name}, {city}{foo}{enter}end a{b");
inline const QByteArray TypeRunVarFile = "{email}=j\xc3\xb6rg@example.com\r\n"
                                         "{first name}=Zo\xc3\xa9\r\n"
                                         "{city}=Stra\xc3\x9f" "e 5 \xe2\x82\xac {tab} a=b\r\n";
// The target's two fields and its count of Enter presses.
inline const QString TypeRunExpected = QString::fromUtf8(
    "}Zyx Quartz 0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`|~ jörg@example.com\n"
    "Zoé, Straße 5 € {tab} a=bend a{b\n"
    "1\n");

inline QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Writes the settings (current version, so no help page; a browser, so no
// browser check), the variables and the data file with the item holding
// `script` into `tmp`'s data folder and starts the program on it. Returns
// the data folder ("" on failure); `dataFile` gets the data file's bytes.
inline QString StartKelpoForTyping(const QTemporaryDir &tmp, QProcess &kelpo, QByteArray *dataFile,
                                   const QString &script = TypeRunScript,
                                   const QByteArray &variables = TypeRunVarFile)
{
    const QString dataDir = tmp.filePath(QStringLiteral("xdg-data/Kelpo/"));
    const QString runtime = tmp.filePath(QStringLiteral("runtime"));
    if (!QDir().mkpath(dataDir) || !QDir().mkpath(runtime))
        return QString();
    QFile(runtime).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!WriteBytes(dataDir + QStringLiteral("Kelpo.ini"),
                    "[Version]\r\nVersion=1.8.1\r\n[Options]\r\nBrowser=/bin/true\r\n") ||
        !WriteBytes(dataDir + QStringLiteral("Kelpo.var"), variables))
        return QString();
    Model model;
    auto rec = std::make_unique<Rec>();
    rec->Name = QStringLiteral("Daily Draw");
    rec->Site = QStringLiteral("http://example.org/form");
    rec->Keys = script;
    rec->Last = Day(QStringLiteral("01/01/2020 09:00"));
    rec->Ends = Day(QStringLiteral("31/12/2099"));
    model.Items.Append(std::move(rec));
    const Formats formats = Formats::Make(QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);
    if (!BuildDataText(model, formats, dataFile) || !WriteBytes(dataDir + QStringLiteral("Kelpo.dat"), *dataFile))
        return QString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), tmp.filePath(QStringLiteral("xdg-data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    kelpo.setProcessEnvironment(env);
    kelpo.setProcessChannelMode(QProcess::ForwardedChannels);
    kelpo.start(QStringLiteral(KELPO_EXE), {});
    return kelpo.waitForStarted() ? dataDir : QString();
}

// Where the Type button's green keyboard picture is in `shot`: the pixels
// right of its first third (the item list's own pictures stay left) where
// green clearly outweighs red and blue. A null point if there are too few.
inline QPoint GreenKeyboard(const QImage &shot)
{
    qint64 sx = 0, sy = 0, n = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = shot.width() / 3; x < shot.width(); ++x) {
            const QRgb c = shot.pixel(x, y);
            if (qGreen(c) > qRed(c) + 60 && qGreen(c) > qBlue(c) + 40) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    return n < 20 ? QPoint() : QPoint(int(sx / n), int(sy / n));
}

}  // namespace kelpo
