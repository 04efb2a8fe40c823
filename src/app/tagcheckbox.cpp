#include "app/tagcheckbox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>

namespace
{

constexpr int kFindingsInText = 10;

// The box's own toggle for the detailed text reads in the window's language;
// the box relabels it on every click, so it is relabelled after each.
void label_details_button(QMessageBox &box)
{
    const QList<QPushButton *> buttons = box.findChildren<QPushButton *>();
    if (buttons.isEmpty())
        return;
    QPushButton *details = buttons.first();
    auto *text = box.findChild<QTextEdit *>();
    details->setText(QStringLiteral("显示全部"));
    QObject::connect(details, &QPushButton::clicked, &box, [details, text] {
        const bool shown = text && !text->isHidden();
        details->setText(shown ? QStringLiteral("收起") : QStringLiteral("显示全部"));
    });
}

} // namespace

bool operator_sends_despite(QWidget *parent, const QVector<TagFinding> &findings)
{
    QStringList first;
    for (int i = 0; i < findings.size() && i < kFindingsInText; ++i)
        first << tag_finding_line(findings.at(i));
    QString text = QStringLiteral("标签表中有以下问题，相机将收到与表中不同的地图：\n") +
                   tag_finding_summary(findings) + QStringLiteral("\n\n") +
                   first.join(QLatin1Char('\n'));
    if (findings.size() > kFindingsInText)
        text += QStringLiteral("\n…（全部见详细信息）");

    QMessageBox box(QMessageBox::Warning, QStringLiteral("传输前检查"), text, QMessageBox::NoButton,
                    parent);
    box.setDetailedText(tag_finding_details(findings));
    label_details_button(box);
    QPushButton *send = box.addButton(QStringLiteral("仍然传输"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == send;
}
