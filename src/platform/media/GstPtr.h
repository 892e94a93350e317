#pragma once

#include <gst/gst.h>

#include <utility>

namespace quabrel {

// One owned reference to a GStreamer object: unref'd when dropped. Adopt()
// takes a reference the caller already holds, Ref() adds one.
template <class T>
class GstPtr {
public:
    GstPtr() = default;
    static GstPtr Adopt(T* object) { return GstPtr(object); }
    static GstPtr Ref(T* object) { return GstPtr(object != nullptr ? static_cast<T*>(gst_object_ref(object)) : nullptr); }
    GstPtr(const GstPtr& other) : m_object(other.m_object != nullptr ? static_cast<T*>(gst_object_ref(other.m_object)) : nullptr) {}
    GstPtr(GstPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    GstPtr& operator=(GstPtr other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~GstPtr() { reset(); }

    void reset() {
        if (m_object != nullptr) gst_object_unref(std::exchange(m_object, nullptr));
    }
    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    // Gives the reference up to the caller.
    T* release() { return std::exchange(m_object, nullptr); }

private:
    explicit GstPtr(T* object) : m_object(object) {}
    T* m_object = nullptr;
};

}  // namespace quabrel
