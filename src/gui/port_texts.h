#pragma once
// The window's English texts about discovered ports, in one place until the
// language files carry them.

namespace gui {

// Shown when a chosen port exists but this user may not open it; %s is the
// port's name.
inline constexpr const char* kPortPermissionDeniedText =
    "You may not open the port %s. Membership of the dialout group is the fix: run "
    "\"sudo usermod -aG dialout $USER\", then log out and in again.";

// Added to a discovered port's tooltip when this user may not open it.
inline constexpr const char* kPortNotPermittedTip = "You may not open this port: join the dialout group.";

// Labels the stable name in a discovered port's tooltip.
inline constexpr const char* kPortStableNameTip = "Stable name: ";

}  // namespace gui
