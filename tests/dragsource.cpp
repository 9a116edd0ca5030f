// A drag source for the real-window drop test: a small window titled "Drag
// Source" at the top left of the screen that starts a drag of the data given
// on its command line as soon as the mouse is pressed and moved on it, then
// prints the outcome ("copy", "link", "move" or "ignored") and ends.
//   dragsource link <address> <title>  a link from a browser's page, offered
//                                      as browsers offer it (_NETSCAPE_URL with
//                                      the title, the address as a URI list
//                                      and as text)
//   dragsource uri <url>               a link or a local file
//   dragsource text <text>             plain text
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class Source : public QWidget {
public:
    explicit Source(QMimeData *mime) : mime_(mime) {}

protected:
    void mousePressEvent(QMouseEvent *) override { pressed_ = true; }
    void mouseMoveEvent(QMouseEvent *) override
    {
        if (!pressed_ || !mime_)
            return;
        pressed_ = false;
        auto *drag = new QDrag(this);
        drag->setMimeData(mime_);
        mime_ = nullptr;  // the drag owns it now
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::LinkAction);
        const char *name = done == Qt::CopyAction ? "copy" : done == Qt::LinkAction ? "link"
                           : done == Qt::MoveAction ? "move" : "ignored";
        std::printf("%s\n", name);
        std::fflush(stdout);
        QApplication::quit();
    }

private:
    QMimeData *mime_;
    bool pressed_ = false;
};

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    auto *mime = new QMimeData;
    if (args.size() == 3 && args[0] == QLatin1String("link")) {
        mime->setData(QStringLiteral("_NETSCAPE_URL"), (args[1] + QLatin1Char('\n') + args[2]).toUtf8());
        mime->setUrls({QUrl(args[1])});
        mime->setText(args[1]);
    } else if (args.size() == 2 && args[0] == QLatin1String("uri")) {
        mime->setUrls({QUrl(args[1])});
    } else if (args.size() == 2 && args[0] == QLatin1String("text")) {
        mime->setText(args[1]);
    } else {
        std::fprintf(stderr, "usage: dragsource link <address> <title> | uri <url> | text <text>\n");
        return 2;
    }
    Source window(mime);
    window.setWindowTitle(QStringLiteral("Drag Source"));
    window.setGeometry(10, 10, 160, 120);
    window.show();
    return app.exec();
}
