// SPDX-License-Identifier: MIT
#pragma once

#include "serial/NetworkAddress.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace qie {

// The network serial port to pin as a port number: the server's host, its TCP port and whether
// it speaks RFC 2217 or passes bytes only. OK stays disabled, and the line below says why,
// until the three make an address.
class NetworkPortDialog : public QDialog
{
    Q_OBJECT
public:
    explicit NetworkPortDialog(int number, QWidget *parent = nullptr);

    // The address the fields make now, if they make one.
    std::optional<NetworkAddress> address() const;

    QLineEdit *hostBox() const { return m_host; }
    QSpinBox *portBox() const { return m_port; }
    QComboBox *protocolBox() const { return m_protocol; }
    QLabel *statusLabel() const { return m_status; }
    QPushButton *okButton() const { return m_ok; }

private:
    void check();

    QLineEdit *m_host = nullptr;
    QSpinBox *m_port = nullptr;
    QComboBox *m_protocol = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_ok = nullptr;
};

} // namespace qie
