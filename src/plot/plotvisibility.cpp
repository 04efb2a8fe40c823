#include "plot/plotvisibility.h"

#include <QWidget>
#include <QWindow>

namespace plot
{

bool widget_seen(const QWidget &widget)
{
    if (!widget.isVisible())
        return false;
    const QWidget *window = widget.window();
    if (window->isMinimized())
        return false;
    const QWindow *handle = window->windowHandle();
    return !handle || handle->isExposed();
}

} // namespace plot
