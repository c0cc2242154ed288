#include "gui/modal_boxes.h"

#include <QFileInfo>
#include <QPushButton>

#include "gui/dialog_builder.h"
#include "gui/file_suffix.h"
#include "gui/window_text.h"
#include "resources/dialog_ids.h"

namespace gui {

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                            wizard::MessageButtons buttons, wizard::MessageIcon icon) {
  const QMessageBox::Icon shown = icon == wizard::MessageIcon::Stop      ? QMessageBox::Critical
                                   : icon == wizard::MessageIcon::Warning ? QMessageBox::Warning
                                                                          : QMessageBox::NoIcon;
  const QMessageBox::StandardButtons set =
      wizard::IsQuestion(buttons) ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
  auto box = std::make_unique<QMessageBox>(shown, caption, text, set, owner);
  box->setTextFormat(Qt::PlainText);  // a language text is shown as written, never read as markup
  box->setWindowModality(Qt::WindowModal);
  if (buttons == wizard::MessageButtons::YesNoDefaultNo) box->setDefaultButton(QMessageBox::No);
  return box;
}

wizard::MessageResult MessageResultOf(const QMessageBox& box, wizard::MessageButtons buttons) {
  auto* clicked = box.clickedButton();
  const QMessageBox::StandardButton pressed = clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
  if (buttons == wizard::MessageButtons::Ok) return wizard::MessageResult::Ok;
  return pressed == QMessageBox::Yes ? wizard::MessageResult::Yes : wizard::MessageResult::No;
}

std::unique_ptr<QFileDialog> MakeFileChooser(QWidget* owner, const wizard::FileChooserRequest& request,
                                             platform::CodePage codePage) {
  auto chooser = std::make_unique<QFileDialog>(owner);
  // Qt's own chooser, so it behaves the same under every platform plugin.
  chooser->setOption(QFileDialog::DontUseNativeDialog);
  chooser->setAcceptMode(QFileDialog::AcceptOpen);
  chooser->setFileMode(QFileDialog::ExistingFile);
  chooser->setDirectory(QFile::decodeName(request.initialFolder.c_str()));
  // The entry shows the label alone ("MyType Files (*.mbl)") while its real
  // pattern lists every file: any existing file may be chosen.
  chooser->setOption(QFileDialog::HideNameFilterDetails);
  chooser->setNameFilter(FromCodePage(codePage, request.filterLabel) + QStringLiteral("(*)"));
  chooser->setDefaultSuffix(QString::fromStdString(DefaultSuffixOf(request.defaultExtension)));
  chooser->setWindowModality(Qt::WindowModal);
  return chooser;
}

wizard::FileChoice FileChoiceOf(const QFileDialog& chooser, int result, platform::CodePage codePage) {
  const QStringList files = chooser.selectedFiles();
  if (result != QDialog::Accepted || files.isEmpty()) return {};
  const QFileInfo chosen(files.first());
  wizard::FileChoice choice;
  choice.ok = true;
  choice.fullPath = QFile::encodeName(chosen.absoluteFilePath()).toStdString();
  choice.fileName = ToCodePage(codePage, chosen.fileName());
  return choice;
}

std::unique_ptr<QDialog> MakeAboutBox() {
  auto about = std::make_unique<QDialog>();
  about->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  const ControlMap controls = BuildDialog(*about, resources::AboutDialogTemplate());
  if (auto it = controls.find(resources::kIdOk); it != controls.end()) {
    auto* ok = static_cast<QPushButton*>(it->second);
    QObject::connect(ok, &QPushButton::clicked, about.get(), &QDialog::accept);
  }
  return about;
}

}  // namespace gui
