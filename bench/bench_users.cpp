#include "bench.h"

void bench_users(QTextStream &) {}
