#include "app/pacedlog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace
{

QStringList paragraphs(const QTextEdit &edit)
{
    QStringList lines;
    if (edit.document()->isEmpty())
        return lines;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

// A log lays nothing out while nobody can see it.
struct SeenEdit : QTextEdit {
    SeenEdit()
    {
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
};

} // namespace

class PacedLogTest : public QObject
{
    Q_OBJECT

private slots:
    void paragraphsArriveTogetherAndInOrder();
    void oldestParagraphsGoFirstOnceTheSlackIsUsed();
    void charactersAreBoundedOldestFirstShownOrPending();
    void burstKeepsAsManyParagraphsAsTheBoxHolds();
    void clearingAlsoDropsWhatIsNotShownYet();
    void viewAtTheBottomFollowsNewText();
    void minimisedBoxWaitsAndShowsAllAsItIsRestored();
};

void PacedLogTest::paragraphsArriveTogetherAndInOrder()
{
    SeenEdit edit;
    PacedLog log(edit);
    log.append("FF FE ");
    log.append("01 ");
    log.append("FE FF ");
    QTRY_COMPARE(paragraphs(edit), QStringList({"FF FE ", "01 ", "FE FF "}));
    log.append("0A ");
    QTRY_COMPARE(paragraphs(edit).size(), 4);
    QCOMPARE(paragraphs(edit).last(), QString("0A "));
}

void PacedLogTest::oldestParagraphsGoFirstOnceTheSlackIsUsed()
{
    SeenEdit edit;
    PacedLog log(edit);
    const int full = PacedLog::kMaxParagraphs + PacedLog::kTrimSlack;
    for (int k = 0; k < full; ++k)
        log.append(QString::number(k));
    log.flush();
    QCOMPARE(edit.document()->blockCount(), full);
    log.append(QString::number(full));
    log.flush();
    QCOMPARE(edit.document()->blockCount(), PacedLog::kMaxParagraphs);
    QCOMPARE(edit.document()->firstBlock().text(), QString::number(PacedLog::kTrimSlack + 1));
    QCOMPARE(edit.document()->lastBlock().text(), QString::number(full));
}

// Paragraphs of 3000 characters (as a flood's 1000-byte reads would echo),
// numbered so that order and loss can be read back.
void PacedLogTest::charactersAreBoundedOldestFirstShownOrPending()
{
    const auto numbered = [](int k) {
        return QString("%1").arg(k, 6, 10, QChar('0')) + QString(2994, 'x');
    };
    const auto number = [](const QTextBlock &block) { return block.text().left(6).toInt(); };
    SeenEdit edit;
    PacedLog log(edit);
    // Shown one at a time: the bound and its slack are kept, never more, and
    // what goes is the oldest.
    const int shown = (PacedLog::kMaxCharacters + 2 * PacedLog::kCharacterSlack) / 3000;
    for (int k = 0; k < shown; ++k) {
        log.append(numbered(k));
        log.flush();
        QVERIFY(edit.document()->characterCount() <=
                PacedLog::kMaxCharacters + PacedLog::kCharacterSlack);
    }
    QTextDocument *document = edit.document();
    QVERIFY(document->characterCount() > PacedLog::kMaxCharacters - 3001);
    QCOMPARE(number(document->firstBlock()), shown - document->blockCount());
    QCOMPARE(number(document->lastBlock()), shown - 1);

    // Far more than a display frame can lay out, waiting for one: it reaches
    // the box over several frames, each laying out about one frame's worth,
    // right after what the box showed before.
    int largest_frame = 0;
    int frames = 0;
    connect(document, &QTextDocument::contentsChange, this, [&](int, int, int added) {
        largest_frame = qMax(largest_frame, added);
        frames += added > 0;
    });
    for (int k = shown; k < shown + 200; ++k)
        log.append(numbered(k));
    QTRY_COMPARE(number(document->lastBlock()), shown + 199);
    QVERIFY(frames >= 600000 / PacedLog::kMaxFrameCharacters);
    QVERIFY(largest_frame <= PacedLog::kMaxFrameCharacters + 3001);
    QTextBlock block = document->lastBlock();
    for (int k = shown + 199; k >= shown - 1; --k, block = block.previous())
        QCOMPARE(number(block), k);
}

// Far more lines than one display frame lays out (a USB virtual port ignores
// the baud rate), arriving before the window could show any: the box still
// ends with the newest it promises to keep.
void PacedLogTest::burstKeepsAsManyParagraphsAsTheBoxHolds()
{
    SeenEdit edit;
    PacedLog log(edit);
    const int sent = PacedLog::kMaxParagraphs + PacedLog::kTrimSlack + 2000;
    for (int k = 0; k < sent; ++k)
        log.append(QString("%1 ").arg(k, 6, 10, QChar('0')) + QString(33, 'c'));
    const auto number = [](const QTextBlock &block) { return block.text().left(6).toInt(); };
    QTextDocument *document = edit.document();
    QTRY_COMPARE(number(document->lastBlock()), sent - 1);
    QVERIFY(document->blockCount() >= PacedLog::kMaxParagraphs);
    QCOMPARE(number(document->firstBlock()), sent - document->blockCount());
}

void PacedLogTest::clearingAlsoDropsWhatIsNotShownYet()
{
    SeenEdit edit;
    PacedLog log(edit);
    log.append("shown");
    log.flush();
    log.append("received before the click");
    edit.clear();
    log.flush();
    QVERIFY(edit.document()->isEmpty());
    log.append("after");
    log.flush();
    QCOMPARE(paragraphs(edit), QStringList({"after"}));
}

void PacedLogTest::viewAtTheBottomFollowsNewText()
{
    SeenEdit edit;
    edit.resize(200, 100);
    PacedLog log(edit);
    for (int k = 0; k < 200; ++k)
        log.append(QString::number(k));
    log.flush();
    QScrollBar *scroll = edit.verticalScrollBar();
    QVERIFY(scroll->maximum() > 0);
    QCOMPARE(scroll->value(), scroll->maximum());
    // A reader who scrolled up keeps his place.
    scroll->setValue(0);
    log.append("new");
    log.flush();
    QCOMPARE(scroll->value(), 0);
}

void PacedLogTest::minimisedBoxWaitsAndShowsAllAsItIsRestored()
{
    SeenEdit edit;
    PacedLog log(edit);
    edit.showMinimized();
    log.append("FF FE ");
    log.append("FE FF ");
    QTest::qWait(2 * PacedLog::kFrameMs);
    QVERIFY(edit.document()->isEmpty());
    // Before any painting of the restored window.
    edit.showNormal();
    QCOMPARE(paragraphs(edit), QStringList({"FF FE ", "FE FF "}));
}

QTEST_MAIN(PacedLogTest)
#include "tst_pacedlog.moc"
