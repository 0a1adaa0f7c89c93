// The runtime's text conversions as one side of the checker: built with the
// runtime's own real, and on x86 a second time with the other real inside a
// second copy of the runtime (namespace renamed, REAL_CHECK_RENAMED), so that
// one process has both. Both sides come back here from a fault, as the
// outcome "fault": the unit's under the runtime's control word, through a
// handler of SIGFPE, the software one of the second copy through its own
// end_with_fault.
#include <setjmp.h>
#include <signal.h>

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

[[maybe_unused]] sigjmp_buf fault_return;

template <class Convert>
std::string guarded(Convert convert) {
#if !defined(RT_SOFTWARE_REAL)
    // The runtime's control word, and a fault handler that comes back here.
    struct sigaction action {
    }, saved{};
    action.sa_handler = [](int) { siglongjmp(fault_return, 1); };
    sigaction(SIGFPE, &action, &saved);
    const std::uint16_t runtime_word = 0x1332;
    std::uint16_t saved_word = 0;
    asm volatile("fnstcw %0\n\tfnclex\n\tfldcw %1" : "=m"(saved_word) : "m"(runtime_word));
    std::string outcome = "fault";
    if (sigsetjmp(fault_return, 1) == 0) {
        outcome = convert();
        asm volatile("fwait");  // a condition of the last instruction faults here
    }
    asm volatile("fnclex\n\tfldcw %0" : : "m"(saved_word));
    sigaction(SIGFPE, &saved, nullptr);
    return outcome;
#else
#if defined(REAL_CHECK_RENAMED)
    if (sigsetjmp(fault_return, 0) != 0) return "fault";
#endif
    return convert();
#endif
}

}  // namespace

#if defined(REAL_CHECK_RENAMED)
namespace rt {
// The second copy has no program frame: its faults come back to guarded().
void end_with_fault(std::uint32_t, std::uint32_t) { siglongjmp(fault_return, 1); }
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
