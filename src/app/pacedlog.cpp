#include "app/pacedlog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <utility>

PacedLog::PacedLog(QTextEdit &edit)
    : QObject(&edit), edit(edit), pacer(
                                      this, [this] { show(kMaxFrameCharacters); }, kFrameMs)
{
    QTextDocument *document = edit.document();
    document->setUndoRedoEnabled(false);
    // Laying text out for a minimised window costs as much as for a seen one.
    pacer.hold_while_unseen(edit);
    // Emptied by its clear button: what was received before the click goes too.
    connect(document, &QTextDocument::contentsChanged, this, [this] {
        if (this->edit.document()->isEmpty())
            drop_pending();
    });
}

void PacedLog::append(const QString &paragraph)
{
    pending << paragraph;
    pending_characters += paragraph.size() + 1;
    while (pending.size() > kMaxParagraphs + kTrimSlack ||
           pending_characters > kMaxCharacters + kCharacterSlack) {
        pending_characters -= pending.first().size() + 1;
        pending.removeFirst();
    }
    pacer.request();
}

void PacedLog::flush()
{
    show(pending_characters);
}

void PacedLog::show(qint64 characters)
{
    pacer.shown();
    if (pending.isEmpty())
        return;
    // As QTextEdit::append does: a view at the bottom follows the new text.
    QScrollBar *scroll = edit.verticalScrollBar();
    const bool at_bottom = scroll->value() >= scroll->maximum();

    QTextDocument *document = edit.document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    int shown = 0;
    qint64 shown_characters = 0;
    while (shown < pending.size() && (shown == 0 || shown_characters < characters)) {
        const QString &paragraph = pending.at(shown);
        if (!document->isEmpty())
            cursor.insertBlock();
        cursor.insertText(paragraph);
        shown_characters += paragraph.size() + 1;
        ++shown;
    }
    cursor.endEditBlock();
    // Unless the box was emptied meanwhile, which dropped them all.
    if (shown <= pending.size()) {
        pending.erase(pending.begin(), pending.begin() + shown);
        pending_characters -= shown_characters;
    }
    trim();
    if (!pending.isEmpty())
        pacer.request();

    if (at_bottom)
        scroll->setValue(scroll->maximum());
}

void PacedLog::drop_pending()
{
    pending.clear();
    pending_characters = 0;
}

void PacedLog::trim()
{
    QTextDocument *document = edit.document();
    const int excess_blocks = document->blockCount() - kMaxParagraphs;
    const int excess_characters = document->characterCount() - kMaxCharacters;
    if (excess_blocks <= kTrimSlack && excess_characters <= kCharacterSlack)
        return;
    // Whole paragraphs, from the first, until both bounds hold again.
    QTextBlock block = document->firstBlock();
    int blocks = 0;
    int characters = 0;
    while (block.isValid() && block.next().isValid() &&
           (blocks < excess_blocks || characters < excess_characters)) {
        characters += block.length();
        ++blocks;
        block = block.next();
    }
    QTextCursor cursor(document);
    cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
