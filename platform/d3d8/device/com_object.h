// Reference counting shared by every object of the software device.
#pragma once

#include "../../com/ref_counted.h"

#include <platform/d3d8.h>

namespace platform::d3d8 {

// Holds one reference; used for the objects the device keeps bound.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { reset(nullptr); }

    void reset(T* object) {
        if (object) object->AddRef();
        if (object_) object_->Release();
        object_ = object;
    }
    // Takes over a reference the caller already holds.
    void adopt(T* object) {
        if (object_) object_->Release();
        object_ = object;
    }
    T* get() const { return object_; }
    // Hands out a new reference, as the Get* calls do.
    T* share() const {
        if (object_) object_->AddRef();
        return object_;
    }

private:
    T* object_ = nullptr;
};

}  // namespace platform::d3d8
