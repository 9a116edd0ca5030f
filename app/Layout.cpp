#include "Layout.h"

namespace kelpo {

namespace {

int Right(const QRect &r) { return r.x() + r.width(); }
int Bottom(const QRect &r) { return r.y() + r.height(); }

}  // namespace

MainLayout ComputeLayout(int W, int H, const LayoutMetrics &m)
{
    MainLayout o;
    const int edit = m.EditHeight;
    const int button = m.ButtonHeight;
    const int label = m.LabelHeight;

    // Entries tab: a left column one third of the page wide, two columns of
    // the same width on the right, a row of six buttons under the list.
    o.Label8 = QRect(2, 5, 0, label);
    const int L = W / 3 - 3;
    o.GroupList = QRect(1, 22, L, edit);
    const int X = L + 4;
    o.Label4 = QRect(X, 5, 0, label);
    o.Url = QRect(X, o.Label4.y() + 17, 2 * L + 2, edit);
    o.Entries = QRect(1, Bottom(o.Url) + 19, L, H - button - o.GroupList.height() - 42);
    const int B = W / 6 - 2;
    o.NewBut = QRect(1, Bottom(o.Entries) + 2, B, button);
    QRect *row[] = {&o.DelBut, &o.GotoBut, &o.DoneBut, &o.NextBut, &o.HelpBut};
    const QRect *before = &o.NewBut;
    for (QRect *r : row) {
        *r = QRect(Right(*before) + 2, o.NewBut.y(), B, button);
        before = r;
    }
    o.Label7 = QRect(X, Bottom(o.Url) + 2, 0, label);
    o.Label1 = QRect(2, o.Label7.y(), 0, label);
    o.Last = QRect(X, o.Label7.y() + 17, L, edit);
    o.Label3 = QRect(Right(o.Last) + 4, o.Label7.y(), 0, label);
    o.EndDate = QRect(o.Label3.x(), o.Last.y(), L, edit);
    o.Label6 = QRect(X, Bottom(o.Last) + 2, 0, label);
    o.Freq = QRect(X, o.Label6.y() + 17, L, edit);
    o.Label9 = QRect(o.Label3.x(), o.Label6.y(), 0, label);
    const int N = o.EndDate.width() / 2 - 2;
    o.NumEntries = QRect(o.EndDate.x(), o.Freq.y(), N, edit);
    o.TypeItIn = QRect(Right(o.NumEntries) + 4, o.Freq.y(), N, o.NumEntries.height());
    o.Label5 = QRect(X, Bottom(o.Freq) + 2, 0, label);
    const int commentsTop = o.Label5.y() + 17;
    o.Comments = QRect(X, commentsTop, o.Url.width() + 1, Bottom(o.Entries) - commentsTop);

    // Options tab: the boxes span the page; the hidden download box leaves
    // its place to the browser box.
    const int G = W - 4;
    o.Browser = QRect(m.BoxContentLeft, m.BrowserTopInBox, 0, edit);
    o.BrowserBox = QRect(2, 0, G, o.Browser.height() + 26);
    o.GeneralBox = QRect(2, 0, G, m.GeneralBoxHeight);
    o.DownloadBox = QRect(2, Bottom(o.GeneralBox) + 2, G, m.DownloadBoxHeight);
    o.Browser.setWidth(G - m.FindButtonWidth - 21);
    o.BrowserBox.moveTop(o.DownloadBox.y());
    o.FindButton = QRect(o.Browser.width() + 14, o.Browser.y(), m.FindButtonWidth, o.Browser.height());
    const int checkWidth = o.GeneralBox.width() - 16;
    QRect *general[] = {&o.AutoSave, &o.AutoCheck, &o.SlowDownType, &o.AlwaysOnTop};
    for (int i = 0; i < 4; ++i)
        *general[i] = QRect(m.BoxContentLeft, m.CheckBoxTops[i], checkWidth, m.CheckBoxHeight);
    o.CheckForFiles = QRect(m.BoxContentLeft, m.CheckBoxTops[0], checkWidth, m.CheckBoxHeight);
    o.NewOnly = QRect(m.BoxContentLeft, m.CheckBoxTops[1], checkWidth, m.CheckBoxHeight);

    // Variables tab: the list on the left, help text over the two editors
    // and the two buttons on the right.
    o.Label12 = QRect(2, 5, 0, label);
    o.Variables = QRect(1, o.Url.y(), L, H - 24);
    const int V = o.Variables.width() + 8;
    o.VarHelp = QRect(V, o.Url.y(), W - o.Variables.width() - 12,
                      o.Variables.height() - 2 * edit - 2 * label - button - 18);
    o.Label10 = QRect(V, Bottom(o.VarHelp) + 4, 0, label);
    o.VarName = QRect(V, o.Label10.y() + 17, W - V - 4, edit);
    o.Label11 = QRect(V, Bottom(o.VarName) + 2, 0, label);
    o.VarValue = QRect(V, o.Label11.y() + 17, o.VarName.width(), edit);
    o.VarNewButton = QRect(V, Bottom(o.VarValue) + 4, o.VarName.width() / 2, button);
    o.VarDelButton = QRect(Right(o.VarNewButton), o.VarNewButton.y(), o.VarNewButton.width(), button);

    // Download tab.
    o.Label13 = QRect(2, 5, 0, label);
    o.FileList = QRect(1, 22, L, H - button - 24);
    o.CheckButton = QRect(1, o.FileList.height() + 24, L, button);
    o.Label14 = QRect(X, o.Label4.y(), 0, label);
    o.Description = QRect(X, o.Url.y(), o.Url.width(), o.FileList.height() / 2);
    o.DownloadHelp = QRect(X, Bottom(o.Description) + 2, o.Url.width(), o.Description.height() - 2);
    o.DownloadBut = QRect(X, o.CheckButton.y(), o.Description.width(), button);
    return o;
}

}  // namespace kelpo
