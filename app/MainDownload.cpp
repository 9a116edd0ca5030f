// The Download tab: the exchange files offered by the list file "kdf.lst",
// their descriptions, and their import. The offered files and the list file
// are read from the data folder; the transfer step moves no data.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>

#include "DownloadList.h"
#include "Layout.h"
#include "Main.h"
#include "MainWidgets.h"

namespace kelpo {

void TMainForm::CreateDownloadTab()
{
    QWidget *tab = DownloadTab;
    FileList = new QListWidget(tab);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setToolTip(QStringLiteral("List of Available Files"));
    FileList->setSelectionMode(QAbstractItemView::SingleSelection);
    Label13 = LabelFor(QStringLiteral("Availlable Files:"), FileList, tab);

    CheckButton = Button(QStringLiteral("Check"), QStringLiteral("Check for new Files"), tab);
    CheckButton->setObjectName(QStringLiteral("CheckButton"));
    CheckButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));

    Description = new QPlainTextEdit(tab);
    Description->setObjectName(QStringLiteral("Description"));
    Description->setToolTip(QStringLiteral("Description of Selected File"));
    Description->setReadOnly(true);
    Description->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Label14 = LabelFor(QStringLiteral("Description:"), Description, tab);

    DownloadHelp = new QPlainTextEdit(tab);
    DownloadHelp->setObjectName(QStringLiteral("DownloadHelp"));
    DownloadHelp->setReadOnly(true);
    DownloadHelp->setFrameShape(QFrame::NoFrame);
    DownloadHelp->setFocusPolicy(Qt::ClickFocus);
    QPalette helpColours = DownloadHelp->palette();
    helpColours.setColor(QPalette::Base, helpColours.color(QPalette::Button));
    DownloadHelp->setPalette(helpColours);
    DownloadHelp->setAccessibleName(QStringLiteral("About downloads"));

    DownloadBut = Button(QStringLiteral("Download FIle"), QStringLiteral("Download Selected File"), tab);
    DownloadBut->setObjectName(QStringLiteral("DownloadBut"));
    DownloadBut->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));

    connect(FileList, &QListWidget::currentRowChanged, this, &TMainForm::FileListClick);
    connect(CheckButton, &QPushButton::clicked, this, &TMainForm::CheckButtonClick);
    connect(DownloadBut, &QPushButton::clicked, this, &TMainForm::DownloadButClick);
}

void TMainForm::PlaceDownloadTab(const MainLayout &o)
{
    PlaceLabel(Label13, o.Label13, o.FileList.width());
    FileList->setGeometry(o.FileList);
    CheckButton->setGeometry(o.CheckButton);
    PlaceLabel(Label14, o.Label14, o.Description.width());
    Description->setGeometry(o.Description);
    QRect help = o.DownloadHelp;
    help.setHeight(std::max(0, help.height()));
    DownloadHelp->setGeometry(help);
    DownloadBut->setGeometry(o.DownloadBut);
}

bool TMainForm::RequestFile(const QString &name)
{
    CheckButton->setEnabled(false);
    DownloadBut->setEnabled(false);
    bool ok = true;
    if (TransferFile) {
        const CommandGuard::Wait wait(commands_);
        ok = TransferFile(name);
    }
    CheckButton->setEnabled(true);
    DownloadBut->setEnabled(true);
    return ok;
}

void TMainForm::CheckButtonClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    FileList->clear();
    DownloadList.clear();
    if (Page->currentWidget() == DownloadTab)
        FileList->setFocus();

    if (!RequestFile(ListFileName())) {
        Dlg.Error(ListUnreadableMessage);
        return;
    }
    const ListCheck check = CheckList(DataDir, NewOnly->isChecked());
    switch (check.outcome) {
    case ListCheck::Unreadable:
        Dlg.Error(ListUnreadableMessage);
        return;
    case ListCheck::InvalidHeader:
        Dlg.Error(InvalidListMessage);
        return;
    case ListCheck::Listed:
    case ListCheck::NothingNew:
        break;
    }
    DownloadList = check.downloadList;
    {
        // The list is already in its order; selecting comes below.
        const QSignalBlocker quiet(FileList);
        FileList->addItems(check.fileList);
    }
    if (check.fileList.isEmpty())
        Dlg.Information(NoNewFilesMessage);
    Label13->setText(check.Counts());
    if (!check.fileList.isEmpty()) {
        {
            const QSignalBlocker quiet(FileList);
            FileList->setCurrentRow(0);
        }
        FileListClick();
    }
}

void TMainForm::FileListClick()
{
    const QListWidgetItem *selected = FileList->currentItem();
    QString description;
    if (DescriptionOf(DownloadList, selected ? selected->text() : QString(), &description))
        Description->setPlainText(description);
}

void TMainForm::DownloadButClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    FileList->setFocus();
    const QListWidgetItem *selected = FileList->currentItem();
    if (!selected || !selected->isSelected())
        return;
    const QString name = selected->text();
    // A name that is not a plain file name would read outside the data
    // folder: it is treated as a file that cannot be had.
    const QString path = OfferedFilePath(DataDir, name);
    if (RequestFile(name) && !path.isEmpty())
        LoadDataFile(path);
    else
        Dlg.Error(FileUnreadableMessage);
}

}  // namespace kelpo
