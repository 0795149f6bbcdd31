// Linux: a shared lock for listings and an exclusive one for requests. glibc's
// read-write lock lets new readers in while a writer waits; the turnstile,
// which a waiting writer holds, keeps them out.
#include <mutex>
#include <shared_mutex>

#include "platform/configuration_lock.h"

namespace rireve {
namespace {

struct ConfigurationLocks {
    std::mutex turnstile;
    std::shared_mutex access;
};

ConfigurationLocks& locks() {
    static ConfigurationLocks configurationLocks;
    return configurationLocks;
}

}  // namespace

ReadingConfiguration::ReadingConfiguration() {
    const std::lock_guard<std::mutex> pass(locks().turnstile);
    locks().access.lock_shared();
}

ReadingConfiguration::~ReadingConfiguration() { locks().access.unlock_shared(); }

WritingConfiguration::WritingConfiguration() {
    const std::lock_guard<std::mutex> pass(locks().turnstile);
    locks().access.lock();
}

WritingConfiguration::~WritingConfiguration() { locks().access.unlock(); }

}  // namespace rireve
