#pragma once

#include "tags/taggrid.h"

#include <QDialog>
#include <QHash>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QSpinBox;

// "生成标签网格": the description of a regular floor, a line giving the
// number of tags and the floor they cover, and "确定"/"取消". A grid the
// table or the camera cannot take names its field and keeps "确定"
// disabled. Every change is announced, so that the plot can preview it.
class GridDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GridDialog(QWidget *parent);

    GridSpec spec() const;
    // The grid's tags, empty while the description is refused.
    QVector<TagRecord> tags() const;

signals:
    void grid_changed(const QVector<TagRecord> &tags);

private:
    QSpinBox *add_field(GridField field, const QString &label, int low, int high, int value);
    void update_summary();

    QHash<int, QSpinBox *> fields; // by GridField
    QHash<int, QString> labels;
    QComboBox *order = nullptr;
    QLabel *summary = nullptr;
    QDialogButtonBox *buttons = nullptr;
    class QFormLayout *form = nullptr;
};
