// The event-log line as the log download reads it.
#include "fuzz_check.h"
#include "log_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = fuzz_text(data, size);
    if (!is_log_line(line))
        return 0;
    const LogRecord r = decode_log_line(line);
    FUZZ_REQUIRE(r.campos >= 1 && r.campos <= 6);
    FUZZ_REQUIRE(!r.fecha.contains(QLatin1Char('\n')) && !r.fecha.contains(QLatin1Char('\r')));
    FUZZ_REQUIRE(r.fecha == r.fecha.simplified());
    const QString text = event_text(r.accion);
    FUZZ_REQUIRE(text.isEmpty() || (r.accion >= 1 && r.accion <= 12));
    const QByteArray csv =
        log_csv_line({r.fecha, text, QString(), QString(), QString(), QString()});
    FUZZ_REQUIRE(csv.endsWith(" ; \n"));
    return 0;
}
