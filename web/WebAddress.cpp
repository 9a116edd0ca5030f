#include "WebAddress.h"

#include "Model.h"

namespace kelpo {

namespace {

AddressCheck Refuse(const QString &reason)
{
    AddressCheck check;
    check.reason = reason;
    return check;
}

bool IsAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

bool IsAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool IsControl(QChar c)
{
    return c.category() == QChar::Other_Control;  // C0, DEL and C1
}

// The length of a leading "scheme:" (letters, digits, "+", "-", "." after a
// first letter), without the colon; 0 when the text does not start with one.
qsizetype SchemeLength(const QString &text)
{
    if (text.isEmpty() || !IsAsciiLetter(text.at(0)))
        return 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u':')
            return i;
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != u'+' && c != u'-' && c != u'.')
            return 0;
    }
    return 0;
}

// "8080", "80/path", "80?q": what follows the colon of "host:port".
bool IsPortAndRest(QStringView rest)
{
    qsizetype i = 0;
    while (i < rest.size() && IsAsciiDigit(rest.at(i)))
        ++i;
    return i > 0 && (i == rest.size() || rest.at(i) == u'/' || rest.at(i) == u'?' || rest.at(i) == u'#');
}

// Where the host part (with user name and port) ends: at the first "/", "?"
// or "#" from `from` on, or at the end.
qsizetype AuthorityEnd(const QString &text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'/' || c == u'?' || c == u'#')
            return i;
    }
    return text.size();
}

QString SchemeReason(const QString &scheme)
{
    if (scheme == QLatin1String("file"))
        return QStringLiteral("It names a file on this computer.");
    if (scheme == QLatin1String("javascript") || scheme == QLatin1String("vbscript"))
        return QStringLiteral("It is a script, not a web page.");
    if (scheme == QLatin1String("data"))
        return QStringLiteral("It carries its own content instead of pointing to a web site.");
    if (scheme == QLatin1String("mailto"))
        return QStringLiteral("It is a mail address, not a web page.");
    return QStringLiteral("Addresses starting with \"%1:\" are not web pages.").arg(scheme);
}

}  // namespace

AddressCheck CheckWebAddress(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return Refuse(QStringLiteral("The address is empty."));
    for (const QChar c : t)
        if (IsControl(c))
            return Refuse(QStringLiteral("It contains control characters."));
    if (t.startsWith(u'-'))
        return Refuse(QStringLiteral("It starts with \"-\", as a program option does."));
    const QChar first = t.at(0);
    if (first == u'/' || first == u'\\' || first == u'~' || first == u'.')
        return Refuse(QStringLiteral("It is a file path on this computer."));

    const qsizetype schemeLength = SchemeLength(t);
    if (schemeLength == 1)  // "c:\...", "c:/...": a drive letter, not a scheme
        return Refuse(QStringLiteral("It is a file path on this computer."));

    QString full;
    if (schemeLength > 0 && !IsPortAndRest(QStringView(t).mid(schemeLength + 1))) {
        const QString scheme = t.left(schemeLength).toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("ftp"))
            return Refuse(SchemeReason(scheme));
        if (QStringView(t).mid(schemeLength + 1, 2) != QLatin1String("//"))
            return Refuse(QStringLiteral("\"%1:\" is not followed by \"//\" and a host name.").arg(scheme));
        full = t;
    } else {
        // No scheme: a host name, maybe with a port, and a path.
        if (t.left(AuthorityEnd(t, 0)).contains(u'@'))
            return Refuse(QStringLiteral("It looks like a mail address, not a web page."));
        full = QStringLiteral("http://") + t;
    }

    const qsizetype hostStart = full.indexOf(QLatin1String("://")) + 3;
    const QStringView authority = QStringView(full).mid(hostStart, AuthorityEnd(full, hostStart) - hostStart);
    if (authority.isEmpty())
        return Refuse(QStringLiteral("It has no host name."));
    for (const QChar c : authority) {
        if (c.isSpace())
            return Refuse(QStringLiteral("Its host name contains a blank."));
        // A backslash ends the host for some browsers and not for others, so
        // the site opened would not be the one shown.
        if (c == u'\\')
            return Refuse(QStringLiteral("Its host name contains a backslash."));
        if (c.category() == QChar::Other_Format)
            return Refuse(QStringLiteral("Its host name contains invisible characters."));
    }

    const QUrl url(full, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return Refuse(QStringLiteral("Its host name is not valid."));

    AddressCheck check;
    check.ok = true;
    check.url = url;
    check.address = full;
    return check;
}

QString NotWebAddressMessage(const QString &text, const AddressCheck &check)
{
    constexpr int MaxShown = 100;
    QString shown = text.trimmed();
    for (QChar &c : shown)
        if (IsControl(c))
            c = QChar(QChar::ReplacementCharacter);
    if (shown.size() > MaxShown)
        shown = CutText(shown, MaxShown) + QChar(0x2026);  // "…"
    return QStringLiteral("\"%1\" is not a web address, so Kelpo will not open it.\n%2\n"
                          "Only addresses starting with http://, https:// or ftp:// can be opened.")
        .arg(shown, check.reason);
}

}  // namespace kelpo
