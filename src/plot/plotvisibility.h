#pragma once

class QWidget;

namespace plot
{

// Whether anyone can see `widget`: shown, in a window that is not
// minimised and that the display has exposed. Rendering what nobody sees
// only spends the battery.
bool widget_seen(const QWidget &widget);

} // namespace plot
