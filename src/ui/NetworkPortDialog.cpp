// SPDX-License-Identifier: MIT
#include "ui/NetworkPortDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qie {

NetworkPortDialog::NetworkPortDialog(int number, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Network port as port %1").arg(number));
    m_host = new QLineEdit(this);
    m_host->setPlaceholderText(tr("name or address"));
    m_port = new QSpinBox(this);
    m_port->setRange(1, 65535);
    m_port->setValue(2217);
    m_protocol = new QComboBox(this);
    m_protocol->addItem(tr("RFC 2217 (line settings sent to the server)"),
                        int(NetworkAddress::Protocol::Rfc2217));
    m_protocol->addItem(tr("Raw TCP (bytes only)"), int(NetworkAddress::Protocol::Raw));
    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);

    auto *form = new QFormLayout;
    form->addRow(tr("&Host:"), m_host);
    form->addRow(tr("&Port:"), m_port);
    form->addRow(tr("P&rotocol:"), m_protocol);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(m_host, &QLineEdit::textChanged, this, &NetworkPortDialog::check);
    connect(m_port, &QSpinBox::valueChanged, this, &NetworkPortDialog::check);
    connect(m_protocol, &QComboBox::currentIndexChanged, this, &NetworkPortDialog::check);
    check();
}

std::optional<NetworkAddress> NetworkPortDialog::address() const
{
    // Written out and read back, so that the dialog takes exactly the hosts a typed address
    // may hold.
    const NetworkAddress typed { NetworkAddress::Protocol(m_protocol->currentData().toInt()),
                                 m_host->text().trimmed(), quint16(m_port->value()) };
    const auto parsed = NetworkAddress::parse(typed.toString());
    if (const auto *address = std::get_if<NetworkAddress>(&parsed))
        return *address;
    return std::nullopt;
}

void NetworkPortDialog::check()
{
    const std::optional<NetworkAddress> made = address();
    m_ok->setEnabled(made.has_value());
    if (made)
        m_status->setText(made->toString());
    else if (m_host->text().trimmed().isEmpty())
        m_status->setText(tr("Type the host of the network serial server."));
    else
        m_status->setText(tr("\"%1\" is not a host name or an address.").arg(m_host->text()));
}

} // namespace qie
