// quorrel-wizard-screenshot.exe OUTPUT.bmp: starts the wizard as the program
// does (in the current directory, with its language file), captures the
// main window's client area once it is up into OUTPUT.bmp, and closes it.

#include "gui/win32/windows_header.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/upgrade_app.h"
#include "gui/win32/native_dialog_window.h"
#include "sim/sim_ports.h"

namespace {

// The pixels of the window's client area (a virtual display has no window
// manager to draw its frame) as a bottom-up 24-bit bitmap file.
bool WriteCapture(HWND window, const std::string& path) {
  RECT frame;
  GetClientRect(window, &frame);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&frame), 2);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != FALSE;
  GdiFlush();
  const auto rowBytes = static_cast<std::size_t>((width * 3 + 3) & ~3);
  const auto imageBytes = rowBytes * static_cast<std::size_t>(height);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageBytes),
                        0, 0, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(imageBytes));
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return copied && out.good();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: quorrel-wizard-screenshot OUTPUT.bmp\n", stderr);
    return 1;
  }
  const std::string output = argv[1];
  sim::RegisterBuiltInPorts();
  bool written = false;
  gui::win32::NativeDialogWindow* window = nullptr;
  app::UpgradeApp upgradeApp;
  upgradeApp.StartUp([&]() -> std::unique_ptr<wizard::DialogWindow> {
    gui::win32::NativeWindowOptions options;
    options.shown = [&window, &output, &written] {
      // Drawn whole before it is captured.
      RedrawWindow(window->Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
      Sleep(500);
      written = WriteCapture(window->Window(), output);
      window->EndDialog(wizard::kResultCancel);
    };
    auto made = std::make_unique<gui::win32::NativeDialogWindow>(upgradeApp.languageTable.CodePage(), options);
    window = made.get();
    return made;
  });
  if (!written) std::fprintf(stderr, "quorrel-wizard-screenshot: cannot capture the window into %s\n", output.c_str());
  return written ? 0 : 1;
}
