#pragma once

#include "netport/netaddress.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// "添加网络串口": the host, the port and the kind (TCP or RFC 2217) of a
// serial port that a serial-to-network server brings out. "确定" stays
// disabled while the address is refused, and the reason is shown.
class NetPortDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NetPortDialog(QWidget *parent);

    // The address as entered; empty while it is refused.
    std::optional<netport::NetAddress> address() const;

private:
    QString entered_text() const;
    void update_state();

    QLineEdit *host = nullptr;
    QSpinBox *port = nullptr;
    QComboBox *kind = nullptr;
    QLabel *reason = nullptr;
    QDialogButtonBox *buttons = nullptr;
};
