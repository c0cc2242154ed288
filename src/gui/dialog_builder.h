#pragma once
// Lays a dialog template out as Qt widgets: every control at its rectangle,
// converted from dialog units with the dialog font, with its kind, initial
// text and properties.

#include <QWidget>
#include <map>

#include "gui/dialog_units.h"
#include "resources/dialog_templates.h"

namespace gui {

// The controls that carry an identifier, by identifier.
using ControlMap = std::map<int, QWidget*>;

// Creates the controls of `dialogTemplate` as children of `dialog` (in
// template order, so later controls lie above earlier ones), sets the
// dialog's font, caption and fixed client size, and returns the controls.
ControlMap BuildDialog(QWidget& dialog, const resources::DialogTemplate& dialogTemplate);

// The same with given base units (tests pin them).
ControlMap BuildDialog(QWidget& dialog, const resources::DialogTemplate& dialogTemplate, const DialogUnits& units);

}  // namespace gui
