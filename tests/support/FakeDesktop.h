#pragma once
// A desktop shell for tests: records what would be opened or started and
// answers with a set result.
#include <QList>
#include <QStringList>
#include <QUrl>

#include "Desktop.h"

namespace kelpo {

class FakeDesktop : public Desktop {
public:
    struct Started {
        QString program;
        QStringList arguments;
    };

    QList<QUrl> opened;
    QList<Started> started;
    bool result = true;   // what both answer
    bool starts = true;   // false: no program can be started (a missing browser)

    bool OpenUrl(const QUrl &url) override
    {
        opened.append(url);
        return result;
    }
    bool StartDetached(const QString &program, const QStringList &arguments) override
    {
        started.append({program, arguments});
        return result && starts;
    }
};

}  // namespace kelpo
