// The runtime's text conversions as one side of the checker: built with the
// runtime's own real, and on x86 a second time with the other real inside a
// second copy of the runtime (namespace renamed, REAL_CHECK_RENAMED), so that
// one process has both. The unit's side runs with its exceptions masked and
// reads its status word; the software side of the second copy comes back
// from a fault here. Either way a fault is the outcome "fault".
#include <csetjmp>
#include <string>

#include "runtime/frame.h"
#include "runtime/real_io.h"
#include "tests/differential/real_check.h"

#if defined(RT_SOFTWARE_REAL)
#define SIDE(name) soft_##name
#else
#define SIDE(name) x87_##name
#endif

namespace {

#if defined(REAL_CHECK_RENAMED)
std::jmp_buf fault_return;
#endif

template <class Convert>
std::string guarded(Convert convert) {
#if !defined(RT_SOFTWARE_REAL)
    std::uint16_t status = 0;
    asm volatile("fnclex");
    const std::string outcome = convert();
    asm volatile("fnstsw %0" : "=m"(status));
    return (status & 0x0D) != 0 ? "fault" : outcome;
#else
#if defined(REAL_CHECK_RENAMED)
    if (setjmp(fault_return) != 0) return "fault";
#endif
    return convert();
#endif
}

}  // namespace

#if defined(REAL_CHECK_RENAMED)
namespace rt {
// The second copy has no program frame: its faults come back to guarded().
void end_with_fault(std::uint32_t, std::uint32_t) { std::longjmp(fault_return, 1); }
}  // namespace rt
#endif

namespace real_check {

std::string SIDE(from_text)(const std::string& text) {
    return guarded([&] {
        std::int32_t error_position = 0;
        const rt::RealImage v = rt::image_of(rt::text_to_real(text.c_str(), error_position));
        return bits_text({v.sign_exponent, v.significand}) + " at " + std::to_string(error_position);
    });
}

std::string SIDE(to_text)(Bits v, std::int32_t width, std::int32_t decimals) {
    return guarded([&] {
        rt::ShortText text;
        rt::real_to_text(rt::real_from_image({v.significand, v.sign_exponent}), width, decimals, text);
        return "\"" + std::string(text.chars, text.length) + "\"";
    });
}

}  // namespace real_check
