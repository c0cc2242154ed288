// File...: identify the interface on the chosen port, then let the user
// choose an image from the model's folder and record it.

#include <filesystem>
#include <memory>

#include "bootloader/firmware_image.h"
#include "device/interface_commands.h"
#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "resources/dialog_ids.h"
#include "wizard/image_file.h"
#include "wizard/upgrade_dialog.h"

namespace wizard {

using namespace resources;

namespace {

// Every model name is longer than this and "Unknown" is not: a kind field this
// short means there is no model to choose an image for.
constexpr std::size_t kLongestNonModelText = 10;

}  // namespace

void UpgradeDialog::OnFileButton() {
  const std::string portName = PortName();
  if (!m_recoveryMode && !DetectInterface(portName)) return;
  // A stop asked for meanwhile ends File... here, before the chooser.
  if (StopRequested()) {
    EndDetectionStopped();
    return;
  }
  // Recovery mode never asked the interface; its kind stays as it was, and the
  // general folder is offered.
  const device::InterfaceKind kind = m_recoveryMode ? device::InterfaceKind::Unknown : m_interfaceKind;
  const ImageFolder folder = ImageFolderFor(m_context.baseFolder, kind);
  ChooseAndRecordImage(folder.path, folder.pattern);
}

bool UpgradeDialog::DetectInterface(const std::string& portName) {
  device::InterfaceCommands commands(m_serialPort, [this] { return StopRequested(); });
  if (!commands.OpenForCommands(portName)) {
    // The port stays as the failed open left it; nothing else changes.
    m_lastDetection = DetectionOutcome::PortNotOpened;
    return false;
  }
  std::string replyBuffer;
  const device::ExchangeResult result = commands.IdentifyInterface(replyBuffer, [this](std::string& payload) {
    const device::InterfaceKind kind = device::KindFromPayload(payload);
    m_lastIdentifyReply = payload;
    if (kind == device::InterfaceKind::Unknown) payload = std::string(device::kUnknownKindText);
    m_interfaceKind = kind;
    if (device::IsTernFamily(kind)) m_smallModel = 1;
    m_window.SetControlText(kIdKindLabel, payload);
    return device::LineVerdict::Complete;
  });
  // A port that stayed silent while a stop was asked for is no silent device.
  if (result == device::ExchangeResult::Stopped) {
    EndDetectionStopped();
    return false;
  }
  if (result == device::ExchangeResult::TimedOut) {
    ShowMessage(SilentFirmwareMessage(portName));
    if (m_serialPort.IsOpen()) m_serialPort.Close();
    m_lastDetection = DetectionOutcome::NoReply;
    return false;
  }
  if (m_serialPort.IsOpen()) m_serialPort.Close();
  // The kind field, not the kind, decides: it is what the upgrade compares with.
  if (m_window.GetControlText(kIdKindLabel).size() <= kLongestNonModelText) {
    m_lastDetection = DetectionOutcome::UnknownModel;
    return false;
  }
  return true;
}

void UpgradeDialog::EndDetectionStopped() {
  if (m_serialPort.IsOpen()) m_serialPort.Close();
  AppendWithBlank(Text(i18n::StoppedUntouched));
  m_lastDetection = DetectionOutcome::Stopped;
}

void UpgradeDialog::ChooseAndRecordImage(const std::string& folder, const std::string& pattern) {
  const FileChoice choice = m_window.ChooseFile(FileChooserRequest{folder, kImageFilterLabel, pattern});
  if (!choice.ok) {
    ShowMessage(Text(i18n::prjProDlg6));
    m_lastDetection = DetectionOutcome::Cancelled;
    return;
  }
  if (!ImageSuitsInterface(choice)) return;
  // A damaged file is refused here, before anything could be erased: Upgrade
  // stays disabled and File... stays available for another choice.
  if (!CheckChosenFiles(choice.fullPath)) return;
  m_imagePath = choice.fullPath;
  if (!m_imagePath.empty()) MeasureImage();
  m_window.SetControlText(kIdFileEdit, choice.fileName);
  m_window.EnableControl(kIdUpgradeButton, true);
  m_window.EnableControl(kIdFileButton, false);
  m_lastDetection = DetectionOutcome::ImageChosen;
}

// Programming an image built for another model would leave this interface
// without working firmware. Its file name says which model it is for: the
// window asks (No unless the user says Yes), the terminal refuses it unless
// told to take it. Recovery mode has no model to check against.
bool UpgradeDialog::ImageSuitsInterface(const FileChoice& choice) {
  if (m_recoveryMode || m_context.options.acceptImageForOtherModel) return true;
  if (!ImageIsForOtherModel(choice.fileName, m_interfaceKind)) return true;
  const std::string text =
      i18n::FillIn(Advice(i18n::ImageForOtherModelQuestion, i18n::ImageForOtherModelRefused),
                   {{"file", choice.fileName},
                    {"image", ImageModelOf(choice.fileName)->names},
                    {"interface", m_window.GetControlText(kIdKindLabel)}});
  if (m_context.options.terminalAdvice) {
    ShowMessage(text);
  } else if (ShowMessage(text, MessageButtons::YesNoDefaultNo, MessageIcon::Warning) == MessageResult::Yes) {
    return true;
  }
  m_lastDetection = DetectionOutcome::ImageForOtherModel;
  return false;
}

// The image and, when it is there, the loader patch are read whole and
// checked; what was checked is what the upgrade programs. A missing patch is
// not refused: newer loaders need none.
bool UpgradeDialog::CheckChosenFiles(const std::string& imagePath) {
  CheckedFiles files = CheckImageAndPatch(imagePath, m_patchPath);
  if (!files.image) {
    const std::string& refused = files.patchRefused ? m_patchPath : imagePath;
    ShowMessage(DescribeRefusedFile(m_context.languageTable, refused, files.damage, files.patchRefused));
    m_lastDetection = files.patchRefused ? DetectionOutcome::PatchRefused : DetectionOutcome::ImageRefused;
    return false;
  }
  m_image = std::move(files.image);
  m_patch = std::move(files.patch);
  return true;
}

void UpgradeDialog::MeasureImage() {
  const ImageMeasure measure = MeasureImageFile(m_imagePath);
  if (measure.status == ImageMeasure::Status::LengthFailed) {
    ShowMessage(measure.errorText);
    return;
  }
  if (measure.status != ImageMeasure::Status::Measured) return;
  // The size is kept as the low 32 bits of the length.
  m_imageSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(measure.length));
  m_progressSteps = m_imageSize / 2000;
  m_window.SetProgressRange(kIdProgressBar, 0, m_imageSize);
  m_window.SetProgressPos(kIdProgressBar, 0);
}

}  // namespace wizard
