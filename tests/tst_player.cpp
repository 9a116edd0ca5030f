// The keystroke player against a keyboard that records every event: the
// exact sequences for keys, characters, variables and brace groups, the
// slow-down pauses and the event passes, and the target tracking.
#include <QtTest>

#include "Player.h"
#include "support/RecordingKeyboard.h"

using namespace kelpo;

namespace {

const quint64 MainId = 1;
const quint64 TargetId = 5;

struct Fixture {
    RecordingKeyboard keys;
    Player player{keys};
    QStringList vars;  // "{name}=value" lines: both the listed names and the store

    explicit Fixture(const QStringList &variables, bool slow = false) : vars(variables)
    {
        player.MainWindow = MainId;
        player.InVars = [this](const QString &name) {
            for (const QString &line : std::as_const(vars))
                if (line.section('=', 0, 0).compare(name, Qt::CaseInsensitive) == 0)
                    return true;
            return false;
        };
        player.VariableValue = [this](const QString &name) {
            for (const QString &line : std::as_const(vars))
                if (line.section('=', 0, 0).compare(name, Qt::CaseInsensitive) == 0)
                    return line.section('=', 1);
            return QString();
        };
        player.SlowDown = [slow] { return slow; };
        player.ProcessEvents = [this] { keys.Log << QStringLiteral("ev"); };
        player.SlowDownWait = [this] { keys.Log << QStringLiteral("wait"); };
    }
};

}  // namespace

class TestPlayer : public QObject {
    Q_OBJECT

private slots:
    void play_data();
    void play();
    void announcesTextBeforeTyping_data();
    void announcesTextBeforeTyping();
    void noTargetTypesNothing();
    void secondPlayWhilePlayingIsRefused();
    void findTarget();
    void preparedCharacters();
    void interruptedPlayStops();
};

void TestPlayer::play_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("vars");
    QTest::addColumn<bool>("slow");
    QTest::addColumn<QString>("events");

    const QStringList none;
    const QStringList email{"{email}=Undefined"};

    QTest::newRow("{TAB}") << "{TAB}" << none << false << "+9 -9 ev";
    QTest::newRow("{Tab}") << "{Tab}" << none << false << "+9 -9 ev";
    QTest::newRow("{tab}") << "{tab}" << none << false << "+9 -9 ev";
    QTest::newRow("{Enter}") << "{Enter}" << none << false << "+13 -13 ev";
    QTest::newRow("arrows") << "{up}{DOWN}{Left}{rIGHT}" << none << false
                            << "+38 -38 ev +40 -40 ev +37 -37 ev +39 -39 ev";
    QTest::newRow("lone {") << "a{b" << none << false << "+65 -65 ev +16 +219 -219 -16 ev +66 -66 ev";
    QTest::newRow("key between characters") << "x{tab}y" << none << false << "+88 -88 ev +9 -9 ev +89 -89 ev";
    QTest::newRow("unknown group") << "{foo}z" << none << false << "ev +90 -90 ev";
    QTest::newRow("variable") << "{email}" << email << false
                              << "+16 +85 -85 -16 +78 -78 +68 -68 +69 -69 +70 -70 +73 -73 +78 -78 +69 -69 +68 -68 ev";
    QTest::newRow("variable any case") << "{EMAIL}" << QStringList{"{email}=Ab"} << false << "+16 +65 -65 -16 +66 -66 ev";
    QTest::newRow("{} variable") << "{}" << QStringList{"{}=q"} << false << "+81 -81 ev";
    QTest::newRow("{} nothing") << "{}" << none << false << "ev";
    QTest::newRow("{ inside name") << "{a{b}" << QStringList{"{A{B}=c"} << false << "+67 -67 ev";
    QTest::newRow("{ inside name, no variable") << "{a{b}" << none << false << "ev";
    QTest::newRow("stray }") << "}{{}}" << none << false << "+16 +221 -221 -16 ev ev +16 +221 -221 -16 ev";
    QTest::newRow("listed without value") << "{email}" << QStringList{"{email}="} << false << "ev";
    QTest::newRow("capital") << "A" << none << false << "+16 +65 -65 -16 ev";
    QTest::newRow("Ctrl+Alt character") << "@" << none << false << "+17 +18 +81 -81 -17 -18 ev";
    QTest::newRow("raw tab") << "\t" << none << false << "+9 -9 ev";
    QTest::newRow("value is literal") << "{v}" << QStringList{"{v}={tab}"} << false
                                      << "+16 +219 -219 -16 +84 -84 +65 -65 +66 -66 +16 +221 -221 -16 ev";
    QTest::newRow("no key for it") << QString::fromUtf8("€") << none << false << "unmapped8364 ev";
    QTest::newRow("surrogate pair is one character")
        << QString::fromUtf8("😀a") << none << false << "unmapped128512 ev +65 -65 ev";

    QTest::newRow("slow: keys and characters")
        << "A{tab}" << none << true << "+16 +65 -65 wait -16 ev +9 -9 wait ev";
    QTest::newRow("slow: Ctrl+Alt character") << "@" << none << true << "+17 +18 +81 -81 wait -17 -18 ev";
    QTest::newRow("slow: variable") << "{v}" << QStringList{"{v}=a1"} << true << "+65 -65 wait +49 -49 wait ev";
    QTest::newRow("slow: no key for it") << QString::fromUtf8("€") << none << true << "unmapped8364 wait ev";
}

void TestPlayer::play()
{
    QFETCH(QString, script);
    QFETCH(QStringList, vars);
    QFETCH(bool, slow);
    QFETCH(QString, events);

    Fixture f(vars, slow);
    QVERIFY(f.player.Play(script, TargetId));
    QCOMPARE(f.keys.Log.join(' '), QStringLiteral("front5 ") + events + QStringLiteral(" end"));
}

void TestPlayer::announcesTextBeforeTyping_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("announced");
    // Variables are looked up as typing would; keys by name and unknown
    // groups type no character.
    QTest::newRow("characters and keys") << QString::fromUtf8("a€{tab}b{enter}😀") << QString::fromUtf8("a€b😀");
    QTest::newRow("variables") << QString::fromUtf8("{email}✗{v}{foo}{}") << QString::fromUtf8("jörg@x✗{tab}");
    QTest::newRow("nothing to type") << "{up}{foo}" << "";
}

// Before the first key, after bringing the target to the front, the
// keyboard hears every character the run will type, so that it can set up
// keys for those its layout lacks at once.
void TestPlayer::announcesTextBeforeTyping()
{
    QFETCH(QString, script);
    QFETCH(QString, announced);
    Fixture f({QString::fromUtf8("{email}=jörg@x"), "{v}={tab}"});
    QVERIFY(f.player.Play(script, TargetId));
    QCOMPARE(QString::fromUcs4(f.keys.Prepared.constData(), f.keys.Prepared.size()), announced);
    QCOMPARE(f.keys.PreparedAfter, 1);
    QCOMPARE(f.keys.Log.first(), QStringLiteral("front5"));
}

void TestPlayer::noTargetTypesNothing()
{
    Fixture f({"{email}=x"});
    QVERIFY(!f.player.Play("ab{tab}{email}", 0));
    QVERIFY(f.keys.Log.isEmpty());
}

void TestPlayer::secondPlayWhilePlayingIsRefused()
{
    Fixture f({});
    bool nested = true;
    f.player.ProcessEvents = [&] {
        f.keys.Log << QStringLiteral("ev");
        nested = f.player.Play("b", TargetId);
    };
    QVERIFY(f.player.Play("a", TargetId));
    QVERIFY(!nested);
    QCOMPARE(f.keys.Log.join(' '), QStringLiteral("front5 +65 -65 ev end"));
    QVERIFY(!f.player.Playing());
}

void TestPlayer::findTarget()
{
    // Foreground window at each tick, and the target remembered after it:
    // the main window and "no window" never replace the last other window.
    const QVector<QPair<quint64, quint64>> ticks{{0, 0}, {MainId, 0}, {7, 7}, {MainId, 7}, {0, 7}, {9, 9}, {9, 9}};
    Fixture f({});
    for (const auto &[front, target] : ticks) {
        f.keys.Front = front;
        f.player.FindTarget();
        QCOMPARE(f.player.TargetWindow(), target);
    }
}

// A keyboard that makes its own keys learns every character of a run before
// the first key: characters and the values of listed variables, in order,
// never the braces of a key or of an unlisted group.
void TestPlayer::preparedCharacters()
{
    Fixture f({"{v}=x{tab}€"});
    QVERIFY(f.player.Play(QString::fromUtf8("a{tab}{V}{nope}b😀"), TargetId));
    QCOMPARE(f.keys.Prepared, (QVector<char32_t>{U'a', U'x', U'{', U't', U'a', U'b', U'}', U'€', U'b', U'😀'}));
}

// Once the keyboard reports the run interrupted, nothing more is typed, and
// what was set up for the run is still put back.
void TestPlayer::interruptedPlayStops()
{
    Fixture f({});
    f.keys.StopAt = 4;  // front5 +65 -65 ev
    QVERIFY(f.player.Play("abc", TargetId));
    QCOMPARE(f.keys.Log.join(' '), QStringLiteral("front5 +65 -65 ev end"));
}

QTEST_GUILESS_MAIN(TestPlayer)
#include "tst_player.moc"
