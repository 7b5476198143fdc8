#include "serial/ModemLines.h"

#include <cerrno>

bool ModemLines::meansNoLines(int error)
{
    // EOPNOTSUPP is ENOTSUP's other name on Linux, not on macOS.
    return error == ENOTTY || error == EINVAL || error == ENOTSUP
#if EOPNOTSUPP != ENOTSUP
           || error == EOPNOTSUPP
#endif
        ;
}
