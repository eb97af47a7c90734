// Whether korvex-scan's progress goes to a person: standard error is a
// terminal (and not a pipe or a file).
#pragma once

bool ErrorStreamIsTerminal();
