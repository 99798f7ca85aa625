// SPDX-License-Identifier: MIT
#include "ui/PictureEditor.h"

#include "files/CodePage.h"
#include "files/DataFile.h"
#include "images/ImageExport.h"
#include "images/ImageImport.h"
#include "model/PastedText.h"
#include "ui/DialogService.h"
#include "ui/EditCommand.h"
#include "ui/RecentFolders.h"

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

// Every image format the import reads, by its usual suffix, and anything else.
QString imageFilter()
{
    QStringList patterns;
    for (const QByteArray &suffix : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
    return QStringLiteral("Images (%1);;All files (*)").arg(patterns.join(u' '));
}

} // namespace

PictureEditor::PictureEditor(Document &document, DialogService &dialogs, QObject *parent)
    : QObject(parent), m_document(document), m_dialogs(dialogs)
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
    Document::Snapshot before = m_document.snapshot();
    edit();
    pushStep(text, std::move(before));
}

void PictureEditor::pushStep(const QString &text, Document::Snapshot before)
{
    Document::Snapshot after = m_document.snapshot();
    if (after != before)
        m_undo.push(new EditCommand(m_document, text, std::move(before), std::move(after)));
}

void PictureEditor::click(int cell)
{
    perform(tr("Click"), [&] { m_document.picField_Click(cell); });
}

void PictureEditor::beginStroke(int cell)
{
    endStroke();
    m_strokeBefore = m_document.snapshot();
    m_stroke.emplace(m_document, cell);
}

void PictureEditor::moveStroke(int cell)
{
    // The data text follows each move that changed a cell, so it never lags behind the grid.
    if (m_stroke && m_stroke->moveTo(cell))
        m_document.UpdateDataText();
}

void PictureEditor::endStroke()
{
    if (!m_stroke)
        return;
    m_stroke.reset();
    pushStep(tr("Stroke"), *std::exchange(m_strokeBefore, std::nullopt));
}

void PictureEditor::transform(PictureEdit::Transform transform)
{
    perform(tr("Transform"), [&] {
        m_document.setPicture(
            PictureEdit::apply(transform, m_document.picture(), m_document.openColumns()));
        m_document.UpdateDataText();
    });
}

void PictureEditor::copy()
{
    auto *data = new QMimeData;
    data->setText(CodePage::decode(QByteArrayView(m_document.sendData())));
    data->setImageData(ImageExport::toImage(m_document.picture(), 1));
    QGuiApplication::clipboard()->setMimeData(data);
}

void PictureEditor::paste()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    // A text longer than a load reads is no data text; it is not even converted.
    if (data && data->hasText() && data->text().size() <= DataFile::kMaxLoadBytes) {
        const auto lines = PastedText::parse(data->text().toStdString(), m_document.callsignText());
        if (lines)
            return perform(tr("Paste"), [&] { m_document.paste(*lines); });
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

void PictureEditor::chooseText()
{
    applyChoice(tr("Text"), m_dialogs.chooseText());
}

void PictureEditor::chooseImport()
{
    const QString path = RecentFolders::choose(m_dialogs, RecentFolders::Group::Images,
                                               FileRequest::Mode::Open, imageFilter())
                             .path;
    if (!path.isEmpty())
        importFile(path);
}

void PictureEditor::importFile(const QString &path)
{
    applyChoice(tr("Import image"), m_dialogs.chooseImport(path));
}

void PictureEditor::applyChoice(const QString &text, const std::optional<PictureChoice> &choice)
{
    if (!choice)
        return;
    perform(text, [&] { m_document.applyPicture(choice->picture, choice->widthBytes); });
}

void PictureEditor::exportImage()
{
    const auto choice = m_dialogs.chooseExport(RecentFolders::folder(RecentFolders::Group::Images));
    if (!choice)
        return;
    RecentFolders::remember(RecentFolders::Group::Images, choice->path);
    QString error;
    if (!ImageExport::savePng(m_document.picture(), choice->scale, choice->path, &error))
        m_dialogs.warn(kExportTitle, error);
}

} // namespace qie
