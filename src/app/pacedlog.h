#pragma once

#include "plot/displaypacer.h"

#include <QObject>
#include <QStringList>

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
//
// It is bounded in characters too, for a peer far faster than the camera (a
// USB virtual port ignores the baud rate): at most kMaxCharacters plus
// kCharacterSlack, cut back to kMaxCharacters by whole paragraphs, oldest
// first. At the camera's line rate a read holds one report or a few (67
// characters of echo each), so 10000 paragraphs fit while reads average up to
// six reports. At the bound the box holds about 40 to 55 MB more memory.
//
// Text waiting for the next display frame is bounded as well, oldest first,
// and more tightly: laying text out costs about 12 to 20 ms per 100000
// characters, so a peer that is far ahead cannot make one display frame stall
// the window. The oldest paragraphs go kCharacterSlack at a time because each
// cut costs 10 to 35 ms whatever its size.
// At the camera's line rate a display frame brings about 1200 characters.
class PacedLog : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxParagraphs = 10000;
    static constexpr int kTrimSlack = 500;
    static constexpr int kMaxCharacters = 4000000;
    static constexpr int kCharacterSlack = 300000;
    static constexpr int kMaxPendingCharacters = 100000;

    // Becomes a child of `edit`. A log has nothing to undo, and keeping the
    // history would grow memory with every paragraph, so undo is turned off.
    explicit PacedLog(QTextEdit &edit);

    void append(const QString &paragraph);

    // Shows what is pending now.
    void flush();

private:
    void trim();
    void drop_pending();

    QTextEdit &edit;
    QStringList pending;
    qint64 pending_characters = 0;
    DisplayPacer pacer;
};

// Appends through the log's pacer, or directly where the edit has none.
void append_to_log(QTextEdit &edit, const QString &paragraph);
