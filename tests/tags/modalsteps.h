#pragma once

#include "modal.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class QWidget;

// What one modal window showed, with the file dialog's settings when it was
// one.
struct SeenWindow {
    QString class_name;
    QString title;
    QString text;
    QStringList button_texts;
    QString directory;
    QStringList name_filters;
};

// Answers the next modal windows one after another, each with its step, and
// records what each showed. `finished` turns true once every step has run or
// no further window appeared within a bounded number of event-loop passes.
class ModalSteps
{
public:
    using Step = std::function<void(QWidget *)>;

    explicit ModalSteps(QVector<Step> steps);

    QVector<SeenWindow> seen() const
    {
        return state->seen;
    }
    bool finished() const
    {
        return state->finished;
    }

    static Step press(int standard_button);
    static Step choose_file(const QString &path);
    static Step reject();

private:
    struct State {
        QVector<Step> steps;
        QVector<SeenWindow> seen;
        bool finished = false;
    };
    static void arm(std::shared_ptr<State> state, int index);
    std::shared_ptr<State> state;
};
