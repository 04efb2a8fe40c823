#pragma once

#include <QWidget>

class MainWindow;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

// "地图验收": how much of the floor the camera's mode-2 reports have proved,
// and how steady the position is. While it is open the tags not yet seen are
// drawn hollow on the map. Refreshed twice a second: the reports arrive
// hundreds of times a second, the operator reads a figure once in a while.
class CoverageWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 500;

    explicit CoverageWindow(MainWindow &window);

    // The figures as they stand now; the timer calls it.
    void refresh();

    QProgressBar *confirmed_bar() const
    {
        return bar;
    }
    QLabel *counts_label() const
    {
        return counts;
    }
    QLabel *steadiness_label() const
    {
        return steadiness;
    }
    QTableWidget *different_list() const
    {
        return different;
    }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void fill_different();
    void start_again();
    void save_report();
    void different_clicked(int list_row);

    MainWindow &window;
    QProgressBar *bar = nullptr;
    QLabel *counts = nullptr;
    QLabel *steadiness = nullptr;
    QTableWidget *different = nullptr;
    QTimer *timer = nullptr;
    bool floor_changed = true;
    int shown_limit = -1;
};
