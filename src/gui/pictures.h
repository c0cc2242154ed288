#pragma once
// The program's pictures, drawn for it and built into the binary: icon 128
// (the window's icon) and bitmap 139 (the picture of the main dialog).

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace gui {

// The picture `resource` rendered to fit `size`, keeping its proportions and
// centred on a transparent ground; a null pixmap for an unknown resource.
QPixmap RenderPicture(int resource, QSize size);

// Icon 128 at the sizes a window manager asks for.
QIcon ProgramIcon();

}  // namespace gui
