#include "DownloadList.h"

#include "FileRead.h"
#include "Model.h"
#include "Product.h"
#include "TextCodec.h"

#include <QDir>

#include <algorithm>

namespace kelpo {

const QString ListUnreadableMessage = QStringLiteral("Unable to download list file from the Zorbit server.");
const QString InvalidListMessage = QStringLiteral("Invalid List File.");
const QString NoNewFilesMessage = QStringLiteral("No new data files available.");
const QString FileUnreadableMessage = QStringLiteral("Unable to download file from the Zorbit server.");

namespace {

// The lines of the text; a line ends at CR LF, CR or LF.
QStringList SplitLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start).toString());
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start).toString());
    return lines;
}

}  // namespace

QString ListFileName()
{
    return QStringLiteral("kdf.lst");
}

QString ListHeader()
{
    return QStringLiteral("Kelpo List File. ") + ProductWebPage;
}

QString DownloadHelpText(const QString &contactEmail)
{
    return QStringLiteral(
               "You can download new entries from the Kelpo web site! Just click on the Check button "
               "to see what files are available. Click on a file in the list to see the decription. "
               "If you like it, click the Download File button to download the file and add the "
               "items to your Kelpo! * If you have a kelpo data file you want to share with "
               "everybody, email it to ")
           + contactEmail
           + QStringLiteral(" and we will add it to the files that people can download.");
}

QString CountsText(int shown, int listed)
{
    return QStringLiteral("Availlable Files: (%1/%2)").arg(shown).arg(listed);
}

QString EntryName(const QString &line)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    return comma < 0 ? QString() : line.left(comma);
}

void SortFileList(QStringList &names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

ListCheck CheckListText(const QByteArray &bytes, bool newOnly, const QSet<QString> &existingFiles)
{
    ListCheck check;
    const QStringList lines = SplitLines(DecodeText(bytes));
    if (lines.isEmpty() || lines.first() != ListHeader()) {
        check.outcome = ListCheck::InvalidHeader;
        return check;
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.isEmpty())
            continue;
        check.downloadList.append(line);
        ++check.listed;
        const QString name = EntryName(line);
        if (!newOnly || !existingFiles.contains(name))
            check.fileList.append(name);
    }
    SortFileList(check.fileList);
    check.outcome = check.fileList.isEmpty() ? ListCheck::NothingNew : ListCheck::Listed;
    return check;
}

QSet<QString> DataFolderFiles(const QString &dataDir)
{
    const QStringList names = QDir(dataDir).entryList(QDir::Files | QDir::Hidden);
    return QSet<QString>(names.begin(), names.end());
}

ListCheck CheckList(const QString &dataDir, bool newOnly)
{
    const FileContent file = ReadRegularFile(dataDir + ListFileName(), ListFileLimit);
    if (!file.ok())
        return ListCheck();
    return CheckListText(file.bytes, newOnly, newOnly ? DataFolderFiles(dataDir) : QSet<QString>());
}

bool DescriptionOf(const QStringList &downloadList, const QString &selected, QString *description)
{
    if (selected.isEmpty())
        return false;
    for (const QString &line : downloadList) {
        if (!line.startsWith(selected))
            continue;
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        *description = comma < 0 ? QString() : CutText(line.mid(comma + 1), DescriptionLimit);
        return true;
    }
    return false;
}

QString OfferedFilePath(const QString &dataDir, const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name.contains(QChar(0)))
        return QString();
    return dataDir + name;
}

}  // namespace kelpo
