#include "bench.h"

void bench_log(QTextStream &) {}
