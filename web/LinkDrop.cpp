#include "LinkDrop.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>

#include "FileRead.h"
#include "Model.h"
#include "TextCodec.h"

namespace kelpo {

namespace {

// Drop data and shortcut files are read only this far: a link fits many
// times over, and a huge or endless source cannot stall the window.
constexpr qsizetype MaxRead = 64 * 1024;

// The first `count` lines of `text` (line breaks LF, CR LF or CR) within its
// first MaxRead characters, each trimmed, with NUL characters left out.
QStringList FirstLines(QStringView text, int count)
{
    text = text.left(MaxRead);
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size() && lines.size() < count; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(line.trimmed());
            line.clear();
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c != u'\0') {
            line.append(c);
        }
    }
    if (lines.size() < count && !line.isEmpty())
        lines.append(line.trimmed());
    return lines;
}

DroppedLink FromLines(const QString &text)
{
    const QStringList lines = FirstLines(text, 2);
    DroppedLink link;
    if (!lines.isEmpty())
        link.address = lines.at(0);
    if (lines.size() > 1)
        link.title = lines.at(1);
    return link;
}

// Browsers send "text/x-moz-url" as UTF-16 in the machine's byte order
// (little-endian here), some programs as UTF-8.
QString DecodeMozUrl(QByteArray data)
{
    data.truncate(MaxRead);
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    if (data.startsWith("\xff\xfe")) {
        encoding = QStringConverter::Utf16LE;
        data.remove(0, 2);
    } else if (data.startsWith("\xfe\xff")) {
        encoding = QStringConverter::Utf16BE;
        data.remove(0, 2);
    } else if (data.size() % 2 == 0 && data.contains('\0')) {
        encoding = QStringConverter::Utf16LE;
    }
    QStringDecoder decode(encoding);
    return decode(data);
}

QByteArray ReadHead(const QString &path)
{
    QFile file;  // no folders, pipes or devices: they would block or mislead
    if (!OpenRegularFile(file, path, nullptr))
        return {};
    return file.read(MaxRead);
}

// The sections of an INI-style text, line by line: `visit` gets the section
// name (without brackets), the key and the value of every "key=value" line,
// and stops the walk by returning false.
template <typename Visit>
void WalkEntries(const QString &text, Visit visit)
{
    QString section;
    qsizetype start = 0;
    while (start < text.size()) {
        // CR, LF and CR LF end lines: a lone CR must not stay inside a value.
        qsizetype end = start;
        while (end < text.size() && text.at(end) != u'\n' && text.at(end) != u'\r')
            ++end;
        const QString line = text.mid(start, end - start).trimmed();
        start = end + 1;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !line.startsWith(u'#') && !line.startsWith(u';')
            && !visit(section, line.left(eq).trimmed(), line.mid(eq + 1).trimmed()))
            return;
    }
}

// Escapes of desktop entry values: "\s", "\n", "\t", "\r", "\\".
QString UnescapeDesktopValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        if (next == u's')
            out.append(u' ');
        else if (next == u'n' || next == u't' || next == u'r')
            out.append(u' ');  // one line is all an address or a name may have
        else
            out.append(next);
    }
    return out.trimmed();
}

// The title a shortcut file gives by its name: the name without folder and
// extension. File names may hold line breaks (a dropped "%0A"); they become
// blanks, as a title is one line.
QString FileTitle(const QString &path)
{
    QString title = QFileInfo(path).completeBaseName();
    title.replace(u'\r', u' ').replace(u'\n', u' ');
    return title.trimmed();
}

// "[InternetShortcut]" with "URL=" (section and key in any letter case);
// the title is the file's name.
DroppedLink ReadUrlFile(const QString &path)
{
    DroppedLink link;
    link.title = FileTitle(path);
    WalkEntries(DecodeText(ReadHead(path)), [&](const QString &section, const QString &key, const QString &value) {
        if (section.compare(QLatin1String("InternetShortcut"), Qt::CaseInsensitive) == 0
            && key.compare(QLatin1String("URL"), Qt::CaseInsensitive) == 0) {
            link.address = value;
            return false;
        }
        return true;
    });
    return link;
}

// A "[Desktop Entry]" of "Type=Link": "URL=" (KDE writes "URL[$e]=") and
// "Name="; the title falls back to the file's name. Other desktop entries
// (programs, folders) are no links and give nothing.
DroppedLink ReadDesktopFile(const QString &path)
{
    QString type, url, name;
    WalkEntries(DecodeText(ReadHead(path)), [&](const QString &section, const QString &key, const QString &value) {
        if (section != QLatin1String("Desktop Entry"))
            return true;
        if (key == QLatin1String("Type"))
            type = value;
        else if (url.isEmpty() && (key == QLatin1String("URL") || key == QLatin1String("URL[$e]")))
            url = UnescapeDesktopValue(value);
        else if (key == QLatin1String("Name"))
            name = UnescapeDesktopValue(value);
        return true;
    });
    DroppedLink link;
    if (type != QLatin1String("Link"))
        return link;
    link.address = url;
    link.title = name.isEmpty() ? FileTitle(path) : name;
    return link;
}

// The first entry of a "text/uri-list" that is not a comment.
DroppedLink FromUriList(const QByteArray &data)
{
    const QString text = QString::fromUtf8(data.left(MaxRead));
    QString entry;
    for (const QString &line : FirstLines(text, 1000)) {
        if (!line.isEmpty() && !line.startsWith(u'#')) {
            entry = line;
            break;
        }
    }
    if (entry.isEmpty())
        return {};
    const QUrl url(entry);
    if (!url.isLocalFile())
        return {entry, {}};
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        return {};
    const QString path = url.toLocalFile();
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("url"), Qt::CaseInsensitive) == 0)
        return ReadUrlFile(path);
    if (suffix.compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0)
        return ReadDesktopFile(path);
    return {};
}

// Plain text is an address when its first line holds "://" after its first
// character.
DroppedLink FromPlainText(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    const QStringList lines = FirstLines(QStringView(text).mid(start), 1);
    if (lines.isEmpty() || lines.at(0).indexOf(QLatin1String("://")) < 1)
        return {};
    return {lines.at(0), {}};
}

bool HasPlainText(const QMimeData &mime)
{
    const QStringList formats = mime.formats();
    for (const QString &format : formats)
        if (format.startsWith(QLatin1String("text/plain")))
            return true;
    return false;
}

}  // namespace

DroppedLink ReadDroppedLink(const QMimeData &mime)
{
    DroppedLink link;
    const auto complete = [&] { return !link.address.isEmpty() && !link.title.isEmpty(); };
    const auto take = [&](const DroppedLink &from) {
        if (link.address.isEmpty())
            link.address = from.address;
        if (link.title.isEmpty())
            link.title = from.title;
    };

    const QString mozUrl = QStringLiteral("text/x-moz-url");
    const QString netscapeUrl = QStringLiteral("_NETSCAPE_URL");
    const QString uriList = QStringLiteral("text/uri-list");
    if (mime.hasFormat(mozUrl))
        take(FromLines(DecodeMozUrl(mime.data(mozUrl))));
    if (!complete() && mime.hasFormat(netscapeUrl))
        take(FromLines(QString::fromUtf8(mime.data(netscapeUrl).left(MaxRead))));
    if (!complete() && mime.hasFormat(uriList))
        take(FromUriList(mime.data(uriList)));
    // Only text the source offers as such: QMimeData::hasText() and text()
    // also answer with the entries of a uri-list, which were read above.
    if (!complete() && HasPlainText(mime))
        take(FromPlainText(mime.text()));
    return link;
}

bool CanAcceptDrop(const QMimeData &mime)
{
    return !ReadDroppedLink(mime).Empty();
}

QString ProposedName(const QString &title)
{
    const QLatin1String prefix("Shortcut to ");
    if (title.startsWith(prefix, Qt::CaseSensitive))
        return CutText(title.mid(prefix.size()), 255);
    return title;
}

}  // namespace kelpo
