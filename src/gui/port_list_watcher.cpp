#include "gui/port_list_watcher.h"

#include <QComboBox>
#include <QSocketNotifier>

#include "gui/port_notices.h"
#include "gui/qt_dialog_window.h"
#include "resources/dialog_ids.h"

namespace gui {
namespace {

QString ToolTip(const platform::PortInfo& port, const PortTexts& texts) {
  QStringList lines;
  const std::string summary = platform::PortSummary(port);
  if (!summary.empty()) lines << QString::fromStdString(summary);
  if (!port.byIdPath.empty()) lines << texts.stableNameTip + QString::fromStdString(port.byIdPath);
  if (!port.accessible) lines << texts.notPermittedTip;
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

void ApplyDiscoveredPorts(QComboBox& combo, int fixedItems, const std::vector<platform::PortInfo>& ports,
                          const PortTexts& texts) {
  const QString chosen = combo.currentIndex() < 0 ? QString() : combo.currentText();
  // Quietly: nobody listens to the list's own changes, but a choice made by
  // the user must not flicker through other ports on the way.
  const bool blocked = combo.blockSignals(true);
  while (combo.count() > fixedItems) combo.removeItem(combo.count() - 1);
  for (const platform::PortInfo& port : ports) {
    combo.addItem(QString::fromStdString(port.path));
    combo.setItemData(combo.count() - 1, ToolTip(port, texts), Qt::ToolTipRole);
  }
  combo.setCurrentIndex(chosen.isEmpty() ? -1 : combo.findText(chosen, Qt::MatchExactly));
  combo.blockSignals(blocked);
}

PortListWatcher::PortListWatcher(QComboBox& combo, std::unique_ptr<platform::PortSource> source,
                                 std::unique_ptr<platform::PortMonitor> monitor, PortTexts texts)
    : QObject(&combo), combo_(combo), fixedItems_(combo.count()), source_(std::move(source)),
      monitor_(std::move(monitor)), texts_(std::move(texts)) {
  if (monitor_ && monitor_->Descriptor() >= 0) {
    notifier_ = new QSocketNotifier(monitor_->Descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { OnMonitorReadable(); });
  }
  Refresh();
}

PortListWatcher::~PortListWatcher() {
  // The notifier goes before the monitor whose descriptor it watches.
  delete notifier_;
}

void PortListWatcher::Refresh() {
  if (!source_) return;
  ApplyDiscoveredPorts(combo_, fixedItems_, platform::DiscoverPorts(*source_).ports, texts_);
}

void PortListWatcher::OnMonitorReadable() {
  if (monitor_->DrainChanges()) Refresh();
}

std::shared_ptr<platform::DeviceObserver> AttachSystemPorts(QtDialogWindow& window,
                                                           const i18n::LanguageTable& table) {
  return AttachPorts(window, platform::MakeSystemPortSource(), platform::MakeSystemPortMonitor(), PortTextsFrom(table));
}

std::shared_ptr<platform::DeviceObserver> AttachPorts(QtDialogWindow& window,
                                                     std::unique_ptr<platform::PortSource> source,
                                                     std::unique_ptr<platform::PortMonitor> monitor,
                                                     const PortTexts& texts) {
  auto* combo = qobject_cast<QComboBox*>(window.Control(resources::kIdPortCombo));
  if (combo) new PortListWatcher(*combo, std::move(source), std::move(monitor), texts);
  const auto* notices = new PortNotices(
      window.Dialog(), [&window](const std::string& text) { window.PostStatusLine(text); }, texts);
  return notices->Observer();
}

}  // namespace gui
