// The installer library is selected by the first request that finds one,
// once even when several threads make their first request together; a
// selection that finds nothing is tried again on the next request.
#pragma once

#include <atomic>
#include <mutex>

namespace rireve {

template <typename Module, typename Select>
Module selectOnce(std::atomic<Module>& kept, std::mutex& selecting, Select select) {
    Module module = kept.load(std::memory_order_acquire);
    if (module != nullptr) return module;
    std::lock_guard<std::mutex> hold(selecting);
    module = kept.load(std::memory_order_relaxed);
    if (module == nullptr) {
        module = select();
        kept.store(module, std::memory_order_release);
    }
    return module;
}

}  // namespace rireve
