#include "VarStore.h"

#include "AtomicFile.h"
#include "FileRead.h"
#include "TextCodec.h"

namespace kelpo {

QStringList VarStore::DefaultNames()
{
    return {QStringLiteral("{address}"),   QStringLiteral("{age}"),        QStringLiteral("{city}"),
            QStringLiteral("{country}"),   QStringLiteral("{email}"),      QStringLiteral("{first name}"),
            QStringLiteral("{full name}"), QStringLiteral("{last name}"),  QStringLiteral("{phone}"),
            QStringLiteral("{state}"),     QStringLiteral("{url}"),        QStringLiteral("{zip}")};
}

QString VarStore::NameOf(const QString &line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.left(eq);
}

void VarStore::SetDefaults()
{
    Lines.clear();
    for (const QString &name : DefaultNames())
        Lines.append(name + QStringLiteral("=Undefined"));
}

bool VarStore::Load(const QString &path, QString *error, bool *whole)
{
    if (whole)
        *whole = true;
    const FileContent file = ReadRegularFile(path, VariablesFileLimit);
    if (!file.ok()) {
        SetDefaults();
        if (error && file.outcome != ReadOutcome::Missing)
            *error = file.error;
        return false;
    }
    const bool all = LoadText(DecodeText(file.bytes));
    if (whole)
        *whole = all;
    return true;
}

bool VarStore::LoadText(const QString &text)
{
    Lines.clear();
    QStringView t(text);
    bool whole = true;
    const qsizetype nul = t.indexOf(QChar(0));
    if (nul >= 0) {
        // Zeros at the end (a file cut short by a crash is often padded so)
        // hold nothing; anything else after the NUL is not read.
        for (qsizetype i = nul; i < t.size() && whole; ++i)
            whole = t[i] == QChar(0);
        t = t.left(nul);
    }
    qsizetype start = 0;
    const qsizetype n = t.size();
    while (start < n) {
        qsizetype i = start;
        while (i < n && t[i] != QLatin1Char('\r') && t[i] != QLatin1Char('\n'))
            ++i;
        Lines.append(t.mid(start, i - start).toString());
        if (i < n && t[i] == QLatin1Char('\r') && i + 1 < n && t[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    return whole;
}

bool VarStore::Save(const QString &path, QString *error) const
{
    QString text;
    for (const QString &line : Lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    QString why;
    const bool ok = WriteFileAtomic(path, EncodeText(text), &why);
    if (!ok && error)
        *error = why;
    return ok;
}

int VarStore::IndexOfName(const QString &name) const
{
    for (int i = 0; i < Lines.size(); ++i) {
        const QString &line = Lines[i];
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString VarStore::Value(const QString &name) const
{
    const int i = IndexOfName(name);
    if (i < 0)
        return QString();
    const QString &line = Lines[i];
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

}  // namespace kelpo
