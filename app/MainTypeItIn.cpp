// Type It In on the main window: the Type button, the player with the
// timer that keeps track of the window to type into, and the script editor
// window for the current item.
#include "Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

#include "Layout.h"
#include "Tii.h"

namespace kelpo {

Keyboard &NoKeyboard()
{
    static UnavailableKeyboard none(QStringLiteral("Type It In has no keyboard to type with."));
    return none;
}

void TMainForm::CreateTypeItIn()
{
    ScriptPlayer = std::make_unique<Player>(TypeKeyboard);
    ScriptPlayer->InVars = [this](const QString &name) { return InVars(name); };
    ScriptPlayer->VariableValue = [this](const QString &name) { return VariableValue(name); };
    ScriptPlayer->SlowDown = [this] { return SlowDownType->isChecked(); };

    FindTarget = new QTimer(this);
    FindTarget->setInterval(100);
    connect(FindTarget, &QTimer::timeout, this, &TMainForm::FindTargetTimer);
    FindTarget->start();
}

void TMainForm::SetTiiForm(TTiiForm *form)
{
    tiiForm_ = form;
    if (!form)
        return;
    form->InVars = [this](const QString &name) { return InVars(name); };
    form->SetVariableNames(VariableNames());
    if (KeepOnTop)
        form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

// Remembers the last window in front that is not one of the program's own:
// typing into the editor window, a message box or the main window itself
// would land the keys in this program's fields.
void TMainForm::FindTargetTimer()
{
    ScriptPlayer->MainWindow = internalWinId();
    const quint64 before = ScriptPlayer->TargetWindow();
    ScriptPlayer->FindTarget();
    const quint64 front = ScriptPlayer->TargetWindow();
    if (front != before && IsOwnWindow(front))
        ScriptPlayer->SetTargetWindow(before);
}

bool TMainForm::IsOwnWindow(quint64 window) const
{
    if (window == 0)
        return false;
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [window](const QWidget *w) { return quint64(w->internalWinId()) == window; });
}

void TMainForm::ShowTypeButtonPicture()
{
    TypeItIn->setIcon(CurItem && !CurItem->Keys.isEmpty() ? keyGrnIcon_ : keyboardIcon_);
}

void TMainForm::TypeItInMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        EditScript();
}

// Opens the editor window for the current item. Done stores the text in
// that item, which nothing can take away while the window is open (the
// command guard holds back every change); the close box leaves the script
// alone.
void TMainForm::EditScript()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const int row = FocusedRow();
    if (!tiiForm_ || ScriptPlayer->Playing() || row < 0 || FindItem(row) < 0)
        return;
    Rec *rec = CurItem;
    QString keys = rec->Keys;
    if (!tiiForm_->isVisible())
        PlaceScriptEditor();
    bool done = false;
    {
        const CommandGuard::Wait wait(commands_);
        done = tiiForm_->Edit(rec->Name, &keys);
    }
    if (done) {
        rec->Keys = keys;
        CurItem = rec;
    }
    ShowTypeButtonPicture();
}

// The editor window opens beside this one, on its screen. Once placed it
// keeps the place the user gave it as long as that lies wholly on the screen
// this window is on.
void TMainForm::PlaceScriptEditor()
{
    const QScreen *onScreen = screen();
    if (!onScreen)
        return;
    const QRect area = onScreen->availableGeometry();
    const QRect outer = tiiForm_->frameGeometry();
    if (tiiPlaced_ && area.contains(outer))
        return;
    // A window not shown yet has no frame: take this window's frame as the
    // likely one.
    const QRect inner = tiiForm_->geometry();
    const QSize frame = outer != inner ? outer.size() - inner.size() : frameGeometry().size() - geometry().size();
    const QRect placed = PlaceBeside(frameGeometry(), inner.size() + frame, area);
    tiiForm_->resize(placed.size() - frame);
    tiiForm_->move(placed.topLeft());
    tiiPlaced_ = true;
}

void TMainForm::TypeItInClick()
{
    TypeCurrentScript(ScriptPlayer->TargetWindow(), false);
    Entries->setFocus();
}

void TMainForm::TypeItInShortcut()
{
    const quint64 focused = TypeKeyboard.ForegroundWindow();
    if (focused == 0 || IsOwnWindow(focused))
        return;
    TypeCurrentScript(focused, true);
}

// Types the current item's script into `target`; `inPlace`: the target has
// the focus already and Kelpo is not in its way.
void TMainForm::TypeCurrentScript(quint64 target, bool inPlace)
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    // A Type pressed while a script plays (its events are handled between
    // keys) is not a second playback.
    const int row = FocusedRow();
    if (ScriptPlayer->Playing() || row < 0 || FindItem(row) < 0)
        return;
    const QString script = CurItem->Keys;
    if (script.isEmpty()) {
        EditScript();
    } else if (!TypeKeyboard.Available()) {
        Dlg.Error(TypeKeyboard.Problem());
    } else if (target == 0) {
        Dlg.Error(QStringLiteral("Type It In does not know yet which window to type into, so nothing was typed.\n"
                                 "Click into the form you want to fill in, then press Type again."));
    } else {
        // Window events come in while the desktop asks the user for the
        // permission to type and between keys: nothing changes the items
        // meanwhile.
        const CommandGuard::Wait wait(commands_);
        TypeKeyboard.TypeInPlace(inPlace);
        if (!TypeKeyboard.BringToFront(target)) {
            // Keys sent while the target is not in front would land in
            // whatever has the focus, most likely this program's own fields.
            const QString why = TypeKeyboard.Problem();
            Dlg.Error(!why.isEmpty() ? why
                                     : QStringLiteral("The window to type into could not be brought to the front, "
                                                      "so nothing was typed.\nClick into the form you want to fill "
                                                      "in, then press Type again."));
        } else {
            ScriptPlayer->Play(script, target);
            if (TypeKeyboard.Interrupted())
                Dlg.Error(TypeKeyboard.Problem());
        }
        TypeKeyboard.TypeInPlace(false);
    }
}

}  // namespace kelpo
