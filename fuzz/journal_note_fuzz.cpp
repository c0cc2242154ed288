// A journal note as the state folder holds it, whatever its bytes: a note
// that reads is written back to the same text's meaning, never a crash.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "wizard/journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto note = wizard::ParseJournalNote(text);
  if (!note) return 0;
  // What was read is written so that it reads back the same.
  if (wizard::ParseJournalNote(wizard::FormatJournalNote(*note)) != note) std::abort();
  // Its file name is a plain name of bounded length.
  const std::string name = wizard::NoteFileName(*note);
  if (name.empty() || name.size() > 160 || name.find('/') != std::string::npos || name[0] == '.') std::abort();
  return 0;
}
