#include "operatorsteps.h"

#include "ui_mainwindowform.h"

#include <QFileDialog>
#include <QTest>
#include <memory>

namespace operator_steps
{

void connect_to(MainWindow &window, const QString &port, SeenModal *seen)
{
    QComboBox *box = window.ui->SerialPortBox;
    if (box->findText(port) < 0)
        box->addItem(port);
    box->setCurrentIndex(box->findText(port));
    accept_next_message_box(seen);
    QTest::mouseClick(window.ui->com_connectBtn, Qt::LeftButton);
}

bool import_workbook(MainWindow &window, const QString &path)
{
    auto file_chosen = std::make_shared<bool>(false);
    on_next_modal([path, file_chosen](QWidget *question) {
        // The file dialogue comes up inside the same click, once the question
        // has been answered.
        on_next_modal([path, file_chosen](QWidget *w) {
            if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
                dialog->selectFile(path);
                static_cast<QDialog *>(dialog)->accept();
                *file_chosen = true;
                return;
            }
            w->close();
        });
        auto *box = qobject_cast<QMessageBox *>(question);
        if (box && box->button(QMessageBox::Yes))
            box->button(QMessageBox::Yes)->click();
        else
            question->close();
    });
    QTest::mouseClick(window.ui->input_excel, Qt::LeftButton);
    return *file_chosen;
}

void set_limit(MainWindow &window, int limit)
{
    window.ui->transportNum_edit->setText(QString::number(limit));
    QTest::mouseClick(window.ui->transportNum_Btn, Qt::LeftButton);
}

void clear_all(MainWindow &window, QMessageBox::StandardButton answer)
{
    answer_next_message_box(answer);
    QTest::mouseClick(window.ui->all_clear, Qt::LeftButton);
}

void type_row(MainWindow &window, int row, const QStringList &cells)
{
    for (int column = 0; column < cells.size(); ++column) {
        QTableWidgetItem *item = window.ui->tableWidget->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            window.ui->tableWidget->setItem(row, column, item);
        }
        item->setText(cells.at(column));
    }
}

} // namespace operator_steps
