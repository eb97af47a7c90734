// What the source's message boxes say about the scanner, for applications
// that answer the boxes themselves and report the cause in their own terms
// (a SANE status, an eSCL job state).
#pragma once

enum class ScannerFault {
    None,        // not a message about the scanner or its paper
    NoPaper,     // the feeder is empty
    Jam,         // jam, paper left inside, skew, media too short or too long
    DoubleFeed,
    CoverOpen,
    NotReady,    // busy, not ready, becoming ready
    NoMemory,
    DeviceGone,  // no scanner answers any more
};

// The fault a message text names, by the start of the source's own texts.
ScannerFault FaultOfMessage(const char* text);
