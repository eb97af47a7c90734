// The worker that owns the TWAIN session, and the job records it shares with
// the HTTP threads under one mutex. TWAIN calls are made without the mutex.
#include "escl/scan_service.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "apps/twain_app/negotiation.h"
#include "apps/twain_app/page_transfer.h"
#include "apps/twain_app/twain_session.h"
#include "escl/page_documents.h"
#include "platform/platform.h"

namespace escl {

namespace {

using Clock = std::chrono::steady_clock;

// The smallest sheet the family's feeders take: 55 by 70 millimetres, in 1/300 inch.
constexpr uint32_t kMinSheetWidth = 650;
constexpr uint32_t kMinSheetLength = 827;
// Finished jobs kept for ScannerStatus.
constexpr size_t kJobsKept = 16;
// MSG_PROCESSEVENT polls that wait for MSG_XFERREADY after enabling.
constexpr int kTransferReadyPolls = 100;

// The source's messages that end a job. Columns: start of the message text,
// the feeder's state after it, the job's state reason, whether the scanner
// failed (rather than the paper).
struct FaultRow {
    const char* text;
    AdfState adf;
    const char* reason;
    bool deviceFailure;
};
constexpr FaultRow kFaults[] = {
    {"Jam ", AdfState::Jam, "MediaJam", false},
    {"Paper exists in Scanner", AdfState::Jam, "MediaJam", false},
    {"Double Feed", AdfState::Jam, "MultipleFeedDetected", false},
    {"Scanner Door is open", AdfState::DoorOpen, "CoverOpen", false},
    {"No Paper", AdfState::Empty, "MediaEmpty", false},
    {"No Target Device", AdfState::Empty, "DeviceGone", true},
};

std::mutex MessagesMutex;
std::vector<std::string> SourceMessages;

std::vector<std::string> TakeSourceMessages() {
    std::lock_guard<std::mutex> lock(MessagesMutex);
    std::vector<std::string> messages;
    messages.swap(SourceMessages);
    return messages;
}

// The last message that names a fault, or null.
const FaultRow* FaultOf(const std::vector<std::string>& messages) {
    for (auto message = messages.rbegin(); message != messages.rend(); ++message) {
        for (const FaultRow& row : kFaults) {
            if (message->compare(0, std::strlen(row.text), row.text) == 0) return &row;
        }
    }
    return nullptr;
}

std::string Field(const TW_STR32& field) { return std::string(field, strnlen(field, sizeof field)); }

double FromFix32(TW_UINT32 raw) {
    return static_cast<int16_t>(raw & 0xFFFF) + static_cast<uint16_t>(raw >> 16) / 65536.0;
}

// MSG_GET of a capability whose items are TW_FIX32: every item of an
// enumeration, or the one value. False when refused or unreadable.
bool GetFix32Items(TW_UINT16 capId, std::vector<double>& items) {
    TW_CAPABILITY cap{capId, TWON_DONTCARE16, nullptr};
    if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap) != TWRC_SUCCESS) return false;
    const uint32_t size = plat::MemSize(cap.hContainer);
    const auto* bytes = static_cast<const uint8_t*>(plat::MemLock(cap.hContainer));
    bool ok = false;
    items.clear();
    TW_UINT16 itemType = 0;
    if (bytes != nullptr && size >= sizeof itemType) std::memcpy(&itemType, bytes, sizeof itemType);
    if (bytes != nullptr && itemType == TWTY_FIX32) {
        TW_UINT32 raw = 0;
        if (cap.ConType == TWON_ONEVALUE && size >= sizeof(TW_ONEVALUE)) {
            std::memcpy(&raw, bytes + offsetof(TW_ONEVALUE, Item), sizeof raw);
            items.push_back(FromFix32(raw));
            ok = true;
        } else if (cap.ConType == TWON_ENUMERATION && size >= offsetof(TW_ENUMERATION, ItemList)) {
            TW_UINT32 count = 0;
            std::memcpy(&count, bytes + offsetof(TW_ENUMERATION, NumItems), sizeof count);
            ok = uint64_t{offsetof(TW_ENUMERATION, ItemList)} + uint64_t{count} * 4 <= size;
            for (TW_UINT32 i = 0; ok && i < count; ++i) {
                std::memcpy(&raw, bytes + offsetof(TW_ENUMERATION, ItemList) + size_t{i} * 4, sizeof raw);
                items.push_back(FromFix32(raw));
            }
        }
    }
    if (bytes != nullptr) plat::MemUnlock(cap.hContainer);
    plat::MemFree(cap.hContainer);
    return ok;
}

bool ResolutionsFor(TW_UINT16 pixelType, std::vector<uint32_t>& resolutions) {
    std::vector<double> items;
    if (!SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, pixelType) || !GetFix32Items(ICAP_XRESOLUTION, items)) {
        return false;
    }
    resolutions.clear();
    for (const double dpi : items) {
        if (dpi >= 1 && dpi <= kMaxResolution) resolutions.push_back(static_cast<uint32_t>(std::lround(dpi)));
    }
    std::sort(resolutions.begin(), resolutions.end());
    return !resolutions.empty();
}

// Rounded down: a frame of the largest size the source reports must fit.
uint32_t InchesToUnits(double inches) { return static_cast<uint32_t>(std::floor(inches * 300)); }

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
    ScanRequest request;
    JobState state = JobState::Pending;
    std::string reason = "JobQueued";
    bool scanning = true;  // the worker has not ended it yet
    bool failed = false;   // ended by a failure the feeder's state does not explain
    bool cancel = false;
    bool timedOut = false;
    std::deque<Document> waiting;
    uint32_t imagesCompleted = 0;
    uint32_t imagesFetched = 0;
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

    bool PageDone(const ScannedPage& page) override {
        Document document;
        document.format = job_.request.format;
        std::string error;
        if (!EncodePage(page, document.format, document.bytes, error)) {
            std::fprintf(stderr, "korvex-escl: job %u, page %u: %s\n", static_cast<unsigned>(job_.id),
                         static_cast<unsigned>(page.number), error.c_str());
            encodeFailed = true;
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

    bool encodeFailed = false;

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
    std::vector<uint32_t> bw;
    std::vector<uint32_t> gray;
    CapabilityValue current{};
    std::vector<double> width;
    std::vector<double> length;
    const bool read = ResolutionsFor(TWPT_BW, bw) && ResolutionsFor(TWPT_GRAY, gray) &&
                      GetCurrentCapability(ICAP_XRESOLUTION, current) &&
                      GetFix32Items(ICAP_PHYSICALWIDTH, width) && GetFix32Items(ICAP_PHYSICALHEIGHT, length);
    CloseSource();
    TakeSourceMessages();
    if (!read || width.empty() || length.empty()) {
        error = "the source does not report its resolutions and page sizes";
        return false;
    }
    // Both color modes offer every resolution listed.
    std::set_intersection(bw.begin(), bw.end(), gray.begin(), gray.end(), std::back_inserter(scanner.resolutions));
    if (scanner.resolutions.empty()) {
        error = "the source offers no resolution for both black and white and gray";
        return false;
    }
    defaultResolution_ = static_cast<uint32_t>(std::lround(current.number));
    if (std::find(scanner.resolutions.begin(), scanner.resolutions.end(), defaultResolution_) ==
        scanner.resolutions.end()) {
        defaultResolution_ = scanner.resolutions.front();
    }
    scanner.maxWidth = InchesToUnits(width.front());
    scanner.maxHeight = InchesToUnits(length.front());
    scanner.minWidth = std::min(kMinSheetWidth, scanner.maxWidth);
    scanner.minHeight = std::min(kMinSheetLength, scanner.maxHeight);
    return true;
}

CreateResult ScanService::CreateJob(const ScanRequest& request, uint32_t& id, std::string& why) {
    ScanRequest accepted = request;
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
        ++job->imagesFetched;
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
    if (job == queued_) {
        // Not started: it ends here.
        queued_.reset();
        job->scanning = false;
        job->state = JobState::Canceled;
        job->reason = "JobCanceledByUser";
        scanning_ = false;
    }
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
        if (job->cancel) return;
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
    const FaultRow* fault = state == JobState::Aborted ? FaultOf(messages) : nullptr;
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
    const ScanRequest& request = job.request;
    if (!OpenSource(options_.sourceName.c_str())) {
        EndJob(job, JobState::Aborted, "AbortedBySystem", true);
        return;
    }
    const bool bw = request.colorMode == ColorMode::BlackAndWhite1;
    bool ok = SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, bw ? TWPT_BW : TWPT_GRAY) &&
              (bw || SetCapability(ICAP_BITDEPTH, TWTY_UINT16, 8)) &&
              SetCapability(ICAP_XRESOLUTION, TWTY_FIX32, request.xResolution) &&
              SetCapability(ICAP_YRESOLUTION, TWTY_FIX32, request.yResolution) &&
              SetCapability(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE) &&
              SetCapability(CAP_XFERCOUNT, TWTY_INT16, -1) && SetCapability(kCapSideChooser, TWTY_BOOL, 0) &&
              SetCapability(kCapDuplex, TWTY_BOOL, request.duplex ? 1 : 0);
    // The feeder lays each sheet against its edge: the region's size is the frame.
    if (ok && request.width != 0) ok = SetPageFrame(request.width / 300.0, request.height / 300.0);
    if (!ok) {
        CloseSource();
        EndJob(job, JobState::Aborted, "InvalidScanTicket", true);
        return;
    }
    bool ready = EnableSource(false);
    TW_UINT16 message = MSG_NULL;
    for (int poll = 0; ready && poll < kTransferReadyPolls && message != MSG_XFERREADY; ++poll) {
        message = NextNotification(nullptr, nullptr);
    }
    if (!ready || message != MSG_XFERREADY) {
        if (Session.sourceEnabled) DisableSource();
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
