// Binding to the ASPI manager and finding the scanner.
#pragma once

// Loads the ASPI manager and finds the scanner; 1 on success, 0 on failure
// after the user has been told why.
int DiscoverScanner();
// Releases the ASPI manager if it is loaded.
void UnloadAspi();
