// Names of the parse verdicts, for log lines.
#include "core/bytes/ParseStatus.h"

namespace bytes {

const char* ParseStatusName(ParseStatus status)
{
    switch (status) {
    case ParseStatus::Ok: return "ok";
    case ParseStatus::Corrupt: return "corrupt";
    case ParseStatus::IoFailure: return "I/O failure";
    case ParseStatus::Cancelled: return "cancelled";
    }
    return "unknown";
}

} // namespace bytes
