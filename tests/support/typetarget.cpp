// A small window to type into: two line edits. Every change and every Enter
// is written to the file named by the first argument as three lines: the
// first edit's text, the second edit's text, and how often Enter was pressed
// in either. Prints its window id once shown.
#include <QApplication>
#include <QLineEdit>
#include <QSaveFile>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Type target"));
    auto *first = new QLineEdit(&window);
    auto *second = new QLineEdit(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    int enters = 0;

    auto write = [&] {
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return;
        f.write((first->text() + '\n' + second->text() + '\n' + QString::number(enters) + '\n').toUtf8());
        f.commit();
    };
    for (QLineEdit *edit : {first, second}) {
        QObject::connect(edit, &QLineEdit::textChanged, write);
        QObject::connect(edit, &QLineEdit::returnPressed, [&] {
            ++enters;
            write();
        });
    }
    QObject::connect(&app, &QApplication::aboutToQuit, write);
    // Whether the window has the keyboard focus, in a file beside: "1" or
    // "0" (for compositors that tell no other program).
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, [&](Qt::ApplicationState state) {
        QSaveFile f(path + QStringLiteral(".active"));
        if (f.open(QIODevice::WriteOnly)) {
            f.write(state == Qt::ApplicationActive ? "1" : "0");
            f.commit();
        }
    });

    first->setFocus();
    window.resize(400, 100);
    window.show();
    write();
    QTimer::singleShot(0, [&] {
        std::printf("%llu\n", static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
    });
    return app.exec();
}
