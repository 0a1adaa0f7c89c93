// GetKeyboardType on Windows, in a file of its own: the start-up's mask
// override asks it first, and a test executable that defines a double of its
// own instead (the probe, tests/probe/probe.cpp) leaves this object file out
// of the link, with everything else of the platform unchanged.
#include <cstdint>

#include "platform/system.h"

namespace win {
extern "C" {
__declspec(dllimport) int __stdcall GetKeyboardType(int which);
}
}  // namespace win

namespace platform {

std::int32_t GetKeyboardType(std::int32_t which) { return win::GetKeyboardType(which); }

}  // namespace platform
