#pragma once
// INI files as the program reads and writes them ("Kelpo.ini", "brand.ini"):
// "[Section]" lines open sections, settings are "Key=Value" lines. Sections
// and keys are matched without regard to case. Lines the program does not
// know are kept as they are when the file is written back.
#include <QString>
#include <QStringList>

namespace kelpo {

class IniFile {
public:
    // Reads the file; a missing or unreadable file gives an empty one and
    // false. `error` gets the reason a file that is there could not be read,
    // and stays empty for a missing file. Only a regular file of at most
    // `SettingsFileLimit` bytes is read.
    bool Load(const QString &path, QString *error = nullptr);
    void LoadText(const QString &text);

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // The integer at the start of the value (sign and digits); `def` when the
    // key is missing or the value is not a number.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // Any non-zero integer is true.
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

    QString Text() const;  // lines joined with CR LF, ending with one
    // Writes atomically; false with the system's reason on failure.
    bool Save(const QString &path, QString *error = nullptr) const;

private:
    int FindSection(const QString &section) const;              // index of "[..]" line, -1
    int FindKey(int sectionLine, const QString &key) const;     // line index, -1
    QStringList lines_;
};

}  // namespace kelpo
