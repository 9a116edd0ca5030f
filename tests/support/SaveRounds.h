#pragma once
// What the save driver (crash_saver) changes before each save, shared with
// the tests that check the files it leaves behind: round k of the data
// rewrites every item's keys and counter, round k of a shutdown rewrites
// every variable, the options and the browser.
#include <QCheckBox>
#include <QLineEdit>
#include <QString>

#include "Formats.h"
#include "Main.h"
#include "Model.h"
#include "VarStore.h"

namespace kelpo::rounds {

// The formats the driver runs with and the tests read with.
inline Formats Dates()
{
    return Formats::Make(QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);
}

// Round k of the data: the model as the k-th save writes it, given the
// model that was loaded.
inline void ChangeItems(Model &m, int k)
{
    for (int i = 0; i < m.Items.Count(); ++i) {
        Rec *r = m.Items.At(i);
        r->Keys = QStringLiteral("round %1 item %2{tab}{enter}").arg(k).arg(i);
        r->Count = (k * 31 + i) % 1000;
    }
}

// Round k of a shutdown: every variable gets a value of this round, and the
// options and the browser follow the round's number.
inline void ChangeVariables(VarStore &vars, int k)
{
    for (int i = 0; i < vars.Lines.size(); ++i)
        vars.Lines[i] = VarStore::NameOf(vars.Lines[i]) + QStringLiteral("=value %1 of round %2").arg(i).arg(k);
}

inline void ChangeOptions(TMainForm &form, int k)
{
    QCheckBox *const boxes[] = {form.AutoSave, form.AutoCheck, form.SlowDownType, form.NewOnly, form.CheckForFiles};
    int bit = 0;
    for (QCheckBox *box : boxes)
        box->setChecked((k >> bit++) & 1);
    form.Browser->setText(QStringLiteral("/usr/bin/browser-of-round-%1").arg(k));
}

}  // namespace kelpo::rounds
