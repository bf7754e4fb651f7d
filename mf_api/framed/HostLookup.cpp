#include "mf_api/framed/HostLookup.h"

#include <MF_API.h>

#include <asio/io_context.hpp>
#include <asio/ip/address.hpp>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace mfapi::framed {

namespace {

/// What the lookup thread and the waiting call share; whichever leaves last frees it.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    asio::error_code error;
    std::vector<asio::ip::tcp::endpoint> endpoints;
};

void lookUp(const std::shared_ptr<PendingLookup>& pending, const std::string& host,
            const std::string& service) {
    asio::io_context io;
    asio::ip::tcp::resolver resolver(io);
    asio::error_code error;
    const auto results = resolver.resolve(host, service, error);
    std::vector<asio::ip::tcp::endpoint> endpoints;
    for (const auto& result : results) {
        endpoints.push_back(result.endpoint());
    }
    const std::lock_guard lock(pending->mutex);
    pending->finished = true;
    pending->error = error;
    pending->endpoints = std::move(endpoints);
    pending->done.notify_all();
}

} // namespace

Result<std::vector<asio::ip::tcp::endpoint>> lookUpHost(const std::string& host, std::uint16_t port,
                                                        Clock::time_point deadline) {
    asio::error_code notAnAddress;
    const auto address = asio::ip::make_address(host, notAnAddress);
    if (!notAnAddress) {
        return {MF_OK, {asio::ip::tcp::endpoint(address, port)}};
    }
    auto pending = std::make_shared<PendingLookup>();
    try {
        std::thread(lookUp, pending, host, std::to_string(port)).detach();
    } catch (const std::system_error&) {
        return {MF_ERR_IO, {}};
    }
    std::unique_lock lock(pending->mutex);
    if (!pending->done.wait_until(lock, deadline, [&] { return pending->finished; })) {
        return {MF_ERR_TIMEOUT, {}};
    }
    if (pending->error || pending->endpoints.empty()) {
        return {MF_ERR_NO_SUCH_PORT, {}};
    }
    return {MF_OK, std::move(pending->endpoints)};
}

} // namespace mfapi::framed
