#include "chart_axis.h"

AxisSteps axis_steps(int largest, int most)
{
    const qint64 value = qMax(largest, 1);
    most = qMax(most, 1);
    for (qint64 power = 1;; power *= 10) {
        for (const qint64 factor : {1, 2, 5}) {
            const qint64 step = factor * power;
            const qint64 steps = (value + step - 1) / step;
            if (steps <= most)
                return {steps * step, step};
        }
    }
}
