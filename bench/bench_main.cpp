// dorvak-bench: how long the tool's own processing takes on a large
// controller database, so that the serial line, not the tool, sets the pace.
#include "bench.h"

#include <QApplication>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows the benchmarks make keep no history but the one measured.
    qputenv("DORVAK_HISTORY", "off");
    QApplication app(argc, argv);
    // The processing logs a line per record; the figures are about the
    // processing, not about writing the log.
    qSetMessagePattern(QString());
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QTextStream out(stdout);
    // "dorvak-bench console line" runs only the parts named.
    const QStringList parts = app.arguments().mid(1);
    const auto wanted = [&](const char *part) {
        return parts.isEmpty() || parts.contains(QLatin1String(part));
    };
    if (wanted("users"))
        bench_users(out);
    if (wanted("log"))
        bench_log(out);
    if (wanted("csv"))
        bench_csv(out);
    if (wanted("history"))
        bench_history(out);
    if (wanted("console"))
        bench_console(out);
    // The parts on a line to the simulator at its real rate; "line" runs them
    // all.
    if (!qEnvironmentVariableIsSet("DORVAK_BENCH_NO_LINE")) {
        const auto on_line = [&](const char *part) {
            return wanted("line") || parts.contains(QLatin1String(part));
        };
        if (on_line("stall"))
            bench_stall(out);
        if (on_line("paced"))
            bench_paced(out);
        if (on_line("waiting"))
            bench_waiting(out);
        if (on_line("console-line"))
            bench_console_paced(out);
        if (on_line("network"))
            bench_network(out);
    }
    return 0;
}
