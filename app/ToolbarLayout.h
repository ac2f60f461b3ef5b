// Whether a stored toolbar layout may be handed to the docking manager. The settings file is the
// user's to edit: a text the manager would choke on, or a place no toolbar can take, is dropped and
// the default layout kept.
#pragma once

#include <string_view>

// `layout` is the manager's "key=value;..." text of one pane; it must name `paneName`, dock it to
// one of the four sides and give whole numbers in range for every field it knows.
bool IsUsableToolbarLayout(std::string_view layout, std::string_view paneName);
