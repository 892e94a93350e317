#pragma once

#include <gst/gst.h>

#include <memory>
#include <utility>

namespace quabrel {

// How a GStreamer type is referenced: objects (elements, pads, buses,
// devices) through gst_object_*, the counted mini objects (caps, samples,
// buffers, messages) through gst_mini_object_*.
template <class T>
struct GstRefOps {
    static T* Ref(T* object) { return static_cast<T*>(gst_object_ref(object)); }
    static void Unref(T* object) { gst_object_unref(object); }
};

template <class T>
struct GstMiniRefOps {
    static T* Ref(T* object) { return reinterpret_cast<T*>(gst_mini_object_ref(GST_MINI_OBJECT_CAST(object))); }
    static void Unref(T* object) { gst_mini_object_unref(GST_MINI_OBJECT_CAST(object)); }
};
template <> struct GstRefOps<GstCaps> : GstMiniRefOps<GstCaps> {};
template <> struct GstRefOps<GstSample> : GstMiniRefOps<GstSample> {};
template <> struct GstRefOps<GstBuffer> : GstMiniRefOps<GstBuffer> {};
template <> struct GstRefOps<GstMessage> : GstMiniRefOps<GstMessage> {};

// One owned reference to a GStreamer object or mini object: dropped when
// the handle goes. Adopt() takes a reference the caller already holds (what
// a *_new, *_get_* "transfer full" call returns), Ref() adds one of its own.
template <class T>
class GstPtr {
public:
    GstPtr() = default;
    static GstPtr Adopt(T* object) { return GstPtr(object); }
    static GstPtr Ref(T* object) { return GstPtr(object != nullptr ? GstRefOps<T>::Ref(object) : nullptr); }
    GstPtr(const GstPtr& other) : m_object(other.m_object != nullptr ? GstRefOps<T>::Ref(other.m_object) : nullptr) {}
    GstPtr(GstPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    GstPtr& operator=(GstPtr other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~GstPtr() { reset(); }

    void reset() {
        if (m_object != nullptr) GstRefOps<T>::Unref(std::exchange(m_object, nullptr));
    }
    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    // Gives the reference up to the caller (to a call that takes it).
    [[nodiscard]] T* release() { return std::exchange(m_object, nullptr); }

private:
    explicit GstPtr(T* object) : m_object(object) {}
    T* m_object = nullptr;
};

// Owned plain allocations of GLib and GStreamer, which have no count.
struct GstStructureFree {
    void operator()(GstStructure* s) const { gst_structure_free(s); }
};
using GstStructurePtr = std::unique_ptr<GstStructure, GstStructureFree>;
struct GFree {
    void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFree>;

// A new element of `factory`, owned by the caller (no floating reference
// left for a bin to take over silently).
inline GstPtr<GstElement> MakeElement(const char* factory, const char* name = nullptr) {
    GstElement* element = gst_element_factory_make(factory, name);
    return GstPtr<GstElement>::Adopt(element != nullptr ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

// An element's always-present pad, owned.
inline GstPtr<GstPad> StaticPad(GstElement* element, const char* name) {
    return GstPtr<GstPad>::Adopt(element != nullptr ? gst_element_get_static_pad(element, name) : nullptr);
}

// Ranks the registered feature `name` (an element or device provider), for
// the automatic choices made from then on in this process; a feature that is
// not installed is left alone.
inline void SetFeatureRank(const char* name, guint rank) {
    const auto feature = GstPtr<GstPluginFeature>::Adopt(gst_registry_lookup_feature(gst_registry_get(), name));
    if (feature) gst_plugin_feature_set_rank(feature.get(), rank);
}

}  // namespace quabrel
