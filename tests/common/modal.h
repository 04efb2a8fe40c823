#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

// Dialogs and message boxes are modal: a test arms one of these before the
// click that opens the box, and the answer is given from inside the box's own
// event loop as soon as it is the active modal widget.

struct SeenModal {
    bool seen = false;
    QString title;
    QString text;
    QString class_name;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList button_texts;
    QString default_button;
};

// Runs `action` on the next active modal widget. `seen` (if given) records
// what the box showed. Gives up after `max_tries` event-loop passes.
void on_next_modal(std::function<void(QWidget *)> action, SeenModal *seen = nullptr,
                   int max_tries = 2000);

// Presses the standard button `button` of the next message box (or closes any
// other modal widget with reject()).
void answer_next_message_box(QMessageBox::StandardButton button, SeenModal *seen = nullptr);

// Accepts the next message box with its default/first button.
void accept_next_message_box(SeenModal *seen = nullptr);

// Clicks the button of the next message box that reads `text`, or presses
// Escape in it when `text` is empty.
void press_next_box_button(const QString &text, SeenModal *seen = nullptr);
