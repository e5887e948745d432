// Reference counting shared by every COM-shaped object of the platform layer: one count
// for all the interfaces an object offers.
#pragma once

#include <platform/com.h>

namespace platform {

template <class... Interfaces>
class RefCounted : public Interfaces... {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (refs_ == 0) return 0;  // a stray extra Release must not free twice
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    RefCounted() = default;

private:
    ULONG refs_ = 1;
};

}  // namespace platform
