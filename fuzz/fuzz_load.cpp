// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "files/CodePage.h"
#include "files/DataFile.h"
#include "model/Characters.h"
#include "model/Document.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace qie;

namespace {

constexpr int kCallsignMaxLength = 12;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The line rule written the plain way, to hold the loader's answer against: every CR ends a
// line and swallows one LF right after it; what follows the last CR is a line of its own
// when the input is complete and it is not empty.
std::vector<QByteArrayView> splitLines(QByteArrayView bytes, bool complete)
{
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r')
            continue;
        lines.push_back(bytes.sliced(start, i - start));
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (complete && start < bytes.size())
        lines.push_back(bytes.sliced(start));
    return lines;
}

} // namespace

// Input: the bytes of a file. They go the whole way of a load: the bounded read, the line
// rule, the width text, the callsign box, DecodeDataText and RefreshCells on a fake window.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView file(data, qsizetype(size));
    const bool complete = file.size() <= DataFile::kMaxLoadBytes;
    const QByteArrayView read = file.first(qMin(file.size(), DataFile::kMaxLoadBytes));
    const QString path = QStringLiteral("/fuzz/input.txt");

    const auto result = DataFile::parse(read, complete, path);
    const std::vector<QByteArrayView> expected = splitLines(read, complete);

    if (const auto *error = std::get_if<Error>(&result)) {
        check(error->description.contains(path));
        if (error->number == kErrOverflow) {
            check(expected.size() >= LoadedFile::kLineCount);
        } else {
            check(error->number == kErrPastEnd);
            check(expected.size() < LoadedFile::kLineCount);
        }
        return 0;
    }
    check(expected.size() >= LoadedFile::kLineCount);
    const LoadedFile &loaded = std::get<LoadedFile>(result);
    QByteArray sendBytes;
    for (int i = 0; i < LoadedFile::kLineCount; ++i) {
        QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless);
        check(loaded.lines[i] == QString(decode(expected[i])));
        // The bytes travel on exactly as read, whatever the code page makes of them.
        check(loaded.lineBytes[i] == expected[i]);
        sendBytes += expected[i].toByteArray() + "\r\n";
    }
    check(loaded.sendBytes == sendBytes);

    const std::string widthLine = loaded.lines[10].toStdString();
    const std::size_t count = Characters::count(std::string_view(widthLine));
    check(count <= std::size_t(DataFile::kMaxWidthLineLength));
    const QString widthText = QString::fromStdString(Document::widthTextFor(widthLine));
    check(widthText.toDouble() * 2 == double(count));

    // As the window does it: width and callsign through their boxes, then decode and refresh
    // without rewriting the data text.
    FakeEditorView screen;
    screen.setWidthText(widthText.toStdString());
    QString box = loaded.lines[0].left(kCallsignMaxLength);
    if (box.size() == kCallsignMaxLength && box.back().isHighSurrogate())
        box.chop(1);
    // The callsign box, untouched since the load, stands for the start of line 0 as it was.
    const QByteArray callsign = CodePage::bytesShowing(loaded.lineBytes[0], box);
    check(loaded.lineBytes[0].startsWith(callsign));
    check(CodePage::decode(callsign) == box);
    screen.callsign = callsign.toStdString();
    Document model(screen);
    model.setSendData(loaded.sendBytes.toStdString());
    Document::Lines lines;
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines[i] = loaded.lines[i].toStdString();
    model.DecodeDataText(lines);
    model.RefreshCells();
    check(screen.dataWrites == 0);
    check(screen.pictureWrites == Document::kCellCount);
    check(model.sendData() == loaded.sendBytes.toStdString());
    for (int y = 0; y < Document::kRows; ++y) {
        for (int x = 0; x < Document::kColumns; ++x) {
            check(model.cell(x, y) == 0 || model.cell(x, y) == 1);
            check(model.mask(x, y) == 0 || model.mask(x, y) == 1);
        }
    }
    return 0;
}
