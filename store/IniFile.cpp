#include "IniFile.h"

#include "AtomicFile.h"
#include "FileRead.h"
#include "TextCodec.h"

namespace kelpo {

namespace {

QString SectionName(const QString &line)
{
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2).trimmed();
    return QString();
}

bool IsSectionLine(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'));
}

}  // namespace

bool IniFile::Load(const QString &path, QString *error)
{
    const FileContent file = ReadRegularFile(path, SettingsFileLimit);
    if (!file.ok()) {
        lines_.clear();
        if (error && file.outcome != ReadOutcome::Missing)
            *error = file.error;
        return false;
    }
    LoadText(DecodeText(file.bytes));
    return true;
}

void IniFile::LoadText(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines_ = t.split(QLatin1Char('\n'));
    if (!lines_.isEmpty() && lines_.last().isEmpty())
        lines_.removeLast();
}

int IniFile::FindSection(const QString &section) const
{
    for (int i = 0; i < lines_.size(); ++i) {
        if (IsSectionLine(lines_[i]) && SectionName(lines_[i]).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::FindKey(int sectionLine, const QString &key) const
{
    if (sectionLine < 0)
        return -1;
    for (int i = sectionLine + 1; i < lines_.size() && !IsSectionLine(lines_[i]); ++i) {
        const QString &line = lines_[i];
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || line.startsWith(QLatin1Char(';')))
            continue;
        if (QStringView(line).left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString IniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const int i = FindKey(FindSection(section), key);
    if (i < 0)
        return def;
    const QString &line = lines_[i];
    return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
}

int IniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    const QString v = ReadString(section, key, QString());
    if (v.isEmpty())
        return def;
    // The whole value must be a decimal or "0x" hexadecimal integer.
    bool ok = false;
    int n = v.toInt(&ok, 10);
    if (!ok && (v.startsWith(QLatin1String("0x")) || v.startsWith(QLatin1String("0X"))))
        n = v.mid(2).toInt(&ok, 16);
    return ok ? n : def;
}

bool IniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    // A value is one line: line breaks would split it into foreign lines.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString line = key + QLatin1Char('=') + v;
    int s = FindSection(section);
    if (s < 0) {
        if (!lines_.isEmpty() && !lines_.last().trimmed().isEmpty())
            lines_.append(QString());
        lines_.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines_.append(line);
        return;
    }
    const int k = FindKey(s, key);
    if (k >= 0) {
        lines_[k] = line;
        return;
    }
    // Append after the section's last non-blank line.
    int end = s + 1;
    while (end < lines_.size() && !IsSectionLine(lines_[end]))
        ++end;
    while (end > s + 1 && lines_[end - 1].trimmed().isEmpty())
        --end;
    lines_.insert(end, line);
}

void IniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteInteger(section, key, value ? 1 : 0);
}

QString IniFile::Text() const
{
    QString out;
    for (const QString &line : lines_) {
        out += line;
        out += QLatin1String("\r\n");
    }
    return out;
}

bool IniFile::Save(const QString &path, QString *error) const
{
    QString why;
    const bool ok = WriteFileAtomic(path, EncodeText(Text()), &why);
    if (!ok && error)
        *error = why;
    return ok;
}

}  // namespace kelpo
