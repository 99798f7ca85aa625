// SPDX-License-Identifier: MIT
#include "serial/LineSettings.h"

#include <QStringList>
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

std::optional<LineSettings> LineSettings::fromText(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;
    LineSettings parsed;
    bool ok = false;
    parsed.baudRate = fields[0].trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;

    const QString parity = fields[1].trimmed().toLower();
    const auto *found
        = std::find_if(std::begin(kParityLetters), std::end(kParityLetters),
                       [&parity](const auto &p) { return parity == QLatin1Char(p.letter); });
    if (found == std::end(kParityLetters))
        return std::nullopt;
    parsed.parity = found->parity;

    const int dataBits = fields[2].trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    parsed.dataBits = static_cast<QSerialPort::DataBits>(dataBits);

    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1"))
        parsed.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("2"))
        parsed.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;

    if (!parsed.isValid())
        return std::nullopt;
    return parsed;
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

} // namespace qie
