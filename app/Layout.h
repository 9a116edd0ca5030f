#pragma once
// Where every control of the main window's four tabs goes for a given tab
// page size. Pure arithmetic, so the rules can be checked without widgets.
#include <QRect>

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

}  // namespace kelpo
