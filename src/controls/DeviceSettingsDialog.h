#pragma once

#include "platform/DeviceSettings.h"

#include <QDialog>

#include <functional>
#include <map>
#include <vector>

class QComboBox;

namespace quabrel {

// The driver's own settings of a camera, in a dialog titled with the
// camera's name: every control the driver lists, grouped by its class. A
// change goes to the driver at once; what it does to other controls (an
// automatic mode making a manual value inactive) shows at once too.
class DeviceSettingsDialog : public QDialog {
    Q_OBJECT

public:
    DeviceSettingsDialog(const DeviceSettings& settings, const QString& deviceName, QWidget* parent = nullptr);

    // The widget showing control `id` (null when the driver hides it).
    QWidget* ControlWidget(uint32_t id) const;
    // Reads every control back from the driver into the widgets.
    void Refresh();

private:
    void Build();
    void Apply(uint32_t id, int64_t value);

    const DeviceSettings& m_settings;
    std::map<uint32_t, QWidget*> m_widgets;
    std::map<uint32_t, QWidget*> m_valueLabels;
};

// The camera's video inputs, and the analogue standard of the current one
// where it has standards.
class VideoInputDialog : public QDialog {
    Q_OBJECT

public:
    VideoInputDialog(const DeviceSettings& settings, const QString& deviceName, QWidget* parent = nullptr);

    QComboBox* Inputs() const { return m_inputs; }
    QComboBox* Standards() const { return m_standards; }

private:
    void FillStandards();

    const DeviceSettings& m_settings;
    QComboBox* m_inputs = nullptr;
    QComboBox* m_standards = nullptr;
};

}  // namespace quabrel
