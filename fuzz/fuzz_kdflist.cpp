// The Download tab's list file "kdf.lst": whatever it lists, the shown names
// come from its lines, sorted, each with a description of bounded length,
// and no name leads outside the data folder.
#include "DownloadList.h"
#include "FuzzSupport.h"

#include <algorithm>

using namespace kelpo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QSet<QString> existing{QStringLiteral("a.kdf"), QStringLiteral("Kelpo.dat"), QStringLiteral("kdf.lst")};
    for (const bool newOnly : {false, true}) {
        ListCheck check;
        fuzz::WithinHeapBound(size, [&] { check = CheckListText(bytes, newOnly, existing); });
        if (check.outcome == ListCheck::InvalidHeader) {
            FUZZ_CHECK(check.downloadList.isEmpty() && check.fileList.isEmpty() && check.listed == 0);
            continue;
        }
        FUZZ_CHECK(check.outcome == (check.fileList.isEmpty() ? ListCheck::NothingNew : ListCheck::Listed));
        FUZZ_CHECK_EQ(check.listed, check.downloadList.size());
        FUZZ_CHECK(check.fileList.size() <= check.listed);
        if (!newOnly)
            FUZZ_CHECK_EQ(check.fileList.size(), check.listed);
        QStringList sorted = check.fileList;
        SortFileList(sorted);
        FUZZ_CHECK_EQ(sorted, check.fileList);

        QStringList names;
        for (const QString &line : check.downloadList) {
            FUZZ_CHECK(!line.isEmpty() && !line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
            names << EntryName(line);
        }
        for (qsizetype i = 0; i < check.fileList.size() && i < 64; ++i) {
            const QString &name = check.fileList.at(i);
            FUZZ_CHECK(names.contains(name));
            FUZZ_CHECK(!newOnly || !existing.contains(name));
            QString description;
            if (DescriptionOf(check.downloadList, name, &description))
                FUZZ_CHECK(description.size() <= DescriptionLimit);
            else
                FUZZ_CHECK(name.isEmpty());
            const QString path = OfferedFilePath(QStringLiteral("/data/"), name);
            if (!path.isEmpty()) {
                FUZZ_CHECK_EQ(path, QStringLiteral("/data/") + name);
                FUZZ_CHECK(!name.contains(QLatin1Char('/')) && name != QLatin1String(".") && name != QLatin1String(".."));
            }
        }
    }
    return 0;
}
