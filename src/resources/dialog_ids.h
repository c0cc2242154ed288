#pragma once
// Control, command, timer and resource identifiers shared by the dialog logic
// and its window hosts.

namespace resources {

inline constexpr int kIdOk = 1;  // the Exit button is the dialog's OK command
inline constexpr int kIdFileButton = 1001;
inline constexpr int kIdSerialLabel = 1003;
inline constexpr int kIdStatusList = 1006;
inline constexpr int kIdUpgradeButton = 1008;
inline constexpr int kIdKindLabel = 1009;
inline constexpr int kIdProgressBar = 1010;
inline constexpr int kIdPortEdit = 1012;
inline constexpr int kIdFileEdit = 1015;
inline constexpr int kIdPortCombo = 1016;
inline constexpr int kIdGroupBox = 1017;
inline constexpr int kIdPortLabel = 1018;
inline constexpr int kIdKindCaption = 1019;
inline constexpr int kIdFileCaption = 1020;
inline constexpr int kIdSerialCaption = 1021;
inline constexpr int kIdStatusCaption = 1022;

inline constexpr int kTemplateAbout = 100;
inline constexpr int kTemplateMain = 102;
inline constexpr int kStringAbout = 101;
inline constexpr int kStringHelp = 102;
inline constexpr int kStringRecovery = 103;
inline constexpr int kIconMain = 128;
inline constexpr int kBitmapMain = 139;

// System-menu commands appended by the dialog.
inline constexpr int kCmdAbout = 16;
inline constexpr int kCmdHelp = 17;
inline constexpr int kCmdRecovery = 18;

inline constexpr int kCloseTimer = 200;

}  // namespace resources
