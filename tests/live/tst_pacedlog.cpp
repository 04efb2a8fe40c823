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

} // namespace

class PacedLogTest : public QObject
{
    Q_OBJECT

private slots:
    void paragraphsArriveTogetherAndInOrder();
    void oldestParagraphsGoFirstOnceTheSlackIsUsed();
    void charactersAreBoundedOldestFirstShownOrPending();
    void clearingAlsoDropsWhatIsNotShownYet();
    void viewAtTheBottomFollowsNewText();
};

void PacedLogTest::paragraphsArriveTogetherAndInOrder()
{
    QTextEdit edit;
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
    QTextEdit edit;
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
    const auto numbers_run_up_to = [](const QTextEdit &edit, int last) {
        int expected = last - edit.document()->blockCount() + 1;
        for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next())
            if (b.text().left(6).toInt() != expected++)
                return false;
        return true;
    };
    QTextEdit edit;
    PacedLog log(edit);
    int k = 0;
    // Shown one at a time: the bound and its slack are kept, never more.
    for (; k < 800; ++k) {
        log.append(numbered(k));
        log.flush();
        QVERIFY(edit.document()->characterCount() <=
                PacedLog::kMaxCharacters + PacedLog::kCharacterSlack);
    }
    QVERIFY(edit.document()->characterCount() > PacedLog::kMaxCharacters - 3001);
    QVERIFY(numbers_run_up_to(edit, k - 1));

    // Far more than the bound waiting for one display frame: only the newest
    // reach the box, and the pending text never held more.
    for (; k < 2000; ++k)
        log.append(numbered(k));
    log.flush();
    QVERIFY(edit.document()->characterCount() <= PacedLog::kMaxCharacters + 3001);
    QVERIFY(numbers_run_up_to(edit, k - 1));
}

void PacedLogTest::clearingAlsoDropsWhatIsNotShownYet()
{
    QTextEdit edit;
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
    QTextEdit edit;
    edit.resize(200, 100);
    edit.show();
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

QTEST_MAIN(PacedLogTest)
#include "tst_pacedlog.moc"
