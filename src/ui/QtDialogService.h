// SPDX-License-Identifier: MIT
#pragma once

#include "ui/DialogService.h"

class QFileDialog;

namespace qie {

// The real boxes and dialogs, modal over the active window.
class QtDialogService : public DialogService
{
public:
    bool ask(const QString &title, const QString &question) override;
    void warn(const QString &title, const QString &text) override;
    void error(const Error &error) override;
    FileChoice fileDialog(const FileRequest &request) override;
    void beep() override;
    void showDrain(Drain &drain) override;
    std::optional<PictureChoice> chooseText() override;
    std::optional<PictureChoice> chooseImport(const QString &path) override;
    std::optional<ExportChoice> chooseExport(const QString &folder) override;

    // Sets up `dialog` as fileDialog shows it for `request`: its kind, filter, start folder and
    // proposed name, and the suffix of the filter entry chosen, which follows the choice.
    static void prepare(QFileDialog &dialog, const FileRequest &request);
    // The suffix a filter entry adds to a name typed without one: "txt" for "Text (*.txt)",
    // nothing for an entry of several patterns or of any other kind ("(*.*)", "(*)").
    static QString defaultSuffix(const QString &filterEntry);
    std::optional<NetworkAddress> chooseNetworkPort(int number) override;
    std::optional<SendLine> chooseSendLine(const QStringList &history, SendLine::End end) override;
};

} // namespace qie
