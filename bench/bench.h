#ifndef BENCH_H
#define BENCH_H

#include <QElapsedTimer>
#include <QLineEdit>
#include <QStringList>
#include <QTextStream>

#include <sys/resource.h>

// Each benchmark prints one line per phase: "<phase>: <ms> ms".
void bench_users(QTextStream &out);
void bench_log(QTextStream &out);
void bench_csv(QTextStream &out);
void bench_stall(QTextStream &out);
void bench_history(QTextStream &out);
void bench_paced(QTextStream &out);
void bench_console(QTextStream &out);
void bench_console_paced(QTextStream &out);
void bench_waiting(QTextStream &out);
void bench_network(QTextStream &out);

// The 10,000 lines of the benchmarks' user database as the controller lists
// them (100 administrators, 1,900 users, 8,000 visitors), owners first.
QStringList device_user_lines();

// Milliseconds that `work` takes, printed under `phase`.
template<typename Work> qint64 timed(QTextStream &out, const char *phase, Work work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    const qint64 ms = clock.elapsed();
    out << phase << ": " << ms << " ms\n";
    out.flush();
    return ms;
}

// The processor time this process has used so far, in seconds: what the
// tool costs, whatever the simulator's process costs beside it.
inline double cpu_seconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec)
        + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// The slowest keystroke, in milliseconds, of typing `text` into a finder
// one character at a time.
inline qint64 slowest_keystroke(QLineEdit *finder, const QString &text)
{
    qint64 slowest = 0;
    for (int n = 1; n <= text.size(); ++n) {
        QElapsedTimer clock;
        clock.start();
        finder->setText(text.left(n));
        slowest = qMax(slowest, clock.elapsed());
    }
    return slowest;
}

#endif
