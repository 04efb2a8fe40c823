#include "report/reportwriter.h"

#include "report/floorpicture.h"
#include "report/pdftext.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <functional>

namespace report
{

namespace
{

constexpr int kDotsPerInch = 300;
constexpr double kMarginMm = 15;
constexpr double kBodyPoints = 9.5;
constexpr double kTablePoints = 6;

// Qt's PDF engine maps a glyph back to its character through the font's own
// table; a glyph that shaping substituted (a digit beside Chinese text) has
// no way back, and would be drawn but neither found nor copied. Neither the
// digits nor the Chinese text need shaping.
QFont text_font(double points, bool bold = false)
{
    QFont font(report_font_family());
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

double mm(double millimetres)
{
    return millimetres * kDotsPerInch / 25.4;
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The pages as they fill: a cursor down the page, a new page when the next
// thing does not fit.
class Pages
{
public:
    Pages(QPdfWriter &writer, QPainter &painter) : writer(writer), painter(painter)
    {
        const QRect page = painter.viewport();
        area = QRectF(mm(kMarginMm), mm(kMarginMm), page.width() - 2 * mm(kMarginMm),
                      page.height() - 2 * mm(kMarginMm) - mm(6));
        y = area.top();
        footer();
    }

    QRectF area;
    double y = 0;

    void new_page()
    {
        writer.newPage();
        ++page;
        y = area.top();
        footer();
    }

    // Room for `height` below the cursor, on a new page if need be.
    void need(double height)
    {
        if (y + height > area.bottom())
            new_page();
    }

    void line(const QString &text, double points, const QColor &colour = Qt::black,
              bool bold = false)
    {
        QFont font = text_font(points, bold);
        const QFontMetricsF metrics(font, &writer);
        const QRectF bounds = metrics.boundingRect(area, Qt::TextWordWrap, text);
        need(bounds.height());
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QRectF(area.left(), y, area.width(), bounds.height()), Qt::TextWordWrap,
                         text);
        y += bounds.height() + metrics.height() * 0.25;
    }

private:
    void footer()
    {
        QFont font = text_font(kTablePoints);
        painter.setFont(font);
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(area.left(), area.bottom() + mm(2), area.width(), mm(5)),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("地图验收报告 · 第 %1 页").arg(page));
    }

    QPdfWriter &writer;
    QPainter &painter;
    int page = 1;
};

struct Column {
    QString heading;
    double width_mm;
};

// `lines` (separated by QChar::LineSeparator) right-aligned in a column
// `width` wide, one every `row_height` down from `top_left`.
void draw_cells(QPainter &painter, const QFont &font, const QString &lines, QPointF top_left,
                double width, double row_height)
{
    QTextLayout layout(lines, font, painter.device());
    QTextOption option(Qt::AlignRight);
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    const QFontMetricsF metrics(font, painter.device());
    // Centred in its row as Qt::AlignVCenter would.
    const double offset = (row_height - metrics.height()) / 2;
    for (int k = 0;; ++k) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, k * row_height + offset));
    }
    layout.endLayout();
    layout.draw(&painter, top_left);
}

// A table of `rows` rows in as many blocks side by side as fit across the
// page, each block filled top to bottom, then the next page: 20000 tags
// take about a hundred pages, every one of them listed. Headings may take
// two lines ("表中\nx").
void draw_table(Pages &pages, QPainter &painter, QPdfWriter &writer, const QString &title,
                const QVector<Column> &columns, int rows,
                const std::function<QStringList(int)> &row_texts)
{
    // A heading is not left at a page's foot without its first rows.
    pages.need(mm(20));
    pages.line(QStringLiteral("%1（%2）").arg(title).arg(rows), kBodyPoints + 1, Qt::black, true);
    if (rows == 0) {
        pages.line(QStringLiteral("无"), kBodyPoints);
        return;
    }
    const QFont font = text_font(kTablePoints);
    const QFontMetricsF metrics(font, &writer);
    // The font's line height has room for Chinese text; the rows hold digits.
    const double row_height = metrics.capHeight() * 1.7;
    const double heading_height = row_height * 2;
    double block_width = 0;
    for (const Column &column : columns)
        block_width += mm(column.width_mm);
    const double gap = mm(4);
    const int blocks = std::max(1, int((pages.area.width() + gap) / (block_width + gap)));

    int next = 0;
    while (next < rows) {
        pages.need(heading_height + row_height * 2);
        const int per_block = int((pages.area.bottom() - pages.y - heading_height) / row_height);
        painter.setFont(font);
        painter.setPen(Qt::black);
        for (int block = 0; block < blocks && next < rows; ++block) {
            const double left = pages.area.left() + block * (block_width + gap);
            double x = left;
            for (const Column &column : columns) {
                painter.drawText(QRectF(x, pages.y, mm(column.width_mm) - mm(0.8), heading_height),
                                 Qt::AlignRight | Qt::AlignBottom, column.heading);
                x += mm(column.width_mm);
            }
            double y = pages.y + heading_height;
            painter.drawLine(QPointF(left, y), QPointF(left + block_width, y));
            // One laid-out text per column of the block, its lines placed
            // on the rows: a cell at a time, 20000 tags cost 200000 layouts.
            QVector<QString> cells(columns.size());
            int in_block = 0;
            for (; in_block < per_block && next < rows; ++in_block, ++next) {
                const QStringList texts = row_texts(next);
                for (int c = 0; c < columns.size(); ++c) {
                    if (in_block > 0)
                        cells[c] += QChar(QChar::LineSeparator);
                    cells[c] += texts.value(c);
                }
            }
            x = left;
            for (int c = 0; c < columns.size(); ++c) {
                const double width = mm(columns[c].width_mm) - mm(0.8);
                draw_cells(painter, font, cells.at(c), QPointF(x, y), width, row_height);
                x += mm(columns[c].width_mm);
            }
        }
        if (next < rows)
            pages.new_page();
        else
            pages.y += heading_height + std::min(per_block, rows) * row_height + row_height;
    }
}

QStringList record_texts(const TagRecord &r, bool with_id)
{
    QStringList texts;
    if (with_id)
        texts << QString::number(r.id);
    texts << QString::number(r.x_cm) << QString::number(r.y_cm) << QString::number(r.side_mm)
          << QString::number(r.angle_deg);
    return texts;
}

void draw_heading(Pages &pages, const CommissioningReport &c)
{
    pages.line(QStringLiteral("地图验收报告"), 18, Qt::black, true);
    pages.line(
        QStringLiteral("日期时间：%1").arg(c.made.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
        kBodyPoints);
    pages.line(QStringLiteral("串口：%1    适配器序列号：%2")
                   .arg(c.port.isEmpty() ? QStringLiteral("—") : c.port,
                        c.serial_number.isEmpty() ? QStringLiteral("—") : c.serial_number),
               kBodyPoints);
    pages.line(QStringLiteral("地图来源：%1")
                   .arg(c.map_source.isEmpty() ? QStringLiteral("—") : c.map_source),
               kBodyPoints);
    pages.line(QStringLiteral("地图指纹：%1")
                   .arg(c.map_fingerprint.isEmpty() ? QStringLiteral("—") : c.map_fingerprint),
               kBodyPoints);
    if (!c.map_transferred.isEmpty())
        pages.line(QStringLiteral("地图传输时间（UTC）：%1").arg(c.map_transferred), kBodyPoints);
    else
        pages.line(QStringLiteral("传输记录中没有此串口上完成的传输。"), kBodyPoints);
    if (!c.session.isEmpty())
        pages.line(QStringLiteral("会话文件：%1").arg(c.session), kBodyPoints);
    if (c.incomplete)
        pages.line(QStringLiteral("不完整：会话文件在中途被截断，本报告只包含截断之前记录的内容。"),
                   kBodyPoints, QColor(200, 0, 0), true);
}

void draw_legend(Pages &pages, QPainter &painter, QPdfWriter &writer)
{
    QFont font = text_font(kTablePoints + 1);
    const QFontMetricsF metrics(font, &writer);
    const double h = metrics.height();
    pages.need(h * 1.5);
    painter.setFont(font);
    const std::pair<QColor, QString> entries[] = {
        {confirmed_colour(), QStringLiteral("已确认")},
        {different_colour(), QStringLiteral("不同")},
        {unknown_colour(), QStringLiteral("表中没有")},
        {unseen_colour(), QStringLiteral("尚未看到（空心）")},
        {QColor(0, 90, 230), QStringLiteral("轨迹")}};
    double x = pages.area.left();
    for (const auto &entry : entries) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(entry.first);
        painter.drawRect(QRectF(x, pages.y + h * 0.2, h * 0.6, h * 0.6));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x + h, pages.y + metrics.ascent()), entry.second);
        x += h * 1.5 + metrics.horizontalAdvance(entry.second);
    }
    painter.setBrush(Qt::NoBrush);
    pages.y += h * 1.5;
}

void draw_figures(Pages &pages, const CommissioningReport &c)
{
    const FloorCheck::Counts counts = c.floor.counts(c.transfer_limit);
    pages.line(QStringLiteral("标签"), kBodyPoints + 1, Qt::black, true);
    pages.line(QStringLiteral("已确认 %1 / %2    不同 %3    表中没有 %4    尚未看到 %5    "
                              "（传输上限内的标签：前 %6 行）")
                   .arg(counts.confirmed)
                   .arg(counts.total())
                   .arg(counts.different)
                   .arg(counts.unknown)
                   .arg(counts.unseen)
                   .arg(c.transfer_limit),
               kBodyPoints);
    const SteadinessFigures &s = c.steadiness;
    pages.line(QStringLiteral("位置稳定性（最近 %1 秒的位置报告）").arg(number(s.window_s, 1)),
               kBodyPoints + 1, Qt::black, true);
    pages.line(QStringLiteral("报告频率 %1 Hz（%2 个报告）    x 标准差 %3 cm    y 标准差 %4 cm    "
                              "角度标准差 %5°    最长间隔 %6 s")
                   .arg(number(s.rate_hz, 1))
                   .arg(s.reports)
                   .arg(number(s.sd_x_cm, 2))
                   .arg(number(s.sd_y_cm, 2))
                   .arg(number(s.sd_rotation_deg, 2))
                   .arg(number(s.longest_gap_s, 3)),
               kBodyPoints);
    pages.line(QStringLiteral("未采用的帧 %1（共 %2）    错误报告 %3（共 %4）    位置报告共 %5")
                   .arg(s.not_applied)
                   .arg(s.not_applied_total)
                   .arg(s.errors)
                   .arg(s.errors_total)
                   .arg(s.reports_total),
               kBodyPoints);
    pages.line(QStringLiteral("相机计数器：%1")
                   .arg(c.counters_known
                            ? QStringLiteral("%1 / %2").arg(c.first_count).arg(c.second_count)
                            : QStringLiteral("相机未报告")),
               kBodyPoints);
}

} // namespace

QString report_font_family()
{
    // fonts-noto-cjk: the font the package's window texts use as well.
    return QStringLiteral("Noto Sans CJK SC");
}

bool write_report_pdf(const CommissioningReport &content, const QString &path, QString *error)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(kDotsPerInch);
    writer.setTitle(QStringLiteral("地图验收报告"));
    writer.setCreator(QStringLiteral("poscam"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    Pages pages(writer, painter);
    draw_heading(pages, content);

    const double picture_height =
        std::min(pages.area.width() * 0.72, pages.area.bottom() - pages.y - mm(70));
    const QRectF picture(pages.area.left(), pages.y, pages.area.width(), picture_height);
    QFont small = text_font(kTablePoints + 1);
    painter.setFont(small);
    draw_floor_picture(painter, picture, content);
    pages.y += picture_height + mm(2);
    draw_legend(pages, painter, writer);
    draw_figures(pages, content);

    const int limit = content.transfer_limit;
    const QVector<FloorCheck::Listed> different = content.floor.different_tags(limit);
    const QVector<Column> compare_columns = {
        {QStringLiteral("行"), 8},         {QStringLiteral("编号"), 8},
        {QStringLiteral("表中\nx"), 9},    {QStringLiteral("表中\ny"), 9},
        {QStringLiteral("表中\n边长"), 8}, {QStringLiteral("表中\n角度"), 8},
        {QStringLiteral("相机\nx"), 9},    {QStringLiteral("相机\ny"), 9},
        {QStringLiteral("相机\n边长"), 8}, {QStringLiteral("相机\n角度"), 8}};
    draw_table(pages, painter, writer, QStringLiteral("不同的标签"), compare_columns,
               different.size(), [&](int k) {
                   const FloorCheck::Listed &tag = different.at(k);
                   return QStringList{QString::number(tag.row + 1)} +
                          record_texts(tag.table, true) + record_texts(tag.camera, false);
               });

    const QVector<FloorCheck::Listed> unknown = content.floor.unknown_tags();
    const QVector<Column> tag_columns = {{QStringLiteral("编号"), 10},
                                         {QStringLiteral("x"), 11},
                                         {QStringLiteral("y"), 11},
                                         {QStringLiteral("边长"), 9},
                                         {QStringLiteral("角度"), 9}};
    draw_table(pages, painter, writer, QStringLiteral("表中没有的标签（相机的值）"), tag_columns,
               unknown.size(), [&](int k) { return record_texts(unknown.at(k).camera, true); });

    const QVector<FloorCheck::Listed> unseen = content.floor.unseen_tags(limit);
    QVector<Column> row_columns = {{QStringLiteral("行"), 8}};
    row_columns += tag_columns;
    draw_table(pages, painter, writer, QStringLiteral("尚未看到的标签"), row_columns, unseen.size(),
               [&](int k) {
                   const FloorCheck::Listed &tag = unseen.at(k);
                   return QStringList{QString::number(tag.row + 1)} + record_texts(tag.table, true);
               });

    if (!painter.end()) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    // QPdfWriter says nothing of a file it could not create.
    if (!QFile::exists(path) || QFile(path).size() == 0 ||
        !map_radicals_to_ideographs(path, report_font_family())) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

} // namespace report
