// Reading a dropped link. The input's parts, split at NUL bytes, are the
// drop's "text/x-moz-url" (sent as UTF-16), "_NETSCAPE_URL", "text/uri-list"
// and plain text, and the content of two shortcut files, "link.url" and
// "link.desktop", which the uri-list reaches as "@link.url" and
// "@link.desktop". Whatever the drop holds gives one-line, trimmed values.
#include "FuzzSupport.h"
#include "LinkDrop.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QStringEncoder>
#include <QUrl>

#include <unistd.h>

using namespace kelpo;

namespace {

const QString &ShortcutDir()
{
    static const QString dir = [] {
        const QString d = QStringLiteral("/tmp/kelpo-fuzz-linkdrop-%1/").arg(getpid());
        QDir().mkpath(d);
        return d;
    }();
    return dir;
}

void WriteShortcut(const QString &name, const QByteArray &content)
{
    QFile file(ShortcutDir() + name);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// Every value is one line, trimmed.
void CheckOneLineTrimmed(const QString &value)
{
    QString oneLine = value.trimmed();
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    FUZZ_CHECK_EQ(value, oneLine);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> parts = fuzz::Bytes(data, size).split('\0');
    auto part = [&](int i) { return i < parts.size() ? parts.at(i) : QByteArray(); };

    QMimeData mime;
    if (!part(0).isEmpty()) {
        QStringEncoder toUtf16(QStringEncoder::Utf16LE, part(0).size() % 2 ? QStringEncoder::Flag::WriteBom
                                                                           : QStringEncoder::Flag::Default);
        mime.setData(QStringLiteral("text/x-moz-url"), toUtf16(QString::fromUtf8(part(0))));
    }
    if (!part(1).isEmpty())
        mime.setData(QStringLiteral("_NETSCAPE_URL"), part(1));
    if (!part(2).isEmpty()) {
        QByteArray list = part(2);
        list.replace('@', QUrl::fromLocalFile(ShortcutDir()).toEncoded());
        mime.setData(QStringLiteral("text/uri-list"), list);
    }
    if (!part(3).isEmpty())
        mime.setData(QStringLiteral("text/plain"), part(3));
    WriteShortcut(QStringLiteral("link.url"), part(4));
    WriteShortcut(QStringLiteral("link.desktop"), part(4));

    DroppedLink link;
    fuzz::WithinHeapBound(size, [&] { link = ReadDroppedLink(mime); }, 256);
    CheckOneLineTrimmed(link.address);
    CheckOneLineTrimmed(link.title);
    FUZZ_CHECK_EQ(CanAcceptDrop(mime), !link.address.isEmpty() || !link.title.isEmpty());
    const QString proposed = ProposedName(link.title);
    if (link.title.startsWith(QLatin1String("Shortcut to ")))
        FUZZ_CHECK(proposed.size() <= 255);
    else
        FUZZ_CHECK_EQ(proposed, link.title);
    return 0;
}
