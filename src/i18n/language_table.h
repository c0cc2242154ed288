#pragma once
// The program's 35 texts, in three sections, loaded once from a UTF-8
// language file and held in the code page the table was built for, and a
// fourth section of notices (i18n/notices.h) that falls back to built-in
// English where a file does not supply them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace i18n {

// Also the section numbers written in the file's keys.
enum class LanguageSection : int { MainDialog = 1, MainProcess = 2, Message = 3, Notice = 4 };

inline constexpr int kMainDialogCount = 10;
inline constexpr int kMainProcessCount = 18;
inline constexpr int kMessageCount = 7;
// Room for notices added later: an index below this needs no other change.
inline constexpr int kNoticeCount = 128;
inline constexpr int kEntryCount = kMainDialogCount + kMainProcessCount + kMessageCount + kNoticeCount;

// Number of texts in a section; 0 for a number that is no section.
int SectionCount(int section);

struct Entry {
  LanguageSection section;
  int index;
};

// Captions of the main dialog.
inline constexpr Entry DialogTitle{LanguageSection::MainDialog, 0};  // the main window's title
inline constexpr Entry GroupCaption1{LanguageSection::MainDialog, 1};  // the group box around the interface fields
inline constexpr Entry StaticCaption1{LanguageSection::MainDialog, 2};  // the label of the port list
inline constexpr Entry StaticCaption2{LanguageSection::MainDialog, 3};  // the label of the interface model field
inline constexpr Entry StaticCaption3{LanguageSection::MainDialog, 4};  // the label of the firmware file field
inline constexpr Entry StaticCaption4{LanguageSection::MainDialog, 5};  // the label of the serial number field
inline constexpr Entry StaticCaption5{LanguageSection::MainDialog, 6};  // the label of the status list
inline constexpr Entry ButtonCaption1{LanguageSection::MainDialog, 7};  // the File... button
inline constexpr Entry ButtonCaption2{LanguageSection::MainDialog, 8};  // the Upgrade button
inline constexpr Entry ButtonCaption3{LanguageSection::MainDialog, 9};  // the Exit button

// Lines of the status list during an upgrade.
inline constexpr Entry UpgradeList1{LanguageSection::MainProcess, 0};  // the upgrade starts
inline constexpr Entry UpgradeList2{LanguageSection::MainProcess, 1};  // after the port name: the interface phase begins
inline constexpr Entry UpgradeList3{LanguageSection::MainProcess, 2};  // the port opened; the model is asked
inline constexpr Entry UpgradeList4{LanguageSection::MainProcess, 3};  // the interface answered the model detection showed
inline constexpr Entry UpgradeList5{LanguageSection::MainProcess, 4};  // another model answered: stopped, device unchanged
inline constexpr Entry UpgradeList6{LanguageSection::MainProcess, 5};  // no answer to identify: stopped, device unchanged
inline constexpr Entry UpgradeList7{LanguageSection::MainProcess, 6};  // the serial number was read (or, in recovery, chosen)
inline constexpr Entry UpgradeList8{LanguageSection::MainProcess, 7};  // no answer to the serial-number read: stopped, device unchanged
inline constexpr Entry UpgradeList9{LanguageSection::MainProcess, 8};  // the switch to the boot loader begins (the number follows)
inline constexpr Entry UpgradeList10{LanguageSection::MainProcess, 9};  // the boot-loader link is open
inline constexpr Entry UpgradeList11{LanguageSection::MainProcess, 10};  // the port did not open for the loader: stopped, device unchanged
inline constexpr Entry UpgradeList12{LanguageSection::MainProcess, 11};  // the mass erase failed: the device is left in its loader
inline constexpr Entry UpgradeList13{LanguageSection::MainProcess, 12};  // password, patch or image failed: the device is left in its loader
inline constexpr Entry UpgradeList14{LanguageSection::MainProcess, 13};  // the loader could not be restarted for its patch
inline constexpr Entry UpgradeList15{LanguageSection::MainProcess, 14};  // the image is programmed
inline constexpr Entry UpgradeList16{LanguageSection::MainProcess, 15};  // the device restarts into its new firmware
inline constexpr Entry UpgradeList17{LanguageSection::MainProcess, 16};  // after the port name: the serial number is written back
inline constexpr Entry UpgradeList18{LanguageSection::MainProcess, 17};  // the serial number was written back: the upgrade is done

// Texts of message boxes.
inline constexpr Entry prjProDlg1{LanguageSection::Message, 0};  // box: the upgrade's thread could not be started
inline constexpr Entry prjProDlg2{LanguageSection::Message, 1};  // box: the port did not open for the boot loader
inline constexpr Entry prjProDlg3{LanguageSection::Message, 2};  // box: the mass erase failed
inline constexpr Entry prjProDlg4{LanguageSection::Message, 3};  // box: the upgrade is complete
inline constexpr Entry prjProDlg5{LanguageSection::Message, 4};  // box: the interface did not answer at detection
inline constexpr Entry prjProDlg6{LanguageSection::Message, 5};  // box: no firmware file was chosen
inline constexpr Entry prjProDlg7{LanguageSection::Message, 6};  // question: switch to Interface Recovery?

// Which language file a load read.
struct LanguageSource {
  std::string path;     // the file read; the language's own file when none opened
  bool opened = false;  // false: neither it nor the fallback could be read
};

class LanguageTable {
 public:
  explicit LanguageTable(platform::CodePage codePage = platform::SystemCodePage());

  // Fills the table from baseFolder + "Lang/<languageId>.txt", or from
  // baseFolder + "Lang/1033.txt" when that cannot be opened. `baseFolder`
  // ends with '/'. Reports nothing: a text the file does not supply stays
  // empty. Returns which file it read.
  LanguageSource Load(const std::string& baseFolder, std::uint16_t languageId);
  // The same reading over a file's whole content.
  void LoadContent(std::string_view fileBytes);

  // A copy of the slot's text; empty outside the table. A notice the file
  // does not supply gives its built-in English text.
  std::string GetText(LanguageSection section, int index) const;
  std::string GetText(Entry entry) const;

  platform::CodePage CodePage() const { return codePage_; }
  // How many slots hold a text (a notice's built-in English does not count).
  int TextCount() const;

  // Up to two hexadecimal digits: no characters give 0, any character that
  // is no hexadecimal digit gives -1.
  static int ParseHexField(std::string_view field);
  // A text's UTF-8 bytes in the table's code page, its closing quote
  // trimmed; nullopt when the bytes are not acceptable UTF-8 and the slot
  // must keep what it holds. An empty result means the conversion failed.
  std::optional<std::string> DecodeEntryText(std::string_view utf8) const;
  // Decodes `text` into slot (section, index) unless the decoding rejects it.
  // The caller has checked that the pair lies inside the table.
  void StoreEntry(int section, int index, std::string_view text);

 private:
  platform::CodePage codePage_;
  std::array<std::string, kEntryCount> slots_;
};

}  // namespace i18n
