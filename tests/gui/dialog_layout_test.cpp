// Laying the templates out: dialog units to pixels and the controls they give.

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include "gui/dialog_builder.h"
#include "gui/dialog_units.h"
#include "gui/pictures.h"
#include "gui/qt_application.h"
#include "resources/dialog_ids.h"

namespace {

// The classic dialog font's base units: 6 pixels wide, 13 high.
constexpr gui::DialogUnits kClassic{6, 13};

TEST(DialogUnits, KnownRectanglesConvertWithRounding) {
  // The progress bar: 0, 278, 469, 12 dialog units.
  EXPECT_EQ(gui::ToPixels(0, 278, 469, 12, kClassic), QRect(0, 452, 704, 20));
  // The whole main dialog, 470 by 290.
  EXPECT_EQ(gui::HorizontalPixels(470, kClassic), 705);
  EXPECT_EQ(gui::VerticalPixels(290, kClassic), 471);
  // Exact multiples stay exact; negative values round away from zero too.
  EXPECT_EQ(gui::ToPixels(4, 8, 8, 16, kClassic), QRect(6, 13, 12, 26));
  EXPECT_EQ(gui::HorizontalPixels(-2, kClassic), -3);
}

TEST(DialogUnits, FollowTheFontSize) {
  gui_test::EnsureQtApplication();
  const gui::DialogUnits small = gui::DialogUnitsOf(gui::DialogFont(8));
  const gui::DialogUnits large = gui::DialogUnitsOf(gui::DialogFont(16));
  EXPECT_GT(small.averageCharWidth, 0);
  EXPECT_GT(small.charHeight, 0);
  EXPECT_GT(large.averageCharWidth, small.averageCharWidth);
  EXPECT_GT(large.charHeight, small.charHeight);
}

class MainLayout : public gui_test::WithQtApplication, public ::testing::Test {
 protected:
  void SetUp() override {
    gui_test::EnsureQtApplication();
    controls = gui::BuildDialog(dialog, resources::MainDialogTemplate(), kClassic);
  }
  template <class Widget>
  Widget* Get(int id) {
    auto* widget = qobject_cast<Widget*>(controls.at(id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
  }

  QDialog dialog;
  gui::ControlMap controls;
};

TEST_F(MainLayout, ControlsSitAtTheirConvertedRectangles) {
  EXPECT_EQ(dialog.size(), QSize(705, 471));
  EXPECT_EQ(Get<QProgressBar>(resources::kIdProgressBar)->geometry(), QRect(0, 452, 704, 20));
  EXPECT_EQ(Get<QListWidget>(resources::kIdStatusList)->geometry(), gui::ToPixels(286, 22, 183, 251, kClassic));
  EXPECT_EQ(Get<QPushButton>(resources::kIdUpgradeButton)->geometry(), gui::ToPixels(1, 91, 166, 26, kClassic));
  EXPECT_EQ(Get<QGroupBox>(resources::kIdGroupBox)->geometry(), gui::ToPixels(0, 0, 283, 87, kClassic));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Quorrel Upgrade Wizard"));
}

TEST_F(MainLayout, PortListOffersSixteenPortsInNumericOrderWithNoSelection) {
  auto* ports = Get<QComboBox>(resources::kIdPortCombo);
  ASSERT_EQ(ports->count(), 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(ports->itemText(i), QStringLiteral("COM%1").arg(i + 1));
  EXPECT_EQ(ports->currentIndex(), -1);
  EXPECT_TRUE(ports->currentText().isEmpty());
  EXPECT_TRUE(ports->isHidden());  // OnInitDialog shows it
  EXPECT_FALSE(ports->isEditable());
}

TEST_F(MainLayout, ControlKindsAndPropertiesFollowTheTemplate) {
  EXPECT_EQ(Get<QGroupBox>(resources::kIdGroupBox)->title(), QStringLiteral("Interface Setting"));
  EXPECT_EQ(Get<QPushButton>(resources::kIdFileButton)->text(), QStringLiteral("File(&F)..."));
  EXPECT_EQ(Get<QLabel>(resources::kIdStatusCaption)->text(), QStringLiteral("Status......"));
  auto* fileEdit = Get<QLineEdit>(resources::kIdFileEdit);
  EXPECT_TRUE(fileEdit->isReadOnly());
  EXPECT_EQ(fileEdit->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
  EXPECT_TRUE(Get<QLineEdit>(resources::kIdPortEdit)->isReadOnly());
  EXPECT_FALSE(Get<QListWidget>(resources::kIdStatusList)->isSortingEnabled());
  auto* exitButton = Get<QPushButton>(resources::kIdOk);
  EXPECT_FALSE(exitButton->isDefault());
  EXPECT_FALSE(exitButton->autoDefault());
  EXPECT_EQ(Get<QLabel>(resources::kIdSerialLabel)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
  EXPECT_EQ(Get<QLabel>(resources::kIdKindLabel)->frameShadow(), QFrame::Sunken);
}

TEST_F(MainLayout, PictureShowsBitmap139) {
  const auto pictures = dialog.findChildren<QLabel*>();
  const QLabel* picture = nullptr;
  for (const QLabel* label : pictures) {
    if (!label->pixmap().isNull()) picture = label;
  }
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->geometry(), gui::ToPixels(0, 118, 281, 155, kClassic));
  EXPECT_EQ(picture->pixmap().size(), picture->size());
  // Something is drawn, not just a transparent ground.
  const QImage image = picture->pixmap().toImage();
  EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 0);
}

TEST(Pictures, IconAndBitmapAreBuiltIn) {
  gui_test::EnsureQtApplication();
  EXPECT_FALSE(gui::RenderPicture(resources::kIconMain, QSize(32, 32)).isNull());
  EXPECT_FALSE(gui::RenderPicture(resources::kBitmapMain, QSize(200, 100)).isNull());
  EXPECT_TRUE(gui::RenderPicture(999, QSize(32, 32)).isNull());
  EXPECT_FALSE(gui::ProgramIcon().isNull());
}

}  // namespace
