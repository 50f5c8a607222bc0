#include <unistd.h>

#include "platform/console.h"

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void UseUtf8Console() {}
