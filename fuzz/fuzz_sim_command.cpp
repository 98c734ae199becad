// The simulator's side of the line: any bytes, cut into lines and answered.
#include "controller.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace dorvak_sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A fresh controller per input, so that a find replays on its own.
    Controller controller(SeedOptions{});
    LineAssembler lines;
    const auto got = lines.feed(reinterpret_cast<const char *>(data), size);
    if (lines.pending() > LineAssembler::kMaxLine) {
        std::fprintf(stderr, "pending line grew past its cap\n");
        std::abort();
    }
    for (const auto &line : got) {
        const auto answer = controller.handle(line.text);
        for (const std::string &a : answer) {
            if (a.find('\n') != std::string::npos) {
                std::fprintf(stderr, "answer line holds a line feed\n");
                std::abort();
            }
        }
    }
    if (controller.users().size() > 5000) {
        std::fprintf(stderr, "user limit passed\n");
        std::abort();
    }
    return 0;
}
