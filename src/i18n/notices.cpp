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

}  // namespace

std::string_view BuiltInNotice(int index) {
  if (index < 0 || index >= static_cast<int>(kEnglish.size())) return {};
  return kEnglish[static_cast<std::size_t>(index)];
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
