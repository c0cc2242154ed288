#pragma once
// Notices: the texts the program says beyond the 35 of the original table
// (damaged files, a port in use, a serial number not written back, a stop).
// They live in the language files as section 04 ("Note0400=...") like any
// other text; where a file lacks one, its built-in English stands in. A text
// may hold placeholders in braces ({file}, {line}, {what}, {value}, {port},
// {serial}, {error}, {limit}, {folder}, {time}, {command}, {image}, {interface},
// {pattern}),
// filled in by FillIn, so a translation may put them in any order.
//
// Indexes are fixed once shipped; new notices take the next free index below
// kNoticeCount.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "i18n/language_table.h"

namespace i18n {

constexpr Entry Notice(int index) { return Entry{LanguageSection::Notice, index}; }

// A firmware file refused before anything is erased.
inline constexpr Entry ImageDamagedAtLine = Notice(0x00);  // {file} {line} {what}
inline constexpr Entry ImageRefused = Notice(0x01);        // {file} {what}
inline constexpr Entry PatchDamagedAtLine = Notice(0x02);  // {file} {line} {what}
inline constexpr Entry PatchRefused = Notice(0x03);        // {file} {what}
// What is wrong with it ({what} above).
inline constexpr Entry WhatNotHexValue = Notice(0x04);    // {value}
inline constexpr Entry WhatNoAddress = Notice(0x05);
inline constexpr Entry WhatLineTooLong = Notice(0x06);    // {limit}
inline constexpr Entry WhatTooManyValues = Notice(0x07);
inline constexpr Entry WhatTruncated = Notice(0x08);
inline constexpr Entry WhatNoData = Notice(0x09);
inline constexpr Entry WhatNotRegularFile = Notice(0x0A);
inline constexpr Entry WhatTooLarge = Notice(0x0B);
inline constexpr Entry WhatNotReadable = Notice(0x0C);    // {error}
// The port did not open for the interface phase and no serial number is known.
inline constexpr Entry PortInUse = Notice(0x0D);  // {port}
// The serial number did not arrive on the device.
inline constexpr Entry SerialNotWrittenWindow = Notice(0x0E);    // {serial}
inline constexpr Entry SerialNotWrittenTerminal = Notice(0x0F);  // {serial}
// The old loader needs the patch file, and it is not there.
inline constexpr Entry PatchMissingWindow = Notice(0x10);    // {file}
inline constexpr Entry PatchMissingTerminal = Notice(0x11);  // {file} {serial}
// A stop asked for by the system (Ctrl-C, shutdown, a closed terminal).
inline constexpr Entry StoppedUntouched = Notice(0x12);
inline constexpr Entry StoppedInLoaderWindow = Notice(0x13);    // {serial}
inline constexpr Entry StoppedInLoaderTerminal = Notice(0x14);  // {serial}
// The terminal's advice after a failed erase or programming run, in place of
// the window's, which names its controls.
inline constexpr Entry EraseFailedTerminal = Notice(0x15);  // {serial}
inline constexpr Entry ProgrammingFailedTerminal = Notice(0x16);  // {serial}
// The serial number read back after the write-back differs or is missing.
inline constexpr Entry SerialReadBackFailed = Notice(0x17);  // {serial}
// The window's port list: a port this user may not open, and what a
// discovered port's tooltip adds to its adapter.
inline constexpr Entry PortPermissionDenied = Notice(0x18);  // {port}
inline constexpr Entry PortNotPermittedTip = Notice(0x19);
inline constexpr Entry PortStableNameTip = Notice(0x1A);
// The upgrade journal: a recovery's number taken from it, a silent firmware
// explained by the run it recorded, and a journal that cannot be written.
inline constexpr Entry JournalSerialUsed = Notice(0x30);        // {serial} {port} {time}
inline constexpr Entry LastRunInLoaderWindow = Notice(0x31);    // {port} {time} {serial}
inline constexpr Entry LastRunInLoaderTerminal = Notice(0x32);  // {port} {time} {serial} {command}
inline constexpr Entry JournalNotWritten = Notice(0x33);        // {error}

// A port whose lock cannot be made in the shared lock folder is refused
// before anything is sent.
inline constexpr Entry LockFolderUnusable = Notice(0x50);  // {folder} {error} {port}
inline constexpr Entry PortLockNotTaken = Notice(0x51);    // {port} {error}

// An image whose file name says it is for another model than the interface
// answered: the window's question, and the terminal's refusal.
inline constexpr Entry ImageForOtherModelQuestion = Notice(0x40);  // {file} {image} {interface}
inline constexpr Entry ImageForOtherModelRefused = Notice(0x41);   // {file} {image} {interface}
// The window's status line when a port does not open, by what is wrong.
inline constexpr Entry PortNoSuchDevice = Notice(0x42);  // {port}
inline constexpr Entry PortBusy = Notice(0x43);          // {port} {error}
inline constexpr Entry PortNotOpened = Notice(0x44);     // {port} {error}
inline constexpr Entry NoPortChosen = Notice(0x45);
// The window's status line when the device goes away mid-run (an adapter pulled out).
inline constexpr Entry DeviceDisappeared = Notice(0x46);  // {port} {error}

// What the terminal adds to the window's texts: the labels of its kind and
// serial-number fields, and the images it lists when no image was given.
inline constexpr Entry InterfaceKindLabel = Notice(0x60);  // {interface}
inline constexpr Entry SerialNumberLabel = Notice(0x61);   // {serial}
inline constexpr Entry ImagesInFolder = Notice(0x62);      // {pattern} {folder}
inline constexpr Entry NoImageInFolder = Notice(0x63);     // {pattern} {folder}
inline constexpr Entry ChooseImageOption = Notice(0x64);

// The built-in English of a notice; empty for an index no notice uses.
std::string_view BuiltInNotice(int index);

// A notice from `table`, or its built-in English when there is no table.
std::string NoticeText(const LanguageTable* table, Entry entry);

// `text` with each "{name}" replaced by its value.
std::string FillIn(std::string text,
                   std::initializer_list<std::pair<std::string_view, std::string_view>> values);

}  // namespace i18n
