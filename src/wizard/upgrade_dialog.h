#pragma once
// The wizard's main dialog: its shared state, its handlers and the upgrade
// worker. The dialog reaches its window only through WindowOps; a host (Qt
// window, terminal, test recorder) delivers the events to the handlers on the
// dialog's thread.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "bootloader/result_codes.h"
#include "device/interface_kind.h"
#include "serial/serial_port.h"
#include "wizard/dialog_options.h"
#include "wizard/journal.h"
#include "wizard/stop_request.h"
#include "wizard/window_ops.h"

namespace bootloader {
class BootLoader;
struct FirmwareImage;
}
namespace i18n {
class LanguageTable;
struct Entry;
}

namespace wizard {

// The caption of every message box, whatever the language.
inline constexpr const char* kMessageCaption = "Quorrel Upgrade Wizard";

// What start-up (or the terminal front end) hands the dialog.
struct DialogContext {
  std::string baseFolder;     // ends with '/'; holds Lang/, Image/ and the patch
  std::string patchFilePath;  // full path of PATCH.TXT
  const i18n::LanguageTable* languageTable = nullptr;  // null: every text is empty
  // The string table; empty: resources::LoadString. Tests inject their own.
  std::function<std::string(int id)> loadString;
  // The upgrade journal's folder (the user's state folder), ending with '/';
  // empty when none is known: an upgrade then refuses to erase.
  std::string journalFolder;
  DialogOptions options;
};

// How the last press of File... ended.
enum class DetectionOutcome {
  None,           // not pressed yet
  PortNotOpened,  // nothing changed, no message
  NoReply,        // the identify exchange timed out
  UnknownModel,   // "Unknown" shown, no chooser
  Cancelled,      // the chooser was cancelled
  ImageRefused,   // the image is damaged or no file: Upgrade stays disabled
  PatchRefused,   // PATCH.TXT is there but damaged: Upgrade stays disabled
  ImageForOtherModel,  // the image's name says another model: not taken
  Stopped,        // a stop was asked for: nothing more was sent
  ImageChosen,
};

// How the last upgrade ended.
enum class UpgradeOutcome {
  None,                 // not started, or still running
  Succeeded,            // success message shown, closing timer started
  ModelMismatch,        // the firmware answered another model than detection showed
  IdentifyTimedOut,     // the firmware did not answer the identify command
  SerialTimedOut,       // the firmware did not answer the serial-number read
  LinkNotOpened,        // the boot-loader link did not open
  EraseFailed,          // the mass erase failed
  ProgrammingFailed,    // password, patch or image failed
  LoaderRestartFailed,  // restarting the loader for its patch, or the password after it, failed
  SerialNotWritten,     // programmed, but the serial number did not arrive on the device
  ThreadNotStarted,
  PortInUse,            // the port did not open and no serial number is known: nothing was changed
  StoppedUntouched,     // a stop was asked for before the loader was reached: nothing was changed
  StoppedInLoader,      // a stop was asked for in the loader: stopped after a whole block, no firmware
  JournalNotWritten,    // the journal could not be written: nothing was erased
};

// What the last upgrade did to the device, for a run record.
struct UpgradeFacts {
  std::optional<std::string> serialRead;     // as the firmware answered this run
  std::optional<std::string> serialWritten;  // written back and read back equal
  std::optional<std::uint16_t> loaderVersion;
  bool patchLoaded = false;
  std::int64_t bytesProgrammed = 0;  // image bytes the loader took
  enum class Verify { NotRun, Passed, Failed } verify = Verify::NotRun;
};

class UpgradeDialog {
 public:
  static constexpr int kIconResource = 128;

  UpgradeDialog(WindowOps& window, DialogContext context);
  // Joins the worker.
  ~UpgradeDialog();
  UpgradeDialog(const UpgradeDialog&) = delete;
  UpgradeDialog& operator=(const UpgradeDialog&) = delete;

  // Handlers, on the dialog's thread.
  bool OnInitDialog();
  bool OnSysCommand(int command);  // false: not ours, the host does its default
  void OnFileButton();
  void OnUpgradeButton();
  void OnTimer(int timerId);
  void OnOK();
  void OnCancel();
  void ApplyCaptions();

  bool SerialPortIsOpen() const;
  void CloseSerialPort();
  bool Busy() const { return m_busy.load() != 0; }
  bool RecoveryMode() const { return m_recoveryMode.load() != 0; }
  // The icon the minimised window shows while dragged.
  int OnQueryDragIcon() const { return kIconResource; }
  bool SmallModel() const { return m_smallModel != 0; }
  device::InterfaceKind InterfaceKind() const { return m_interfaceKind; }
  const std::string& ImagePath() const { return m_imagePath; }
  std::int32_t ImageSize() const { return m_imageSize; }
  std::int32_t ProgressSteps() const { return m_progressSteps; }
  const std::string& PatchPath() const { return m_patchPath; }
  // The serial number the dialog holds; read it while no worker runs.
  std::string SerialNumber() const;
  DetectionOutcome LastDetection() const { return m_lastDetection; }
  // What the interface answered to the last identify of File... (before
  // "Unknown" takes its place in the kind field).
  const std::string& LastIdentifyReply() const { return m_lastIdentifyReply; }
  // The number Interface Recovery would write back now.
  std::string RecoverySerialNumber() const;
  UpgradeOutcome LastUpgrade() const { return m_lastUpgrade.load(); }
  bool WorkerRunning() const { return m_workerRunning.load(); }
  // What the last upgrade did; read it once the worker has ended.
  UpgradeFacts Facts() const;
  // The image as checked when it was chosen; null before that.
  std::shared_ptr<const bootloader::FirmwareImage> Image() const { return m_image; }
  // Whether the session's stop request has been raised.
  bool StopRequested() const;
  // The journal notes of earlier runs on this dialog's device that detection
  // or an upgrade came upon, each once, for the records of those runs.
  std::vector<FoundNote> JournalNotesFound() const;

  // Called on the worker's thread as its very last act, after the dialog is
  // ready again (or the closing timer runs). It must not wait for the dialog's
  // thread; a host uses it to wake its loop.
  void SetWorkerEndedListener(std::function<void(UpgradeOutcome)> listener);

 private:
  void AppendSystemMenuItems();
  void JoinWorker();
  void SetSerialNumber(const std::string& serialNumber);

  // Texts and message boxes.
  std::string Text(i18n::Entry entry) const;
  void AppendLine(const std::string& line);
  void AppendWithBlank(const std::string& line);
  MessageResult ShowMessage(const std::string& text, MessageButtons buttons = MessageButtons::Ok,
                            MessageIcon icon = MessageIcon::None);
  std::string PortName();

  // File... (detection and image choice).
  bool DetectInterface(const std::string& portName);
  void EndDetectionStopped();
  void ChooseAndRecordImage(const std::string& folder, const std::string& pattern);
  bool ImageSuitsInterface(const FileChoice& choice);
  bool CheckChosenFiles(const std::string& imagePath);
  void MeasureImage();

  // The worker and its phases.
  void UpgradeWorker();
  enum class PhaseResult { Continue, Ended };
  PhaseResult InterfacePhase(std::string& textBuffer);
  PhaseResult ReadInterface(std::string& textBuffer);
  PhaseResult BootLoaderPhase(const std::string& textBuffer);
  PhaseResult EraseAndUnlock();
  PhaseResult LoadPatchIfRequired();
  PhaseResult ProgramImage();
  void NoteVerifyResult(int programResult);
  void ReadLoaderVersion();
  void ClosingPhase();
  bool WriteBackAndConfirm(const std::string& portName);
  // The window's or the terminal's variant of an advice.
  std::string Advice(i18n::Entry window, i18n::Entry terminal) const;
  // Endings of a failed upgrade; each returns PhaseResult::Ended.
  PhaseResult EndInterfaceCheck(UpgradeOutcome outcome);
  PhaseResult EndPortInUse(const std::string& portName);
  PhaseResult EndSaying(const std::string& text, UpgradeOutcome outcome);
  PhaseResult EndStoppedUntouched();
  PhaseResult EndStoppedBeforeErase();
  PhaseResult EndStoppedInLoader();
  PhaseResult EndPatchMissing();
  void EndSerialNotWritten();
  PhaseResult EndLinkNotOpened();
  PhaseResult EndEraseFailed();
  PhaseResult EndProgrammingFailed(const i18n::Entry& listText,
                                   UpgradeOutcome outcome = UpgradeOutcome::ProgrammingFailed);
  void HandBack(UpgradeOutcome outcome);
  void WorkerEnded(UpgradeOutcome outcome);

  // The upgrade journal.
  Journal TheJournal() const { return Journal(m_context.journalFolder); }
  std::vector<FoundNote> FindJournalNotes(const std::string& portName);
  void RememberFound(const FoundNote& found);
  std::string SilentFirmwareMessage(const std::string& portName);
  void LookUpRecoveryNote(const std::string& portName);
  void SayWhereTheNumberCameFrom(const std::string& serialNumber);
  SerialSource SourceOf(const std::string& serialNumber) const;
  JournalNote NoteOfThisRun(const std::string& portName) const;
  PhaseResult WriteJournal(const std::string& portName);
  PhaseResult EndJournalNotWritten(const std::string& reason);
  void ForgetJournal();
  void SettleJournal(UpgradeOutcome outcome);

  // Two threads share these fields: the dialog's thread, which runs the
  // handlers, and the worker, from OnUpgradeButton until HandBack. Each field
  // says which writes it:
  //  - [dialog] the dialog's thread alone. Those File... sets the worker only
  //    reads, after its start, which orders them; File... stays disabled from
  //    the choice of an image on, so none of them changes while it runs.
  //  - [worker] the worker alone; the dialog's thread reads them only while
  //    no worker runs (once WorkerRunning() is false, or after a join).
  //  - [handed over] the dialog's thread before the worker starts and after
  //    it has ended, the worker in between; never both at once.
  //  - [atomic] or [under a mutex]: either thread, at any time.

  // Fixed at construction. Both threads call the window, which carries the
  // worker's calls over to its own thread; both read the context.
  WindowOps& m_window;
  DialogContext m_context;

  std::array<std::string, 10> m_captions;  // [dialog]
  std::string m_serialNumber;              // [under m_serialMutex]
  // [handed over] opened and closed by File... on the dialog's thread, by
  // the worker during an upgrade; OnUpgradeButton closes it before the start.
  serial::SerialPort m_serialPort;
  std::unique_ptr<bootloader::BootLoader> m_bootLoader;  // [worker]; goes with the dialog after the join
  // [dialog] The image and the patch as checked when the image was chosen:
  // these are the bytes programmed. No patch: the file was not there.
  std::shared_ptr<const bootloader::FirmwareImage> m_image;
  std::shared_ptr<const bootloader::FirmwareImage> m_patch;
  std::string m_lastIdentifyReply;  // [dialog]
  std::string m_patchPath;          // [dialog]
  std::string m_imagePath;          // [dialog]
  std::int32_t m_imageSize = 0;     // [dialog]
  device::InterfaceKind m_interfaceKind = device::InterfaceKind::Unknown;  // [dialog]
  // [atomic] Set by the Upgrade handler, cleared by the worker, read by
  // OnOK/OnCancel on the dialog's thread.
  std::atomic<int> m_busy{0};
  std::int32_t m_progressSteps = 0;  // [dialog]
  // [atomic] The system menu stays usable during an upgrade, so the dialog's
  // thread may set this while the worker reads it.
  std::atomic<int> m_recoveryMode{0};
  int m_smallModel = 0;  // [dialog]

  // [worker] A valid serial number an attempt of this dialog read from the
  // interface: recovery writes it back rather than the placeholder.
  std::optional<std::string> m_serialNumberRead;
  mutable std::mutex m_serialMutex;
  UpgradeFacts m_facts;  // [under m_factsMutex] written by the worker, read by Facts()
  mutable std::mutex m_factsMutex;
  template <typename Change>
  void NoteFact(Change change) {
    std::lock_guard<std::mutex> guard(m_factsMutex);
    change(m_facts);
  }

  // [worker] This run's note: its file once written, and the earlier note it
  // took the place of, if any.
  std::optional<std::string> m_journalFile;
  std::optional<JournalNote> m_journalReplaced;
  // [under m_serialMutex] The note whose number recovery writes, found by
  // the worker; the accessors read it from the dialog's thread.
  std::optional<FoundNote> m_recoveryNote;
  std::vector<FoundNote> m_journalFound;  // [under m_journalMutex]
  mutable std::mutex m_journalMutex;

  DetectionOutcome m_lastDetection = DetectionOutcome::None;  // [dialog]
  std::atomic<UpgradeOutcome> m_lastUpgrade{UpgradeOutcome::None};  // [atomic]
  std::atomic<bool> m_workerRunning{false};  // [atomic]
  // [dialog] Set before an upgrade starts; the worker calls it as its last act.
  std::function<void(UpgradeOutcome)> m_workerEnded;
  std::thread m_worker;  // [dialog] started by OnUpgradeButton, joined by JoinWorker
};

}  // namespace wizard
