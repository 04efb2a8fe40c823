#include "modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace
{

void record(QWidget *w, SeenModal *seen)
{
    if (!seen)
        return;
    seen->seen = true;
    seen->class_name = QString::fromLatin1(w->metaObject()->className());
    seen->title = w->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(w)) {
        seen->text = box->text();
        seen->icon = box->icon();
        seen->button_texts.clear();
        for (QAbstractButton *b : box->buttons())
            seen->button_texts << b->text();
        seen->default_button = box->defaultButton() ? box->defaultButton()->text() : QString();
    }
}

void poll(std::function<void(QWidget *)> action, SeenModal *seen, int tries_left)
{
    QWidget *w = QApplication::activeModalWidget();
    if (w && w->isVisible()) {
        record(w, seen);
        action(w);
        return;
    }
    if (tries_left <= 0)
        return;
    QTimer::singleShot(0, [=] { poll(action, seen, tries_left - 1); });
}

} // namespace

void on_next_modal(std::function<void(QWidget *)> action, SeenModal *seen, int max_tries)
{
    QTimer::singleShot(0, [=] { poll(action, seen, max_tries); });
}

void answer_next_message_box(QMessageBox::StandardButton button, SeenModal *seen)
{
    on_next_modal(
        [button](QWidget *w) {
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                if (QAbstractButton *b = box->button(button)) {
                    b->click();
                    return;
                }
            }
            if (auto *dialog = qobject_cast<QDialog *>(w))
                dialog->reject();
            else
                w->close();
        },
        seen);
}

void accept_next_message_box(SeenModal *seen)
{
    on_next_modal(
        [](QWidget *w) {
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                QAbstractButton *b = box->defaultButton();
                if (!b && !box->buttons().isEmpty())
                    b = box->buttons().first();
                if (b) {
                    b->click();
                    return;
                }
            }
            if (auto *dialog = qobject_cast<QDialog *>(w))
                dialog->accept();
            else
                w->close();
        },
        seen);
}

void press_next_box_button(const QString &text, SeenModal *seen)
{
    on_next_modal(
        [text](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box) {
                w->close();
                return;
            }
            if (text.isEmpty()) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton *button : box->buttons())
                if (button->text() == text)
                    button->click();
        },
        seen);
}
