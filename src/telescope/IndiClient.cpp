#include "telescope/IndiClient.h"

#include <libindi/baseclient.h>
#include <libindi/basedevice.h>
#include <libindi/indiproperty.h>
#include <libindi/indipropertynumber.h>
#include <libindi/indipropertyswitch.h>
#include <libindi/indipropertytext.h>

#include <cstdlib>

namespace orva {

namespace {

IndiState StateOf(IPState state) {
    switch (state) {
        case IPS_OK:
            return IndiState::Ok;
        case IPS_BUSY:
            return IndiState::Busy;
        case IPS_ALERT:
            return IndiState::Alert;
        default:
            return IndiState::Idle;
    }
}

// Copies what the station reads of one property: numbers, switches and texts.
std::optional<IndiProperty> Copy(INDI::Property property) {
    IndiProperty copy;
    copy.state = StateOf(property.getState());
    switch (property.getType()) {
        case INDI_NUMBER: {
            INDI::PropertyNumber numbers(property);
            for (const auto& number : numbers) {
                IndiElement element;
                element.label = number.getLabel();
                element.number = number.getValue();
                element.minimum = number.getMin();
                element.maximum = number.getMax();
                copy.elements.emplace_back(number.getName(), std::move(element));
            }
            break;
        }
        case INDI_SWITCH: {
            INDI::PropertySwitch switches(property);
            for (const auto& entry : switches) {
                IndiElement element;
                element.label = entry.getLabel();
                element.on = entry.getState() == ISS_ON;
                copy.elements.emplace_back(entry.getName(), std::move(element));
            }
            break;
        }
        case INDI_TEXT: {
            INDI::PropertyText texts(property);
            for (const auto& entry : texts) {
                IndiElement element;
                element.label = entry.getLabel();
                element.text = entry.getText() ? entry.getText() : "";
                copy.elements.emplace_back(entry.getName(), std::move(element));
            }
            break;
        }
        default:
            return std::nullopt;  // lights and BLOBs: nothing the station reads
    }
    return copy;
}

}  // namespace

const IndiElement* IndiProperty::Find(const std::string& name) const {
    for (const auto& [elementName, element] : elements) {
        if (elementName == name) return &element;
    }
    return nullptr;
}

class IndiClient::Listener final : public INDI::BaseClient {
public:
    explicit Listener(IndiClient& owner) : owner_(owner) {}

protected:
    void newProperty(INDI::Property property) override { Store(property); }
    void updateProperty(INDI::Property property) override { Store(property); }
    void removeProperty(INDI::Property property) override {
        std::lock_guard lock(owner_.mutex_);
        auto device = owner_.devices_.find(property.getDeviceName());
        if (device != owner_.devices_.end()) device->second.erase(property.getName());
        ++owner_.generation_;
        owner_.changed_.notify_all();
    }
    void removeDevice(INDI::BaseDevice device) override {
        std::lock_guard lock(owner_.mutex_);
        owner_.devices_.erase(device.getDeviceName());
        ++owner_.generation_;
        owner_.changed_.notify_all();
    }
    void serverDisconnected(int) override {
        std::lock_guard lock(owner_.mutex_);
        if (owner_.connected_) owner_.lost_ = true;
        owner_.connected_ = false;
        owner_.devices_.clear();
        ++owner_.generation_;
        owner_.changed_.notify_all();
    }

private:
    void Store(INDI::Property property) {
        std::optional<IndiProperty> copy = Copy(property);
        if (!copy) return;
        std::lock_guard lock(owner_.mutex_);
        IndiProperty& stored = owner_.devices_[property.getDeviceName()][property.getName()];
        copy->generation = stored.generation + 1;
        stored = std::move(*copy);
        ++owner_.generation_;
        owner_.changed_.notify_all();
    }

    IndiClient& owner_;
};

IndiClient::IndiClient() : listener_(std::make_unique<Listener>(*this)) {}

IndiClient::~IndiClient() {
    // Stops the listener thread before the snapshot it writes goes away.
    if (listener_->isServerConnected()) listener_->disconnectServer();
}

bool IndiClient::Connect(const std::string& host, int port) {
    listener_->setServer(host.c_str(), static_cast<unsigned int>(port));
    listener_->setConnectionTimeout(3, 0);
    {
        std::lock_guard lock(mutex_);
        connected_ = true;  // set first: the listener may report a loss at once
        lost_ = false;
    }
    if (listener_->connectServer()) return true;
    std::lock_guard lock(mutex_);
    connected_ = false;
    return false;
}

bool IndiClient::ServerConnected() const {
    std::lock_guard lock(mutex_);
    return connected_;
}

bool IndiClient::ServerLost() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

std::vector<IndiDeviceInfo> IndiClient::Devices() const {
    std::lock_guard lock(mutex_);
    std::vector<IndiDeviceInfo> devices;
    for (const auto& [name, properties] : devices_) {
        IndiDeviceInfo info;
        info.name = name;
        const auto driver = properties.find("DRIVER_INFO");
        if (driver != properties.end()) {
            if (const IndiElement* e = driver->second.Find("DRIVER_NAME")) info.driverName = e->text;
            if (const IndiElement* e = driver->second.Find("DRIVER_VERSION")) info.driverVersion = e->text;
            if (const IndiElement* e = driver->second.Find("DRIVER_INTERFACE")) {
                info.interfaces = static_cast<uint32_t>(std::strtoul(e->text.c_str(), nullptr, 10));
            }
        }
        devices.push_back(std::move(info));
    }
    return devices;
}

const IndiProperty* IndiClient::PropertyLocked(const std::string& device, const std::string& name) const {
    const auto found = devices_.find(device);
    if (found == devices_.end()) return nullptr;
    const auto property = found->second.find(name);
    return property == found->second.end() ? nullptr : &property->second;
}

std::optional<IndiProperty> IndiClient::Property(const std::string& device, const std::string& name) const {
    std::lock_guard lock(mutex_);
    const IndiProperty* property = PropertyLocked(device, name);
    if (!property) return std::nullopt;
    return *property;
}

bool IndiClient::WaitUntil(const Predicate& predicate, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    // A real server answers in its own time: this waits on its messages, not on a timer
    // of ours, and gives up after the time-out.
    const bool met = changed_.wait_for(lock, timeout, [&] { return predicate() || !connected_; });
    return met && predicate();
}

bool IndiClient::SendNumbers(const std::string& device, const std::string& name,
                             const std::vector<std::pair<std::string, double>>& values) {
    if (!ServerConnected()) return false;
    INDI::PropertyNumber property(values.size());
    property.setDeviceName(device.c_str());
    property.setName(name.c_str());
    for (std::size_t i = 0; i < values.size(); ++i) {
        property[i].setName(values[i].first.c_str());
        property[i].setValue(values[i].second);
    }
    listener_->sendNewNumber(property);
    return ServerConnected();
}

bool IndiClient::SendSwitches(const std::string& device, const std::string& name,
                              const std::vector<std::pair<std::string, bool>>& states) {
    if (!ServerConnected()) return false;
    INDI::PropertySwitch property(states.size());
    property.setDeviceName(device.c_str());
    property.setName(name.c_str());
    for (std::size_t i = 0; i < states.size(); ++i) {
        property[i].setName(states[i].first.c_str());
        property[i].setState(states[i].second ? ISS_ON : ISS_OFF);
    }
    listener_->sendNewSwitch(property);
    return ServerConnected();
}

}  // namespace orva
