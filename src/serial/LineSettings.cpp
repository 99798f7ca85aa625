// SPDX-License-Identifier: MIT
#include "serial/LineSettings.h"

#include <algorithm>
#include <iterator>

namespace qie {
namespace {

constexpr qint32 kBaudRates[]
    = { 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200, 230400 };

struct ParityLetter
{
    char letter;
    QSerialPort::Parity parity;
};
constexpr ParityLetter kParityLetters[] = {
    { 'n', QSerialPort::NoParity },    { 'e', QSerialPort::EvenParity },
    { 'o', QSerialPort::OddParity },   { 'm', QSerialPort::MarkParity },
    { 's', QSerialPort::SpaceParity },
};

} // namespace

bool LineSettings::isValid() const
{
    const bool knownParity = std::any_of(std::begin(kParityLetters), std::end(kParityLetters),
                                         [this](const auto &p) { return p.parity == parity; });
    return std::find(std::begin(kBaudRates), std::end(kBaudRates), baudRate) != std::end(kBaudRates)
        && knownParity && dataBits >= QSerialPort::Data5 && dataBits <= QSerialPort::Data8
        && (stopBits == QSerialPort::OneStop || stopBits == QSerialPort::TwoStop);
}

QString LineSettings::toText() const
{
    const auto *found = std::find_if(std::begin(kParityLetters), std::end(kParityLetters),
                                     [this](const auto &p) { return p.parity == parity; });
    const QChar letter
        = found == std::end(kParityLetters) ? QLatin1Char('?') : QLatin1Char(found->letter);
    const QString stop = stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                                                                 : QString::number(stopBits);
    return QStringLiteral("%1,%2,%3,%4").arg(baudRate).arg(letter).arg(dataBits).arg(stop);
}

std::chrono::milliseconds LineSettings::wireTime(qint64 bytes) const
{
    const qint64 bitsPerByte = 1 + dataBits + (parity == QSerialPort::NoParity ? 0 : 1)
        + (stopBits == QSerialPort::TwoStop ? 2 : 1);
    return std::chrono::milliseconds((bytes * bitsPerByte * 1000 + baudRate - 1) / baudRate);
}

} // namespace qie
