// A whole users file, as the import reads it line by line: bounded lines,
// the header test, a record per non-blank line.
#include "fuzz_check.h"
#include "user_csv.h"
#include "user_row.h"

#include <QBuffer>

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    UsersCsvReader reader(&buffer);
    QString line;
    int lines = 0;
    while (reader.next(&line)) {
        FUZZ_REQUIRE(++lines <= int(size) + 1);
        FUZZ_REQUIRE(line.size() <= UsersCsvReader::max_line);
        FUZZ_REQUIRE(!line.contains(QLatin1Char('\n')));
        if (lines == 1) {
            if (!is_users_csv_header(line))
                break;
            continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        std::unique_ptr<UserRow> record(parse_csv_user(line));
        FUZZ_REQUIRE(record);
    }
    return 0;
}
