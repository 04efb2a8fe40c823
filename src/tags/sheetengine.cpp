#include "tags/sheetengine.h"

SheetEngine::~SheetEngine()
{
    if (is_open)
        close();
}

bool SheetEngine::open(const QString &, int, bool)
{
    is_open = false;
    return false;
}

bool SheetEngine::read_into_table(QTableWidget *table)
{
    return table != nullptr;
}

void SheetEngine::close()
{
    is_open = false;
}
