#include "app/griddialog.h"

#include "tags/tagtable.h"
#include "transfer/gridcheck.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstdlib>

namespace
{

// Wide enough to type any value the check then names as too large.
constexpr int kWidest = 1'000'000;

const std::pair<GridOrder, const char *> kOrders[] = {
    {GridOrder::rows, "逐行"},
    {GridOrder::columns, "逐列"},
    {GridOrder::serpentine_rows, "蛇形逐行"},
    {GridOrder::serpentine_columns, "蛇形逐列"},
};

// Centimetres as metres for the floor's size: "12.5 m".
QString metres(qint64 cm)
{
    return QString::number(cm / 100.0, 'g', 6) + QStringLiteral(" m");
}

} // namespace

GridDialog::GridDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("生成标签网格"));
    setMinimumWidth(380);
    form = new QFormLayout;
    const GridSpec defaults;
    add_field(GridField::rows, QStringLiteral("行数"), 1, TAG_TABLE_ROWS, 10);
    add_field(GridField::columns, QStringLiteral("列数"), 1, TAG_TABLE_ROWS, 10);
    add_field(GridField::pitch_x, QStringLiteral("x 间距 (cm)"), -kWidest, kWidest,
              defaults.pitch_x_cm);
    add_field(GridField::pitch_y, QStringLiteral("y 间距 (cm)"), -kWidest, kWidest,
              defaults.pitch_y_cm);
    add_field(GridField::origin_x, QStringLiteral("第一个标签 x (cm)"), -kWidest, kWidest, 0);
    add_field(GridField::origin_y, QStringLiteral("第一个标签 y (cm)"), -kWidest, kWidest, 0);
    add_field(GridField::first_id, QStringLiteral("起始编号"), -kWidest, kWidest, 1);
    add_field(GridField::id_step, QStringLiteral("编号步长"), -kWidest, kWidest, 1);
    order = new QComboBox;
    for (const auto &entry : kOrders)
        order->addItem(QString::fromUtf8(entry.second), int(entry.first));
    form->addRow(QStringLiteral("编号顺序"), order);
    connect(order, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &GridDialog::update_summary);
    add_field(GridField::side, QStringLiteral("边长 (mm)"), -kWidest, kWidest, defaults.side_mm);
    add_field(GridField::angle, QStringLiteral("角度 (°)"), -kWidest, kWidest, defaults.angle_deg);

    summary = new QLabel;
    summary->setWordWrap(true);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(summary);
    layout->addWidget(buttons);
    update_summary();
}

QSpinBox *GridDialog::add_field(GridField field, const QString &label, int low, int high, int value)
{
    auto *box = new QSpinBox;
    box->setRange(low, high);
    box->setValue(value);
    form->addRow(label, box);
    fields.insert(int(field), box);
    labels.insert(int(field), label);
    connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &GridDialog::update_summary);
    return box;
}

GridSpec GridDialog::spec() const
{
    GridSpec spec;
    auto value = [this](GridField field) { return fields.value(int(field))->value(); };
    spec.rows = value(GridField::rows);
    spec.columns = value(GridField::columns);
    spec.pitch_x_cm = value(GridField::pitch_x);
    spec.pitch_y_cm = value(GridField::pitch_y);
    spec.origin_x_cm = value(GridField::origin_x);
    spec.origin_y_cm = value(GridField::origin_y);
    spec.first_id = value(GridField::first_id);
    spec.id_step = value(GridField::id_step);
    spec.order = GridOrder(order->currentData().toInt());
    spec.side_mm = value(GridField::side);
    spec.angle_deg = value(GridField::angle);
    return spec;
}

QVector<TagRecord> GridDialog::tags() const
{
    const GridSpec grid = spec();
    return grid_refusal(grid) ? QVector<TagRecord>() : grid_tags(grid);
}

void GridDialog::update_summary()
{
    const GridSpec grid = spec();
    const std::optional<GridProblem> problem = grid_refusal(grid);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!problem);
    if (problem) {
        summary->setText(QStringLiteral("<span style=\"color:#c00000\">%1：%2</span>")
                             .arg(labels.value(int(problem->field)).toHtmlEscaped(),
                                  problem->chinese.toHtmlEscaped()));
        emit grid_changed({});
        return;
    }
    const qint64 width = std::llabs(qint64(grid.pitch_x_cm) * (grid.columns - 1));
    const qint64 height = std::llabs(qint64(grid.pitch_y_cm) * (grid.rows - 1));
    summary->setText(QStringLiteral("共 %1 个标签，覆盖 %2 × %3")
                         .arg(grid.rows * grid.columns)
                         .arg(metres(width), metres(height)));
    emit grid_changed(grid_tags(grid));
}
