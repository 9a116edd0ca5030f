#include "Layout.h"

#include <QtGlobal>

#include <algorithm>
#include <climits>
#include <vector>

namespace kelpo {

namespace {

int Right(const QRect &r) { return r.x() + r.width(); }
int Bottom(const QRect &r) { return r.y() + r.height(); }

// A rectangle in 64 bits with exclusive right and bottom edges: stored
// numbers such as a left of 2000000000 and a width of 1000000000 do not
// overflow.
struct Span {
    qint64 l, t, r, b;
    qint64 Area() const { return r > l && b > t ? (r - l) * (b - t) : 0; }
};

Span SpanOf(const QRect &q) { return {q.x(), q.y(), qint64(q.x()) + q.width(), qint64(q.y()) + q.height()}; }

Span Intersect(const Span &a, const Span &b)
{
    return {std::max(a.l, b.l), std::max(a.t, b.t), std::min(a.r, b.r), std::min(a.b, b.b)};
}

// True when every point of `w` lies on one of the screens. The screen edges
// inside `w` cut it into cells; each cell lies wholly on a screen or off all
// of them, so testing one point per cell is exact (screens may overlap or
// leave gaps).
bool OnScreens(const Span &w, const QList<QRect> &screens)
{
    std::vector<qint64> xs{w.l, w.r}, ys{w.t, w.b};
    for (const QRect &q : screens) {
        const Span s = SpanOf(q);
        for (qint64 x : {s.l, s.r})
            if (x > w.l && x < w.r)
                xs.push_back(x);
        for (qint64 y : {s.t, s.b})
            if (y > w.t && y < w.b)
                ys.push_back(y);
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
        for (size_t j = 0; j + 1 < ys.size(); ++j) {
            if (xs[i] == xs[i + 1] || ys[j] == ys[j + 1])
                continue;
            const bool covered = std::any_of(screens.begin(), screens.end(), [&](const QRect &q) {
                const Span s = SpanOf(q);
                return s.l <= xs[i] && xs[i] < s.r && s.t <= ys[j] && ys[j] < s.b;
            });
            if (!covered)
                return false;
        }
    }
    return true;
}

// How far `w` has to travel to touch `s` (0 when they meet), squared.
qint64 DistanceSquared(const Span &w, const Span &s)
{
    const qint64 dx = std::max<qint64>({0, s.l - w.r, w.l - s.r});
    const qint64 dy = std::max<qint64>({0, s.t - w.b, w.t - s.b});
    // Distances beyond any screen are capped so that the square stays in range.
    const qint64 cap = qint64(1) << 31;
    return std::min(dx, cap) * std::min(dx, cap) + std::min(dy, cap) * std::min(dy, cap);
}

// A window of size w x h (each at most the screen's) put on `s` with the
// least move from (x, y).
QRect MoveOnto(qint64 x, qint64 y, int w, int h, const QRect &s)
{
    const Span a = SpanOf(s);
    // The screen's left or top edge wins when the window is the larger.
    return QRect(int(std::max(a.l, std::min(x, a.r - w))), int(std::max(a.t, std::min(y, a.b - h))), w, h);
}

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

QRect FitToScreens(const StoredBounds &stored, const QList<QRect> &screens, QSize minimum)
{
    const qint64 width = std::max<qint64>(stored.Width, minimum.width());
    const qint64 height = std::max<qint64>(stored.Height, minimum.height());
    const Span w{stored.Left, stored.Top, stored.Left + width, stored.Top + height};
    if (screens.isEmpty() || OnScreens(w, screens))
        return QRect(stored.Left, stored.Top, int(std::min<qint64>(width, INT_MAX)),
                     int(std::min<qint64>(height, INT_MAX)));

    // The screen the window covers most; failing that, the nearest one. On a
    // tie the earlier screen (the primary one) wins.
    int best = 0;
    qint64 bestArea = 0;
    qint64 bestDistance = -1;
    for (int i = 0; i < screens.size(); ++i) {
        const Span s = SpanOf(screens[i]);
        const qint64 area = Intersect(w, s).Area();
        const qint64 distance = DistanceSquared(w, s);
        if (area > bestArea || (bestArea == 0 && area == 0 && (bestDistance < 0 || distance < bestDistance))) {
            best = i;
            bestArea = area;
            bestDistance = distance;
        }
    }
    const QRect &screen = screens[best];
    const int fitWidth = int(std::min<qint64>(width, std::max(screen.width(), 1)));
    const int fitHeight = int(std::min<qint64>(height, std::max(screen.height(), 1)));
    return MoveOnto(w.l, w.t, fitWidth, fitHeight, screen);
}

QRect PlaceBeside(const QRect &owner, QSize size, const QRect &screen)
{
    const int w = std::clamp(size.width(), 1, std::max(screen.width(), 1));
    const int h = std::clamp(size.height(), 1, std::max(screen.height(), 1));
    const Span o = SpanOf(owner);
    const Span s = SpanOf(screen);
    const qint64 roomRight = s.r - o.r;
    const qint64 roomLeft = o.l - s.l;
    qint64 x;
    if (roomRight >= w)
        x = o.r;
    else if (roomLeft >= w)
        x = o.l - w;
    else
        x = roomRight >= roomLeft ? s.r - w : s.l;
    return MoveOnto(x, o.t, w, h, screen);
}

}  // namespace kelpo
