#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

class QTextEdit;

// A read-only log that the camera can feed hundreds of times a second. Every
// appended text stays a paragraph of its own, but they reach the widget in one
// edit per display frame: a QTextEdit lays out and paints per edit, which at
// the line rate would take most of a core.
//
// The log keeps its newest kMaxParagraphs paragraphs. Dropping the oldest
// makes a QTextEdit lay out its whole document again (about 17 ms at 10000
// paragraphs), so they are dropped kTrimSlack at a time: the log holds between
// kMaxParagraphs and kMaxParagraphs + kTrimSlack paragraphs.
class PacedLog : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxParagraphs = 10000;
    static constexpr int kTrimSlack = 500;
    static constexpr int kFrameMs = 33;

    // Becomes a child of `edit`. A log has nothing to undo, and keeping the
    // history would grow memory with every paragraph, so undo is turned off.
    explicit PacedLog(QTextEdit &edit);

    void append(const QString &paragraph);

    // Shows what is pending now.
    void flush();

private:
    void trim();

    QTextEdit &edit;
    QStringList pending;
    QTimer due;
    QElapsedTimer since_flush;
};

// Appends through the log's pacer, or directly where the edit has none.
void append_to_log(QTextEdit &edit, const QString &paragraph);
