#pragma once
// The main window: owns every piece of state for the whole run and runs the
// program's life cycle (start-up, the 15-minute timer, saving, shutdown).
#include <QMainWindow>
#include <QRect>
#include <QString>

#include <memory>

#include "Clock.h"
#include "Dialogs.h"
#include "Formats.h"
#include "Model.h"
#include "VarStore.h"

class QAction;
class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QLocalServer;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;

namespace kelpo {

class Desktop;
class IniFile;

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
};

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(const MainServices &services, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Services.
    Dialogs &Dlg;
    Desktop &Shell;
    Clock &Clk;
    Formats Fmt;
    const QString ExeDir;
    const QString HelpFile;

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
    QListWidget *Entries = nullptr;
    QPushButton *HelpBut = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *MenuSaveData = nullptr;
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
    QPushButton *Dummy = nullptr;
    QTimer *Timer1 = nullptr;
    QLocalServer *CommandServer = nullptr;

    // Life cycle.
    void FormCreate();
    bool FormCloseQuery();  // true: the window may close
    void FormDestroy();

    // Handlers.
    void FormResize();
    void Timer1Timer();
    void MenuSaveDataClick();
    void HelpButClick();
    void AlwaysOnTopClick();
    void OptionClick();  // AutoSave, AutoCheck, SlowDownType, CheckForFiles, NewOnly
    void FindButtonClick();
    // A command line from the command socket ("1000": offer the last dropped link).
    void wmHandleMessages(const QByteArray &line);

    // Writes the model to FileName; with MakeBackup copies "Kelpo.dat" to
    // "Kelpo.bak" after a good write. Reports its own failures.
    void SaveData(const QString &FileName, bool MakeBackup);

    // Called once by the program entry: keeps the windows on top when the
    // option was on at start.
    void ApplyAlwaysOnTop();

    void SetStatusText(const QString &text);
    QString StatusText() const;

    // Places the window so that its outer frame takes `frame`.
    void PlaceWindow(const QRect &frame);

    // Steps that other parts of the program fill in.
    virtual void CreateNewItem(const QString &url, const QString &title);
    void MenuUpdateClick();
    void NextButClick();
    void EntriesClick();
    void ShowLoadedData();     // group selector, item list, first update and next item
    void LoadVariableList();   // the Variables tab from VarStore
    void CheckBrowser();       // warn when no program opens web pages
    void CheckButtonClick();   // look for new exchange files
    void FillHelpTexts();      // explanation texts of the Variables and Download tabs

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateWidgets();
    void CreateOptionsTab();
    void StartCommandServer(const QString &path);
    // FormCreate's steps.
    void MigrateOldFiles();
    void MakeDailyCopy();
    void ReadBrandFile();
    void ReadSettings();
    void CheckVersion();
    void LoadDataFile();
    void LoadVariables();
    void WriteSettings();
    bool LoadIni(const QString &path, IniFile &ini);
    void RestoreBackup();
    bool KeepEarlierNewFile(const QString &newFile);
    void FitFrame();
    double Now() const;

    QRect wantedFrame_;
    int fitTries_ = 0;
    bool fitting_ = false;
    bool newFileKept_ = false;
};

}  // namespace kelpo
