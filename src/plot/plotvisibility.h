#pragma once

class QWidget;

namespace plot
{

// Whether anyone can see `widget`: shown, in a window that is not
// minimised. Rendering what nobody sees only spends the battery.
bool plot_seen(const QWidget &widget);

} // namespace plot
