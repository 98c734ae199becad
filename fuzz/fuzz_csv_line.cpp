// One record line of the users file: any line reads, and what the writer
// writes of a record reads back as the same record.
#include "fuzz_check.h"
#include "user_csv.h"
#include "user_row.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    UserRow::id_siguiente = 1;
    std::unique_ptr<UserRow> read(parse_csv_user(fuzz_text(data, size)));
    FUZZ_REQUIRE(read);
    FUZZ_REQUIRE(read->nombre == read->nombre.simplified());
    FUZZ_REQUIRE(!read->nombre.contains(QLatin1Char('"'))
                 && !read->numero.contains(QLatin1Char('"')));

    const QString line = csv_user_line(*read);
    FUZZ_REQUIRE(!line.contains(QLatin1Char('\n')));
    std::unique_ptr<UserRow> again(parse_csv_user(line));
    FUZZ_REQUIRE(again->id_user == read->id_user);
    FUZZ_REQUIRE(again->id_padre == read->id_padre);
    FUZZ_REQUIRE(again->categoria == read->categoria);
    FUZZ_REQUIRE(again->nombre == csv_text(read->nombre).simplified());
    FUZZ_REQUIRE(again->numero == csv_text(read->numero).simplified());
    FUZZ_REQUIRE(again->hrs_reman == read->hrs_reman);
    FUZZ_REQUIRE(again->rh_ini == read->rh_ini);
    FUZZ_REQUIRE(again->rh_fin == read->rh_fin);
    FUZZ_REQUIRE(again->rd == read->rd);
    return 0;
}
