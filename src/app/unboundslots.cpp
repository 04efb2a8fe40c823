#include "app/unboundslots.h"

#include <QString>

namespace
{

QtMessageHandler passed_on = nullptr;

bool is_unbound_slot_warning(const QString &message)
{
    static const QString warnings[] = {
        QStringLiteral("QMetaObject::connectSlotsByName: No matching signal for "
                       "on_Btn_setAxisUp_clicked()"),
        QStringLiteral("QMetaObject::connectSlotsByName: No matching signal for "
                       "on_Btn_tagMap_clicked()"),
        QStringLiteral("QMetaObject::connectSlotsByName: No matching signal for "
                       "on_Btn_showTag_clicked()"),
        QStringLiteral("QMetaObject::connectSlotsByName: No matching signal for "
                       "on_Btn_clearTagMsg_clicked()"),
    };
    for (const QString &warning : warnings) {
        if (message == warning)
            return true;
    }
    return false;
}

void hold_back_unbound_slot_warnings(QtMsgType type, const QMessageLogContext &context,
                                     const QString &message)
{
    if (type == QtWarningMsg && is_unbound_slot_warning(message))
        return;
    if (passed_on)
        passed_on(type, context, message);
}

} // namespace

QuietUnboundSlots::QuietUnboundSlots()
{
    previous = qInstallMessageHandler(hold_back_unbound_slot_warnings);
    passed_on = previous;
}

QuietUnboundSlots::~QuietUnboundSlots()
{
    qInstallMessageHandler(previous);
}
