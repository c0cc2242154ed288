// quorrel-picture-export FOLDER: writes the program's pictures as the native
// Windows window takes them as resources, drawn from the same drawings as the
// Qt window's: icon 128 as FOLDER/interface-icon.ico (32-bit images with
// alpha at the sizes Windows asks for) and bitmap 139 as
// FOLDER/interface-cable.bmp (24-bit, on the dialog's face colour, sized to
// sit inside its picture control). scripts/render-pictures runs it.

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdint>
#include <vector>

#include "gui/pictures.h"
#include "resources/dialog_ids.h"

namespace {

// The sizes of the icon's images, and the bitmap's size in pixels: its
// control is 281 by 155 dialog units, about 421 by 252 pixels at 96 dots per
// inch in the dialog font, and the picture keeps a margin inside it.
constexpr int kIconSides[] = {16, 20, 24, 32, 40, 48, 64};
constexpr int kBitmapWidth = 400;
constexpr int kBitmapHeight = 232;
// The dialog's face colour (the system's button face).
const QColor kFace(240, 240, 240);

void Put16(std::vector<char>& out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void Put32(std::vector<char>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// One icon image: a bitmap header of twice the height, the colour rows
// bottom-up in BGRA, then an all-clear mask (the alpha decides).
std::vector<char> IconImage(int side) {
  const QImage image =
      gui::RenderPicture(resources::kIconMain, QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32);
  std::vector<char> out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(side));
  Put32(out, static_cast<std::uint32_t>(2 * side));
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int y = side - 1; y >= 0; --y) {
    for (int x = 0; x < side; ++x) Put32(out, image.pixel(x, y));  // 0xAARRGGBB is BGRA in memory
  }
  const int maskRow = ((side + 31) / 32) * 4;
  out.insert(out.end(), static_cast<std::size_t>(maskRow * side), '\0');
  return out;
}

bool WriteFile(const QString& path, const std::vector<char>& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

bool WriteIcon(const QString& path) {
  std::vector<std::vector<char>> images;
  for (int side : kIconSides) images.push_back(IconImage(side));
  std::vector<char> out;
  Put16(out, 0);
  Put16(out, 1);  // an icon
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int side = kIconSides[i];
    out.push_back(static_cast<char>(side));
    out.push_back(static_cast<char>(side));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<std::uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return WriteFile(path, out);
}

bool WriteBitmap(const QString& path) {
  QImage bitmap(kBitmapWidth, kBitmapHeight, QImage::Format_RGB888);
  bitmap.fill(kFace);
  QPainter painter(&bitmap);
  painter.drawPixmap(0, 0, gui::RenderPicture(resources::kBitmapMain, bitmap.size()));
  painter.end();
  return bitmap.save(path, "BMP");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fputs("usage: quorrel-picture-export FOLDER\n", stderr);
    return 1;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!WriteIcon(folder + "/interface-icon.ico") || !WriteBitmap(folder + "/interface-cable.bmp")) {
    std::fputs("quorrel-picture-export: cannot write the pictures\n", stderr);
    return 1;
  }
  return 0;
}
