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
inline constexpr int kNoticeCount = 48;
inline constexpr int kEntryCount = kMainDialogCount + kMainProcessCount + kMessageCount + kNoticeCount;

// Number of texts in a section; 0 for a number that is no section.
int SectionCount(int section);

struct Entry {
  LanguageSection section;
  int index;
};

// Captions of the main dialog.
inline constexpr Entry DialogTitle{LanguageSection::MainDialog, 0};
inline constexpr Entry GroupCaption1{LanguageSection::MainDialog, 1};
inline constexpr Entry StaticCaption1{LanguageSection::MainDialog, 2};
inline constexpr Entry StaticCaption2{LanguageSection::MainDialog, 3};
inline constexpr Entry StaticCaption3{LanguageSection::MainDialog, 4};
inline constexpr Entry StaticCaption4{LanguageSection::MainDialog, 5};
inline constexpr Entry StaticCaption5{LanguageSection::MainDialog, 6};
inline constexpr Entry ButtonCaption1{LanguageSection::MainDialog, 7};
inline constexpr Entry ButtonCaption2{LanguageSection::MainDialog, 8};
inline constexpr Entry ButtonCaption3{LanguageSection::MainDialog, 9};

// Lines of the status list during an upgrade.
inline constexpr Entry UpgradeList1{LanguageSection::MainProcess, 0};
inline constexpr Entry UpgradeList2{LanguageSection::MainProcess, 1};
inline constexpr Entry UpgradeList3{LanguageSection::MainProcess, 2};
inline constexpr Entry UpgradeList4{LanguageSection::MainProcess, 3};
inline constexpr Entry UpgradeList5{LanguageSection::MainProcess, 4};
inline constexpr Entry UpgradeList6{LanguageSection::MainProcess, 5};
inline constexpr Entry UpgradeList7{LanguageSection::MainProcess, 6};
inline constexpr Entry UpgradeList8{LanguageSection::MainProcess, 7};
inline constexpr Entry UpgradeList9{LanguageSection::MainProcess, 8};
inline constexpr Entry UpgradeList10{LanguageSection::MainProcess, 9};
inline constexpr Entry UpgradeList11{LanguageSection::MainProcess, 10};
inline constexpr Entry UpgradeList12{LanguageSection::MainProcess, 11};
inline constexpr Entry UpgradeList13{LanguageSection::MainProcess, 12};
inline constexpr Entry UpgradeList14{LanguageSection::MainProcess, 13};
inline constexpr Entry UpgradeList15{LanguageSection::MainProcess, 14};
inline constexpr Entry UpgradeList16{LanguageSection::MainProcess, 15};
inline constexpr Entry UpgradeList17{LanguageSection::MainProcess, 16};
inline constexpr Entry UpgradeList18{LanguageSection::MainProcess, 17};

// Texts of message boxes.
inline constexpr Entry prjProDlg1{LanguageSection::Message, 0};
inline constexpr Entry prjProDlg2{LanguageSection::Message, 1};
inline constexpr Entry prjProDlg3{LanguageSection::Message, 2};
inline constexpr Entry prjProDlg4{LanguageSection::Message, 3};
inline constexpr Entry prjProDlg5{LanguageSection::Message, 4};
inline constexpr Entry prjProDlg6{LanguageSection::Message, 5};
inline constexpr Entry prjProDlg7{LanguageSection::Message, 6};

class LanguageTable {
 public:
  explicit LanguageTable(platform::CodePage codePage = platform::SystemCodePage());

  // Fills the table from baseFolder + "Lang/<languageId>.txt", or from
  // baseFolder + "Lang/1033.txt" when that cannot be opened. `baseFolder`
  // ends with '/'. Reports nothing: a text the file does not supply stays
  // empty.
  void Load(const std::string& baseFolder, std::uint16_t languageId);
  // The same reading over a file's whole content.
  void LoadContent(std::string_view fileBytes);

  // A copy of the slot's text; empty outside the table. A notice the file
  // does not supply gives its built-in English text.
  std::string GetText(LanguageSection section, int index) const;
  std::string GetText(Entry entry) const;

  platform::CodePage CodePage() const { return codePage_; }

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
