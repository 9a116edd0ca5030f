#pragma once
// The main window: owns every piece of state for the whole run and runs the
// program's life cycle (start-up, the 15-minute timer, saving, shutdown).
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "Browser.h"
#include "Clock.h"
#include "Dialogs.h"
#include "Formats.h"
#include "Glyphs.h"
#include "Keyboard.h"
#include "LinkDrop.h"
#include "LongTextEdit.h"
#include "MainCommandGuard.h"
#include "Model.h"
#include "Player.h"
#include "VarStore.h"

class QAction;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QListWidgetItem;
class QLocalServer;
class QMenu;
class QPainter;
class QPlainTextEdit;
class QPushButton;
class QStyleOptionViewItem;
class QTabWidget;
class QTimer;

namespace kelpo {

class Desktop;
class IniFile;
class ItemListModel;
class TTiiForm;
struct MainLayout;

// A keyboard that types nothing: Type It In says it is not available.
Keyboard &NoKeyboard();

// What the main window is given by the program entry (or by a test).
struct MainServices {
    Dialogs &dialogs;
    Desktop &desktop;
    Clock &clock;
    Formats formats;        // the program's own formats for this run
    QString exeDir;         // the executable's folder, with a trailing "/"
    QString helpFile;       // the help page opened by the Help button
    QString dataDir;        // the data folder, with a trailing "/"
    QString commandSocket;  // local socket path for outside commands; empty: none
    // The start-up question whether a program opens web pages (tests put
    // their own answer here).
    std::function<BrowserCheck(const QString &dataDir)> checkBrowser = CheckBrowserRegistered;
    // The keyboard and windows Type It In works with.
    Keyboard &keyboard = NoKeyboard();
    // The transfer of an offered file (or of the list file) into the data
    // folder, by its name; true when it arrived. None: the files are
    // already there.
    std::function<bool(const QString &name)> transferFile = {};
};

class TMainForm : public QMainWindow {
    Q_OBJECT

    // One command at a time (see MainCommandGuard.h); made before Dlg, which
    // shows every box through it.
    CommandGuard commands_;
    WaitingDialogs waitingDialogs_;

public:
    explicit TMainForm(const MainServices &services, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Services. Every box the window shows goes through Dlg, which tells the
    // command guard that a command waits.
    Dialogs &Dlg;
    Desktop &Shell;
    Clock &Clk;
    Formats Fmt;
    const QString ExeDir;
    const QString HelpFile;
    const std::function<BrowserCheck(const QString &dataDir)> BrowserProbe;
    Keyboard &TypeKeyboard;
    const std::function<bool(const QString &name)> TransferFile;

    // State for the run.
    Model Data;  // ItemList, GroupTable, NumGroups
    Rec *CurItem = nullptr;
    int UndoneCount = 0;
    bool Loading = false;
    bool ListDrawEnabled = false;
    QString DataDir;
    std::unique_ptr<kelpo::VarStore> VarStore;
    QString DroppedUrl;
    QString DroppedTitle;
    QString LastFind;
    QString DownloadHost;
    QString DownloadDir;
    bool KeepOnTop = false;  // the program's windows stay on top (set once at start)
    // How often Update lets window events run, in milliseconds (0: after
    // every item).
    int UpdateEventsEveryMs = 15;

    // Files that could not be read at start-up and so must not be replaced.
    bool DataFileGuarded = false;
    bool VarFileGuarded = false;
    bool IniFileGuarded = false;

    // Widgets.
    QTabWidget *Page = nullptr;
    QWidget *EntriesTab = nullptr;
    QWidget *OptionsTab = nullptr;
    QWidget *VarTab = nullptr;
    QWidget *DownloadTab = nullptr;
    QLabel *StatusPanel = nullptr;
    // Entries tab.
    QLabel *Label8 = nullptr;  // "Groups:"
    QComboBox *GroupList = nullptr;
    QLabel *Label1 = nullptr;  // the item-count label
    QListView *Entries = nullptr;
    ItemListModel *EntriesList = nullptr;  // the rows of Entries
    QLabel *Label4 = nullptr;
    QLineEdit *Url = nullptr;
    QLabel *Label7 = nullptr;
    QLineEdit *Last = nullptr;
    QLabel *Label3 = nullptr;
    QDateEdit *EndDate = nullptr;
    QLabel *Label6 = nullptr;
    QComboBox *Freq = nullptr;
    QLabel *Label9 = nullptr;
    QLineEdit *NumEntries = nullptr;
    QPushButton *TypeItIn = nullptr;
    QLabel *Label5 = nullptr;
    LongTextEdit *Comments = nullptr;
    QPushButton *NewBut = nullptr;
    QPushButton *DelBut = nullptr;
    QPushButton *GotoBut = nullptr;
    QPushButton *DoneBut = nullptr;
    QPushButton *NextBut = nullptr;
    QPushButton *HelpBut = nullptr;
    // The item menu (right click on the list) and its entries.
    QMenu *PopupMenu1 = nullptr;
    QMenu *MenuGroups = nullptr;  // "Groups": Remove, Move to Trash, one entry per group
    QAction *MenuRemove = nullptr;
    QAction *MenuTrash = nullptr;
    QAction *MenuNewItem = nullptr;
    QAction *MenuDeleteItem = nullptr;
    QAction *MenuRenameItem = nullptr;
    QAction *MenuCopyItem = nullptr;
    QAction *MenuGotoURL = nullptr;
    QAction *MenuMarkDone = nullptr;
    QAction *MenuMarkUnDone = nullptr;
    QAction *MenuUpdate = nullptr;
    QAction *MenuFindItem = nullptr;
    QAction *MenuNextUndone = nullptr;
    QAction *MenuSaveData = nullptr;
    QAction *MenuCancel1 = nullptr;
    // The group menu (right click on the group box).
    QMenu *PopupMenu2 = nullptr;
    QAction *MenuAddNewGroup = nullptr;
    QAction *MenuRenameGroup = nullptr;
    QAction *MenuDeleteGroup = nullptr;
    QAction *MenuSaveGroup = nullptr;
    QAction *MenuLoadGroup = nullptr;
    QAction *MenuResetEntryCounters = nullptr;
    QAction *MenuCancel2 = nullptr;
    QGroupBox *GeneralBox = nullptr;
    QGroupBox *DownloadBox = nullptr;
    QGroupBox *BrowserBox = nullptr;
    QCheckBox *AutoSave = nullptr;
    QCheckBox *AutoCheck = nullptr;
    QCheckBox *SlowDownType = nullptr;
    QCheckBox *AlwaysOnTop = nullptr;
    QCheckBox *CheckForFiles = nullptr;
    QCheckBox *NewOnly = nullptr;
    QLineEdit *Browser = nullptr;
    QPushButton *FindButton = nullptr;
    QTimer *Timer1 = nullptr;
    QLocalServer *CommandServer = nullptr;

    // Variables tab.
    QLabel *Label12 = nullptr;  // "Variables:"
    QListWidget *Variables = nullptr;  // the variable names, braces included
    QPlainTextEdit *VarHelp = nullptr;
    QLabel *Label10 = nullptr;  // "Variable Name:"
    QLineEdit *VarName = nullptr;
    QLabel *Label11 = nullptr;  // "Value:"
    QLineEdit *VarValue = nullptr;
    QPushButton *VarNewButton = nullptr;
    QPushButton *VarDelButton = nullptr;

    // Download tab.
    QLabel *Label13 = nullptr;  // "Availlable Files:", then the counts of the last Check
    QListWidget *FileList = nullptr;  // offered file names, sorted
    QPushButton *CheckButton = nullptr;
    QLabel *Label14 = nullptr;  // "Description:"
    QPlainTextEdit *Description = nullptr;
    QPushButton *DownloadBut = nullptr;
    QPlainTextEdit *DownloadHelp = nullptr;
    QStringList DownloadList;  // the entry lines of the last list file read

    // Link drop: a drop records the link and arms this one-shot timer, whose
    // tick offers the new item once the drag source has been answered.
    QTimer *DropTimer = nullptr;

    // Type It In: the player with the window it types into, the timer that
    // keeps that window up to date, and the script editor window (made by
    // the program entry after the main window; none until then).
    std::unique_ptr<Player> ScriptPlayer;
    QTimer *FindTarget = nullptr;
    void SetTiiForm(TTiiForm *form);

    // Variables.
    bool InVars(const QString &name) const;  // the Variables list holds it (any case)
    QString VariableValue(const QString &name) const;  // stored value (any case); "" if none
    QStringList VariableNames() const;  // the Variables list's entries, in list order
    void VariablesClick();
    void VarNameChange();
    void VarValueChange();
    void VarNewButtonClick();
    void VarDelButtonClick();

    // Type It In.
    void FindTargetTimer();

    // Life cycle.
    void FormCreate();
    bool FormCloseQuery();  // true: the window may close
    void FormDestroy();

    // Handlers.
    void FormResize();
    void WMGetMinMaxInfo();  // the smallest outer window size, 350 x 300
    void PageChange();
    void EntriesTabEnter();
    void Timer1Timer();
    void MenuSaveDataClick();
    void HelpButClick();
    void AlwaysOnTopClick();
    void OptionClick();  // AutoSave, AutoCheck, SlowDownType, CheckForFiles, NewOnly
    void FindButtonClick();
    void FindButtonMouseDown(Qt::MouseButton button);  // right button: open the data folder
    // A command line from the command socket ("1000": offer the last dropped
    // link; "show": bring the window to the front).
    void wmHandleMessages(const QByteArray &line);
    void BringToFront();

    // Writes the model to FileName; with MakeBackup copies "Kelpo.dat" to
    // "Kelpo.bak" after a good write. Reports its own failures. True when the
    // entries are safely on disk (in "Kelpo.new" when the data file is
    // guarded); *backupMade tells whether the backup copy was made.
    bool SaveData(const QString &FileName, bool MakeBackup, bool *backupMade = nullptr);

    // Called once by the program entry: keeps the windows on top when the
    // option was on at start.
    void ApplyAlwaysOnTop();

    void SetStatusText(const QString &text);
    QString StatusText() const;

    // Places the window so that its outer frame takes `frame`.
    void PlaceWindow(const QRect &frame);

    // The item list and the editors of the current item.
    // Draws one row into `option.rect` with the colours `option` carries.
    void EntriesDrawItem(QPainter &painter, const QStyleOptionViewItem &option, int row);
    // The index in ItemList of a row's item, which becomes CurItem. A row at
    // or past the end returns 0 and leaves CurItem alone; -1 when the row's
    // record is no longer held (the list was not kept in step).
    int FindItem(int row);
    int FocusedRow() const;  // -1 when no row has the focus
    QList<int> SelectedRows() const;  // ascending
    void EntriesClick();     // loads the focused row's item into the editors
    void SelectOneItem(int row);
    void LastChange();
    void EndDateChange();
    void FreqChange();
    void NumEntriesChange();
    void SetItemCountLabel();  // "Items: (" due "/" rows ")"
    void RepaintEntries();
    Glyph RowGlyph(const Rec &rec) const;

    // Groups: the group box, the "Groups" submenu and the group view.
    void GroupListChange();      // fills the list for the shown group
    // Sorted in; the shown row stays. `kind` is 0 for "All Items", -1 for
    // "Trash" and 1 for a group, whose number the row keeps as well.
    void AddGroupListRow(const QString &name, int kind, int groupNumber = 0);
    QAction *AddGroupMenuItem(int slot);        // appended to the "Groups" submenu
    // The group's entry in the "Groups" submenu by its slot in GroupTable;
    // nullptr when the slot holds no group.
    QAction *GroupMenuEntry(int slot) const;
    QString ShownGroup() const;  // the text of the group box's shown row
    // The shown group as FindGroup gives it (0 "All Items", -1 "Trash", else
    // the slot), taken from the row itself so that a group whose name looks
    // like a fixed row's is still told apart.
    int ShownSlot() const;
    // Makes the row of `slot` (0 "All Items", -1 "Trash") the shown row,
    // without listing its items.
    void ShowGroupRow(int slot);
    // The group box ("All Items" shown) and the "Groups" submenu from GroupTable.
    void FillGroupList();
    // Adds a group under the smallest free number, with its group box row and
    // submenu entry; returns its slot. Checks no name (callers do). A full
    // table is refused with a message and gives 0.
    int CreateNewGroup(const QString &name);
    // Shows the message and returns true when no further group fits.
    bool GroupTableFull();

    // Completion commands.
    void DoneButClick();
    void MenuMarkUnDoneClick();
    void DoneButMouseDown(Qt::MouseButton button);
    void NextButClick();
    void MenuUpdateClick();
    void MenuResetEntryCountersClick();

    // Steps that other parts of the program fill in.
    virtual void CreateNewItem(const QString &url, const QString &title);
    void NewButClick();
    void DelButClick();
    void DelButMouseDown(Qt::MouseButton button);
    void GotoButClick();
    void EntriesDblClick();
    void TypeItInClick();
    // The desktop-wide shortcut was pressed: types the current item's script
    // into the window that has the focus, unless that is one of Kelpo's own.
    void TypeItInShortcut();
    void TypeItInMouseDown(Qt::MouseButton button);
    void UrlChange();
    void CommentsChange();
    void MenuRenameItemClick();
    void MenuCopyItemClick();
    void MenuFindItemClick();
    // "Remove" (MenuRemove) or a group's entry (GroupMenuEntry; the
    // entry's data() is the group's name).
    void MenuGroupSelectClick(QAction *sender);
    void MenuTrashClick();
    void MenuAddNewGroupClick();
    void MenuRenameGroupClick();
    void MenuDeleteGroupClick();
    // Takes these rows out of the list; their records stay. Rows still
    // selected stay selected; the focus stays on its item or, when that row
    // went, moves to the row that took its place. Keeps the item-count label
    // in step.
    void TakeRows(std::vector<int> rows);
    // Removes these records from the list and from ItemList, in one pass each.
    void DeleteItems(const std::vector<Rec *> &doomed);
    std::vector<Rec *> SelectedItems() const;  // the selected rows' records, in row order
    std::vector<int> RowsOf(const std::vector<Rec *> &recs) const;  // ascending; unlisted ones left out
    // Group exchange files.
    void MenuSaveGroupClick();
    void MenuLoadGroupClick();
    // Imports the exchange file at `path` with all its questions and messages.
    void LoadDataFile(const QString &path);

    // Link drop.
    void DropURLTargetDrop(const DroppedLink &link);
    void DropTimerTimer();

    // Download tab.
    bool RequestFile(const QString &name);  // the transfer step: toggles the buttons
    void FileListClick();
    void DownloadButClick();
    void ShowLoadedData();     // group selector, item list, first update and next item
    void LoadVariableList();   // the Variables tab from VarStore
    void CheckBrowser();       // warn when no program opens web pages
    void CheckButtonClick();   // look for new exchange files (Download tab)
    void FillHelpTexts();      // explanation texts of the Variables and Download tabs

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateWidgets();
    void CreateEntriesTab();
    void CreateMenus();
    void ContextMenuFromKeyboard();  // Shift+F10
    void FocusToTabBar();
    void CreateOptionsTab();
    void CreateDownloadTab();
    void PlaceDownloadTab(const MainLayout &o);
    void CreateDropTarget();
    void FillEntries();
    // Steps of the item and group commands.
    bool KeepNameFree(const QString &prompt, QString *name);  // false: cancelled
    void ListNewItem(std::unique_ptr<Rec> rec);  // appends, lists and selects it
    void JoinGroup(int slot);
    void RemoveFromShownGroup();
    Rec *EditedItem();
    void ShowEndDate(double ends);
    void ShowAddress(const QString &site);
    void StartCommandServer(const QString &path);
    // FormCreate's steps.
    void MigrateOldFiles();
    void MakeDailyCopy();
    void ReadBrandFile();
    void ReadSettings();
    void CheckVersion();
    void LoadMainDataFile();
    void LoadVariables();
    void WriteSettings();
    bool LoadIni(const QString &path, IniFile &ini);
    void RestoreBackup();
    bool KeepEarlierNewFile(const QString &newFile);
    QString SetAsideDamagedFile(const QString &path);
    void FitFrame();
    double Now() const;

    QRect wantedFrame_;
    int fitTries_ = 0;
    bool fitting_ = false;
    bool newFileKept_ = false;
    // The group FillEntries listed, as its group box row tells it (kind and
    // group number); the row shown again when a switch is refused.
    int listedKind_ = 0;
    int listedNumber_ = 0;
    int selecting_ = 0;       // the program itself moves the focused row
    // Each group's entry in the "Groups" submenu (owned by the submenu), by
    // its slot in Data.GroupTable and kept in step with it.
    std::array<QAction *, MaxGroups + 1> groupMenuEntries_{};
    QIcon keyGrnIcon_;
    QIcon keyboardIcon_;

    // Variables tab and Type It In (MainVariables.cpp, MainTypeItIn.cpp).
    void CreateVarTab();
    void PlaceVarTab(const MainLayout &o);
    void FillVarHelp();
    void CreateTypeItIn();
    void EditScript();  // the editor window for the current item
    void PlaceScriptEditor();
    bool IsOwnWindow(quint64 window) const;
    void TypeCurrentScript(quint64 target, bool inPlace);
    void ShowTypeButtonPicture();
    // Each Variables entry is tied to its VarStore line by an id kept
    // beside the line, so renames and values always reach the entry's own
    // line, also while two entries briefly share a name.
    int VarLineOf(const QListWidgetItem *item);
    void TieVarLine(QListWidgetItem *item, int line);
    void RemoveVarLine(int line);
    int AppendVarLine(const QString &line);
    void InsertVariable(QListWidgetItem *item);  // at its sorted place
    void RefillTiiVarList();
    QList<quint64> varLineIds_;  // one per VarStore line; 0: tied to no entry
    quint64 lastVarLineId_ = 0;
    bool showingVar_ = false;  // VariablesClick fills the two editors
    QPointer<TTiiForm> tiiForm_;
    bool tiiPlaced_ = false;  // the editor window has been put beside this one
    DroppedLink enteringLink_;  // read when the drag entered the window
};

}  // namespace kelpo
