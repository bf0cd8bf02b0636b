#pragma once

#include <utility>

namespace dataaccess::testing {

// Holds the test's reference to a shared object and releases it at the end of the scope.
template <class T>
class Owned {
public:
    explicit Owned(T* object) : object_(object) {}
    ~Owned() {
        if (object_) object_->Release();
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    T* get() const { return object_; }

private:
    T* object_;
};

} // namespace dataaccess::testing
