// A line of the parameter answer as the parameter read applies it, and the
// line that writes the value back.
#include "fuzz_check.h"
#include "param_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = fuzz_text(data, size);
    const auto p = read_param_line(line);
    if (!p)
        return 0;
    FUZZ_REQUIRE(line.startsWith(QLatin1String("## ")));
    FUZZ_REQUIRE(p->numero >= 0 && p->numero < param_count);
    const QString text = param_text(p->valor);
    FUZZ_REQUIRE(text == text.simplified());
    const int n = param_number(p->valor);
    const QString version = version_text(n);
    FUZZ_REQUIRE(version.count(QLatin1Char('.')) == 1);
    // What was read goes back as it came.
    if (is_text_param(p->numero) && !p->valor.contains(QLatin1Char('\n'))) {
        const QString sent = send_par_line(p->numero, p->valor);
        const auto again = read_param_line(QLatin1String("##") + sent.mid(10));
        FUZZ_REQUIRE(again && again->valor == p->valor);
    }
    return 0;
}
