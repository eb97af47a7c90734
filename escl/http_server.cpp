// Routes and answers. Job numbers in paths are at most nine digits, so they
// are read without overflow; request bodies are bounded before they are read.
#include "escl/http_server.h"

#include <cstdio>
#include <httplib.h>

#include "escl/escl_xml.h"

namespace escl {

namespace {

constexpr char kXml[] = "text/xml";
constexpr char kJobPattern[] = R"(/eSCL/ScanJobs/(\d{1,9}))";
// The seconds a client is asked to wait before it tries again.
constexpr char kRetryAfter[] = "2";

uint32_t JobIdOf(const httplib::Request& request) {
    uint32_t id = 0;
    for (const char c : request.matches[1].str()) id = id * 10 + static_cast<uint32_t>(c - '0');
    return id;
}

void Answer(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain");
}

}  // namespace

EsclServer::EsclServer(ScanService& service) : service_(service) {}

EsclServer::~EsclServer() = default;

bool EsclServer::Bind(const ListenOptions& options, int& port, std::string& error) {
    secure_ = !options.certificate.empty();
    if (secure_) {
        server_ = std::make_unique<httplib::SSLServer>(options.certificate.c_str(), options.privateKey.c_str());
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    if (!server_->is_valid()) {
        error = "cannot use the certificate " + options.certificate + " with the key " + options.privateKey;
        return false;
    }
    server_->set_payload_max_length(kMaxRequestBytes);
    server_->set_read_timeout(10, 0);
    server_->set_write_timeout(30, 0);
    AddRoutes();
    if (options.port == 0) {
        port = server_->bind_to_any_port(options.address);
    } else {
        port = server_->bind_to_port(options.address, options.port) ? options.port : -1;
    }
    if (port < 0) {
        error = "cannot listen on " + options.address + " port " + std::to_string(options.port);
        return false;
    }
    return true;
}

bool EsclServer::Serve() { return server_->listen_after_bind(); }

void EsclServer::Stop() {
    if (server_) server_->stop();
}

void EsclServer::AddRoutes() {
    httplib::Server& server = *server_;
    const std::string capabilities = CapabilitiesXml(service_.Description());
    server.Get("/eSCL/ScannerCapabilities", [capabilities](const httplib::Request&, httplib::Response& response) {
        response.set_content(capabilities, kXml);
    });
    server.Get("/eSCL/ScannerStatus", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(service_.StatusDocument(), kXml);
    });
    server.Post("/eSCL/ScanJobs", [this](const httplib::Request& request, httplib::Response& response) {
        ScanSettings settings;
        std::string why;
        switch (ParseScanSettings(request.body.data(), request.body.size(), settings, why)) {
            case SettingsResult::Malformed: return Answer(response, 400, why);
            case SettingsResult::Unsupported: return Answer(response, 409, why);
            case SettingsResult::Ok: break;
        }
        uint32_t id = 0;
        switch (service_.CreateJob(settings, id, why)) {
            case CreateResult::Unsupported: return Answer(response, 409, why);
            case CreateResult::Busy:
                // eSCL's answer to a scanner that is in use: come back later.
                response.set_header("Retry-After", kRetryAfter);
                return Answer(response, 503, why);
            case CreateResult::Created: break;
        }
        const std::string host = request.get_header_value("Host");
        const std::string path = JobPath(id);
        response.set_header("Location", host.empty() ? path : (secure_ ? "https://" : "http://") + host + path);
        response.status = 201;
    });
    server.Get(std::string(kJobPattern) + "/NextDocument",
               [this](const httplib::Request& request, httplib::Response& response) {
                   Document document;
                   switch (service_.NextDocument(JobIdOf(request), document)) {
                       case FetchResult::Document: break;
                       case FetchResult::NoSuchJob: return Answer(response, 404, "no such job");
                       case FetchResult::EndOfJob: return Answer(response, 404, "the job has no more pages");
                       case FetchResult::Failed: return Answer(response, 500, "the scanner failed; see ScannerStatus");
                       case FetchResult::NotYet:
                           response.set_header("Retry-After", kRetryAfter);
                           return Answer(response, 503, "the next page is still being scanned");
                   }
                   const char* mime = MimeTypeOf(document.format);
                   response.set_content(reinterpret_cast<const char*>(document.bytes.data()), document.bytes.size(),
                                        mime);
               });
    server.Get(std::string(kJobPattern) + "/ScanImageInfo",
               [this](const httplib::Request& request, httplib::Response& response) {
                   JobSummary job;
                   ImageSummary image;
                   if (!service_.LastImage(JobIdOf(request), job, image)) return Answer(response, 404, "no such job");
                   response.set_content(ScanImageInfoXml(job, image), kXml);
               });
    server.Delete(kJobPattern, [this](const httplib::Request& request, httplib::Response& response) {
        if (!service_.CancelJob(JobIdOf(request))) return Answer(response, 404, "no such job");
        response.status = 200;
    });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            response.set_content(std::to_string(response.status) + "\n", "text/plain");
        }
    });
    server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        if (response.status >= 400) {
            std::fprintf(stderr, "korvex-escl: %s %s: %d\n", request.method.c_str(), request.path.c_str(),
                         response.status);
        }
    });
}

}  // namespace escl
