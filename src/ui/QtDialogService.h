// SPDX-License-Identifier: MIT
#pragma once

#include "ui/DialogService.h"

namespace qie {

// The real boxes and dialogs, modal over the active window.
class QtDialogService : public DialogService
{
public:
    bool ask(const QString &title, const QString &question) override;
    void warn(const QString &title, const QString &text) override;
    void error(const Error &error) override;
    QString fileDialog(FileMode mode, const QString &filter) override;
    void beep() override;
    void showDrain(Drain &drain) override;
    std::optional<PictureChoice> chooseText() override;
    std::optional<PictureChoice> chooseImport() override;
    std::optional<ExportChoice> chooseExport() override;
    std::optional<NetworkAddress> chooseNetworkPort(int number) override;
    std::optional<SendLine> chooseSendLine(const QStringList &history, SendLine::End end) override;
};

} // namespace qie
