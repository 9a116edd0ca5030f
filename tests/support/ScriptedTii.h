#pragma once
// The script editor window with its modal run replaced by a test's script:
// `Drive` runs while the window is shown; a window still open afterwards
// is left with the close box. Without a script it opens and closes at once.
#include <QComboBox>
#include <QString>
#include <QStringList>

#include <functional>

#include "Tii.h"

namespace kelpo {

class ScriptedTii : public TTiiForm {
public:
    std::function<void(ScriptedTii &)> Drive;
    int Runs = 0;

    using TTiiForm::TTiiForm;

    // The choice list's entries, in order.
    QStringList Choices() const
    {
        QStringList names;
        for (int i = 0; i < VarList->count(); ++i)
            names.append(VarList->itemText(i));
        return names;
    }

protected:
    int RunModal() override
    {
        ++Runs;
        show();
        if (Drive)
            Drive(*this);
        if (isVisible())
            reject();
        return result();
    }
};

}  // namespace kelpo
