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
