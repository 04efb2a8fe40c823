#include "app/pacedlog.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

PacedLog::PacedLog(QTextEdit &edit) : QObject(&edit), edit(edit)
{
    QTextDocument *document = edit.document();
    document->setUndoRedoEnabled(false);
    // Emptied by its clear button: what was received before the click goes too.
    connect(document, &QTextDocument::contentsChanged, this, [this] {
        if (this->edit.document()->isEmpty())
            pending.clear();
    });
    due.setSingleShot(true);
    connect(&due, &QTimer::timeout, this, &PacedLog::flush);
}

void PacedLog::append(const QString &paragraph)
{
    pending << paragraph;
    if (due.isActive())
        return;
    const qint64 waited = since_flush.isValid() ? since_flush.elapsed() : kFrameMs;
    due.start(int(qMax<qint64>(0, kFrameMs - waited)));
}

void PacedLog::flush()
{
    due.stop();
    since_flush.start();
    if (pending.isEmpty())
        return;
    // As QTextEdit::append does: a view at the bottom follows the new text.
    QScrollBar *scroll = edit.verticalScrollBar();
    const bool at_bottom = scroll->value() >= scroll->maximum();

    QTextDocument *document = edit.document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const QString &paragraph : qAsConst(pending)) {
        if (!document->isEmpty())
            cursor.insertBlock();
        cursor.insertText(paragraph);
    }
    cursor.endEditBlock();
    pending.clear();
    trim();

    if (at_bottom)
        scroll->setValue(scroll->maximum());
}

void PacedLog::trim()
{
    QTextDocument *document = edit.document();
    const int excess = document->blockCount() - kMaxParagraphs;
    if (excess <= kTrimSlack)
        return;
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, excess);
    cursor.removeSelectedText();
}

void append_to_log(QTextEdit &edit, const QString &paragraph)
{
    if (auto *log = edit.findChild<PacedLog *>(QString(), Qt::FindDirectChildrenOnly))
        log->append(paragraph);
    else
        edit.append(paragraph);
}
