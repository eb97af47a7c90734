// The Avahi client on its own threaded poll; the entry group is made once the
// daemon reports the client running and renamed on a name collision.
#include "escl/dns_sd.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>
#include <cstdio>

namespace escl {

struct DnsSdAdvertiser::State {
    Advertisement advertisement;
    std::string name;
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;
};

namespace {

void Register(DnsSdAdvertiser::State& state);

void OnGroup(AvahiEntryGroup*, AvahiEntryGroupState groupState, void* data) {
    auto& state = *static_cast<DnsSdAdvertiser::State*>(data);
    if (groupState == AVAHI_ENTRY_GROUP_COLLISION) {
        char* other = avahi_alternative_service_name(state.name.c_str());
        state.name = other;
        avahi_free(other);
        avahi_entry_group_reset(state.group);
        Register(state);
    } else if (groupState == AVAHI_ENTRY_GROUP_ESTABLISHED) {
        std::fprintf(stderr, "korvex-escl: advertised as \"%s\" (%s)\n", state.name.c_str(),
                     state.advertisement.secure ? "_uscans._tcp" : "_uscan._tcp");
    }
}

void Register(DnsSdAdvertiser::State& state) {
    if (state.group == nullptr) state.group = avahi_entry_group_new(state.client, OnGroup, &state);
    if (state.group == nullptr) return;
    AvahiStringList* txt = nullptr;
    for (auto record = state.advertisement.txt.rbegin(); record != state.advertisement.txt.rend(); ++record) {
        txt = avahi_string_list_add(txt, record->c_str());
    }
    const char* type = state.advertisement.secure ? "_uscans._tcp" : "_uscan._tcp";
    const int result = avahi_entry_group_add_service_strlst(
        state.group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, static_cast<AvahiPublishFlags>(0), state.name.c_str(), type,
        nullptr, nullptr, static_cast<uint16_t>(state.advertisement.port), txt);
    avahi_string_list_free(txt);
    if (result < 0 || avahi_entry_group_commit(state.group) < 0) {
        std::fprintf(stderr, "korvex-escl: cannot advertise the scanner: %s\n",
                     avahi_strerror(avahi_client_errno(state.client)));
    }
}

void OnClient(AvahiClient* client, AvahiClientState clientState, void* data) {
    auto& state = *static_cast<DnsSdAdvertiser::State*>(data);
    state.client = client;
    if (clientState == AVAHI_CLIENT_S_RUNNING && state.group == nullptr) {
        Register(state);
    } else if (clientState == AVAHI_CLIENT_S_COLLISION || clientState == AVAHI_CLIENT_S_REGISTERING) {
        if (state.group != nullptr) avahi_entry_group_reset(state.group);
    } else if (clientState == AVAHI_CLIENT_FAILURE) {
        std::fprintf(stderr, "korvex-escl: the Avahi daemon went away; the scanner is no longer advertised\n");
    }
}

// The scanner's value list of a TXT key: formats as MIME types.
std::string Joined(const std::vector<DocumentFormat>& formats) {
    std::string text;
    for (const DocumentFormat format : formats) text += std::string(text.empty() ? "" : ",") + MimeTypeOf(format);
    return text;
}

}  // namespace

std::vector<std::string> TxtRecords(const ScannerDescription& scanner) {
    return {
        "txtvers=1",
        "ty=" + scanner.makeAndModel,
        "rs=eSCL",
        "representation=",
        "uuid=" + scanner.uuid,
        "cs=grayscale,binary",
        "pdl=" + Joined(scanner.formats),
        std::string("duplex=") + (scanner.duplex ? "T" : "F"),
        "is=adf",
        "vers=2.63",
    };
}

DnsSdAdvertiser::~DnsSdAdvertiser() { Stop(); }

bool DnsSdAdvertiser::Start(const Advertisement& advertisement, std::string& why) {
    state_ = new State;
    state_->advertisement = advertisement;
    state_->name = advertisement.serviceName;
    state_->poll = avahi_threaded_poll_new();
    int error = 0;
    if (state_->poll != nullptr) {
        state_->client = avahi_client_new(avahi_threaded_poll_get(state_->poll), static_cast<AvahiClientFlags>(0),
                                          OnClient, state_, &error);
    }
    if (state_->client == nullptr) {
        why = state_->poll == nullptr ? "no memory for the Avahi poll" : avahi_strerror(error);
        Stop();
        return false;
    }
    avahi_threaded_poll_start(state_->poll);
    return true;
}

void DnsSdAdvertiser::Stop() {
    if (state_ == nullptr) return;
    if (state_->poll != nullptr) avahi_threaded_poll_stop(state_->poll);
    if (state_->client != nullptr) avahi_client_free(state_->client);
    if (state_->poll != nullptr) avahi_threaded_poll_free(state_->poll);
    delete state_;
    state_ = nullptr;
}

}  // namespace escl
