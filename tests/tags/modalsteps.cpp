#include "modalsteps.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

namespace
{

SeenWindow describe(QWidget *w)
{
    SeenWindow seen;
    seen.class_name = QString::fromLatin1(w->metaObject()->className());
    seen.title = w->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(w)) {
        seen.text = box->text();
        for (QAbstractButton *button : box->buttons())
            seen.button_texts << button->text();
    }
    if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
        seen.directory = dialog->directory().absolutePath();
        seen.name_filters = dialog->nameFilters();
    }
    return seen;
}

void poll(const std::function<bool(QWidget *)> &found, int tries_left)
{
    QWidget *w = QApplication::activeModalWidget();
    if (w && w->isVisible() && found(w))
        return;
    if (tries_left <= 0) {
        found(nullptr);
        return;
    }
    QTimer::singleShot(0, [=] { poll(found, tries_left - 1); });
}

} // namespace

ModalSteps::ModalSteps(QVector<Step> steps) : state(std::make_shared<State>())
{
    state->steps = std::move(steps);
    arm(state, 0);
}

void ModalSteps::arm(std::shared_ptr<State> state, int index)
{
    if (index >= state->steps.size()) {
        state->finished = true;
        return;
    }
    QTimer::singleShot(0, [state, index] {
        poll(
            [state, index](QWidget *w) {
                if (!w) {
                    state->finished = true;
                    return true;
                }
                state->seen << describe(w);
                state->steps.at(index)(w);
                arm(state, index + 1);
                return true;
            },
            500);
    });
}

ModalSteps::Step ModalSteps::press(int standard_button)
{
    return [standard_button](QWidget *w) {
        if (auto *box = qobject_cast<QMessageBox *>(w))
            if (QAbstractButton *button =
                    box->button(QMessageBox::StandardButton(standard_button))) {
                button->click();
                return;
            }
        w->close();
    };
}

ModalSteps::Step ModalSteps::choose_file(const QString &path)
{
    return [path](QWidget *w) {
        if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
            dialog->selectFile(path);
            // QFileDialog::accept() is protected; it runs through QDialog's.
            static_cast<QDialog *>(dialog)->accept();
            return;
        }
        w->close();
    };
}

ModalSteps::Step ModalSteps::reject()
{
    return [](QWidget *w) {
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
        else
            w->close();
    };
}
