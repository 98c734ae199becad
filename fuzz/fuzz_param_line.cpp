// A line of the parameter answer as the parameter read applies it.
#include "fuzz_check.h"
#include "param_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = fuzz_text(data, size);
    const auto p = read_param_line(line);
    FUZZ_REQUIRE(bool(p) == line.startsWith(QLatin1String("## ")));
    if (!p)
        return 0;
    FUZZ_REQUIRE(!p->valor.contains(QLatin1Char('"')));
    const QString text = param_text(p->numero, p->valor);
    FUZZ_REQUIRE(text == text.simplified());
    const int n = param_number(p->valor);
    const QString version = version_text(n);
    FUZZ_REQUIRE(version.count(QLatin1Char('.')) == 1);
    return 0;
}
