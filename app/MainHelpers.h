#pragma once
// Small helpers shared by the main window's source files.
#include <QGuiApplication>
#include <QList>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QString>

#include "Model.h"

namespace kelpo {

// The outer size the main window never gets below.
constexpr QSize MainMinimumSize(350, 300);

// The areas of the screens that windows may use (without panels), the
// primary screen first.
inline QList<QRect> AvailableScreenAreas()
{
    QList<QRect> areas;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry());
    for (const QScreen *s : QGuiApplication::screens())
        if (s != QGuiApplication::primaryScreen())
            areas.append(s->availableGeometry());
    return areas;
}

// Sets a flag for the life of a scope, so that the change events which the
// program's own writes cause are ignored, whatever way the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool &flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope &) = delete;
    FlagScope &operator=(const FlagScope &) = delete;

private:
    bool &flag_;
};

// Counts nested scopes in which the program itself moves the list's focus.
class CountScope {
public:
    explicit CountScope(int &count) : count_(count) { ++count_; }
    ~CountScope() { --count_; }
    CountScope(const CountScope &) = delete;
    CountScope &operator=(const CountScope &) = delete;

private:
    int &count_;
};

// Shows a busy cursor while it lives: for work on a file that can take more
// than a moment. Questions are asked after it ends.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// A name as it is kept: line breaks become blanks and it holds at most 255
// characters, so that it reads back from the data file exactly as it is.
inline QString OneLineName(const QString &text)
{
    QString name = text;
    name.replace(QLatin1String("\r\n"), QLatin1String(" "));
    name.replace(QLatin1Char('\r'), QLatin1Char(' '));
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return CutText(name);
}

// The group box's fixed rows: they are no groups of the table.
inline const QString AllItemsRow = QStringLiteral("All Items");
inline const QString TrashRow = QStringLiteral("Trash");

// The fixed row a name means in any letter case: 0 "All Items", -1 "Trash",
// 1 for any other name. A group of such a name would be mistaken for the row.
inline int FixedRowKind(const QString &name)
{
    const QString folded = FoldName(name);
    if (folded == FoldName(AllItemsRow))
        return 0;
    if (folded == FoldName(TrashRow))
        return -1;
    return 1;
}

}  // namespace kelpo
