// Links dropped on the main window: which drags the window takes, and the
// new-item prompt that follows with the dropped address and name.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

#include "support/MainFixture.h"

using namespace kelpo;

namespace {

QByteArray Utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

// The drag entering the window: true when the window takes it.
bool Enter(TMainForm &form, const QMimeData &mime)
{
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction | Qt::LinkAction | Qt::MoveAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    return enter.isAccepted();
}

// Lets go of a drag over the window.
void Release(TMainForm &form, const QMimeData &mime)
{
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
}

// A whole drag: it enters the window, then is let go.
void Drop(TMainForm &form, const QMimeData &mime)
{
    Enter(form, mime);
    Release(form, mime);
}

}  // namespace

class TestDrop : public QObject {
    Q_OBJECT

private slots:
    void dropBecomesNewItem_data();
    void dropBecomesNewItem();
    void otherDragsAreRefused_data();
    void otherDragsAreRefused();
    void quickDropsGiveOnePrompt();
    void knownAddressWarns();
    void linkIsReadWhenTheDragEnters();
};

void TestDrop::dropBecomesNewItem_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("payload");  // "%1": the data folder
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");

    QTest::newRow("browser link") << "text/x-moz-url" << Utf16(QStringLiteral("https://draw.example/\nShortcut to Daily Draw"))
                                  << "https://draw.example/" << "Daily Draw";
    QTest::newRow("title in other case") << "_NETSCAPE_URL" << QByteArray("http://n.example/\nshortcut to x")
                                         << "http://n.example/" << "shortcut to x";
    QTest::newRow("link without title") << "text/uri-list" << QByteArray("http://u.example/p\r\n") << "http://u.example/p"
                                        << "";
    QTest::newRow("shortcut file") << "text/uri-list" << QByteArray("file://%1/Shortcut to Prize.url\r\n")
                                   << "http://prize.example/" << "Prize";
    QTest::newRow("shortcut without address") << "text/uri-list" << QByteArray("file://%1/Empty.url\r\n") << ""
                                              << "Empty";
    QTest::newRow("desktop link") << "text/uri-list" << QByteArray("file://%1/win.desktop\r\n") << "https://win.example/"
                                  << "Win Big";
    QTest::newRow("plain text") << "text/plain" << QByteArray("https://t.example/a b") << "https://t.example/a b" << "";
}

void TestDrop::dropBecomesNewItem()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, payload);
    QFETCH(QString, address);
    QFETCH(QString, name);

    MainFixture f({{QStringLiteral("Shortcut to Prize.url"), "[InternetShortcut]\r\nURL=http://prize.example/\r\n"},
                   {QStringLiteral("Empty.url"), "[InternetShortcut]\r\n"},
                   {QStringLiteral("win.desktop"), "[Desktop Entry]\nType=Link\nName=Win Big\nURL=https://win.example/\n"}});
    f.Show();
    QMimeData mime;
    mime.setData(format, QString::fromUtf8(payload).replace(QStringLiteral("%1"), f.dir.path()).toUtf8());
    QVERIFY(Enter(*f.form, mime));
    QVERIFY(f.dialogs.shown.isEmpty());

    f.dialogs.askAnswers.enqueue(QStringLiteral("Dropped"));
    Drop(*f.form, mime);
    QCOMPARE(f.form->DroppedUrl, address);
    QCOMPARE(f.form->DroppedTitle, name);
    QVERIFY(f.dialogs.shown.isEmpty());  // the questions come after the drop has returned
    QTRY_COMPARE(f.dialogs.Texts(QStringLiteral("Ask")).size(), 1);
    QCOMPARE(f.dialogs.shown.last().title, QStringLiteral("Add new entry"));
    QCOMPARE(f.dialogs.shown.last().value, name);
    QVERIFY(f.Item(QStringLiteral("Dropped")));
    QCOMPARE(f.Item(QStringLiteral("Dropped"))->Site, address);
}

void TestDrop::otherDragsAreRefused_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("words") << "text/plain" << QByteArray("just words");
    QTest::newRow(":// at the start") << "text/plain" << QByteArray("://x.example");
    QTest::newRow("picture") << "image/png" << QByteArray("\x89PNG");
    QTest::newRow("other local file") << "text/uri-list" << QByteArray("file:///etc/hostname\r\n");
}

void TestDrop::otherDragsAreRefused()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, payload);

    MainFixture f;
    f.Show();
    QMimeData mime;
    mime.setData(format, payload);
    QVERIFY(!Enter(*f.form, mime));
    Drop(*f.form, mime);  // let go all the same
    QTest::qWait(120);
    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(f.form->Data.Items.Count(), 0);
}

void TestDrop::quickDropsGiveOnePrompt()
{
    MainFixture f;
    f.Show();
    QMimeData first, second;
    first.setData(QStringLiteral("_NETSCAPE_URL"), "http://first.example/\nFirst");
    second.setData(QStringLiteral("_NETSCAPE_URL"), "http://second.example/\nSecond");
    f.dialogs.askAnswers.enqueue(QStringLiteral("Second"));
    Drop(*f.form, first);
    Drop(*f.form, second);
    QTRY_VERIFY(f.Item(QStringLiteral("Second")));
    QTest::qWait(120);
    QCOMPARE(f.dialogs.Texts(QStringLiteral("Ask")).size(), 1);
    QCOMPARE(f.dialogs.shown.last().value, QStringLiteral("Second"));
    QCOMPARE(f.Item(QStringLiteral("Second"))->Site, QStringLiteral("http://second.example/"));
    QCOMPARE(f.form->Data.Items.Count(), 1);
}

void TestDrop::knownAddressWarns()
{
    MainFixture f;
    f.Add(QStringLiteral("Daily"));  // http://daily.example
    f.Show();
    QMimeData mime;
    mime.setData(QStringLiteral("_NETSCAPE_URL"), "http://daily.example\nAgain");
    f.dialogs.confirmAnswers.enqueue(false);
    Drop(*f.form, mime);
    QTRY_COMPARE(f.dialogs.Texts(QStringLiteral("Confirm")).size(), 1);
    QTest::qWait(120);
    QVERIFY(f.dialogs.Texts(QStringLiteral("Ask")).isEmpty());
    QCOMPARE(f.form->Data.Items.Count(), 1);
}

// Some sources hand out nothing more once the button is let go (seen with
// real drags between programs): the link read on entering is the one dropped.
void TestDrop::linkIsReadWhenTheDragEnters()
{
    MainFixture f;
    f.Show();
    QMimeData entering, emptied;
    entering.setData(QStringLiteral("_NETSCAPE_URL"), "http://enter.example/\nEntered");
    QVERIFY(Enter(*f.form, entering));
    f.dialogs.askAnswers.enqueue(QStringLiteral("Entered"));
    Release(*f.form, emptied);
    QTRY_VERIFY(f.Item(QStringLiteral("Entered")));
    QCOMPARE(f.Item(QStringLiteral("Entered"))->Site, QStringLiteral("http://enter.example/"));
}

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
