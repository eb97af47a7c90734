// The one terminal question of korvex-scan, on each system's own call.
#include "apps/korvex-scan/terminal.h"

#if defined(_WIN32)
#include <io.h>
bool ErrorStreamIsTerminal() { return _isatty(2) != 0; }
#else
#include <unistd.h>
bool ErrorStreamIsTerminal() { return isatty(2) != 0; }
#endif
