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
// kMaxParagraphs and kMaxParagraphs + kTrimSlack paragraphs. At the line rate
// a cut comes every four seconds.
//
// It is bounded in characters too, for a peer far faster than the camera (a
// USB virtual port ignores the baud rate): at most kMaxCharacters plus
// kCharacterSlack, cut back to kMaxCharacters by whole paragraphs, oldest
// first. At the camera's line rate a read holds one report or a few (67
// characters of echo each), so 10000 paragraphs fit while reads average up to
// six reports. At the bound the box holds about 40 to 55 MB more memory.
//
// Text waiting for a display frame is held to the same bounds, oldest first:
// what goes is only what the box would drop anyway, so after a burst the box
// still shows its newest kMaxParagraphs. Laying text out costs about 12 to 20
// ms per 100000 characters, so a display frame shows at most
// kMaxFrameCharacters of it and leaves the rest to the next frames: a peer
// that is far ahead cannot make one frame stall the window. The oldest
// paragraphs go kCharacterSlack at a time because each cut costs 10 to 35 ms
// whatever its size.
// At the camera's line rate a frame of the log brings about 3500 characters.
//
// A log shows ten frames a second, not thirty: each edit lays out, scrolls and
// paints the box whatever it adds, and at the line rate that was a fifth to
// a quarter of the window's time. Nothing is laid out while nobody can see the box; what
// waits is shown as it is seen again.
class PacedLog : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxParagraphs = 10000;
    static constexpr int kTrimSlack = 2000;
    static constexpr int kMaxCharacters = 4000000;
    static constexpr int kCharacterSlack = 300000;
    static constexpr int kMaxFrameCharacters = 100000;
    static constexpr int kFrameMs = 100;

    // Becomes a child of `edit`. A log has nothing to undo, and keeping the
    // history would grow memory with every paragraph, so undo is turned off.
    explicit PacedLog(QTextEdit &edit);

    void append(const QString &paragraph);

    // Shows all that is pending now.
    void flush();

private:
    // Shows the oldest pending paragraphs, up to `characters` of them (at
    // least one paragraph).
    void show(qint64 characters);
    void trim();
    void drop_pending();

    QTextEdit &edit;
    QStringList pending;
    qint64 pending_characters = 0;
    DisplayPacer pacer;
};
