// The main window's construction, its widgets and their placement, the
// option check boxes, the Help button and the window's outer frame.
#include "Main.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include "Desktop.h"
#include "DownloadList.h"
#include "Due.h"
#include "ItemListModel.h"
#include "Layout.h"
#include "LongTextEdit.h"
#include "MainHelpers.h"
#include "MainWidgets.h"
#include "NamedComboAccessible.h"
#include "Product.h"

namespace kelpo {

namespace {

// How long after the window is first shown the outer frame is still fitted
// to the stored bounds; the window manager frames the window within this time.
constexpr int FrameFitMs = 2000;
constexpr int FrameFitMaxTries = 6;

// The end date editor: the arrow keys, Page Up/Down and the wheel step the
// day and the month but never the year, so that a stray key cannot move an
// end date a year away unnoticed. The year is typed or picked in the calendar.
class EndDateEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    StepEnabled stepEnabled() const override
    {
        return currentSection() == YearSection ? StepNone : QDateEdit::stepEnabled();
    }
};

}  // namespace

TMainForm::TMainForm(const MainServices &services, QWidget *parent)
    : QMainWindow(parent),
      waitingDialogs_(services.dialogs, commands_),
      Dlg(waitingDialogs_),
      Shell(services.desktop),
      Clk(services.clock),
      Fmt(services.formats),
      ExeDir(services.exeDir),
      HelpFile(services.helpFile),
      BrowserProbe(services.checkBrowser),
      TypeKeyboard(services.keyboard),
      TransferFile(services.transferFile),
      DataDir(services.dataDir),
      VarStore(std::make_unique<kelpo::VarStore>())
{
    // A sizeable window with the system menu and the minimize button only.
    // A changing command refused while another one waits is only heard.
    commands_.Refused = [] { QApplication::beep(); };
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The Groups and Repeat boxes are announced by their labels, then their rows.
    NamedComboAccessible::Install();
    CreateWidgets();
    CreateTypeItIn();

    Timer1 = new QTimer(this);
    Timer1->setInterval(900000);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);

    StartCommandServer(services.commandSocket);
    FormCreate();
    Timer1->start();
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

void TMainForm::FormDestroy()
{
    CurItem = nullptr;
    // The rows point at the records: they go first.
    if (EntriesList)
        EntriesList->Clear();
    Data.Clear();
    // Cleared at once: rows deleted one by one with the widget each search
    // the whole list for themselves.
    if (Variables)
        Variables->clear();
    VarStore.reset();
}

void TMainForm::CreateWidgets()
{
    Page = new QTabWidget(this);
    setCentralWidget(Page);
    EntriesTab = new QWidget;
    OptionsTab = new QWidget;
    VarTab = new QWidget;
    DownloadTab = new QWidget;
    Page->addTab(EntriesTab, QStringLiteral("Entries"));
    Page->addTab(OptionsTab, QStringLiteral("Options"));
    Page->addTab(VarTab, QStringLiteral("Variables"));
    Page->addTab(DownloadTab, QStringLiteral("Download"));
    for (QWidget *tab : {EntriesTab, OptionsTab, VarTab, DownloadTab})
        tab->installEventFilter(this);
    connect(Page, &QTabWidget::currentChanged, this, &TMainForm::PageChange);

    StatusPanel = new QLabel(QStringLiteral("Kelpo from ") + ProductDomain);
    statusBar()->addWidget(StatusPanel, 1);

    CreateEntriesTab();
    CreateMenus();
    CreateOptionsTab();
    CreateVarTab();
    CreateDownloadTab();
    CreateDropTarget();
}

// Takes the keyboard focus away from the option check boxes to the tab bar:
// a control a screen reader names, from which the arrow keys, Ctrl+Tab and
// Tab go on as everywhere.
void TMainForm::FocusToTabBar()
{
    Page->tabBar()->setFocus(Qt::OtherFocusReason);
}

QLabel *LabelFor(const QString &text, QWidget *control, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(control);
    QString name = text;
    name.remove(QStringLiteral("&&"));
    name.remove(QLatin1Char(':'));
    control->setAccessibleName(name.simplified());
    return label;
}

void PlaceLabel(QLabel *label, const QRect &at, int width)
{
    label->setGeometry(at.x(), at.y(), width, label->sizeHint().height());
}

QPushButton *Button(const QString &caption, const QString &hint, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(caption + QStringLiteral("But"));
    b->setToolTip(hint);
    return b;
}

void TMainForm::CreateEntriesTab()
{
    QWidget *tab = EntriesTab;
    GroupList = new QComboBox(tab);
    GroupList->setObjectName(QStringLiteral("GroupList"));
    GroupList->setToolTip(QStringLiteral("Groups - Right click for options"));
    GroupList->setContextMenuPolicy(Qt::CustomContextMenu);
    Label8 = LabelFor(QStringLiteral("Groups:"), GroupList, tab);
    connect(GroupList, &QComboBox::activated, this, [this] { GroupListChange(); });

    Entries = new QListView(tab);
    Entries->setObjectName(QStringLiteral("Entries"));
    Entries->setToolTip(QStringLiteral("Items - Right click for Options"));
    Entries->setContextMenuPolicy(Qt::CustomContextMenu);
    Entries->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Entries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Entries->setUniformItemSizes(true);
    Entries->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    EntriesList = new ItemListModel(this);
    EntriesList->SetGlyphSource([this](const Rec &rec) { return RowGlyph(rec); });
    Entries->setModel(EntriesList);
    Entries->setItemDelegate(new RowDelegate(
        [this](QPainter &p, const QStyleOptionViewItem &o, int row) { EntriesDrawItem(p, o, row); }, Entries));
    Label1 = LabelFor(QStringLiteral("Items:"), Entries, tab);
    connect(Entries->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!selecting_)
            EntriesClick();
    });
    connect(Entries, &QAbstractItemView::doubleClicked, this, &TMainForm::EntriesDblClick);

    Url = new QLineEdit(QStringLiteral("http://"), tab);
    Label4 = LabelFor(QStringLiteral("Web site:"), Url, tab);
    Last = new QLineEdit(tab);
    Label7 = LabelFor(QStringLiteral("Last completed:"), Last, tab);
    EndDate = new EndDateEdit(tab);
    EndDate->setCalendarPopup(true);
    EndDate->setDisplayFormat(Fmt.ShortDatePattern());
    Label3 = LabelFor(QStringLiteral("Ends on:"), EndDate, tab);
    Freq = new QComboBox(tab);
    for (int i = 0; i < RepeatKindCount; ++i)
        Freq->addItem(QString::fromLatin1(RepeatCaption(i)));
    Label6 = LabelFor(QStringLiteral("Repeat:"), Freq, tab);
    NumEntries = new QLineEdit(tab);
    Label9 = LabelFor(QStringLiteral("Entries:"), NumEntries, tab);
    TypeItIn = Button(QStringLiteral("Type"), QStringLiteral("Type It In"), tab);
    TypeItIn->setObjectName(QStringLiteral("TypeItIn"));
    keyGrnIcon_ = GlyphIcon(Glyph::KeyGrn);
    keyboardIcon_ = GlyphIcon(Glyph::Keyboard);
    TypeItIn->setIcon(keyboardIcon_);
    Comments = new LongTextEdit(tab);
    Comments->setPlainText(QStringLiteral("Comments"));
    Comments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Comments->setTabChangesFocus(true);  // Tab leaves the box like any other edit box
    Label5 = LabelFor(QStringLiteral("Rules && Comments:"), Comments, tab);

    connect(Url, &QLineEdit::textChanged, this, &TMainForm::UrlChange);
    connect(Last, &QLineEdit::textChanged, this, &TMainForm::LastChange);
    connect(EndDate, &QDateEdit::dateChanged, this, &TMainForm::EndDateChange);
    // The calendar closing counts as a change as well.
    EndDate->calendarWidget()->window()->installEventFilter(this);
    connect(Freq, &QComboBox::currentIndexChanged, this, &TMainForm::FreqChange);
    connect(NumEntries, &QLineEdit::textChanged, this, &TMainForm::NumEntriesChange);
    connect(TypeItIn, &QPushButton::clicked, this, &TMainForm::TypeItInClick);
    connect(Comments, &QPlainTextEdit::textChanged, this, &TMainForm::CommentsChange);

    NewBut = Button(QStringLiteral("New"), QStringLiteral("Add new Item"), tab);
    DelBut = Button(QStringLiteral("Del"), QStringLiteral("Delete this Item"), tab);
    GotoBut = Button(QStringLiteral("Goto"), QStringLiteral("Goto the web site"), tab);
    DoneBut = Button(QStringLiteral("Done"), QStringLiteral("Mark item as done"), tab);
    NextBut = Button(QStringLiteral("Next"), QStringLiteral("Next item to do"), tab);
    HelpBut = Button(QStringLiteral("Help"), QStringLiteral("Read Help File"), tab);
    connect(NewBut, &QPushButton::clicked, this, &TMainForm::NewButClick);
    connect(DelBut, &QPushButton::clicked, this, &TMainForm::DelButClick);
    connect(GotoBut, &QPushButton::clicked, this, &TMainForm::GotoButClick);
    connect(DoneBut, &QPushButton::clicked, this, &TMainForm::DoneButClick);
    connect(NextBut, &QPushButton::clicked, this, &TMainForm::NextButClick);
    connect(HelpBut, &QPushButton::clicked, this, &TMainForm::HelpButClick);
    // Presses of the right button on these three have commands of their own.
    for (QPushButton *b : {DelBut, DoneBut, TypeItIn})
        b->installEventFilter(this);
}

void TMainForm::CreateMenus()
{
    // Menu shortcuts work anywhere in the window, not only while a menu is open.
    const auto entry = [this](QMenu *menu, const char *caption, void (TMainForm::*handler)(),
                              const QKeySequence &key = QKeySequence()) {
        QAction *a = menu->addAction(QString::fromLatin1(caption));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            addAction(a);
        }
        if (handler)
            connect(a, &QAction::triggered, this, handler);
        return a;
    };

    PopupMenu1 = new QMenu(this);
    MenuGroups = PopupMenu1->addMenu(QStringLiteral("Groups"));
    MenuRemove = MenuGroups->addAction(QStringLiteral("Remove"));
    MenuRemove->setData(QStringLiteral("Remove"));
    connect(MenuRemove, &QAction::triggered, this, [this] { MenuGroupSelectClick(MenuRemove); });
    MenuTrash = entry(MenuGroups, "Move to Trash", &TMainForm::MenuTrashClick);
    PopupMenu1->addSeparator();
    MenuNewItem = entry(PopupMenu1, "New Item", &TMainForm::NewButClick, QKeySequence(Qt::CTRL | Qt::Key_N));
    MenuDeleteItem = entry(PopupMenu1, "Delete Item", &TMainForm::DelButClick, QKeySequence(Qt::CTRL | Qt::Key_D));
    MenuRenameItem = entry(PopupMenu1, "Rename Item", &TMainForm::MenuRenameItemClick, QKeySequence(Qt::CTRL | Qt::Key_R));
    MenuCopyItem = entry(PopupMenu1, "Copy Item", &TMainForm::MenuCopyItemClick, QKeySequence(Qt::CTRL | Qt::Key_E));
    PopupMenu1->addSeparator();
    MenuGotoURL = entry(PopupMenu1, "Goto URL", &TMainForm::GotoButClick, QKeySequence(Qt::CTRL | Qt::Key_G));
    MenuMarkDone = entry(PopupMenu1, "Mark as Done", &TMainForm::DoneButClick, QKeySequence(Qt::CTRL | Qt::Key_M));
    MenuMarkUnDone = entry(PopupMenu1, "Mark as Undone", &TMainForm::MenuMarkUnDoneClick, QKeySequence(Qt::CTRL | Qt::Key_L));
    MenuUpdate = entry(PopupMenu1, "Update", &TMainForm::MenuUpdateClick, QKeySequence(Qt::CTRL | Qt::Key_U));
    MenuFindItem = entry(PopupMenu1, "Find Item", &TMainForm::MenuFindItemClick, QKeySequence(Qt::Key_F3));
    MenuNextUndone = entry(PopupMenu1, "Next Undone", &TMainForm::NextButClick, QKeySequence(Qt::CTRL | Qt::Key_A));
    PopupMenu1->addSeparator();
    MenuSaveData = entry(PopupMenu1, "Save Now", &TMainForm::MenuSaveDataClick, QKeySequence(Qt::CTRL | Qt::Key_S));
    PopupMenu1->addSeparator();
    MenuCancel1 = entry(PopupMenu1, "Cancel", nullptr);  // closes the menu
    connect(Entries, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu1->popup(Entries->viewport()->mapToGlobal(at)); });

    PopupMenu2 = new QMenu(this);
    MenuAddNewGroup = entry(PopupMenu2, "Add New Group", &TMainForm::MenuAddNewGroupClick);
    MenuRenameGroup = entry(PopupMenu2, "Rename Group", &TMainForm::MenuRenameGroupClick);
    MenuDeleteGroup = entry(PopupMenu2, "Delete Group", &TMainForm::MenuDeleteGroupClick);
    PopupMenu2->addSeparator();
    MenuSaveGroup = entry(PopupMenu2, "Save Group to File", &TMainForm::MenuSaveGroupClick);
    MenuLoadGroup = entry(PopupMenu2, "Load Group from File", &TMainForm::MenuLoadGroupClick);
    MenuResetEntryCounters = entry(PopupMenu2, "Reset Entry Counters", &TMainForm::MenuResetEntryCountersClick);
    PopupMenu2->addSeparator();
    MenuCancel2 = entry(PopupMenu2, "Cancel", nullptr);
    connect(GroupList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu2->popup(GroupList->mapToGlobal(at)); });

    // Keys for what otherwise takes the mouse: the right presses on Type and
    // Find, the Help button, and Shift+F10 where a keyboard has no Menu key.
    const auto key = [this](const QKeySequence &sequence, auto handler) {
        auto *a = new QAction(this);
        a->setShortcut(sequence);
        addAction(a);
        connect(a, &QAction::triggered, this, handler);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_T), &TMainForm::EditScript);
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), [this] { FindButtonMouseDown(Qt::RightButton); });
    key(QKeySequence(Qt::Key_F1), &TMainForm::HelpButClick);
    key(QKeySequence(Qt::SHIFT | Qt::Key_F10), &TMainForm::ContextMenuFromKeyboard);
}

// What the Menu key does: the context menu of the control with the focus,
// for the item list at its current row.
void TMainForm::ContextMenuFromKeyboard()
{
    QWidget *w = focusWidget();
    if (!w)
        return;
    QWidget *area = w;
    QPoint at = w->rect().center();
    if (w == Entries) {
        // The list's menu is placed in its viewport's coordinates.
        area = Entries->viewport();
        const QRect row = Entries->visualRect(Entries->currentIndex());
        at = row.isValid() ? row.center() : QPoint(0, 0);
    }
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, area->mapToGlobal(at));
    QCoreApplication::sendEvent(w, &menu);
}

void TMainForm::CreateOptionsTab()
{
    GeneralBox = new QGroupBox(QStringLiteral("General Options:"), OptionsTab);
    AutoSave = new QCheckBox(QStringLiteral("Automatically save data every 15 minutes"), GeneralBox);
    AutoCheck = new QCheckBox(QStringLiteral("Automatically check for uncompleted items every 15 minutes"), GeneralBox);
    SlowDownType = new QCheckBox(QStringLiteral("Slow down Type Function"), GeneralBox);
    AlwaysOnTop = new QCheckBox(QStringLiteral("Keep Kelpo windows Always On Top"), GeneralBox);

    DownloadBox = new QGroupBox(QStringLiteral("Download Options:"), OptionsTab);
    CheckForFiles = new QCheckBox(QStringLiteral("Check for new Kelpo Data Files on Startup"), DownloadBox);
    NewOnly = new QCheckBox(QStringLiteral("Only display new files in list"), DownloadBox);

    BrowserBox = new QGroupBox(QStringLiteral("Browser: (leave blank to use default)"), OptionsTab);
    Browser = new QLineEdit(BrowserBox);
    Browser->setObjectName(QStringLiteral("Browser"));
    FindButton = new QPushButton(QStringLiteral("Find"), BrowserBox);
    connect(FindButton, &QPushButton::clicked, this, &TMainForm::FindButtonClick);
    FindButton->installEventFilter(this);  // its right button opens the data folder

    for (QCheckBox *box : {AutoSave, AutoCheck, SlowDownType, CheckForFiles, NewOnly})
        connect(box, &QCheckBox::clicked, this, &TMainForm::OptionClick);
    connect(AlwaysOnTop, &QCheckBox::clicked, this, &TMainForm::AlwaysOnTopClick);
}

void TMainForm::FormResize()
{
    const QWidget *page = Page->currentWidget();
    if (!page)
        return;
    // Natural heights of this desktop's controls; the group boxes grow when
    // the desktop's font needs more room than the design gave them.
    LayoutMetrics m;
    m.EditHeight = std::max({Browser->sizeHint().height(), GroupList->sizeHint().height(),
                             EndDate->sizeHint().height()});
    m.ButtonHeight = HelpBut->sizeHint().height();
    m.LabelHeight = Label1->sizeHint().height();
    m.FindButtonWidth = std::max(m.FindButtonWidth, FindButton->sizeHint().width());
    const int titleSpace = GeneralBox->contentsMargins().top();
    const int checkHeight = std::max(m.CheckBoxHeight, AutoSave->sizeHint().height());
    const int firstTop = std::max(m.CheckBoxTops[0], titleSpace + 2);
    const int step = std::max(m.CheckBoxTops[1] - m.CheckBoxTops[0], checkHeight + 1);
    for (int i = 0; i < 4; ++i)
        m.CheckBoxTops[i] = firstTop + i * step;
    m.CheckBoxHeight = checkHeight;
    m.GeneralBoxHeight = std::max(m.GeneralBoxHeight, m.CheckBoxTops[3] + step + 2);
    m.DownloadBoxHeight = std::max(m.DownloadBoxHeight, m.CheckBoxTops[1] + step + 2);
    m.BrowserTopInBox = std::max(m.BrowserTopInBox, titleSpace + 2);

    const MainLayout o = ComputeLayout(page->width(), page->height(), m);
    // Labels take their natural height and the width of what they name.
    PlaceLabel(Label8, o.Label8, o.GroupList.width());
    GroupList->setGeometry(o.GroupList);
    PlaceLabel(Label1, o.Label1, o.Entries.width());
    Entries->setGeometry(o.Entries);
    PlaceLabel(Label4, o.Label4, o.Url.width());
    Url->setGeometry(o.Url);
    PlaceLabel(Label7, o.Label7, o.Last.width());
    Last->setGeometry(o.Last);
    PlaceLabel(Label3, o.Label3, o.EndDate.width());
    EndDate->setGeometry(o.EndDate);
    PlaceLabel(Label6, o.Label6, o.Freq.width());
    Freq->setGeometry(o.Freq);
    PlaceLabel(Label9, o.Label9, o.NumEntries.width() + o.TypeItIn.width() + 4);
    NumEntries->setGeometry(o.NumEntries);
    TypeItIn->setGeometry(o.TypeItIn);
    PlaceLabel(Label5, o.Label5, o.Comments.width());
    Comments->setGeometry(o.Comments);
    NewBut->setGeometry(o.NewBut);
    DelBut->setGeometry(o.DelBut);
    GotoBut->setGeometry(o.GotoBut);
    DoneBut->setGeometry(o.DoneBut);
    NextBut->setGeometry(o.NextBut);
    HelpBut->setGeometry(o.HelpBut);

    GeneralBox->setGeometry(o.GeneralBox);
    DownloadBox->setGeometry(o.DownloadBox);
    BrowserBox->setGeometry(o.BrowserBox);
    // The browser box is sized by its edit: keep the edit's bottom margin.
    BrowserBox->resize(o.BrowserBox.width(), std::max(o.BrowserBox.height(),
                                                       o.Browser.y() + o.Browser.height() + 8));
    Browser->setGeometry(o.Browser);
    FindButton->setGeometry(o.FindButton);
    AutoSave->setGeometry(o.AutoSave);
    AutoCheck->setGeometry(o.AutoCheck);
    SlowDownType->setGeometry(o.SlowDownType);
    AlwaysOnTop->setGeometry(o.AlwaysOnTop);
    CheckForFiles->setGeometry(o.CheckForFiles);
    NewOnly->setGeometry(o.NewOnly);

    PlaceVarTab(o);
    PlaceDownloadTab(o);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == Page->currentWidget())
            FormResize();
        break;
    case QEvent::MouseButtonPress: {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        if (watched == DoneBut)
            DoneButMouseDown(button);
        else if (watched == DelBut)
            DelButMouseDown(button);
        else if (watched == TypeItIn)
            TypeItInMouseDown(button);
        else if (watched == FindButton)
            FindButtonMouseDown(button);
        break;
    }
    case QEvent::Hide:
        if (watched == EndDate->calendarWidget()->window())
            EndDateChange();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::WMGetMinMaxInfo()
{
    // The limit is on the outer size: once the window manager has framed the
    // window, its frame comes off the inner minimum.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize inner(std::max(0, MainMinimumSize.width() - frame.width()),
                      std::max(0, MainMinimumSize.height() - frame.height()));
    if (minimumSize() != inner)
        setMinimumSize(inner);
}

void TMainForm::PageChange()
{
    if (Page->currentWidget() == OptionsTab)
        FocusToTabBar();
    else if (Page->currentWidget() == EntriesTab)
        EntriesTabEnter();
}

void TMainForm::EntriesTabEnter()
{
    Entries->setFocus();
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    WMGetMinMaxInfo();
    FormResize();
    FitFrame();
}

void TMainForm::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    WMGetMinMaxInfo();
    FitFrame();
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    WMGetMinMaxInfo();
    FormResize();
    if (wantedFrame_.isValid() && !fitting_ && fitTries_ == 0) {
        fitting_ = true;
        QTimer::singleShot(FrameFitMs, this, [this] { fitting_ = false; });
        // The window manager's frame may arrive without any event of ours.
        for (int ms : {50, 200, 600, 1500})
            QTimer::singleShot(ms, this, &TMainForm::FitFrame);
        FitFrame();
    }
}

void TMainForm::PlaceWindow(const QRect &frame)
{
    wantedFrame_ = frame;
    fitTries_ = 0;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    resize(std::max(1, frame.width() - (outer.width() - inner.width())),
           std::max(1, frame.height() - (outer.height() - inner.height())));
    // For a window not yet shown, the position is that of its outer frame.
    move(frame.topLeft());
}

// Once the window manager has framed the window, shrink the inner size by the
// frame so that the outer bounds are the stored ones, and put the frame where
// it was stored. Fitting stops after a short while so that later moves and
// resizes by the user are left alone.
void TMainForm::FitFrame()
{
    if (!fitting_ || !isVisible() || fitTries_ >= FrameFitMaxTries)
        return;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    if (outer == inner)
        return;  // not framed (yet)
    const QSize wantInner(wantedFrame_.width() - (outer.width() - inner.width()),
                          wantedFrame_.height() - (outer.height() - inner.height()));
    const bool resizeNeeded = wantInner != inner.size() && wantInner.isValid();
    const bool moveNeeded = outer.topLeft() != wantedFrame_.topLeft();
    if (!resizeNeeded && !moveNeeded)
        return;
    ++fitTries_;
    if (resizeNeeded)
        resize(wantInner);
    if (moveNeeded)
        move(wantedFrame_.topLeft());
}

void TMainForm::ApplyAlwaysOnTop()
{
    if (!AlwaysOnTop->isChecked())
        return;
    KeepOnTop = true;
    const bool shown = isVisible();
    const QRect frame = shown ? frameGeometry() : wantedFrame_;
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown) {
        // Changing the flags of a shown window hides it.
        PlaceWindow(frame);
        show();
    }
}

void TMainForm::OptionClick()
{
    if (isVisible())
        FocusToTabBar();
}

void TMainForm::AlwaysOnTopClick()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    if (Loading)
        return;
    Dlg.Information(QStringLiteral("Please exit and restart Kelpo to\nactivate your Always On Top selection."));
}

// The help page opens like a web site: in the chosen browser, or the
// desktop's default one.
void TMainForm::HelpButClick()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    const QString failed = QStringLiteral("Unable to open the Kelpo help file.");
    if (!QFileInfo(HelpFile).isFile()) {
        Dlg.Error(failed + QStringLiteral("\nThe file \"%1\" is missing.").arg(HelpFile));
    } else {
        const QUrl page = QUrl::fromLocalFile(HelpFile);
        const PageOpen opened = OpenPage(Shell, Browser->text(), page, page.toString());
        const QString problem = PageOpenProblem(opened, Browser->text());
        if (!problem.isEmpty())
            Dlg.Error(opened.opened ? problem : failed + QLatin1Char('\n') + problem);
    }
    if (isVisible())
        Entries->setFocus();
}

void TMainForm::SetStatusText(const QString &text)
{
    StatusPanel->setText(text);
}

QString TMainForm::StatusText() const
{
    return StatusPanel->text();
}

void TMainForm::FillHelpTexts()
{
    FillVarHelp();
    DownloadHelp->setPlainText(DownloadHelpText(ProductContact));
}

}  // namespace kelpo
