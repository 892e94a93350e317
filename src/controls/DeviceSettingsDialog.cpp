#include "controls/DeviceSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace quabrel {

namespace {

using Kind = DeviceControl::Kind;

// Sliders count in int; a wider range is shown clamped.
int ToSlider(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

}  // namespace

DeviceSettingsDialog::DeviceSettingsDialog(const DeviceSettings& settings, const QString& deviceName, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(deviceName);
    Build();
    Refresh();
}

QWidget* DeviceSettingsDialog::ControlWidget(uint32_t id) const {
    const auto found = m_widgets.find(id);
    return found == m_widgets.end() ? nullptr : found->second;
}

void DeviceSettingsDialog::Build() {
    auto* content = new QWidget;
    auto* groups = new QVBoxLayout(content);
    QFormLayout* form = nullptr;
    auto newGroup = [&](const QString& title) {
        auto* box = new QGroupBox(title);
        form = new QFormLayout(box);
        groups->addWidget(box);
    };
    for (const DeviceControl& c : m_settings.Controls()) {
        if (c.kind == Kind::kClass) {
            newGroup(QString::fromStdString(c.name));
            continue;
        }
        if (c.disabled || c.kind == Kind::kOther) continue;
        if (form == nullptr) newGroup(tr("Controls"));
        const QString name = QString::fromStdString(c.name);
        const uint32_t id = c.id;
        switch (c.kind) {
        case Kind::kInteger: {
            auto* row = new QWidget;
            auto* layout = new QHBoxLayout(row);
            layout->setContentsMargins(0, 0, 0, 0);
            auto* slider = new QSlider(Qt::Horizontal);
            slider->setRange(ToSlider(c.minimum), ToSlider(c.maximum));
            slider->setSingleStep(ToSlider(c.step));
            slider->setPageStep(ToSlider(std::max<int64_t>(c.step, (c.maximum - c.minimum) / 10)));
            slider->setMinimumWidth(200);
            auto* value = new QLabel;
            value->setMinimumWidth(48);
            layout->addWidget(slider);
            layout->addWidget(value);
            // Applied when it comes to rest: no flood of writes while dragging.
            connect(slider, &QSlider::valueChanged, value, [value](int v) { value->setNum(v); });
            connect(slider, &QSlider::sliderReleased, this, [this, id, slider] { Apply(id, slider->value()); });
            connect(slider, &QSlider::actionTriggered, this, [this, id, slider](int action) {
                if (action != QAbstractSlider::SliderMove)
                    QMetaObject::invokeMethod(this, [this, id, slider] { Apply(id, slider->value()); }, Qt::QueuedConnection);
            });
            form->addRow(name, row);
            m_widgets[id] = slider;
            m_valueLabels[id] = value;
            break;
        }
        case Kind::kBoolean: {
            auto* box = new QCheckBox;
            connect(box, &QCheckBox::toggled, this, [this, id](bool on) { Apply(id, on ? 1 : 0); });
            form->addRow(name, box);
            m_widgets[id] = box;
            break;
        }
        case Kind::kMenu:
        case Kind::kIntegerMenu: {
            auto* list = new QComboBox;
            for (const auto& [index, label] : c.entries) list->addItem(QString::fromStdString(label), QVariant::fromValue(index));
            connect(list, qOverload<int>(&QComboBox::activated), this,
                    [this, id, list](int row) { Apply(id, list->itemData(row).toLongLong()); });
            form->addRow(name, list);
            m_widgets[id] = list;
            break;
        }
        case Kind::kButton: {
            auto* button = new QPushButton(name);
            connect(button, &QPushButton::clicked, this, [this, id] { Apply(id, 1); });
            form->addRow(QString(), button);
            m_widgets[id] = button;
            break;
        }
        default:
            break;
        }
    }
    groups->addStretch();

    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::RestoreDefaults | QDialogButtonBox::Close);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] {
        m_settings.RestoreDefaults();
        Refresh();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
    resize(460, std::min(640, content->sizeHint().height() + 80));
}

void DeviceSettingsDialog::Apply(uint32_t id, int64_t value) {
    m_settings.Set(id, value);
    // The driver may have refused or adjusted it, and changed others.
    Refresh();
}

void DeviceSettingsDialog::Refresh() {
    for (const DeviceControl& c : m_settings.Controls()) {
        QWidget* widget = ControlWidget(c.id);
        if (widget == nullptr) continue;
        const QSignalBlocker quiet(widget);
        widget->setEnabled(!c.readOnly && !c.inactive);
        if (auto* slider = qobject_cast<QSlider*>(widget)) {
            slider->setValue(ToSlider(c.value));
            if (auto* label = qobject_cast<QLabel*>(m_valueLabels[c.id])) label->setNum(ToSlider(c.value));
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            box->setChecked(c.value != 0);
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            list->setCurrentIndex(list->findData(QVariant::fromValue(c.value)));
        }
    }
}

VideoInputDialog::VideoInputDialog(const DeviceSettings& settings, const QString& deviceName, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setWindowTitle(deviceName);
    auto* form = new QFormLayout;
    m_inputs = new QComboBox;
    uint32_t current = 0;
    m_settings.CurrentInput(&current);
    for (const VideoInput& input : m_settings.Inputs()) {
        m_inputs->addItem(QString::fromStdString(input.name), input.index);
        if (input.index == current) m_inputs->setCurrentIndex(m_inputs->count() - 1);
    }
    m_standards = new QComboBox;
    form->addRow(tr("Video input"), m_inputs);
    form->addRow(tr("Video standard"), m_standards);
    connect(m_inputs, qOverload<int>(&QComboBox::activated), this, [this](int row) {
        m_settings.SelectInput(m_inputs->itemData(row).toUInt());
        FillStandards();
    });
    connect(m_standards, qOverload<int>(&QComboBox::activated), this,
            [this](int row) { m_settings.SelectStandard(m_standards->itemData(row).toULongLong()); });
    FillStandards();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void VideoInputDialog::FillStandards() {
    m_standards->clear();
    uint64_t current = 0;
    const bool known = SUCCEEDED(m_settings.CurrentStandard(&current));
    for (const auto& [id, name] : m_settings.Standards()) {
        m_standards->addItem(QString::fromStdString(name), QVariant::fromValue(id));
        if (known && (current & id) == id) m_standards->setCurrentIndex(m_standards->count() - 1);
    }
    // An input without standards (a camera's own sensor) has none to pick.
    m_standards->setEnabled(m_standards->count() > 0);
}

}  // namespace quabrel
