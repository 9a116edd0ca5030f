// The variables file "Kelpo.var" as the program reads it. Every line is
// kept: what is saved loads to the same lines, and each name finds its value.
#include "FuzzSupport.h"
#include "TextCodec.h"
#include "VarStore.h"

using namespace kelpo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    VarStore vars;
    fuzz::WithinHeapBound(size, [&] { vars.LoadText(DecodeText(bytes)); });

    QString saved;
    for (const QString &line : vars.Lines) {
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
        FUZZ_CHECK(!line.contains(QChar(0)));
        saved += line + QLatin1String("\r\n");
    }
    // Encoded as VarStore::Save writes it.
    VarStore again;
    again.LoadText(DecodeText(EncodeText(saved)));
    FUZZ_CHECK_EQ(again.Lines, vars.Lines);

    // Names are looked up in any case; the first line of a name wins.
    for (int i = 0; i < vars.Lines.size() && i < 64; ++i) {
        const QString &line = vars.Lines.at(i);
        const QString name = VarStore::NameOf(line);
        if (!line.contains(QLatin1Char('=')))
            continue;
        const int found = vars.IndexOfName(name);
        FUZZ_CHECK(found >= 0 && found <= i);
        if (found == i)
            FUZZ_CHECK_EQ(vars.Value(name), line.mid(name.size() + 1));
    }
    return 0;
}
