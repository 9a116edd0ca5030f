// The settings file "Kelpo.ini" and the brand file "brand.ini" as the program
// reads them. Writing a setting back never disturbs the others, a written
// value reads back, and the text written loads to the same text.
#include "FuzzSupport.h"
#include "IniFile.h"
#include "TextCodec.h"

using namespace kelpo;

namespace {

struct Key {
    const char *section;
    const char *key;
};

// Everything the start-up reads, and the settings it writes back.
const Key Known[] = {
    {"Window", "Height"},      {"Window", "Width"},        {"Window", "Top"},
    {"Window", "Left"},        {"Options", "AutoSave"},    {"Options", "AutoCheck"},
    {"Options", "SlowDownType"}, {"Options", "NewOnly"},   {"Options", "CheckForFiles"},
    {"Options", "AlwaysOnTop"}, {"Options", "Browser"},    {"Version", "Version"},
    {"CoBrand", "Title"},      {"CoBrand", "Ip"},          {"CoBrand", "Dir"},
};

QStringList Read(const IniFile &ini)
{
    QStringList values;
    for (const Key &k : Known) {
        const QString s = QLatin1String(k.section);
        const QString key = QLatin1String(k.key);
        values << ini.ReadString(s, key, QStringLiteral("<none>"))
               << QString::number(ini.ReadInteger(s, key, -12345)) << QString::number(ini.ReadBool(s, key, true));
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    IniFile ini;
    QStringList before;
    fuzz::WithinHeapBound(size, [&] {
        ini.LoadText(DecodeText(bytes));
        before = Read(ini);
    });

    // Encoded as IniFile::Save writes it and loaded again: the same text and the same settings.
    IniFile reloaded;
    reloaded.LoadText(DecodeText(EncodeText(ini.Text())));
    FUZZ_CHECK_EQ(reloaded.Text(), ini.Text());
    FUZZ_CHECK_EQ(Read(reloaded), before);

    // Writing one setting (the browser, with a value from the input itself)
    // leaves every other one as it was.
    const QString value = DecodeText(bytes.left(64));
    ini.WriteString(QStringLiteral("Options"), QStringLiteral("Browser"), value);
    QString expected = value;
    expected.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    FUZZ_CHECK_EQ(ini.ReadString(QStringLiteral("Options"), QStringLiteral("Browser"), QString()),
                  expected.trimmed());
    ini.WriteString(QStringLiteral("Version"), QStringLiteral("Version"), QStringLiteral("1.8.1"));
    FUZZ_CHECK_EQ(ini.ReadString(QStringLiteral("Version"), QStringLiteral("Version"), QString()),
                  QStringLiteral("1.8.1"));
    const QStringList after = Read(ini);
    for (qsizetype i = 0; i < after.size(); ++i) {
        const Key &k = Known[i / 3];
        if (qstrcmp(k.key, "Browser") != 0 && qstrcmp(k.key, "Version") != 0)
            FUZZ_CHECK_EQ(after.at(i), before.at(i));
    }
    return 0;
}
