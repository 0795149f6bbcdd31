// Owner of one JNI local reference. Listings create several objects per
// entry; deleting each as soon as it is stored keeps the VM's local reference
// table at a small constant size however long the list is.
#pragma once

#include <jni.h>

namespace rireve {

template <typename T>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    ~LocalRef() {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
    }
    LocalRef(LocalRef&& other) noexcept : env_(other.env_), ref_(other.release()) {}
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    LocalRef& operator=(LocalRef&&) = delete;

    T get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }
    // Takes another reference, releasing the one held.
    void reset(T ref) {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
        ref_ = ref;
    }
    // Hands the reference to the caller, who returns it to the VM.
    T release() {
        T ref = ref_;
        ref_ = nullptr;
        return ref;
    }

private:
    JNIEnv* env_;
    T ref_;
};

}  // namespace rireve
