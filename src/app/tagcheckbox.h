#pragma once

#include "tags/tagcheck.h"

#include <QVector>

class QWidget;

// The pre-transfer warning box, modal on `parent`. True when the operator
// chose to send the map as it is; Escape and the default button cancel.
bool operator_sends_despite(QWidget *parent, const QVector<TagFinding> &findings);
