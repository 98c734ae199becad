#include "bench.h"

void bench_csv(QTextStream &) {}
