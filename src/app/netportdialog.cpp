#include "app/netportdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

NetPortDialog::NetPortDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("添加网络串口"));
    auto *form = new QFormLayout(this);
    host = new QLineEdit(this);
    host->setObjectName(QStringLiteral("host"));
    form->addRow(QStringLiteral("主机"), host);
    port = new QSpinBox(this);
    port->setObjectName(QStringLiteral("port"));
    port->setRange(1, 65535);
    // ser2net's own examples start at 2000.
    port->setValue(2000);
    form->addRow(QStringLiteral("端口"), port);
    kind = new QComboBox(this);
    kind->setObjectName(QStringLiteral("kind"));
    kind->addItem(QStringLiteral("TCP"), int(netport::NetAddress::Kind::Tcp));
    kind->addItem(QStringLiteral("RFC 2217"), int(netport::NetAddress::Kind::Rfc2217));
    form->addRow(QStringLiteral("类型"), kind);
    reason = new QLabel(this);
    reason->setObjectName(QStringLiteral("reason"));
    reason->setWordWrap(true);
    form->addRow(reason);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(host, &QLineEdit::textChanged, this, &NetPortDialog::update_state);
    connect(port, QOverload<int>::of(&QSpinBox::valueChanged), this, &NetPortDialog::update_state);
    connect(kind, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &NetPortDialog::update_state);
    update_state();
}

QString NetPortDialog::entered_text() const
{
    netport::NetAddress entered;
    entered.kind = netport::NetAddress::Kind(kind->currentData().toInt());
    entered.host = host->text().trimmed();
    entered.port = quint16(port->value());
    return entered.text();
}

std::optional<netport::NetAddress> NetPortDialog::address() const
{
    return netport::parse_address(entered_text()).address;
}

void NetPortDialog::update_state()
{
    const QString text = entered_text();
    const netport::ParsedAddress parsed = netport::parse_address(text);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(bool(parsed.address));
    reason->setText(parsed.address || host->text().isEmpty()
                        ? QString()
                        : netport::address_error_text_zh(parsed.error, text));
}
