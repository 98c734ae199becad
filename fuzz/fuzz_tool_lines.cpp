// Every line the tool reads from outside, fed the same bytes: the
// controller's user, log and parameter lines and a users CSV line. Beyond not
// crashing, what is read must go back out as it came.
#include "log_lines.h"
#include "param_lines.h"
#include "user_csv.h"
#include "user_lines.h"
#include "user_row.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

// A violation stops the fuzzer with the input saved, like a crash.
#define FUZZ_REQUIRE(cond)                                                                         \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property failed: %s (line %d)\n", #cond, __LINE__);              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

static void user_line(const QString &line)
{
    std::unique_ptr<UserRow> record(parse_user_line(line));
    FUZZ_REQUIRE(bool(record) == line.startsWith(QLatin1String("##")));
    if (record)
        FUZZ_REQUIRE(upload_line(*record).startsWith(QLatin1String(" UU ")));
    FUZZ_REQUIRE(!stored_record({line}, QStringLiteral("+56912345678")) || is_user_record(line));
}

static void log_line(const QString &line)
{
    if (!is_log_line(line))
        return;
    const LogRecord r = decode_log_line(line);
    FUZZ_REQUIRE(r.campos >= 1 && r.campos <= 6 && r.fecha == r.fecha.simplified());
    FUZZ_REQUIRE(event_text(r.accion).isEmpty() || (r.accion >= 1 && r.accion <= 12));
}

static void param_line(const QString &line)
{
    const auto p = read_param_line(line);
    if (!p)
        return;
    FUZZ_REQUIRE(p->numero >= 0 && p->numero < param_count);
    if (is_text_param(p->numero) && !p->valor.contains(QLatin1Char('\n'))) {
        const auto again =
            read_param_line(QLatin1String("##") + send_par_line(p->numero, p->valor).mid(10));
        FUZZ_REQUIRE(again && again->valor == p->valor);
    }
}

static void csv_line(const QString &line)
{
    std::unique_ptr<UserRow> read(parse_csv_user(line));
    FUZZ_REQUIRE(read && read->nombre == read->nombre.simplified());
    const QString written = csv_user_line(*read);
    FUZZ_REQUIRE(!written.contains(QLatin1Char('\n')));
    std::unique_ptr<UserRow> again(parse_csv_user(written));
    FUZZ_REQUIRE(again->id_user == read->id_user && again->id_padre == read->id_padre
                 && again->categoria == read->categoria && again->hrs_reman == read->hrs_reman
                 && again->rh_ini == read->rh_ini && again->rh_fin == read->rh_fin
                 && again->rd == read->rd);
    FUZZ_REQUIRE(again->nombre == csv_text(read->nombre).simplified()
                 && again->numero == csv_text(read->numero).simplified());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    UserRow::id_siguiente = 1;
    user_line(line);
    log_line(line);
    param_line(line);
    csv_line(line);
    return 0;
}
