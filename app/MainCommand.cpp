// Commands from outside the program: a per-user local socket on which a
// client sends text lines; "1000" offers the last dropped link as a new item,
// "show" (sent by a second copy) brings the window to the front.
#include "Main.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "Launch.h"

namespace kelpo {

namespace {

// A command is a short line; a client that sends more without a line break
// is cut off rather than buffered without end.
constexpr qint64 MaxCommandLine = 256;

}  // namespace

// The caller holds the single-instance lock, so a socket file that is
// already there was left by a copy that died and can be removed.
void TMainForm::StartCommandServer(const QString &path)
{
    if (path.isEmpty())
        return;
    CommandServer = new QLocalServer(this);
    CommandServer->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    if (!CommandServer->listen(path)) {
        // Without the socket the program works as before, only the outside
        // command is not heard.
        qWarning("Kelpo: command socket %s: %s", qPrintable(path), qPrintable(CommandServer->errorString()));
        return;
    }
    connect(CommandServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = CommandServer->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                while (client->canReadLine())
                    wmHandleMessages(client->readLine(MaxCommandLine + 1));
                if (client->bytesAvailable() > MaxCommandLine)
                    client->abort();
            });
        }
    });
}

void TMainForm::wmHandleMessages(const QByteArray &line)
{
    // Each request for a new item is offered after any command that waits
    // for an answer; showing the window needs no wait.
    const QByteArray command = line.trimmed();
    if (command == "1000")
        commands_.RunOrQueue([this] { CreateNewItem(DroppedUrl, DroppedTitle); });
    else if (command == ShowWindowCommand)
        BringToFront();
}

void TMainForm::BringToFront()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

}  // namespace kelpo
