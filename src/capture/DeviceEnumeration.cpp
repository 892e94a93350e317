// Listing capture devices into the window and finding one again by name.
// Devices are known only by their display names: every lookup enumerates
// the category afresh.

#include "controls/MyListBox.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QMenu>

namespace quabrel {

void CquabrelDlg::InitAudioEnumerator(DeviceCategory category, int target) {
    std::vector<DeviceMoniker> devices;
    const HRESULT hr = CreateClassEnumerator(category, devices);
    if (hr == E_FAIL) {
        ShowMessageBox(this, QStringLiteral("InitAudioEnumerator KO"));
        return;
    }
    if (hr != S_OK) return;  // an empty category changes nothing

    // Whatever the target, the device list starts empty.
    m_videoList->clear();
    int k = 0;
    for (const DeviceMoniker& moniker : devices) {
        const std::string name = moniker.DisplayName();
        if (name.empty() || name == kCompanionName) continue;
        if (target == kAudioMenuTarget) {
            // Ids 10 to 29 belong to audio devices; from 30 on the numbers
            // are the skins'. Devices beyond that are not offered.
            if (k >= kMaxAudioDevices) continue;
            QAction* action = m_hAudioMenu->addAction(QString::fromStdString(name));
            action->setData(kFirstAudioDeviceId + k);
            action->setCheckable(true);
            m_audioDeviceNames[static_cast<std::size_t>(k)] = name;
            ++k;
        } else if (target == 1001) {
            m_videoList->addItem(QString::fromStdString(name));
        }
    }
}

HRESULT CquabrelDlg::FindDeviceFilter(DeviceFilterPtr* filter, const std::string& name, bool isVideo) {
    std::string wanted = name;
    if (wanted.empty() && isVideo) {
        QListWidgetItem* selected = m_videoList->currentItem();
        if (selected == nullptr || !selected->isSelected()) return -1;
        wanted = selected->text().toStdString();
    } else if (wanted.empty()) {
        wanted = m_strAudioDevice;
    }
    if (filter == nullptr) return E_POINTER;

    std::vector<DeviceMoniker> devices;
    const HRESULT hr = CreateClassEnumerator(isVideo ? DeviceCategory::kVideoInput : DeviceCategory::kAudioInput, devices);
    if (hr == E_FAIL) {
        ShowMessageBox(this, QStringLiteral("Couldnt create system enumerator"));
        return hr;
    }
    if (hr != S_OK) {
        ShowMessageBox(this, QStringLiteral("No video capture device was detected"));
        return E_FAIL;
    }
    // Every device is visited: of several with the name, the last one wins.
    DeviceFilterPtr found;
    HRESULT last = S_OK;
    for (const DeviceMoniker& moniker : devices) {
        std::string display = moniker.DisplayName();
        if (display.empty() || display != wanted) continue;
        found = moniker.Bind(std::move(display));
        last = found ? S_OK : E_FAIL;
        if (!found) ShowMessageBox(this, QStringLiteral("Error"));
    }
    *filter = std::move(found);
    return last;
}

}  // namespace quabrel
