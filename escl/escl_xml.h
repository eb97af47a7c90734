// The XML documents the server answers with: ScannerCapabilities from what the
// source reports, ScannerStatus with the scanner's, the feeder's and the jobs'
// states, and ScanImageInfo of a delivered page. Plain records in, text out;
// depends on pugixml only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "escl/scan_settings.h"

namespace escl {

// What the scanner offers, in eSCL's units (sizes in 1/300 inch).
struct ScannerDescription {
    std::string makeAndModel;
    std::string serialNumber;
    std::string uuid;
    std::vector<uint32_t> resolutions;  // dots per inch, the same across and along
    bool duplex = false;
    uint32_t minWidth = 0;
    uint32_t maxWidth = 0;
    uint32_t minHeight = 0;
    uint32_t maxHeight = 0;
    std::vector<DocumentFormat> formats;
};

enum class ScannerState : uint8_t { Idle, Processing };
enum class AdfState : uint8_t { Loaded, Empty, Jam, DoorOpen };
enum class JobState : uint8_t { Pending, Processing, Completed, Canceled, Aborted };

struct JobSummary {
    uint32_t id = 0;
    std::string uuid;
    JobState state = JobState::Pending;
    std::string reason;  // a JobStateReason keyword
    uint32_t imagesCompleted = 0;
    uint32_t imagesToTransfer = 0;
    uint64_t ageSeconds = 0;
};

// Geometry of a delivered page.
struct ImageSummary {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerLine = 0;
};

// "/eSCL/ScanJobs/ID", the path a job is known by.
std::string JobPath(uint32_t id);
const char* JobStateName(JobState state);
const char* AdfStateName(AdfState state);

std::string CapabilitiesXml(const ScannerDescription& scanner);
std::string StatusXml(ScannerState state, AdfState adf, const std::vector<JobSummary>& jobs);
std::string ScanImageInfoXml(const JobSummary& job, const ImageSummary& image);

}  // namespace escl
