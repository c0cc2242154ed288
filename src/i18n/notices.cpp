#include "i18n/notices.h"

#include <array>

namespace i18n {
namespace {

constexpr std::array<std::string_view, 0x1B> kEnglish = {
    "{file}, line {line}: {what}. Nothing was erased: choose another file.",
    "{file}: {what}. Nothing was erased: choose another file.",
    "The loader patch {file}, line {line}: {what}. Nothing was erased: replace the patch file and try again.",
    "The loader patch {file}: {what}. Nothing was erased: replace the patch file and try again.",
    "the value {value} is not two hexadecimal digits",
    "the address line holds no hexadecimal number",
    "the line is longer than {limit} characters",
    "the line holds more values than a line may",
    "the last line stops before its line end: the file is incomplete",
    "the file holds no data to program",
    "this is not a regular file",
    "the file is too large to be a firmware image",
    "the file cannot be read ({error})",
    "The port {port} is in use by another program, and no serial number has been read from the interface. "
    "Nothing was changed: close the other program and try again.",
    "The serial number {serial} was not written back: the interface runs its new firmware without it. Choose "
    "Interface Recovery in the system menu (Alt+Space, or a right-click on the window's "
    "background), then File... and Upgrade, to write it.",
    "The serial number {serial} was not written back: the interface runs its new firmware without it. Run again "
    "with --recovery --serial {serial} to write it.",
    "The boot loader of this interface needs the loader patch, and {file} was not found. Put the patch file "
    "there, then choose Interface Recovery in the system menu (Alt+Space, or a right-click on the window's "
    "background), File... and Upgrade: until then the interface stays in its boot loader without working firmware.",
    "The boot loader of this interface needs the loader patch, and {file} was not found. Put the patch file "
    "there, then run again with --recovery --serial {serial}: until then the interface stays in its boot loader "
    "without working firmware.",
    "Stopped. The interface was not changed.",
    "Stopped during programming. The interface stays in its boot loader without working firmware; its serial "
    "number is {serial}. Choose Interface Recovery in the system menu (Alt+Space, or a right-click on the "
    "window's background), then File... and Upgrade, to finish.",
    "Stopped during programming. The interface stays in its boot loader without working firmware; its serial "
    "number is {serial}. Run again with --recovery --serial {serial} to finish.",
    "Erasing the flash failed: the interface has no working firmware now. Check the cable, then run again with "
    "--recovery --serial {serial}.",
    "Programming failed: the interface stays in its boot loader without working firmware. Check the cable, then "
    "run again with --recovery --serial {serial}.",
    "The interface did not confirm the serial number {serial}: it was not written back.",
    "You may not open the port {port}. Membership of the dialout group is the fix: run "
    "sudo usermod -aG dialout $USER, then log out and in again.",
    "You may not open this port: join the dialout group.",
    "Stable name: ",
};

// The notices added later, each at its index.
struct LaterNotice {
  int index;
  std::string_view text;
};
constexpr LaterNotice kLaterNotices[] = {
    {0x30, "The serial number {serial} comes from the journal of the upgrade on {port} at {time} UTC."},
    {0x31, "The interface on {port} did not answer. The last upgrade on this port ({time} UTC) left it in its boot "
           "loader without working firmware; its serial number is {serial}. Choose Interface Recovery in the system "
           "menu (Alt+Space, or a right-click on the window's background), then File... and Upgrade: the number is "
           "written back from the journal."},
    {0x32, "The interface on {port} did not answer. The last upgrade on this port ({time} UTC) left it in its boot "
           "loader without working firmware; its serial number is {serial}. To finish it, run: {command}"},
    {0x33, "The journal of this upgrade could not be written ({error}). Nothing was erased: the interface runs its "
           "firmware as before. Without the journal a crash or a power cut during programming could lose its serial "
           "number: make the folder writable, then try again."},
    {0x40, "{file} is an image for the {image}, but this interface is a {interface}. Programming it may leave the "
           "interface without working firmware. Use it anyway?"},
    {0x41, "{file} is an image for the {image}, but this interface is a {interface}: it was not used, and nothing was "
           "erased. Choose an image for the {interface}, or give --force to program this one anyway."},
    {0x42, "The port {port} could not be opened: there is no such device. Check that the interface's cable and adapter "
           "are plugged in and that the right port is chosen."},
    {0x43, "The port {port} could not be opened: it is in use ({error}). Close the other program, or wait until its "
           "run ends, and try again."},
    {0x44, "The port {port} could not be opened: {error}."},
    {0x45, "No port is chosen: choose the interface's port in the list, then press File... again."},
    {0x46, "The device {port} disappeared ({error}): check the cable and the adapter."},
    {0x50, "The lock folder {folder} cannot take the lock of the port {port}: {error}. Without the lock another program "
           "could use the interface during the upgrade, so nothing was sent. Create the folder, or set QUORREL_LOCK_DIR "
           "to a folder you may write."},
    {0x51, "The port {port} cannot be locked: {error}. Nothing was sent: remove that lock file, or have it removed, and "
           "try again."},
    {0x60, "Interface kind: {interface}"},
    {0x61, "Serial number: {serial}"},
    {0x62, "no --image given; images ({pattern}) in {folder}:"},
    {0x63, "no --image given; no image ({pattern}) in {folder}"},
    {0x64, "choose one with --image FILE"},
};

}  // namespace

std::string_view BuiltInNotice(int index) {
  for (const LaterNotice& notice : kLaterNotices) {
    if (notice.index == index) return notice.text;
  }
  if (index < 0 || index >= static_cast<int>(kEnglish.size())) return {};
  return kEnglish[static_cast<std::size_t>(index)];
}

std::string NoticeText(const LanguageTable* table, Entry entry) {
  return table ? table->GetText(entry) : std::string(BuiltInNotice(entry.index));
}

std::string FillIn(std::string text,
                   std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
  std::string result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('{', pos);
    const std::size_t close = open == std::string::npos ? open : text.find('}', open);
    if (close == std::string::npos) break;
    result.append(text, pos, open - pos);
    const std::string_view name = std::string_view(text).substr(open + 1, close - open - 1);
    bool found = false;
    for (const auto& [key, value] : values) {
      if (key == name) {
        result += value;
        found = true;
        break;
      }
    }
    // A brace that names nothing known stays as it is.
    if (!found) result.append(text, open, close - open + 1);
    pos = close + 1;
  }
  result.append(text, pos);
  return result;
}

}  // namespace i18n
