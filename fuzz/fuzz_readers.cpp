// Arbitrary bytes through every reader of what comes from outside: the users
// file, and the controller's user, log and parameter lines. Built as a
// libFuzzer target with DORVAK_LIBFUZZER; the saved inputs in corpus/ replay
// through the same entry in every build.
#include "log_lines.h"
#include "param_lines.h"
#include "text_util.h"
#include "user_csv.h"
#include "user_lines.h"

#include <QBuffer>

#include <cstdlib>

namespace {

// Every row that reads is written and read again unchanged.
void read_file(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    for (const CsvRow &row : read_users_csv(&buffer).rows) {
        const QString line = row.refused.isEmpty() ? csv_user_line(*row.record) : QString();
        const CsvRow again = read_csv_row(line, QLatin1Char(';'));
        if (!line.isEmpty() && (!again.refused.isEmpty() || csv_user_line(*again.record) != line))
            abort();
    }
}

} // namespace

int fuzz_readers(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    // As given, and behind a header so that the rows are always read.
    read_file(bytes);
    read_file(users_csv_header().toLatin1() + '\n' + bytes);
    QStringList lines;
    IdCounter ids;
    for (const QByteArray &raw : bytes.split('\n')) {
        lines << decode_line(raw);
        delete parse_user_line(lines.last(), ids);
        if (is_log_line(lines.last()))
            decode_log_line(lines.last());
    }
    read_param_answer(lines);
    stored_record(lines, lines.first());
    return 0;
}

#ifdef DORVAK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzz_readers(data, size);
}
#endif
