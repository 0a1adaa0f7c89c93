#include "platform/machine.h"
#include "runtime/frame.h"

int main() { platform::run_on_program_stack(program_entry); }
