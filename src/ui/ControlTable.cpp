// SPDX-License-Identifier: MIT
#include "ui/ControlTable.h"

#include "ui/CellGrid.h"
#include "ui/DataLabel.h"
#include "ui/Fonts.h"
#include "ui/ReceiveArea.h"
#include "ui/Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <vector>

namespace qie::ControlTable {
namespace {

QWidget *make(const Control &c, QWidget *container)
{
    const QString caption = QString::fromUtf8(c.caption);
    switch (c.kind) {
    case Kind::Label:
    case Kind::AutoSizeLabel:
    case Kind::DataLabel: {
        auto *label = c.kind == Kind::DataLabel ? new DataLabel(container) : new QLabel(container);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setText(caption);
        return label;
    }
    case Kind::Grid:
        return new CellGrid(container);
    case Kind::Frame:
        return new QGroupBox(caption, container);
    case Kind::TextBox: {
        auto *box = new QLineEdit(container);
        box->setMaxLength(c.maxLength);
        box->setText(caption);
        return box;
    }
    case Kind::Button: {
        auto *button = new QPushButton(caption, container);
        // Enter presses the button that has the focus, as on the platform the layout was
        // made for; Qt does that only for auto-default buttons.
        button->setAutoDefault(true);
        return button;
    }
    case Kind::ReceiveArea:
        return new ReceiveArea(container);
    }
    return nullptr;
}

} // namespace

void build(QWidget &window, std::span<const Control> table)
{
    std::vector<std::pair<int, QWidget *>> tabOrder;
    for (const Control &c : table) {
        QWidget *container
            = c.container ? window.findChild<QWidget *>(QLatin1String(c.container)) : &window;
        QWidget *widget = make(c, container);
        widget->setObjectName(QLatin1String(c.name));
        widget->setProperty("twips", c.twips);
        widget->setGeometry(Twips::toPixels(c.twips));
        switch (c.font) {
        case FontOf::Container:
            break;
        case FontOf::Window:
            widget->setFont(Fonts::window());
            break;
        case FontOf::Heading:
            widget->setFont(Fonts::heading());
            break;
        case FontOf::Data:
            widget->setFont(Fonts::data());
            break;
        }
        if (c.kind == Kind::AutoSizeLabel)
            widget->adjustSize();
        tabOrder.emplace_back(c.tabIndex, widget);
    }

    std::stable_sort(tabOrder.begin(), tabOrder.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QWidget *previous = nullptr;
    for (const auto &[index, widget] : tabOrder) {
        if (!(widget->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

} // namespace qie::ControlTable
