// Millisecond clocks.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed moment; wraps like the classic tick count.
uint32_t TickCount();

} // namespace platform
