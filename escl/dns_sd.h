// Advertising the server as _uscan._tcp (or _uscans._tcp over HTTPS) through
// the Avahi daemon, with the TXT records eSCL clients read. Without a daemon
// the server runs on unadvertised.
#pragma once

#include <string>
#include <vector>

#include "escl/escl_xml.h"

namespace escl {

struct Advertisement {
    std::string serviceName;  // shown to users, e.g. the make and model
    int port = 0;
    bool secure = false;
    std::vector<std::string> txt;  // "key=value"
};

// The TXT records for a scanner: txtvers, ty, rs, representation, uuid, cs,
// pdl, duplex, is, vers.
std::vector<std::string> TxtRecords(const ScannerDescription& scanner);

class DnsSdAdvertiser {
public:
    DnsSdAdvertiser() = default;
    DnsSdAdvertiser(const DnsSdAdvertiser&) = delete;
    DnsSdAdvertiser& operator=(const DnsSdAdvertiser&) = delete;
    ~DnsSdAdvertiser();

    // False with `why` when no Avahi daemon answers.
    bool Start(const Advertisement& advertisement, std::string& why);
    void Stop();

    struct State;

private:
    State* state_ = nullptr;
};

}  // namespace escl
