// The eSCL resources over HTTP or HTTPS (cpp-httplib): ScannerCapabilities,
// ScannerStatus, ScanJobs (POST creates a job, DELETE cancels one),
// NextDocument and ScanImageInfo of a job. Anything else is 404.
#pragma once

#include <memory>
#include <string>

#include "escl/scan_service.h"

namespace httplib {
class Server;
}

namespace escl {

struct ListenOptions {
    std::string address = "127.0.0.1";
    int port = 8080;  // 0: any free port
    std::string certificate;  // both set: HTTPS
    std::string privateKey;
};

class EsclServer {
public:
    explicit EsclServer(ScanService& service);
    ~EsclServer();

    // Binds the address; false with `error` when it cannot. Answers the
    // port bound in `port`.
    bool Bind(const ListenOptions& options, int& port, std::string& error);
    // Serves until Stop (from another thread).
    bool Serve();
    void Stop();
    bool Secure() const { return secure_; }

private:
    void AddRoutes();

    ScanService& service_;
    std::unique_ptr<httplib::Server> server_;
    bool secure_ = false;
};

}  // namespace escl
