// Binding to the ASPI manager and finding the scanner: where the scanner is,
// what it reported, and the "Mecha" options of the settings file.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "scanner/aspi_defs.h"

extern plat::ModuleHandle AspiModule;                // the loaded manager; null when none
extern GetASPI32SupportInfoProc GetSupportInfoEntry;  // its GetASPI32SupportInfo
extern SendASPI32CommandProc SendCommandEntry;       // its SendASPI32Command

extern uint8_t ScsiAdapter;          // host adapter of the scanner (being probed during the walk)
extern uint8_t ScsiTarget;           // target id of the scanner
extern int16_t ScannerCount;         // scanners found: 0 or 1
extern uint8_t InquiryBuffer[96];    // the INQUIRY reply of the last probed target
extern char InquiryVendor[8 + 1];    // INQUIRY bytes 8..15, blanks kept
extern char InquiryProduct[16 + 1];  // INQUIRY bytes 16..31, blanks kept
extern char InquiryRevision[4 + 1];  // INQUIRY bytes 32..35, blanks kept
extern char MechaName[18];           // "Mecha" "Name"; default "None"
extern char MechaGray[18];           // "Mecha" "Gray"; default "OFF"
extern char MechaBack[18];           // "Mecha" "Back"; default "OFF"
extern char ModelName[16 + 1];       // the identified model, a name of the model table

// Loads the ASPI manager and finds the scanner; 1 on success, 0 on failure
// after the user has been told why.
int DiscoverScanner();
// Reads section "Mecha" and names the model of the device whose INQUIRY data
// was just copied; 1 when the device is accepted.
int IdentifyModel();
// Releases the ASPI manager if it is loaded.
void UnloadAspi();

// Forgets the manager (without releasing it) and clears every record.
void ResetDiscoveryState();
