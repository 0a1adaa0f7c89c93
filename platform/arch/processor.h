// The one place that picks the processor's facts for the POSIX platform: each
// file of this folder describes one processor as a Processor class, derived
// from CommonProcessor (common.h) and saying only where that processor
// differs. A new processor is one more file and one more line here.
#pragma once

#if defined(__x86_64__)
#include "platform/arch/x86_64.h"
#elif defined(__i386__)
#include "platform/arch/i386.h"
#elif defined(__aarch64__)
#include "platform/arch/aarch64.h"
#elif defined(__arm__)
#include "platform/arch/arm.h"
#elif defined(__mips__)
#include "platform/arch/mips.h"
#elif defined(__powerpc64__)
#include "platform/arch/powerpc64.h"
#elif defined(__s390x__)
#include "platform/arch/s390x.h"
#elif defined(__riscv) && __riscv_xlen == 64
#include "platform/arch/riscv64.h"
#else
#error "no processor file in platform/arch for this processor"
#endif
