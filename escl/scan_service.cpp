// The worker that owns the TWAIN session, and the job records it shares with
// the HTTP threads under one mutex. TWAIN calls are made without the mutex.
#include "escl/scan_service.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "apps/twain_app/negotiation.h"
#include "apps/twain_app/page_transfer.h"
#include "apps/twain_app/scan_options.h"
#include "apps/twain_app/scanner_faults.h"
#include "apps/twain_app/twain_session.h"
#include "escl/page_documents.h"
#include "platform/platform.h"

namespace escl {

namespace {

using Clock = std::chrono::steady_clock;

// Finished jobs kept for ScannerStatus.
constexpr size_t kJobsKept = 16;

// What a job's end says about a fault of the scanner: the feeder's state
// after it, the job's state reason, whether the scanner failed (rather than
// the paper).
struct FaultReport {
    AdfState adf;
    const char* reason;
    bool deviceFailure;
};

// The report of a fault that ends a job; null for a message that names none.
const FaultReport* ReportOf(ScannerFault fault) {
    static constexpr FaultReport kJam{AdfState::Jam, "MediaJam", false};
    static constexpr FaultReport kDoubleFeed{AdfState::Jam, "MultipleFeedDetected", false};
    static constexpr FaultReport kCoverOpen{AdfState::DoorOpen, "CoverOpen", false};
    static constexpr FaultReport kNoPaper{AdfState::Empty, "MediaEmpty", false};
    static constexpr FaultReport kDeviceGone{AdfState::Empty, "DeviceGone", true};
    switch (fault) {
        case ScannerFault::Jam: return &kJam;
        case ScannerFault::DoubleFeed: return &kDoubleFeed;
        case ScannerFault::CoverOpen: return &kCoverOpen;
        case ScannerFault::NoPaper: return &kNoPaper;
        case ScannerFault::DeviceGone: return &kDeviceGone;
        case ScannerFault::None:
        case ScannerFault::NotReady:
        case ScannerFault::NoMemory: break;
    }
    return nullptr;
}

std::mutex MessagesMutex;
std::vector<std::string> SourceMessages;

std::vector<std::string> TakeSourceMessages() {
    std::lock_guard<std::mutex> lock(MessagesMutex);
    std::vector<std::string> messages;
    messages.swap(SourceMessages);
    return messages;
}

// The first message that names a fault (the cause; later ones follow from
// it), or null.
const FaultReport* FaultOf(const std::vector<std::string>& messages) {
    for (const std::string& message : messages) {
        if (const FaultReport* report = ReportOf(FaultOfMessage(message.c_str()))) return report;
    }
    return nullptr;
}

std::string Field(const TW_STR32& field) { return std::string(field, strnlen(field, sizeof field)); }

// Sheet lengths between the shared layer's micrometres and eSCL's 1/300 inch.
uint32_t MicrometresToUnits(uint32_t micrometres, bool roundUp) {
    const uint64_t scaled = uint64_t{micrometres} * 3;
    return static_cast<uint32_t>((scaled + (roundUp ? 253 : 0)) / 254);
}
uint32_t UnitsToMicrometres(uint32_t units) { return static_cast<uint32_t>(uint64_t{units} * 254 / 3); }

// A name-based UUID (FNV-1a over the text, twice), stable across restarts.
std::string UuidOf(const std::string& text) {
    uint64_t halves[2] = {14695981039346656037ull, 1099511628211ull * 31};
    for (uint64_t& hash : halves) {
        for (const char c : text) hash = (hash ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    }
    char uuid[40];
    std::snprintf(uuid, sizeof uuid, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(halves[0] >> 32),
                  static_cast<unsigned>((halves[0] >> 16) & 0xFFFF),
                  static_cast<unsigned>((halves[0] & 0x0FFF) | 0x5000),
                  static_cast<unsigned>(((halves[1] >> 48) & 0x3FFF) | 0x8000),
                  static_cast<unsigned long long>(halves[1] & 0xFFFFFFFFFFFFull));
    return uuid;
}

}  // namespace

struct ScanService::Job {
    uint32_t id = 0;
    std::string uuid;
    ScanSettings request;
    JobState state = JobState::Pending;
    std::string reason = "JobQueued";
    bool scanning = true;  // the worker has not ended it yet
    bool failed = false;   // ended by a failure the feeder's state does not explain
    bool cancel = false;
    bool timedOut = false;
    std::deque<Document> waiting;
    uint32_t imagesCompleted = 0;
    ScanArea area;  // the part of each page the client keeps; all zero for the whole page
    ImageSummary lastImage;
    Clock::time_point created;
    Clock::time_point lastContact;
};

// Hands each page to its job, and holds the batch while the client is
// behind; false ends the batch.
class ScanService::JobSink : public PageSink {
public:
    JobSink(ScanService& service, Job& job) : service_(service), job_(job) {}

    void PageStarted(uint32_t) override {}
    void PageProgress(uint32_t, uint64_t) override {}

    bool PageDone(const ScannedPage& scanned) override {
        const ScanArea& area = job_.area;
        const bool cut = area.right != 0;
        ScannedPage region;
        if (cut) region = scanned;
        const ScannedPage& page = cut ? region : scanned;
        Document document;
        document.format = job_.request.format;
        std::string error;
        bool coded = !cut || CropToArea(region, area);
        if (!coded) error = "the scan region lies outside the page";
        coded = coded && EncodePage(page, document.format, document.bytes, error);
        if (!coded) {
            std::fprintf(stderr, "korvex-escl: job %u, page %u: %s\n", static_cast<unsigned>(job_.id),
                         static_cast<unsigned>(scanned.number), error.c_str());
            return false;
        }
        document.image = {page.width, page.length, page.bitsPerPixel == 1 ? page.BytesPerRow() : page.width};
        std::unique_lock<std::mutex> lock(service_.mutex_);
        if (job_.cancel || service_.stopping_) return false;
        job_.waiting.push_back(std::move(document));
        ++job_.imagesCompleted;
        service_.changed_.notify_all();
        for (;;) {
            if (job_.cancel || service_.stopping_) return false;
            if (job_.waiting.size() < service_.options_.pagesAhead) return true;
            const Clock::time_point deadline = job_.lastContact + service_.options_.clientTimeout;
            if (Clock::now() >= deadline) {
                job_.timedOut = true;
                return false;
            }
            service_.changed_.wait_until(lock, deadline);
        }
    }


private:
    ScanService& service_;
    Job& job_;
};

void ScanService::NoteSourceMessage(const char* text) {
    std::lock_guard<std::mutex> lock(MessagesMutex);
    SourceMessages.emplace_back(text != nullptr ? text : "");
}

ScanService::~ScanService() { Stop(); }

bool ScanService::Start(const ServiceOptions& options, std::string& error) {
    options_ = options;
    if (options_.pagesAhead == 0) options_.pagesAhead = 1;
    if (options_.formats.empty()) options_.formats = {DocumentFormat::Jpeg, DocumentFormat::Pdf, DocumentFormat::Png};
    started_ = true;
    worker_ = std::thread(&ScanService::WorkerMain, this);
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return described_; });
    if (startError_.empty()) return true;
    error = startError_;
    lock.unlock();
    Stop();
    return false;
}

void ScanService::Stop() {
    if (!started_) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
    started_ = false;
}

void ScanService::WorkerMain() {
    std::string error;
    const bool ok = DescribeSource(error);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        described_ = true;
        startError_ = ok ? std::string() : error;
    }
    changed_.notify_all();
    while (ok) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || queued_ != nullptr; });
            if (stopping_) break;
            job = queued_;
            queued_.reset();
        }
        RunJob(job);
    }
    EndSession();
}

bool ScanService::DescribeSource(std::string& error) {
    SetApplicationName("korvex-escl");
    if (!LoadSourceManager() || !OpenSourceManager()) {
        error = "cannot open the TWAIN source manager";
        return false;
    }
    if (!OpenSource(options_.sourceName.c_str())) {
        error = "cannot open the source";
        const std::vector<std::string> messages = TakeSourceMessages();
        if (!messages.empty()) error += ": " + messages.back();
        return false;
    }
    ScannerDescription& scanner = description_;
    const TW_IDENTITY& identity = Session.sourceIdentity;
    scanner.makeAndModel = Field(identity.Manufacturer) + " " + Field(identity.ProductName);
    scanner.serialNumber = Field(identity.Version.Info);
    scanner.uuid = UuidOf(scanner.makeAndModel + "|" + options_.sourceName);
    scanner.duplex = options_.duplex;
    scanner.formats = options_.formats;
    ScanOffer offer;
    const bool read = ReadScanOffer(offer);
    CloseSource();
    TakeSourceMessages();
    if (!read) {
        error = "the source does not report its resolutions and page sizes";
        return false;
    }
    if (!offer.blackAndWhite || !offer.gray || std::find(offer.grayDepths.begin(), offer.grayDepths.end(), 8) ==
                                                       offer.grayDepths.end()) {
        error = "the source offers no black and white or no 8-bit gray";
        return false;
    }
    for (const uint16_t dpi : offer.resolutions) {
        if (dpi >= 1 && dpi <= kMaxResolution) scanner.resolutions.push_back(dpi);
    }
    std::sort(scanner.resolutions.begin(), scanner.resolutions.end());
    if (scanner.resolutions.empty()) {
        error = "the source offers no resolution";
        return false;
    }
    defaultResolution_ = offer.defaultResolution;
    if (std::find(scanner.resolutions.begin(), scanner.resolutions.end(), defaultResolution_) ==
        scanner.resolutions.end()) {
        defaultResolution_ = scanner.resolutions.front();
    }
    minSheetWidth_ = offer.minSheetWidth;
    minSheetLength_ = offer.minSheetLength;
    // The largest sizes rounded down and the smallest up: every size offered is one the source takes.
    scanner.maxWidth = MicrometresToUnits(offer.maxSheetWidth, false);
    scanner.maxHeight = MicrometresToUnits(offer.maxSheetLength, false);
    scanner.minWidth = std::min(MicrometresToUnits(offer.minSheetWidth, true), scanner.maxWidth);
    scanner.minHeight = std::min(MicrometresToUnits(offer.minSheetLength, true), scanner.maxHeight);
    return true;
}

CreateResult ScanService::CreateJob(const ScanSettings& request, uint32_t& id, std::string& why) {
    ScanSettings accepted = request;
    const ScannerDescription& scanner = description_;
    if (accepted.xResolution == 0) accepted.xResolution = accepted.yResolution = defaultResolution_;
    if (std::find(scanner.resolutions.begin(), scanner.resolutions.end(), accepted.xResolution) ==
        scanner.resolutions.end()) {
        why = "the scanner does not offer this resolution";
        return CreateResult::Unsupported;
    }
    if (accepted.duplex && !scanner.duplex) {
        why = "the scanner scans one side only";
        return CreateResult::Unsupported;
    }
    if (!accepted.formatGiven) accepted.format = scanner.formats.front();
    if (std::find(scanner.formats.begin(), scanner.formats.end(), accepted.format) == scanner.formats.end()) {
        why = "the server does not offer this document format";
        return CreateResult::Unsupported;
    }
    if (accepted.width != 0 && (accepted.xOffset + accepted.width > scanner.maxWidth ||
                                accepted.yOffset + accepted.height > scanner.maxHeight)) {
        why = "the scan region lies beyond the largest sheet";
        return CreateResult::Unsupported;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    DropStaleDocuments(now);
    if (scanning_ || stopping_) {
        why = "the scanner is busy with another job";
        return CreateResult::Busy;
    }
    auto job = std::make_shared<Job>();
    job->id = nextId_++;
    job->uuid = UuidOf(scanner.uuid + "#" + std::to_string(job->id));
    job->request = accepted;
    job->created = job->lastContact = now;
    while (jobs_.size() >= kJobsKept && !jobs_.front()->scanning) jobs_.pop_front();
    jobs_.push_back(job);
    queued_ = job;
    scanning_ = true;
    id = job->id;
    changed_.notify_all();
    return CreateResult::Created;
}

std::shared_ptr<ScanService::Job> ScanService::FindJob(uint32_t id) {
    for (const std::shared_ptr<Job>& job : jobs_) {
        if (job->id == id) return job;
    }
    return nullptr;
}

FetchResult ScanService::NextDocument(uint32_t id, Document& document) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::shared_ptr<Job> job = FindJob(id);
    if (job == nullptr) return FetchResult::NoSuchJob;
    job->lastContact = Clock::now();
    changed_.wait_for(lock, options_.documentWait,
                      [&] { return !job->waiting.empty() || !job->scanning || stopping_; });
    job->lastContact = Clock::now();
    if (!job->waiting.empty()) {
        document = std::move(job->waiting.front());
        job->waiting.pop_front();
        job->lastImage = document.image;
        changed_.notify_all();
        return FetchResult::Document;
    }
    if (job->scanning) return FetchResult::NotYet;
    return job->failed ? FetchResult::Failed : FetchResult::EndOfJob;
}

bool ScanService::LastImage(uint32_t id, JobSummary& summary, ImageSummary& image) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::shared_ptr<Job> job = FindJob(id);
    if (job == nullptr) return false;
    summary = SummaryOf(*job, Clock::now());
    image = job->lastImage;
    return true;
}

bool ScanService::CancelJob(uint32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::shared_ptr<Job> job = FindJob(id);
    if (job == nullptr) return false;
    job->cancel = true;
    job->waiting.clear();
    changed_.notify_all();
    return true;
}

JobSummary ScanService::SummaryOf(const Job& job, Clock::time_point now) const {
    JobSummary summary;
    summary.id = job.id;
    summary.uuid = job.uuid;
    summary.state = job.state;
    summary.reason = job.reason;
    summary.imagesCompleted = job.imagesCompleted;
    summary.imagesToTransfer = static_cast<uint32_t>(job.waiting.size());
    summary.ageSeconds =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(now - job.created).count());
    return summary;
}

std::string ScanService::StatusDocument() {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    DropStaleDocuments(now);
    std::vector<JobSummary> jobs;
    for (auto job = jobs_.rbegin(); job != jobs_.rend(); ++job) jobs.push_back(SummaryOf(**job, now));
    return StatusXml(scanning_ ? ScannerState::Processing : ScannerState::Idle, adf_, jobs);
}

void ScanService::DropStaleDocuments(Clock::time_point now) {
    for (const std::shared_ptr<Job>& job : jobs_) {
        if (!job->scanning && !job->waiting.empty() && now - job->lastContact > options_.clientTimeout) {
            job->waiting.clear();
        }
    }
}

void ScanService::RunJob(const std::shared_ptr<Job>& job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (job->cancel) {
            // Cancelled before it started: it ends without a scan.
            job->state = JobState::Canceled;
            job->reason = "JobCanceledByUser";
            job->scanning = false;
            scanning_ = false;
            changed_.notify_all();
            return;
        }
        job->state = JobState::Processing;
        job->reason = "JobScanning";
        adf_ = AdfState::Loaded;
    }
    TakeSourceMessages();
    if (options_.reloadFeeder) options_.reloadFeeder();
    ScanBatch(*job);
}

void ScanService::EndJob(Job& job, JobState state, const std::string& reason, bool failed) {
    const std::vector<std::string> messages = TakeSourceMessages();
    const FaultReport* fault = state == JobState::Aborted ? FaultOf(messages) : nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    job.state = state;
    job.reason = fault != nullptr ? fault->reason : reason;
    job.failed = fault != nullptr ? fault->deviceFailure : failed;
    if (fault != nullptr) {
        adf_ = fault->adf;
    } else if (state == JobState::Completed) {
        // A client told busy reads this before it tries again: an empty
        // feeder would make it give up.
        adf_ = options_.reloadFeeder ? AdfState::Loaded : AdfState::Empty;
    }
    job.scanning = false;
    scanning_ = false;
    std::fprintf(stderr, "korvex-escl: job %u %s (%s), %u page%s scanned\n", static_cast<unsigned>(job.id),
                 JobStateName(state), job.reason.c_str(), static_cast<unsigned>(job.imagesCompleted),
                 job.imagesCompleted == 1 ? "" : "s");
    changed_.notify_all();
}

void ScanService::ScanBatch(Job& job) {
    const ScanSettings& request = job.request;
    if (!OpenSource(options_.sourceName.c_str())) {
        EndJob(job, JobState::Aborted, "AbortedBySystem", true);
        return;
    }
    ::ScanRequest scan;
    scan.pixelType = request.colorMode == ColorMode::BlackAndWhite1 ? TWPT_BW : TWPT_GRAY;
    scan.bitDepth = scan.pixelType == TWPT_BW ? 1 : 8;
    scan.resolution = static_cast<uint16_t>(request.xResolution);
    scan.duplex = request.duplex;
    if (request.width != 0) {
        // The feeder lays each sheet against its edge: the frame reaches to
        // the region's far corner (at least the smallest sheet), and a region
        // that is not the whole frame is cut out after.
        const ScanArea region{UnitsToMicrometres(request.xOffset), UnitsToMicrometres(request.yOffset),
                              UnitsToMicrometres(request.xOffset + request.width),
                              UnitsToMicrometres(request.yOffset + request.height)};
        scan.sheetWidth = std::max(region.right, minSheetWidth_);
        scan.sheetLength = std::max(region.bottom, minSheetLength_);
        if (region.left != 0 || region.top != 0 || region.right != scan.sheetWidth ||
            region.bottom != scan.sheetLength) {
            scan.area = region;
        }
    }
    job.area = scan.area;
    if (!ApplyScanRequest(scan) || !SetCapability(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE) ||
        !SetCapability(CAP_XFERCOUNT, TWTY_INT16, -1)) {
        CloseSource();
        EndJob(job, JobState::Aborted, "InvalidScanTicket", true);
        return;
    }
    if (!EnableUntilTransferReady()) {
        CloseSource();
        EndJob(job, JobState::Aborted, "AbortedBySystem", true);
        return;
    }
    JobSink sink(*this, job);
    const BatchResult batch = TransferBatch(TransferMechanism::Native, sink);
    DisableSource();
    CloseSource();
    bool cancelled = false;
    bool timedOut = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled = job.cancel || stopping_;
        timedOut = job.timedOut;
    }
    switch (batch.end) {
        case BatchEnd::Complete: EndJob(job, JobState::Completed, "JobCompletedSuccessfully", false); break;
        case BatchEnd::Cancelled: EndJob(job, JobState::Canceled, "JobCanceledBySystem", false); break;
        case BatchEnd::SinkFailed:
            if (cancelled) {
                EndJob(job, JobState::Canceled, "JobCanceledByUser", false);
            } else if (timedOut) {
                std::fprintf(stderr, "korvex-escl: job %u: the client asked for no page for %lld ms\n",
                             static_cast<unsigned>(job.id),
                             static_cast<long long>(options_.clientTimeout.count()));
                EndJob(job, JobState::Aborted, "JobTimedOut", true);
            } else {
                EndJob(job, JobState::Aborted, "DocumentFormatError", true);
            }
            break;
        case BatchEnd::ScannerFault:
        case BatchEnd::TwainFailure: EndJob(job, JobState::Aborted, "AbortedBySystem", true); break;
    }
}

}  // namespace escl
