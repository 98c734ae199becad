// The controller's user record as the download and the upload confirmation
// read it.
#include "fuzz_check.h"
#include "user_lines.h"
#include "user_row.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = fuzz_text(data, size);
    const int before = UserRow::id_siguiente;
    std::unique_ptr<UserRow> record(parse_user_line(line));
    FUZZ_REQUIRE(bool(record) == line.startsWith(QLatin1String("##")));
    if (record) {
        // Parsing takes one id and moves the counter only past an id it read.
        FUZZ_REQUIRE(UserRow::id_siguiente >= before + 1);
        FUZZ_REQUIRE(UserRow::id_siguiente == before + 1
                     || UserRow::id_siguiente == record->id_user + 1);
        FUZZ_REQUIRE(record->categoria >= 0 && record->categoria <= 2);
        FUZZ_REQUIRE(!record->pending && !record->placed);
        // Whatever was read can be sent back.
        const QString up = upload_line(*record);
        FUZZ_REQUIRE(up.startsWith(QLatin1String(" UU ")));
    }
    FUZZ_REQUIRE(!is_user_record(line) || record);
    const auto stored = stored_record({line}, QStringLiteral("+56912345678"));
    FUZZ_REQUIRE(!stored || is_user_record(line));
    UserRow::id_siguiente = 0;
    return 0;
}
