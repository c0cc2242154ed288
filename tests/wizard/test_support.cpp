#include "wizard/test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "sim/sim_options.h"
#include "sim/sim_ports.h"
#include "support/test_os.h"

namespace wizard::testing {
namespace fs = std::filesystem;

void WriteImageFile(const fs::path& path, const Segments& segments) {
  std::ofstream out(path, std::ios::binary);
  char text[16];
  for (const auto& [address, bytes] : segments) {
    std::snprintf(text, sizeof text, "@%04X\r\n", address);
    out << text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      std::snprintf(text, sizeof text, "%02X", bytes[i]);
      out << text << ((i % 16 == 15 || i + 1 == bytes.size()) ? "\r\n" : " ");
    }
  }
  out << "q\r\n";
}

Segments MakeApplication(std::uint8_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> code(1000);
  for (auto& byte : code) byte = static_cast<std::uint8_t>(random() & 0xFF);
  std::vector<std::uint8_t> vectors(32, 0xC0);
  vectors[30] = 0x00;  // reset vector C000, low byte first
  vectors[31] = 0xC0;
  return Segments{{0xC000, code}, {0xFFE0, vectors}};
}

Segments MakePatch() {
  // Entry code, the mark, the body's length, the body, and the check word:
  // the complement of the exclusive-or of the little-endian words before it.
  std::vector<std::uint8_t> patch = {0x30, 0x41, 'Q', 'R', 'L', 'P', 16, 0};
  for (std::uint8_t i = 0; i < 16; ++i) patch.push_back(static_cast<std::uint8_t>(0xA0 + i));
  std::uint8_t even = 0;
  std::uint8_t odd = 0;
  for (std::size_t i = 0; i < patch.size(); ++i) (i % 2 == 0 ? even : odd) ^= patch[i];
  patch.push_back(static_cast<std::uint8_t>(~even));
  patch.push_back(static_cast<std::uint8_t>(~odd));
  return Segments{{0x0220, patch}};
}

BaseFolder::BaseFolder() {
  root_ = testsupport::MakeScratchFolder("quorrel-wizard");
  fs::create_directories(root_ / "Image" / "Apex");
  fs::create_directories(root_ / "Image" / "Tern");
  WriteImageFile(root_ / "PATCH.TXT", MakePatch());
}

BaseFolder::~BaseFolder() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string BaseFolder::Folder(const std::string& relative) const {
  std::string folder = Path() + relative + "/";
  std::replace(folder.begin(), folder.end(), '/', platform::kFolderSeparator);
  return folder;
}

std::string BaseFolder::AddImage(const std::string& relative, const Segments& segments) {
  const fs::path path = root_ / relative;
  WriteImageFile(path, segments);
  return path.string();
}

DialogFixture::DialogFixture() {
  table_.Load(QUORREL_SOURCE_DIR "/data/", 1033);
}

DialogFixture::~DialogFixture() {
  // The dialog (and its worker) goes before the simulated interfaces do.
  dialog_.reset();
}

void DialogFixture::OpenDialog(const std::string& simOptions, const wizard::DialogOptions& options,
                               const i18n::LanguageTable* table) {
  testsupport::SetEnv("QUORREL_COM3", "sim:" + simOptions);
  const app::Layout layout{base_.Path(), base_.PatchPath()};
  dialog_ = std::make_unique<UpgradeDialog>(host_, app::MakeDialogContext(layout, table ? *table : table_, options));
  host_.Start(*dialog_);
  host_.SelectPort("COM3");
}

std::shared_ptr<sim::SimInterface> DialogFixture::Device() const { return sim::FindSimInterface("COM3"); }

void DialogFixture::PlugIn(const std::string& simOptions) {
  std::string error;
  const auto options = sim::ParseSimOptions(simOptions, &error);
  ASSERT_TRUE(options) << error;
  sim::AttachSimInterface("COM3", std::make_shared<sim::SimInterface>(*options));
}

void DialogFixture::ChooseImage(const std::string& path) {
  host_.AnswerChooser(path);
  host_.Click(1001);
}

void DialogFixture::Upgrade() {
  host_.Click(1008);
  host_.WaitForWorker();
}

void DialogFixture::ChooseRecovery() {
  host_.AnswerMessage(MessageResult::Yes);
  host_.SysCommand(18);
}

::testing::AssertionResult DialogFixture::FlashHolds(const Segments& segments) const {
  for (const auto& [address, bytes] : segments) {
    const auto memory = Device()->ReadMemory(address, bytes.size());
    const auto differs = std::mismatch(bytes.begin(), bytes.end(), memory.begin(), memory.end());
    if (differs.first != bytes.end()) {
      return ::testing::AssertionFailure()
             << "first difference at " << std::hex << (address + (differs.first - bytes.begin()));
    }
  }
  return ::testing::AssertionSuccess();
}

bool DialogFixture::ListHas(const std::string& line) const {
  const auto lines = host_.ListLines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace wizard::testing
