#pragma once
// Where every control of the main window's four tabs goes for a given tab
// page size. Pure arithmetic, so the rules can be checked without widgets.
#include <QList>
#include <QRect>
#include <QSize>

namespace kelpo {

// Heights (and the few design positions) that the rules do not compute.
struct LayoutMetrics {
    int EditHeight = 23;     // edits and drop-down lists
    int ButtonHeight = 24;
    int LabelHeight = 13;
    int FindButtonWidth = 75;
    int GeneralBoxHeight = 89;
    int DownloadBoxHeight = 49;
    int BoxContentLeft = 8;      // controls inside a group box
    int BrowserTopInBox = 18;
    int CheckBoxTops[4] = {16, 34, 52, 70};  // in the General and Download boxes
    int CheckBoxHeight = 17;
};

struct MainLayout {
    // Entries tab
    QRect Label8, GroupList, Label1, Entries;
    QRect Label4, Url, Label7, Last, Label3, EndDate, Label6, Freq, Label9, NumEntries, TypeItIn;
    QRect Label5, Comments;
    QRect NewBut, DelBut, GotoBut, DoneBut, NextBut, HelpBut;
    // Options tab (Browser and FindButton are relative to BrowserBox; the
    // check boxes relative to their group box)
    QRect GeneralBox, DownloadBox, BrowserBox, Browser, FindButton;
    QRect AutoSave, AutoCheck, SlowDownType, AlwaysOnTop, CheckForFiles, NewOnly;
    // Variables tab
    QRect Label12, Variables, VarHelp, Label10, VarName, Label11, VarValue, VarNewButton, VarDelButton;
    // Download tab
    QRect Label13, FileList, CheckButton, Label14, Description, DownloadHelp, DownloadBut;
};

// W and H are the inner width and height of a tab page.
MainLayout ComputeLayout(int W, int H, const LayoutMetrics &m = LayoutMetrics());

// A window's outer bounds as read from the settings file: any four numbers.
struct StoredBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// Where a window with stored outer bounds opens, given the available areas of
// the screens that exist (the primary one first). Bounds that lie wholly on
// the screens are kept as they are. Otherwise the window goes to the screen
// it covers most (or the nearest one, when it covers none), is cut to that
// screen's size and moved the shortest way onto it. The size is never below
// `minimum`. Without any screen the stored bounds are kept.
QRect FitToScreens(const StoredBounds &stored, const QList<QRect> &screens, QSize minimum);

// Where a window of outer size `size` opens beside the window `owner` (outer
// bounds), wholly on `screen` (an available area): right of the owner when
// there is room, else left of it, else on the side with more room; level
// with the owner's top as far as the screen allows.
QRect PlaceBeside(const QRect &owner, QSize size, const QRect &screen);

}  // namespace kelpo
