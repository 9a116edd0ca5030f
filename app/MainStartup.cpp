// Start-up of the main window and the settings it reads and writes.
#include "Main.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include <exception>

#include "AtomicFile.h"
#include "DataFile.h"
#include "IniFile.h"
#include "Layout.h"
#include "MainHelpers.h"
#include "PrivateFiles.h"
#include "Product.h"

namespace kelpo {

namespace {

const QString DatName = QStringLiteral("Kelpo.dat");
const QString IniName = QStringLiteral("Kelpo.ini");
const QString VarFileName = QStringLiteral("Kelpo.var");

struct OptionKey {
    QCheckBox *TMainForm::*box;
    const char *key;
    bool def;
};

// The six option check boxes and their keys in section "Options", in the
// order they are written.
const OptionKey OptionKeys[] = {
    {&TMainForm::AutoSave, "AutoSave", true},
    {&TMainForm::AutoCheck, "AutoCheck", true},
    {&TMainForm::SlowDownType, "SlowDownType", false},
    {&TMainForm::NewOnly, "NewOnly", false},
    {&TMainForm::CheckForFiles, "CheckForFiles", false},
    {&TMainForm::AlwaysOnTop, "AlwaysOnTop", false},
};

QString UnreadableMessage(const QString &what, const QString &path, const QString &reason)
{
    return QStringLiteral("The %1 could not be read:\n%2\n%3\n\nKelpo will not change this file.")
        .arg(what, QDir::toNativeSeparators(path), reason);
}

// A file that was read only in part: what was read, what is wrong, and where
// the untouched file is (empty `keptAs`: it stays where it is, unchanged).
QString PartlyReadMessage(const QString &what, const QString &path, const QString &summary,
                          const QString &damage, const QString &keptAs, const QString &savedTo)
{
    QString text = QStringLiteral("Kelpo could not read all of your %1:\n%2\n\n%3\nWhat is wrong: %4\n\n")
                       .arg(what, QDir::toNativeSeparators(path), summary, damage);
    if (!keptAs.isEmpty())
        text += QStringLiteral("The file as it was is kept unchanged as\n%1\nKelpo goes on with what it could read.")
                    .arg(QDir::toNativeSeparators(keptAs));
    else if (!savedTo.isEmpty())
        text += QStringLiteral("Kelpo will not change this file. It goes on with what it could read and saves to\n%1")
                    .arg(QDir::toNativeSeparators(savedTo));
    else
        text += QStringLiteral("Kelpo will not change this file. It goes on with what it could read.");
    return text;
}

// More boxes than this, one per dropped item, would keep the user clicking
// for ever on a badly damaged file; the rest are counted in one line.
constexpr int ItemErrorBoxes = 3;

}  // namespace

double TMainForm::Now() const
{
    return ToDayNumber(Clk.Now());
}

// Runs once, from the constructor. A step that fails unexpectedly shows its
// message and ends the sequence; the window still opens.
void TMainForm::FormCreate()
{
    const CommandGuard::Command command(commands_);
    try {
        // The command socket (the outside "1000" command) is already listening;
        // the program's date and number formats came fixed with the services.
        DownloadBox->hide();
        Page->setTabVisible(Page->indexOf(DownloadTab), false);

        if (!DataDir.endsWith(QLatin1Char('/')))
            DataDir += QLatin1Char('/');
        MakeDataFolder(DataDir, IsOwnDataFolder(DataDir, ExeDir));
        MigrateOldFiles();
        MakeDailyCopy();
        ReadBrandFile();

        Loading = true;
        ReadSettings();
        CheckVersion();
        Loading = false;
        ListDrawEnabled = true;
        LastFind.clear();

        LoadMainDataFile();
        LoadVariables();
        if (Browser->text().isEmpty())
            CheckBrowser();
        if (CheckForFiles->isChecked())
            CheckButtonClick();
        FillHelpTexts();
    } catch (const std::exception &e) {
        Loading = false;
        Dlg.Error(QString::fromLocal8Bit(e.what()));
    }
}

// Files of an older installation that kept its data beside the program are
// copied into the data folder once, when the data folder has none yet.
void TMainForm::MigrateOldFiles()
{
    if (QDir(ExeDir).canonicalPath() == QDir(DataDir).canonicalPath())
        return;
    for (const QString &name : {DatName, IniName, VarFileName}) {
        if (!QFileInfo::exists(DataDir + name) && QFileInfo::exists(ExeDir + name))
            CopyFileReplace(ExeDir + name, DataDir + name);
    }
}

void TMainForm::MakeDailyCopy()
{
    const QString daily = DataDir + DatName + QLatin1Char('.') + Clk.Now().date().toString(QStringLiteral("yyMMdd"));
    if (!QFileInfo::exists(daily))
        CopyFileReplace(DataDir + DatName, daily);
}

void TMainForm::ReadBrandFile()
{
    IniFile brand;
    const QString brandPath = DataDir + QStringLiteral("brand.ini");
    QString why;
    if (!brand.Load(brandPath, &why) && !why.isEmpty())
        Dlg.Error(UnreadableMessage(QStringLiteral("brand file"), brandPath, why));
    const QString title = brand.ReadString(QStringLiteral("CoBrand"), QStringLiteral("Title"),
                                           QStringLiteral("by ") + ProductDomain);
    DownloadHost = brand.ReadString(QStringLiteral("CoBrand"), QStringLiteral("Ip"), DownloadHostDefault);
    DownloadDir = brand.ReadString(QStringLiteral("CoBrand"), QStringLiteral("Dir"), QStringLiteral("/kdf/"));
    setWindowTitle(ProductCaption + title);
}

// Reads an INI file that the program will write back. A file that exists
// but cannot be read is reported, guarded from being replaced, and gives
// the defaults.
bool TMainForm::LoadIni(const QString &path, IniFile &ini)
{
    QString why;
    if (ini.Load(path, &why) || why.isEmpty())  // read, or not there yet
        return true;
    Dlg.Error(UnreadableMessage(QStringLiteral("settings file"), path, why));
    ini = IniFile();
    return false;
}

void TMainForm::ReadSettings()
{
    IniFile ini;
    IniFileGuarded = !LoadIni(DataDir + IniName, ini);

    const QString window = QStringLiteral("Window");
    const int height = ini.ReadInteger(window, QStringLiteral("Height"), 375);
    const int width = ini.ReadInteger(window, QStringLiteral("Width"), 600);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(width, height);
    const int top = ini.ReadInteger(window, QStringLiteral("Top"), (screenSize.height() - height) / 2);
    const int left = ini.ReadInteger(window, QStringLiteral("Left"), (screenSize.width() - width) / 2);
    // Bounds from another screen, or numbers no screen can show, are fitted to
    // the screens there are; bounds that fit are kept as they are.
    PlaceWindow(FitToScreens({left, top, width, height}, AvailableScreenAreas(), MainMinimumSize));

    const QString options = QStringLiteral("Options");
    for (const OptionKey &o : OptionKeys)
        (this->*o.box)->setChecked(ini.ReadBool(options, QLatin1String(o.key), o.def));
    Browser->setText(ini.ReadString(options, QStringLiteral("Browser"), QString()));
}

// A new version (or a first start) opens the help page; the version is
// recorded at once either way.
void TMainForm::CheckVersion()
{
    const QString path = DataDir + IniName;
    IniFile ini;
    if (!IniFileGuarded)
        IniFileGuarded = !LoadIni(path, ini);
    if (ini.ReadString(QStringLiteral("Version"), QStringLiteral("Version"), QString()) != ProductVersion)
        HelpButClick();
    if (IniFileGuarded)
        return;
    ini.WriteString(QStringLiteral("Version"), QStringLiteral("Version"), ProductVersion);
    QString why;
    if (!ini.Save(path, &why))
        Dlg.Error(QStringLiteral("There was a problem saving your settings:\n") + why);
}

void TMainForm::LoadMainDataFile()
{
    const QString path = DataDir + DatName;
    DataFileGuarded = false;
    LoadResult r;
    {
        const BusyCursor busy;
        r = LoadMainData(path, Data, Fmt, Now());
    }
    if (r.missing) {  // a first start
        ShowLoadedData();
        return;
    }
    const QString newFile = DataDir + QStringLiteral("Kelpo.new");
    if (!r.opened) {
        // Keep the program usable with an empty list, but never let a save
        // replace the file that could not be read.
        DataFileGuarded = true;
        Dlg.Error(UnreadableMessage(QStringLiteral("data file"), path, r.openError) +
                  QStringLiteral("\nYour entries will be saved to\n") + QDir::toNativeSeparators(newFile));
    }
    for (int i = 0; i < r.itemErrors.size() && i < ItemErrorBoxes; ++i)
        Dlg.Error(r.itemErrors[i]);
    if (!r.groupError.isEmpty())
        Dlg.Error(r.groupError);
    if (r.opened && !r.whole) {
        // What could be read stays usable, and the file as it was is kept
        // byte for byte: copied aside, so the next save may write the items
        // that were read; where even that copy fails, saves go elsewhere.
        const QString keptAs = SetAsideDamagedFile(path);
        DataFileGuarded = keptAs.isEmpty();
        QString summary = QStringLiteral("%1 items were read; the file says it holds %2.")
                              .arg(Data.Items.Count())
                              .arg(r.listedItems);
        if (r.itemErrors.size() > ItemErrorBoxes)
            summary += QStringLiteral("\n%1 more items could not be read.").arg(r.itemErrors.size() - ItemErrorBoxes);
        Dlg.Error(PartlyReadMessage(QStringLiteral("data file"), path, summary, r.damage, keptAs,
                                    DataFileGuarded ? newFile : QString()));
    }
    ShowLoadedData();
}

// Copies a file that was read only in part to a name that says so, beside
// it, byte for byte. Returns that name, or an empty text when the copy
// failed (then the file must not be replaced).
QString TMainForm::SetAsideDamagedFile(const QString &path)
{
    const QString base = path + QStringLiteral(".damaged-") + Clk.Now().toString(QStringLiteral("yyMMdd-HHmmss"));
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    if (!CopyFileReplace(path, aside) || QFileInfo(aside).size() != QFileInfo(path).size())
        return QString();
    return aside;
}

void TMainForm::LoadVariables()
{
    const QString path = DataDir + VarFileName;
    VarStore = std::make_unique<kelpo::VarStore>();
    VarFileGuarded = false;
    QString why;
    bool whole = true;
    if (!VarStore->Load(path, &why, &whole)) {
        if (!why.isEmpty()) {  // there, but not readable
            VarFileGuarded = true;
            Dlg.Error(UnreadableMessage(QStringLiteral("variables file"), path, why));
        }
    } else if (!whole) {
        const QString keptAs = SetAsideDamagedFile(path);
        VarFileGuarded = keptAs.isEmpty();
        Dlg.Error(PartlyReadMessage(QStringLiteral("variables file"), path,
                                    QStringLiteral("%1 lines were read.").arg(VarStore->Lines.size()),
                                    QStringLiteral("a NUL character ends the text; what follows it was not read."),
                                    keptAs, QString()));
    }
    LoadVariableList();
}

// Writes the window's outer bounds, the options and the browser into
// "Kelpo.ini", keeping every line the program does not know.
void TMainForm::WriteSettings()
{
    const QString path = DataDir + IniName;
    IniFile ini;
    if (IniFileGuarded || !LoadIni(path, ini))
        return;
    const QString window = QStringLiteral("Window");
    const QRect frame = frameGeometry();
    ini.WriteInteger(window, QStringLiteral("Height"), frame.height());
    ini.WriteInteger(window, QStringLiteral("Width"), frame.width());
    ini.WriteInteger(window, QStringLiteral("Top"), frame.y());
    ini.WriteInteger(window, QStringLiteral("Left"), frame.x());
    const QString options = QStringLiteral("Options");
    for (const OptionKey &o : OptionKeys)
        ini.WriteBool(options, QLatin1String(o.key), (this->*o.box)->isChecked());
    ini.WriteString(options, QStringLiteral("Browser"), Browser->text());
    QString why;
    if (!ini.Save(path, &why))
        Dlg.Error(QStringLiteral("There was a problem saving your settings:\n") + why);
}

}  // namespace kelpo
