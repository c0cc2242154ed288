#pragma once
// The modal boxes the dialog shows: message boxes, the open-file chooser and
// the About box. Each is built here and run by the window, so a test can
// look at the real widget and answer it.

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <memory>

#include "platform/codepage.h"
#include "wizard/window_ops.h"

namespace gui {

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                            wizard::MessageButtons buttons, wizard::MessageIcon icon);
// The button a finished box reports; a box closed another way counts as its
// escape button (OK, or No).
wizard::MessageResult MessageResultOf(const QMessageBox& box, wizard::MessageButtons buttons);

// The open-file chooser: one existing file, opened in the request's folder,
// one file-type entry showing only the request's label and listing every
// file, the pattern's suffix added to a typed name.
std::unique_ptr<QFileDialog> MakeFileChooser(QWidget* owner, const wizard::FileChooserRequest& request,
                                             platform::CodePage codePage);
// The choice of a finished chooser: the full path as the file system names
// it, the file name in the code page for display.
wizard::FileChoice FileChoiceOf(const QFileDialog& chooser, int result, platform::CodePage codePage);

// The About box (template 100): its OK button and Escape end it.
std::unique_ptr<QDialog> MakeAboutBox();

}  // namespace gui
