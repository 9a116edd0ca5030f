// The main window's construction, its widgets and their placement, the
// option check boxes, the Help button and the window's outer frame.
#include "Main.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include "Desktop.h"
#include "Layout.h"
#include "Product.h"

namespace kelpo {

namespace {

// How long after the window is first shown the outer frame is still fitted
// to the stored bounds; the window manager frames the window within this time.
constexpr int FrameFitMs = 2000;
constexpr int FrameFitMaxTries = 6;

}  // namespace

TMainForm::TMainForm(const MainServices &services, QWidget *parent)
    : QMainWindow(parent),
      Dlg(services.dialogs),
      Shell(services.desktop),
      Clk(services.clock),
      Fmt(services.formats),
      ExeDir(services.exeDir),
      HelpFile(services.helpFile),
      DataDir(services.dataDir),
      VarStore(std::make_unique<kelpo::VarStore>())
{
    // A sizeable window with the system menu and the minimize button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    CreateWidgets();

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
    Data.Clear();
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

    StatusPanel = new QLabel(QStringLiteral("Kelpo from ") + ProductDomain);
    statusBar()->addWidget(StatusPanel, 1);

    Entries = new QListWidget(EntriesTab);
    Entries->setObjectName(QStringLiteral("Entries"));
    Entries->setToolTip(QStringLiteral("Items - Right click for Options"));
    Entries->setContextMenuPolicy(Qt::CustomContextMenu);
    PopupMenu1 = new QMenu(this);
    MenuSaveData = PopupMenu1->addAction(QStringLiteral("Save Now"));
    MenuSaveData->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    // The shortcut works anywhere in the window, not only while the menu is open.
    addAction(MenuSaveData);
    connect(MenuSaveData, &QAction::triggered, this, &TMainForm::MenuSaveDataClick);
    connect(Entries, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu1->popup(Entries->viewport()->mapToGlobal(at)); });

    HelpBut = new QPushButton(QStringLiteral("Help"), EntriesTab);
    HelpBut->setToolTip(QStringLiteral("Read Help File"));
    connect(HelpBut, &QPushButton::clicked, this, &TMainForm::HelpButClick);

    CreateOptionsTab();

    // Sits outside the visible area; it only takes the keyboard focus away
    // from the option check boxes.
    Dummy = new QPushButton(QStringLiteral("Dummy"), this);
    Dummy->setObjectName(QStringLiteral("Dummy"));
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
    m.EditHeight = Browser->sizeHint().height();
    m.ButtonHeight = HelpBut->sizeHint().height();
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
    Entries->setGeometry(o.Entries);
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
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == Page->currentWidget())
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
    FitFrame();
}

void TMainForm::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    FitFrame();
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
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
        Dummy->setFocus();
}

void TMainForm::AlwaysOnTopClick()
{
    if (Loading)
        return;
    Dlg.Information(QStringLiteral("Please exit and restart Kelpo to\nactivate your Always On Top selection."));
}

void TMainForm::HelpButClick()
{
    const bool opened = QFileInfo(HelpFile).isFile() && Shell.OpenUrl(QUrl::fromLocalFile(HelpFile));
    if (!opened)
        Dlg.Error(QStringLiteral("Unable to open the Kelpo help file."));
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

// Filled in by the commands that own these steps.
void TMainForm::FindButtonClick() {}
void TMainForm::CreateNewItem(const QString &url, const QString &title)
{
    Q_UNUSED(url);
    Q_UNUSED(title);
}
void TMainForm::MenuUpdateClick() {}
void TMainForm::NextButClick() {}
void TMainForm::EntriesClick() {}
void TMainForm::ShowLoadedData() {}
void TMainForm::LoadVariableList() {}
void TMainForm::CheckBrowser() {}
void TMainForm::CheckButtonClick() {}
void TMainForm::FillHelpTexts() {}

}  // namespace kelpo
