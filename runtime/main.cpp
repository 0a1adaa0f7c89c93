#include "platform/windows.h"
#include "runtime/frame.h"

int main() { platform::run_on_program_stack(program_entry); }
