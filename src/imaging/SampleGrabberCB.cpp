#include "imaging/SampleGrabberCB.h"

#include "mainwindow/QuabrelDlg.h"

#include <algorithm>
#include <cstdint>

namespace quabrel {

CSampleGrabberCB g_sampleGrabberCB;

HRESULT CSampleGrabberCB::QueryInterface(const Guid& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_ISampleGrabberCB || iid == IID_IUnknown) {
        *object = this;
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CSampleGrabberCB::SampleCB(double, void*) { return S_OK; }

void CSampleGrabberCB::SetUp(CquabrelDlg* owner, int32_t width, int32_t height) {
    m_owner = owner;
    m_width = width;
    m_height = height;
    m_headerSent = false;
}

HRESULT CSampleGrabberCB::BufferCB(double, uint8_t* buffer, int32_t bufferLength) {
    if (m_owner == nullptr || buffer == nullptr) return S_OK;
    const int64_t pixels = static_cast<int64_t>(m_width) * m_height;
    m_owner->ColorProcessor().ProcessFrame(buffer, static_cast<int32_t>(std::clamp<int64_t>(pixels, 0, INT32_MAX)),
                                           static_cast<std::size_t>(bufferLength > 0 ? bufferLength : 0));

    if (!m_owner->HasCompanionFilter()) return S_OK;
    const KsObject* ks = m_owner->CompanionKsObject();
    if (ks == nullptr) return E_NOINTERFACE;
    const int handle = ks->KsGetObjectHandle();
    if (handle < 0) return E_UNEXPECTED;

    KsProperty property{PROPSETID_VIDCAP_CAMERACONTROL, kCompanionHeaderId, KSPROPERTY_TYPE_SET};
    uint32_t returned = 0;
    if (!m_headerSent) {
        m_header = {m_width, m_height, bufferLength};
        m_headerSent = true;
        KsSynchronousDeviceControl(handle, IOCTL_KS_PROPERTY, &property, sizeof property, &m_header, sizeof m_header,
                                   &returned);
    }
    // The device's answers change nothing here: a frame it refuses is
    // simply not shown elsewhere.
    property.id = kCompanionFrameId;
    KsSynchronousDeviceControl(handle, IOCTL_KS_PROPERTY, &property, sizeof property, buffer,
                               static_cast<uint32_t>(bufferLength > 0 ? bufferLength : 0), &returned);
    return S_OK;
}

}  // namespace quabrel
