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
    bench_users(out);
    bench_log(out);
    bench_csv(out);
    bench_history(out);
    if (!qEnvironmentVariableIsSet("DORVAK_BENCH_NO_LINE")) {
        bench_stall(out);
        bench_paced(out);
    }
    return 0;
}
