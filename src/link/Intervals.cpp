#include "link/Intervals.h"

Intervals &intervals()
{
    static Intervals values;
    return values;
}
