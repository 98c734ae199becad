#ifndef CHART_AXIS_H
#define CHART_AXIS_H

#include <QtGlobal>

// The marks of a chart's axis as a person would set them: from 0 to `top`
// in steps of `step`, a step of 1, 2 or 5 times a power of ten, the
// smallest that needs no more than `most` steps to pass `largest`.
struct AxisSteps
{
    qint64 top = 1;
    qint64 step = 1;

    int count() const { return int(top / step); }
};
AxisSteps axis_steps(int largest, int most = 6);

#endif
