// SPDX-License-Identifier: MIT
#include "serial/PortPins.h"

#include "common/Settings.h"

namespace qie {
namespace {

const QString kGroup = QStringLiteral("pinnedPorts");

} // namespace

QMap<int, PortPins::Pin> PortPins::load()
{
    QMap<int, Pin> pins;
    const auto settings = Settings::open();
    if (!settings)
        return pins;
    settings->beginGroup(kGroup);
    for (const QString &key : settings->childGroups()) {
        bool ok = false;
        const int number = key.toInt(&ok);
        const QString identity = settings->value(key + QStringLiteral("/identity")).toString();
        if (ok && !identity.isEmpty())
            pins.insert(number,
                        { identity, settings->value(key + QStringLiteral("/name")).toString() });
    }
    return pins;
}

void PortPins::pin(int number, const Pin &pin)
{
    const auto settings = Settings::open();
    if (!settings)
        return;
    settings->beginGroup(kGroup);
    // One adapter has one number: pinning it again moves it.
    for (const QString &key : settings->childGroups()) {
        if (settings->value(key + QStringLiteral("/identity")).toString() == pin.identity)
            settings->remove(key);
    }
    settings->setValue(QStringLiteral("%1/identity").arg(number), pin.identity);
    settings->setValue(QStringLiteral("%1/name").arg(number), pin.name);
}

void PortPins::unpin(int number)
{
    const auto settings = Settings::open();
    if (!settings)
        return;
    settings->beginGroup(kGroup);
    settings->remove(QString::number(number));
}

} // namespace qie
