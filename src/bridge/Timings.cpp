#include "bridge/Timings.h"

namespace bridge {

Timings &timings()
{
    static Timings values;
    return values;
}

} // namespace bridge
