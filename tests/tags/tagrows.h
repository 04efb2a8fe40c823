#pragma once

#include "tags/tagconversion.h"

#include <QStringList>
#include <QVector>

// Table rows from a test's short lists of cell texts; missing cells empty.
QVector<TagRowTexts> rows_of(const QVector<QStringList> &cells);
