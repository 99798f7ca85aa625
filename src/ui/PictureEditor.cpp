// SPDX-License-Identifier: MIT
#include "ui/PictureEditor.h"

#include "files/CodePage.h"
#include "images/ImageExport.h"
#include "images/ImageImport.h"
#include "model/PastedText.h"
#include "ui/DialogService.h"
#include "ui/EditCommand.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>

namespace qie {
namespace {

const QString kPasteTitle = QStringLiteral("Paste");
const QString kExportTitle = QStringLiteral("Export image");

// The first image type on the clipboard that the import reads, in the order offered.
QString offeredImageType(const QMimeData &data)
{
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString &type : data.formats()) {
        if (type.startsWith(QLatin1String("image/")) && readable.contains(type.toLatin1()))
            return type;
    }
    return QString();
}

} // namespace

PictureEditor::PictureEditor(EditorSession &session, DialogService &dialogs, QObject *parent)
    : QObject(parent), m_session(session), m_dialogs(dialogs)
{
    m_undo.setUndoLimit(kUndoLimit);
}

void PictureEditor::undo()
{
    endStroke();
    m_undo.undo();
}

void PictureEditor::redo()
{
    endStroke();
    m_undo.redo();
}

void PictureEditor::perform(const QString &text, const std::function<void()> &edit)
{
    endStroke();
    EditorSession::State before = m_session.state();
    edit();
    EditorSession::State after = m_session.state();
    if (after != before)
        m_undo.push(new EditCommand(m_session, text, std::move(before), std::move(after)));
}

void PictureEditor::click(int cell)
{
    perform(tr("Click"), [&] { m_session.imageModel().picField_Click(cell); });
}

void PictureEditor::beginStroke(int cell)
{
    endStroke();
    m_strokeBefore = m_session.state();
    m_stroke.emplace(m_session.imageModel(), cell);
}

void PictureEditor::moveStroke(int cell)
{
    // The data text follows each move that changed a cell, so it never lags behind the grid.
    if (m_stroke && m_stroke->moveTo(cell))
        m_session.imageModel().UpdateDataText();
}

void PictureEditor::endStroke()
{
    if (!m_stroke)
        return;
    m_stroke.reset();
    EditorSession::State before = *std::exchange(m_strokeBefore, std::nullopt);
    EditorSession::State after = m_session.state();
    if (after != before)
        m_undo.push(new EditCommand(m_session, tr("Stroke"), std::move(before), std::move(after)));
}

void PictureEditor::transform(PictureEdit::Transform transform)
{
    perform(tr("Transform"), [&] {
        Document &model = m_session.imageModel();
        model.setPicture(PictureEdit::apply(transform, model.picture(), model.openColumns()));
        model.UpdateDataText();
    });
}

void PictureEditor::copy()
{
    auto *data = new QMimeData;
    data->setText(CodePage::decode(m_session.state().data));
    data->setImageData(ImageExport::toImage(m_session.imageModel().picture(), 1));
    QGuiApplication::clipboard()->setMimeData(data);
}

void PictureEditor::paste()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    // A text longer than a load reads is no data text; it is not even converted.
    if (data && data->hasText() && data->text().size() <= DataFile::kMaxLoadBytes) {
        const auto lines = PastedText::parse(data->text().toStdString(),
                                             m_session.state().callsign.toStdString());
        if (lines)
            return pasteLines(*lines);
    }
    const auto pasteImage = [this](const ImportResult &imported) {
        if (!imported.error.isEmpty())
            return m_dialogs.warn(kPasteTitle, imported.error);
        applyChoice(tr("Paste"), PictureChoice { imported.picture, imported.widthBytes });
        if (!imported.notes.isEmpty())
            m_dialogs.warn(kPasteTitle, imported.notes.join(u'\n'));
    };
    // Another program's image is read from the bytes it offers, as a file would be: its size is
    // checked before it is decoded, and a drawing passes the same guard. Only an image this
    // program put there is taken as the decoded image.
    if (data) {
        if (const QString offered = offeredImageType(*data); !offered.isEmpty())
            return pasteImage(ImageImport::fromData(data->data(offered)));
        if (data->hasImage())
            return pasteImage(ImageImport::fromImage(qvariant_cast<QImage>(data->imageData())));
    }
    m_dialogs.warn(
        kPasteTitle,
        QStringLiteral(
            "The clipboard holds neither a data text nor an image. Nothing was pasted."));
}

void PictureEditor::pasteLines(const Document::Lines &lines)
{
    // The lines as a file in the system's code page would hold them. A callsign line that shows
    // as the callsign box does (the rows alone keep it) keeps the bytes behind the box.
    const QByteArray callsignBytes = m_session.state().fileCallsign;
    LoadedFile loaded;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        loaded.lines[i] = QString::fromStdString(lines[i]);
        loaded.lineBytes[i] = i == 0 ? CodePage::bytesShowing(callsignBytes, loaded.lines[i])
                                     : CodePage::encode(loaded.lines[i]);
        loaded.sendBytes += loaded.lineBytes[i] + "\r\n";
    }
    perform(tr("Paste"), [&] { m_session.applyLines(loaded); });
}

void PictureEditor::chooseText()
{
    applyChoice(tr("Text"), m_dialogs.chooseText());
}

void PictureEditor::chooseImport()
{
    applyChoice(tr("Import image"), m_dialogs.chooseImport());
}

void PictureEditor::applyChoice(const QString &text, const std::optional<PictureChoice> &choice)
{
    if (!choice)
        return;
    perform(text,
            [&] { m_session.imageModel().applyPicture(choice->picture, choice->widthBytes); });
}

void PictureEditor::exportImage()
{
    const auto choice = m_dialogs.chooseExport();
    if (!choice)
        return;
    QString error;
    if (!ImageExport::savePng(m_session.imageModel().picture(), choice->scale, choice->path,
                              &error))
        m_dialogs.warn(kExportTitle, error);
}

} // namespace qie
