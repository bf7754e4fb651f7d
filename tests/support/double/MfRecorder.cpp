#include "MfRecorder.h"

#include <deque>
#include <map>
#include <mutex>

namespace mfdouble {

namespace {

struct State {
    std::mutex mutex;
    std::vector<Call> calls;
    std::map<std::string, std::deque<Answer>> queued;
    std::map<std::string, Answer> defaults;
};

State& state() {
    static State instance;
    return instance;
}

} // namespace

void reset() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.calls.clear();
    s.queued.clear();
    s.defaults.clear();
}

void script(const std::string& function, Answer answer) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.queued[function].push_back(std::move(answer));
}

void setDefault(const std::string& function, Answer answer) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.defaults[function] = std::move(answer);
}

std::vector<Call> calls() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    return s.calls;
}

std::vector<Call> callsOf(const std::string& function) {
    std::vector<Call> found;
    for (Call& call : calls()) {
        if (call.function == function) {
            found.push_back(std::move(call));
        }
    }
    return found;
}

std::vector<std::string> callNames() {
    std::vector<std::string> names;
    for (const Call& call : calls()) {
        names.push_back(call.function);
    }
    return names;
}

void record(Call call) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.calls.push_back(std::move(call));
}

Answer answerFor(const std::string& function) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    auto queue = s.queued.find(function);
    if (queue != s.queued.end() && !queue->second.empty()) {
        Answer answer = std::move(queue->second.front());
        queue->second.pop_front();
        return answer;
    }
    auto fallback = s.defaults.find(function);
    return fallback != s.defaults.end() ? fallback->second : Answer{};
}

} // namespace mfdouble
