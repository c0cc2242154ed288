#pragma once
// Keeps the window's port list in step with the serial ports that exist:
// COM1 to COM16 stay first, in their order; the ports found follow, each as
// the name that opens it, with the adapter in its tooltip. An adapter plugged
// in or pulled while the window is open appears or disappears; the user's
// choice stays while its port exists.

#include <QObject>
#include <memory>
#include <vector>

#include "gui/port_texts.h"
#include "platform/device_observer.h"
#include "platform/port_discovery.h"

class QComboBox;
class QSocketNotifier;

namespace gui {

class QtDialogWindow;

// Replaces the items after the first `fixedItems` with `ports`, keeping the
// chosen item when it is still offered and choosing none when it is gone.
void ApplyDiscoveredPorts(QComboBox& combo, int fixedItems, const std::vector<platform::PortInfo>& ports,
                          const PortTexts& texts = EnglishPortTexts());

class PortListWatcher final : public QObject {
 public:
  // Lists the ports at once. Without a monitor the list is not followed;
  // without a source only the fixed items are offered.
  PortListWatcher(QComboBox& combo, std::unique_ptr<platform::PortSource> source,
                  std::unique_ptr<platform::PortMonitor> monitor, PortTexts texts = EnglishPortTexts());
  ~PortListWatcher() override;
  PortListWatcher(const PortListWatcher&) = delete;
  PortListWatcher& operator=(const PortListWatcher&) = delete;

  void Refresh();

 private:
  void OnMonitorReadable();

  QComboBox& combo_;
  int fixedItems_;
  std::unique_ptr<platform::PortSource> source_;
  std::unique_ptr<platform::PortMonitor> monitor_;
  QSocketNotifier* notifier_ = nullptr;  // owned by this object
  PortTexts texts_;
};

// The system's ports in the window's list, followed while the window lives,
// and status lines, in the table's language, saying why a port did not open
// (naming the fix for a lack of permission) and when a device went away:
// the returned observer, given to the window's dialog, hears of them.
std::shared_ptr<platform::DeviceObserver> AttachSystemPorts(QtDialogWindow& window,
                                                           const i18n::LanguageTable& table);
// The same with the ports of `source` and the changes of `monitor`.
std::shared_ptr<platform::DeviceObserver> AttachPorts(QtDialogWindow& window,
                                                     std::unique_ptr<platform::PortSource> source,
                                                     std::unique_ptr<platform::PortMonitor> monitor,
                                                     const PortTexts& texts = EnglishPortTexts());

}  // namespace gui
