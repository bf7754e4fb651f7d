#include "mf_api/pcsc/PcscLink.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace mfapi::pcsc {

namespace {
/// A service that answers at all mostly answers within this: the caller keeps its core, yielding,
/// rather than sleep and pay a second wake-up on every call.
constexpr auto kQuickAnswer = std::chrono::microseconds(300);

/// Whether the answer came within `timeout`.
template <typename Answer> bool answered(Answer& answer, std::chrono::milliseconds timeout) {
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < kQuickAnswer) {
        if (answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            return true;
        }
        std::this_thread::yield();
    }
    return answer.wait_for(timeout - (std::chrono::steady_clock::now() - start)) ==
           std::future_status::ready;
}

/// Threads left behind on a stuck service, at most, before calls stop starting new ones.
constexpr int kMostLeftBehind = 4;
/// Letting go at the end: the card's disconnect and the context's release.
constexpr int kCallsToLetGo = 2;
} // namespace

/// What only the worker thread touches: released there, card first, when the thread ends.
struct PcscLink::Held {
    Context context;
    CardHandle card;
};

/// What the caller and the worker thread share; whichever lets go last frees it.
struct PcscLink::Worker {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void(Held&)>> jobs;
    bool ending = false;
    bool ended = false;
    /// Set with the link's count raised when the caller stops waiting for this worker.
    std::shared_ptr<std::atomic<int>> leftBehindCount;

    static void serve(const std::shared_ptr<Worker>& worker) {
        {
            Held held;
            for (;;) {
                std::function<void(Held&)> job;
                {
                    std::unique_lock lock(worker->mutex);
                    worker->changed.wait(lock,
                                         [&] { return worker->ending || !worker->jobs.empty(); });
                    if (worker->ending) {
                        break;
                    }
                    job = std::move(worker->jobs.front());
                    worker->jobs.pop_front();
                }
                job(held);
            }
        }
        const std::lock_guard lock(worker->mutex);
        worker->ended = true;
        if (worker->leftBehindCount) {
            --*worker->leftBehindCount;
        }
        worker->changed.notify_all();
    }
};

template <typename Value> struct PcscLink::Outcome {
    LONG result = SCARD_S_SUCCESS;
    Value value{};
};

namespace {
struct Nothing {};
} // namespace

PcscLink::PcscLink(std::chrono::milliseconds callTimeout) : timeout_(callTimeout) {
}

PcscLink::~PcscLink() {
    if (!worker_) {
        return;
    }
    {
        std::unique_lock lock(worker_->mutex);
        worker_->ending = true;
        worker_->changed.notify_all();
        if (worker_->changed.wait_for(lock, timeout_ * kCallsToLetGo,
                                      [&] { return worker_->ended; })) {
            lock.unlock();
            thread_.join();
            return;
        }
    }
    leaveBehind();
}

void PcscLink::leaveBehind() {
    {
        const std::lock_guard lock(worker_->mutex);
        worker_->ending = true;
        ++*leftBehind_;
        worker_->leftBehindCount = leftBehind_;
        worker_->changed.notify_all();
    }
    thread_.detach();
    worker_.reset();
    hasContext_ = false;
    cardConnected_ = false;
}

template <typename Value, typename Call> PcscLink::Outcome<Value> PcscLink::run(Call call) {
    if (!worker_) {
        if (*leftBehind_ >= kMostLeftBehind) {
            return {SCARD_E_TIMEOUT, {}}; // the service has not answered the earlier calls yet
        }
        auto worker = std::make_shared<Worker>();
        try {
            thread_ = std::thread(Worker::serve, worker);
        } catch (const std::system_error&) {
            return {SCARD_E_NO_MEMORY, {}};
        }
        worker_ = std::move(worker);
    }
    // The job owns what it needs (`call` holds copies); the answer comes back through the task.
    auto task = std::make_shared<std::packaged_task<Outcome<Value>(Held&)>>(std::move(call));
    auto answer = task->get_future();
    {
        const std::lock_guard lock(worker_->mutex);
        worker_->jobs.emplace_back([task](Held& held) { (*task)(held); });
        worker_->changed.notify_all();
    }
    if (!answered(answer, timeout_)) {
        leaveBehind();
        return {SCARD_E_TIMEOUT, {}};
    }
    return answer.get();
}

LONG PcscLink::establish() {
    const auto outcome = run<Nothing>([](Held& held) {
        held.card.reset();
        return Outcome<Nothing>{held.context.establish(), {}};
    });
    hasContext_ = outcome.result == SCARD_S_SUCCESS;
    cardConnected_ = cardConnected_ && hasContext_;
    return outcome.result;
}

LONG PcscLink::ensureContext() {
    return hasContext_ ? SCARD_S_SUCCESS : establish();
}

LONG PcscLink::listReaders(std::vector<std::string>& names) {
    names.clear();
    if (const LONG result = ensureContext(); result != SCARD_S_SUCCESS) {
        return result;
    }
    auto outcome = run<std::vector<std::string>>([](Held& held) {
        Outcome<std::vector<std::string>> out;
        out.result = pcsc::listReaders(held.context, out.value);
        return out;
    });
    names = std::move(outcome.value);
    return outcome.result;
}

LONG PcscLink::readerStatus(const std::vector<std::string>& names,
                            std::vector<ReaderStatus>& statuses) {
    statuses.clear();
    if (const LONG result = ensureContext(); result != SCARD_S_SUCCESS) {
        return result;
    }
    auto outcome = run<std::vector<ReaderStatus>>([names](Held& held) {
        Outcome<std::vector<ReaderStatus>> out;
        out.result = pcsc::readerStatus(held.context, names, out.value);
        return out;
    });
    statuses = std::move(outcome.value);
    return outcome.result;
}

LONG PcscLink::connect(const std::string& reader, DWORD shareMode, DWORD protocols) {
    if (const LONG result = ensureContext(); result != SCARD_S_SUCCESS) {
        return result;
    }
    const auto outcome = run<Nothing>([reader, shareMode, protocols](Held& held) {
        return Outcome<Nothing>{
            pcsc::connect(held.context, reader, shareMode, protocols, held.card), {}};
    });
    cardConnected_ = outcome.result == SCARD_S_SUCCESS;
    return outcome.result;
}

void PcscLink::disconnect(DWORD disposition) {
    if (!cardConnected_) {
        return;
    }
    cardConnected_ = false;
    // A service that does not answer in time keeps the card with the worker left behind, which
    // lets go of it when the call returns: the card is no longer ours either way.
    run<Nothing>([disposition](Held& held) {
        held.card.leaveAs(disposition);
        held.card.reset();
        return Outcome<Nothing>{};
    });
}

LONG PcscLink::transmit(std::span<const std::uint8_t> apdu, std::vector<std::uint8_t>& answer) {
    answer.clear();
    if (!cardConnected_) {
        return SCARD_E_NO_SMARTCARD;
    }
    auto outcome = run<std::vector<std::uint8_t>>(
        [apdu = std::vector<std::uint8_t>(apdu.begin(), apdu.end())](Held& held) {
            Outcome<std::vector<std::uint8_t>> out;
            out.result = pcsc::transmit(held.card, apdu, out.value);
            return out;
        });
    answer = std::move(outcome.value);
    return outcome.result;
}

LONG PcscLink::attribute(DWORD id, std::vector<std::uint8_t>& value) {
    value.clear();
    if (!cardConnected_) {
        return SCARD_E_NO_SMARTCARD;
    }
    auto outcome = run<std::vector<std::uint8_t>>([id](Held& held) {
        Outcome<std::vector<std::uint8_t>> out;
        out.result = pcsc::attribute(held.card, id, out.value);
        return out;
    });
    value = std::move(outcome.value);
    return outcome.result;
}

} // namespace mfapi::pcsc
