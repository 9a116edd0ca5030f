// Opening web sites: Goto, the browser choice on the Options tab, and the
// start-up check for a program that opens web pages.
#include "Main.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QUrl>

#include "Desktop.h"

namespace kelpo {

void TMainForm::GotoButClick()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    const QString address = Url->text();
    if (FocusedRow() >= 0 && !address.isEmpty()) {
        // Only web addresses are opened; anything else is refused with the reason.
        PageOpen opened;
        const AddressCheck check = GotoUrl(Shell, Browser->text(), address, &opened);
        const QString problem = check.ok ? PageOpenProblem(opened, Browser->text()) : NotWebAddressMessage(address, check);
        if (!problem.isEmpty())
            Dlg.Error(problem);
    }
    Entries->setFocus();
}

void TMainForm::EntriesDblClick()
{
    GotoButClick();
}

void TMainForm::FindButtonClick()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    if (isVisible())
        FocusToTabBar();
    const QString program = Dlg.ExecutableFileName(QStringLiteral("Find your Browser"));
    if (!program.isEmpty())
        Browser->setText(program);
}

void TMainForm::FindButtonMouseDown(Qt::MouseButton button)
{
    // The desktop's file manager shows the folder with the data files.
    if (button == Qt::RightButton)
        Shell.OpenUrl(QUrl::fromLocalFile(DataDir));
}

// Run at start-up while no browser is chosen.
void TMainForm::CheckBrowser()
{
    if (!BrowserProbe)
        return;
    const BrowserCheck check = BrowserProbe(DataDir);
    if (!check.probeCreated) {
        // Start-up goes on: the check only gives advice.
        Dlg.Error(check.error);
        return;
    }
    if (!check.registered)
        Dlg.Information(NoBrowserMessage);
}

}  // namespace kelpo
