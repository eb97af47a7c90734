// The scanner behind the server. The TWAIN source is not thread-safe, so one
// worker thread owns the whole TWAIN session (manager, source, every triplet);
// HTTP threads hand it jobs and take the documents it produces. One job scans
// at a time: a second one is refused as busy until the first has ended. A job
// scans at most a few pages ahead of its client; a client that stops asking
// for pages for longer than the time-out ends its batch cleanly (MSG_RESET,
// disable, close). The source's messages (jam, double feed, door open, device
// gone) become the job's state and reason and the feeder's state.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "escl/escl_xml.h"
#include "escl/scan_settings.h"

namespace escl {

struct ServiceOptions {
    std::string sourceName;  // the source's ProductName; empty for the manager's default
    bool duplex = true;      // offer both sides (false for a scanner without a back unit)
    std::vector<DocumentFormat> formats;  // empty: JPEG, PDF and PNG
    // A client that asks for nothing this long has gone away.
    std::chrono::milliseconds clientTimeout{60000};
    // How long a request for the next page waits for the scanner before the
    // client is told to come back (HTTP 503).
    std::chrono::milliseconds documentWait{10000};
    // Pages a job scans before its client has taken them.
    size_t pagesAhead = 2;
    // Loads the feeder before each job (the virtual scanner's hopper); may be
    // empty. With it the feeder counts as loaded between jobs, else as empty
    // after a batch that ran to its end.
    std::function<void()> reloadFeeder;
};

struct Document {
    std::vector<uint8_t> bytes;
    DocumentFormat format = DocumentFormat::Jpeg;
    ImageSummary image;
};

enum class CreateResult : uint8_t { Created, Busy, Unsupported };
enum class FetchResult : uint8_t { Document, EndOfJob, Failed, NotYet, NoSuchJob };

class ScanService {
public:
    ScanService() = default;
    ScanService(const ScanService&) = delete;
    ScanService& operator=(const ScanService&) = delete;
    ~ScanService();

    // Starts the worker, which opens the manager and reads what the source
    // offers; false with `error` when that failed.
    bool Start(const ServiceOptions& options, std::string& error);
    // Ends the running batch, closes the session and joins the worker.
    void Stop();

    const ScannerDescription& Description() const { return description_; }

    CreateResult CreateJob(const ScanSettings& request, uint32_t& id, std::string& why);
    FetchResult NextDocument(uint32_t id, Document& document);
    // The job's summary and its last delivered page; false for an unknown job.
    bool LastImage(uint32_t id, JobSummary& job, ImageSummary& image);
    // Cancels a running job or drops the pages a finished one still holds;
    // false for an unknown job.
    bool CancelJob(uint32_t id);
    std::string StatusDocument();

    // The worker's hook for each message box the source shows.
    static void NoteSourceMessage(const char* text);

private:
    struct Job;
    class JobSink;

    void WorkerMain();
    bool DescribeSource(std::string& error);
    void RunJob(const std::shared_ptr<Job>& job);
    void ScanBatch(Job& job);
    void EndJob(Job& job, JobState state, const std::string& reason, bool failed);
    void DropStaleDocuments(std::chrono::steady_clock::time_point now);
    std::shared_ptr<Job> FindJob(uint32_t id);
    JobSummary SummaryOf(const Job& job, std::chrono::steady_clock::time_point now) const;

    ServiceOptions options_;
    ScannerDescription description_;
    uint32_t defaultResolution_ = 0;
    uint32_t minSheetWidth_ = 0;  // micrometres
    uint32_t minSheetLength_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread worker_;
    bool started_ = false;
    bool stopping_ = false;
    bool described_ = false;
    std::string startError_;
    std::deque<std::shared_ptr<Job>> jobs_;  // the newest last
    std::shared_ptr<Job> queued_;            // created, not yet taken by the worker
    bool scanning_ = false;
    AdfState adf_ = AdfState::Loaded;
    uint32_t nextId_ = 1;
};

}  // namespace escl
