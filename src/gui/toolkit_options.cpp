#include "gui/toolkit_options.h"

namespace gui {
namespace {

constexpr app::ForeignOption kToolkitOptions[] = {
    {"-platform", true},   {"-platformpluginpath", true}, {"-platformtheme", true}, {"-plugin", true},
    {"-qwindowgeometry", true}, {"-geometry", true},     {"-qwindowicon", true},   {"-icon", true},
    {"-qwindowtitle", true}, {"-title", true},           {"-session", true},       {"-display", true},
    {"-name", true},       {"-style", true},              {"-stylesheet", true},    {"-qmljsdebugger", false},
    {"-reverse", false},   {"-nograb", false},            {"-dograb", false},       {"-widgetcount", false},
    {"-sync", false},
};

}  // namespace

std::span<const app::ForeignOption> ToolkitOptions() { return kToolkitOptions; }

}  // namespace gui
