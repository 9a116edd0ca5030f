#pragma once
// The user's variables: lines "name=value" in the order they were added,
// kept in "Kelpo.var". Every line of the file is kept as it is.
#include <QString>
#include <QStringList>

namespace kelpo {

class VarStore {
public:
    // The twelve default variable names, in alphabetical order.
    static QStringList DefaultNames();
    static QString NameOf(const QString &line);  // text before the first "="

    // Reads the file (CR, LF and CR LF end lines; NUL ends the text). A
    // missing or unreadable file gives the defaults with the value
    // "Undefined" and returns false; `error` gets the reason a file that is
    // there could not be read, and stays empty for a missing file. Only a
    // regular file of at most `VariablesFileLimit` bytes is read. `whole`
    // tells whether every line was kept (nothing but NULs after a NUL).
    bool Load(const QString &path, QString *error = nullptr, bool *whole = nullptr);
    // Returns whether the whole text was kept.
    bool LoadText(const QString &text);
    void SetDefaults();
    // Writes every line followed by CR LF, atomically; false with the reason.
    bool Save(const QString &path, QString *error = nullptr) const;

    // Value part of the line whose name equals `name` ignoring case; "" if none.
    QString Value(const QString &name) const;
    int IndexOfName(const QString &name) const;  // -1 if none

    QStringList Lines;
};

}  // namespace kelpo
