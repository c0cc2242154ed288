// The system's ports through libudev: enumeration of the tty subsystem and a
// monitor of its hot-plug events.

#include <libudev.h>

#include <memory>

#include "platform/port_discovery.h"

namespace platform {
namespace {

struct UdevUnref {
  void operator()(udev* handle) const { udev_unref(handle); }
  void operator()(udev_enumerate* handle) const { udev_enumerate_unref(handle); }
  void operator()(udev_device* handle) const { udev_device_unref(handle); }
  void operator()(udev_monitor* handle) const { udev_monitor_unref(handle); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

constexpr const char* kTtySubsystem = "tty";

std::string Text(const char* text) { return text ? std::string(text) : std::string(); }

PortRecord RecordOf(udev_device* device) {
  PortRecord record;
  record.devPath = Text(udev_device_get_devpath(device));
  record.devNode = Text(udev_device_get_devnode(device));
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_device_get_devlinks_list_entry(device)) {
    record.links.push_back(Text(udev_list_entry_get_name(entry)));
  }
  udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device)) {
    record.properties[Text(udev_list_entry_get_name(entry))] = Text(udev_list_entry_get_value(entry));
  }
  // Parents belong to the child: not unreferenced here. The serial core's
  // own devices sit between a UART and its tty; the driver that matters
  // is the one above it.
  for (udev_device* parent = udev_device_get_parent(device); parent; parent = udev_device_get_parent(parent)) {
    const std::string driver = Text(udev_device_get_driver(parent));
    if (!driver.empty() && Text(udev_device_get_subsystem(parent)) != kSerialCoreBus) {
      record.parentDriver = driver;
      break;
    }
  }
  return record;
}

class UdevPortSource final : public PortSource {
 public:
  explicit UdevPortSource(UdevPtr<udev> context) : udev_(std::move(context)) {}

  bool Records(std::vector<PortRecord>& records) override {
    UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(udev_.get()));
    if (!enumeration) return false;
    if (udev_enumerate_add_match_subsystem(enumeration.get(), kTtySubsystem) < 0) return false;
    if (udev_enumerate_scan_devices(enumeration.get()) < 0) return false;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
      UdevPtr<udev_device> device(udev_device_new_from_syspath(udev_.get(), udev_list_entry_get_name(entry)));
      // A port pulled while the list is read is simply not listed.
      if (device) records.push_back(RecordOf(device.get()));
    }
    return true;
  }

 private:
  UdevPtr<udev> udev_;
};

class UdevPortMonitor final : public PortMonitor {
 public:
  UdevPortMonitor(UdevPtr<udev> context, UdevPtr<udev_monitor> monitor)
      : udev_(std::move(context)), monitor_(std::move(monitor)) {}

  int Descriptor() const override { return udev_monitor_get_fd(monitor_.get()); }

  bool DrainChanges() override {
    bool changed = false;
    // The monitor's socket does not block: this ends once the queue is empty.
    while (UdevPtr<udev_device> device{udev_monitor_receive_device(monitor_.get())}) {
      const std::string action = Text(udev_device_get_action(device.get()));
      if (action == "add" || action == "remove") changed = true;
    }
    return changed;
  }

 private:
  UdevPtr<udev> udev_;
  UdevPtr<udev_monitor> monitor_;
};

}  // namespace

std::unique_ptr<PortSource> MakeSystemPortSource() {
  UdevPtr<udev> context(udev_new());
  if (!context) return nullptr;
  return std::make_unique<UdevPortSource>(std::move(context));
}

Discovery DiscoverSystemPorts() {
  const std::unique_ptr<PortSource> source = MakeSystemPortSource();
  return source ? DiscoverPorts(*source) : Discovery{};
}

std::unique_ptr<PortMonitor> MakeSystemPortMonitor() {
  UdevPtr<udev> context(udev_new());
  if (!context) return nullptr;
  UdevPtr<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
  if (!monitor) return nullptr;
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), kTtySubsystem, nullptr) < 0) return nullptr;
  if (udev_monitor_enable_receiving(monitor.get()) < 0) return nullptr;
  return std::make_unique<UdevPortMonitor>(std::move(context), std::move(monitor));
}

}  // namespace platform
