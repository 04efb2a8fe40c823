#pragma once

#include <QtGlobal>

// The window keeps four slots whose buttons the form no longer has
// (on_Btn_setAxisUp_clicked, on_Btn_tagMap_clicked, on_Btn_showTag_clicked,
// on_Btn_clearTagMsg_clicked), and the form's setup warns once for each at
// every start: "QMetaObject::connectSlotsByName: No matching signal for ...".
// While one of these lives, exactly those four warnings are held back; every
// other message goes to the handler that was installed before.
class QuietUnboundSlots
{
public:
    QuietUnboundSlots();
    ~QuietUnboundSlots();
    QuietUnboundSlots(const QuietUnboundSlots &) = delete;
    QuietUnboundSlots &operator=(const QuietUnboundSlots &) = delete;

private:
    QtMessageHandler previous = nullptr;
};
